// The member list, the function table of IMyCanvas and the member table agree
// slot by slot, and the one forwarding template checks and converts the
// arguments of every member.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>

#include "canvas/Zelnor2_TLB.h"
#include "canvas/com_object.h"
#include "platform/automation/dispcall.h"

namespace zelnor {
namespace {
using namespace automation;

// An IMyCanvas whose every function records its own name.
class Recorder final : public IMyCanvas {
 public:
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
#define SLOT(kind, name, slot, body, dispid, params, ...) \
  HRESULT slot(ZELNOR_IDL_MAP(ZELNOR_IDL_TYPE, params)) override { return Record(#slot); }
#include "canvas/member_list.inc"

  std::string last;

 private:
  HRESULT Record(const char* slot) {
    last = slot;
    return S_OK;
  }
};

// Calls function-table entry kDispatchSlots + index with the signature of
// Member, the way a compiled client reaches the entry.
template <auto Member>
struct RawSlot;
template <class... P, HRESULT (IMyCanvas::*Member)(P...)>
struct RawSlot<Member> {
  static HRESULT Call(IMyCanvas* c, size_t index, VARIANT* args) {
    using Entry = HRESULT (*)(IMyCanvas*, P...);
    auto entry = reinterpret_cast<Entry>((*reinterpret_cast<void***>(c))[kDispatchSlots + index]);
    return [&]<size_t... I>(std::index_sequence<I...>) { return entry(c, detail::Arg<P>(args[I])...); }
    (std::index_sequence_for<P...>{});
  }
};

struct Slot {
  const char* name;
  HRESULT (*raw)(IMyCanvas*, size_t, VARIANT*);
};
const Slot kSlots[] = {
#define SLOT(kind, name, slot, body, dispid, params, ...) {#slot, &RawSlot<&IMyCanvas::slot>::Call},
#include "canvas/member_list.inc"
};

std::string SlotName(const MemberDesc& m) {
  if (m.kind == INVOKE_PROPERTYGET) return std::string("get_") + m.name;
  if (m.kind == INVOKE_PROPERTYPUT) return std::string("put_") + m.name;
  return m.name;
}

TEST(MemberList, EveryRowReachesTheFunctionTableEntryOfItsPosition) {
  const InterfaceDesc& iface = IMyCanvasInterface();
  ASSERT_EQ(iface.members.size(), std::size(kSlots));
  EXPECT_EQ(kMyCanvasFunctions, 85);
  Recorder recorder;
  VARIANT args[16];
  for (VARIANT& v : args) VariantInit(&v);
  for (size_t i = 0; i < iface.members.size(); ++i) {
    const MemberDesc& m = iface.members[i];
    const std::string expected = SlotName(m);
    EXPECT_EQ(kSlots[i].name, expected) << "row " << i;
    recorder.last.clear();
    ASSERT_EQ(m.call(static_cast<IMyCanvas*>(&recorder), args), S_OK);
    EXPECT_EQ(recorder.last, expected) << "call adapter of row " << i;
    recorder.last.clear();
    ASSERT_EQ(kSlots[i].raw(&recorder, i, args), S_OK);
    EXPECT_EQ(recorder.last, expected) << "function-table entry " << kDispatchSlots + i;
  }
}

class MemberForwarding : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LoadZelnor2TypeInfo(&iface_info_, &class_info_), S_OK);
    auto* object = new TMyCanvasObject({iface_info_, class_info_, nullptr});
    ASSERT_EQ(object->InnerUnknown()->QueryInterface(IID_IMyCanvas, reinterpret_cast<void**>(&canvas_)),
              S_OK);
  }
  void TearDown() override {
    if (canvas_) canvas_->Release();
    iface_info_->Release();
    class_info_->Release();
  }

  ITypeInfo* iface_info_ = nullptr;
  ITypeInfo* class_info_ = nullptr;
  IMyCanvas* canvas_ = nullptr;
};

// Every VARIANT* and [out,retval] pointer of every member is checked before
// the body runs: a null one gives E_POINTER and the body never starts.
TEST_F(MemberForwarding, NullPointersAreRefusedBeforeTheBodyRuns) {
  const InterfaceDesc& iface = IMyCanvasInterface();
  int checked = 0;
  for (const MemberDesc& m : iface.members) {
    const size_t count = m.params.size() + (m.retval != VT_EMPTY ? 1 : 0);
    for (size_t null_at = 0; null_at < count; ++null_at) {
      const bool is_retval = null_at == m.params.size();
      if (!is_retval && m.params[null_at].vt != (VT_VARIANT | VT_BYREF)) continue;
      VARIANT targets[16], args[16];  // numbers 0, texts null, pointers to scratch variants
      for (size_t k = 0; k < count; ++k) {
        VariantInit(&targets[k]);
        VariantInit(&args[k]);
        const bool pointer = k == m.params.size() || m.params[k].vt == (VT_VARIANT | VT_BYREF);
        if (pointer && k != null_at) args[k].byref = &targets[k];
      }
      EXPECT_EQ(m.call(canvas_, args), E_POINTER) << SlotName(m) << " with argument " << null_at << " null";
      ++checked;
    }
  }
  EXPECT_EQ(checked, 57);  // 52 results and 5 VARIANT* parameters
  LONG upper = -1, width = -1;
  ASSERT_EQ(canvas_->get_UBound(&upper), S_OK);
  ASSERT_EQ(canvas_->get_Width(&width), S_OK);
  EXPECT_EQ(upper, 0);
  EXPECT_EQ(width, 0);
}

TEST_F(MemberForwarding, TextAndBooleansConvertBothWays) {
  const std::u16string name = u"Noto Sans 日本語 ＡＢ";
  BSTR in = SysAllocString(name.c_str());
  ASSERT_EQ(canvas_->put_FontName(in), S_OK);
  SysFreeString(in);
  BSTR out = nullptr;
  ASSERT_EQ(canvas_->get_FontName(&out), S_OK);
  EXPECT_EQ(std::u16string(BstrView(out)), name);
  SysFreeString(out);

  VARIANT_BOOL flag = 0;
  ASSERT_EQ(canvas_->put_FontBold(2), S_OK);  // any non-zero value is true
  ASSERT_EQ(canvas_->get_FontBold(&flag), S_OK);
  EXPECT_EQ(flag, VARIANT_TRUE);
  ASSERT_EQ(canvas_->put_FontBold(0), S_OK);
  ASSERT_EQ(canvas_->get_FontBold(&flag), S_OK);
  EXPECT_EQ(flag, VARIANT_FALSE);

  LONG width = 0;
  BSTR text = SysAllocString(u"Wide");
  ASSERT_EQ(canvas_->StringWidth(text, &width), S_OK);
  SysFreeString(text);
  EXPECT_GT(width, 0);
}

TEST_F(MemberForwarding, AVariantResultIsClearedBeforeTheBodyFillsIt) {
  VARIANT list;
  list.vt = VT_BSTR;  // stale contents the caller did not initialise
  list.bstrVal = reinterpret_cast<BSTR>(1);
  ASSERT_EQ(canvas_->FontList(VARIANT_TRUE, VARIANT_FALSE, VARIANT_FALSE, &list), S_OK);
  EXPECT_EQ(list.vt, VT_ARRAY | VT_VARIANT);
  VariantClear(&list);
}

TEST_F(MemberForwarding, ResultCodesAndFailuresKeepTheirPaths) {
  LONG result = 99;
  ASSERT_EQ(canvas_->NewCanvas(-1, 5, 0, &result), S_OK);  // an expected failure is a result code
  EXPECT_EQ(result, -1);
  ASSERT_EQ(canvas_->NewCanvas(7, 5, 0, &result), S_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(canvas_->put_PixelFormat(8), E_UNEXPECTED);  // an escaping failure is the standard report
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  BSTR description = nullptr;
  info->GetDescription(&description);
  EXPECT_EQ(Utf8FromBstr(description), "画像フォーマットが不正です");
  SysFreeString(description);
  info->Release();
  LONG format = 0;
  ASSERT_EQ(canvas_->get_PixelFormat(&format), S_OK);
  EXPECT_EQ(format, 6);
}

}  // namespace
}  // namespace zelnor
