// Invocation by name and by dispatch identifier: a run of calls, each of a
// random member (or a random identifier, or a name looked up from random
// text) with random invoke flags and a random count of random VARIANT
// arguments of every type the coercions meet (numbers of every width,
// reals with NaN and infinities, strings, dates, Booleans, errors and
// omitted markers, byte and integer arrays, by-reference values, empty,
// null, null interfaces), some of them named.
//
// Members that reach the file system, the clipboard or the desktop run in
// the private folder (fuzz_support.h): their string arguments are replaced
// by names inside it, and every other value converts to a relative name.
//
// Checks: Invoke returns success, an invocation error of the platform, or
// the standard failure report; the object stays usable after every call;
// canvases stay small enough (libvips-style cap) for each input to be fast.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <set>

#include "canvas/Zelnor2_TLB.h"
#include "fuzz/fuzz_support.h"

using automation::VARIANT;

namespace {

using namespace automation;

constexpr size_t kMaxInput = 4096;
constexpr int kMaxCalls = 16;
constexpr int64_t kMaxPixels = 1 << 16;

const std::set<std::string> kFileMembers = {"LoadFromFile",    "SaveToFile",       "SaveAniGIFToFile",
                                            "ConvertFile",     "SetWallPaper",     "CaptureWindow",
                                            "SaveToClipboard", "LoadFromClipboard"};

const char* SandboxName(uint8_t pick) {
  static const char* kNames[] = {"",
                                 ".",
                                 "in",
                                 "in/",
                                 "out",
                                 "in/*.png",
                                 "in/*.*",
                                 "*.bmp",
                                 "a.png",
                                 "b.gif",
                                 "c.JPG",
                                 "d.bmp",
                                 "e.tif",
                                 "in/small.bmp",
                                 "in/small.png",
                                 "out/x.gif",
                                 "missing/z.png",
                                 "f.",
                                 "in/small.bmp\xE3\x81\x82",
                                 "g.jpeg"};
  return kNames[pick % std::size(kNames)];
}

std::string SomeText(fuzz::Input& in) {
  static const char* kTexts[] = {"",     "0",     "1",    "-1",  "12",   "1e400", "-2147483649", "2147483648",
                                 "True", "false", "0x10", "1.5", "JPEG", "png",   "あ",          "\xFF\xFE"};
  const uint8_t pick = in.Byte();
  if (pick < 128) return kTexts[pick % std::size(kTexts)];
  return in.Text(24);
}

SAFEARRAY* SomeArray(fuzz::Input& in) {
  const VARTYPE kinds[] = {VT_UI1, VT_I4, VT_VARIANT, VT_BSTR};
  const VARTYPE vt = kinds[in.Byte() % 4];
  const ULONG n = in.Byte() % 40;
  SAFEARRAY* sa = SafeArrayCreateVector(vt, in.Bool() ? 0 : in.Range(-3, 3), n);
  if (!sa || vt != VT_UI1) return sa;
  void* data = nullptr;
  SafeArrayAccessData(sa, &data);
  std::span<const uint8_t> b = in.Bytes(n);
  std::memcpy(data, b.data(), b.size());
  SafeArrayUnaccessData(sa);
  return sa;
}

// One argument.  `holders` keeps what by-reference values point at alive
// until the call is over.
VARIANT SomeValue(fuzz::Input& in, std::vector<std::unique_ptr<VARIANT>>& holders, int depth = 0) {
  VARIANT v;
  VariantInit(&v);
  static const double kReals[] = {0.0,
                                  -0.0,
                                  0.5,
                                  -0.5,
                                  1.5,
                                  2.5,
                                  2147483647.5,
                                  -2147483648.5,
                                  1e300,
                                  -1e300,
                                  std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(),
                                  4294967296.0};
  switch (in.Byte() % 20) {
    case 0:
      break;  // VT_EMPTY
    case 1:
      v.vt = VT_NULL;
      break;
    case 2:
      v.vt = VT_I2;
      v.iVal = static_cast<int16_t>(in.U16());
      break;
    case 3:
    case 4:
      v.vt = VT_I4;
      v.lVal = in.Extreme();
      break;
    case 5:
      v.vt = VT_R4;
      v.fltVal = static_cast<float>(kReals[in.Byte() % std::size(kReals)]);
      break;
    case 6:
      v.vt = VT_R8;
      v.dblVal = kReals[in.Byte() % std::size(kReals)];
      break;
    case 7:
      v.vt = VT_CY;
      v.llVal = static_cast<int64_t>(in.U32()) * (in.Bool() ? -10000 : 10000);
      break;
    case 8:
      v.vt = VT_DATE;
      v.date = kReals[in.Byte() % std::size(kReals)];
      break;
    case 9:
    case 10:
      v = fuzz::Str(SomeText(in));
      break;
    case 11:
      v.vt = VT_BOOL;
      v.boolVal = static_cast<VARIANT_BOOL>(in.U16());
      break;
    case 12:
      v.vt = VT_ERROR;
      v.scode = in.Bool() ? DISP_E_PARAMNOTFOUND : static_cast<SCODE>(in.U32());
      break;
    case 13: {
      const VARTYPE kinds[] = {VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT};
      v.vt = kinds[in.Byte() % 8];
      v.ullVal = static_cast<uint64_t>(in.U32()) << (in.Bool() ? 32 : 0) | in.U32();
      break;
    }
    case 14: {
      SAFEARRAY* sa = SomeArray(in);
      if (!sa) break;
      VARTYPE element = VT_UI1;
      SafeArrayGetVartype(sa, &element);
      v.vt = VT_ARRAY | element;
      v.parray = sa;
      break;
    }
    case 15: {  // by reference to a variable of a plain type
      auto target = std::make_unique<VARIANT>(depth < 2 ? SomeValue(in, holders, depth + 1) : fuzz::I4(1));
      if (target->vt == VT_I4 || target->vt == VT_BSTR || target->vt == VT_BOOL || target->vt == VT_R8) {
        v.vt = VT_BYREF | target->vt;
        v.byref = &target->lVal;
      } else {
        v = fuzz::Ref(target.get());
      }
      holders.push_back(std::move(target));
      break;
    }
    case 16:
    case 17: {  // a variable that a member may fill
      auto target = std::make_unique<VARIANT>(depth < 2 ? SomeValue(in, holders, depth + 1) : fuzz::I4(0));
      v = fuzz::Ref(target.get());
      holders.push_back(std::move(target));
      break;
    }
    case 18:
      v.vt = in.Bool() ? VT_DISPATCH : VT_UNKNOWN;
      v.punkVal = nullptr;
      break;
    default:
      v.vt = static_cast<VARTYPE>(in.U16() & 0x0FFF);
      break;  // any type word, no payload
  }
  return v;
}

// Replaces a string argument of a member that names files by a name inside
// the private folder.
void Sandboxed(VARIANT& v, uint8_t pick) {
  if (v.vt == VT_BSTR || v.vt == VT_NULL) {
    fuzz::Clear(v);
    v = fuzz::Str(SandboxName(pick));
  } else if (v.vt == (VT_BYREF | VT_BSTR) || v.vt == (VT_BYREF | VT_VARIANT)) {
    fuzz::Clear(v);  // the target variable stays with its holder
    VariantInit(&v);
    v = fuzz::Str(SandboxName(pick));
  }
}

struct Choice {
  DISPID id = DISPID_UNKNOWN;
  const MemberDesc* member = nullptr;
};

Choice ChooseMember(fuzz::Object& o, fuzz::Input& in) {
  const std::vector<MemberDesc>& members = zelnor::IMyCanvasInterface().members;
  const uint8_t how = in.Byte();
  Choice c;
  if (how < 200) {
    c.member = &members[in.Byte() % members.size()];
    c.id = c.member->dispid;
  } else if (how < 230) {
    c.id = in.Range(-8, 70);
  } else {
    const std::u16string name = Utf16FromUtf8(SomeText(in));
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    const HRESULT hr = o.Dispatch()->GetIDsOfNames(IID_NULL, names, 1, 0, &c.id);
    FUZZ_CHECK(hr == S_OK || hr == DISP_E_UNKNOWNNAME, "GetIDsOfNames returned " + std::to_string(hr));
  }
  if (!c.member)
    for (const MemberDesc& m : members)
      if (m.dispid == c.id) c.member = &m;
  return c;
}

WORD ChooseFlags(fuzz::Input& in, const MemberDesc* m) {
  const uint8_t pick = in.Byte();
  if (pick < 200 && m) {
    switch (m->kind) {
      case INVOKE_PROPERTYGET:
        return DISPATCH_PROPERTYGET;
      case INVOKE_PROPERTYPUT:
        return pick & 1 ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF;
      default:
        return pick & 1 ? DISPATCH_METHOD : DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    }
  }
  return static_cast<WORD>(pick & 0x0F);
}

void OneCall(fuzz::Object& o, fuzz::Input& in, bool& touched_files) {
  const Choice c = ChooseMember(o, in);
  const WORD flags = ChooseFlags(in, c.member);
  const bool files = c.member && kFileMembers.count(c.member->name);
  touched_files |= files;
  std::vector<std::unique_ptr<VARIANT>> holders;
  const UINT count = in.Byte() % 13;
  std::vector<VARIANT> args;  // in call order; reversed below
  for (UINT i = 0; i < count; ++i) {
    args.push_back(SomeValue(in, holders));
    if (files) Sandboxed(args.back(), in.Byte());
  }
  std::reverse(args.begin(), args.end());
  // Some trailing arguments (first in rgvarg) are named: by position, or by
  // a wrong identifier.
  const UINT named = count ? in.Byte() % (count + 1) : 0;
  std::vector<DISPID> names(named);
  for (UINT i = 0; i < named; ++i) names[i] = in.Byte() < 200 ? in.Range(0, 11) : in.Range(-5, 40);
  if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && named > 0 && in.Bool())
    names[0] = DISPID_PROPERTYPUT;
  DISPPARAMS dp{args.data(), named ? names.data() : nullptr, count, named};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO excep{};
  UINT arg_err = 0;
  const bool want_result = in.Byte() < 230;
  const HRESULT hr = o.Dispatch()->Invoke(c.id, IID_NULL, 0, flags, &dp, want_result ? &result : nullptr,
                                          in.Byte() < 230 ? &excep : nullptr, &arg_err);
  fuzz::Outcome out;
  if (hr == DISP_E_EXCEPTION && excep.scode == 0) {
    // No exception record was asked for: the error information stays with
    // the thread.
    IErrorInfo* info = nullptr;
    FUZZ_CHECK(GetErrorInfo(0, &info) == S_OK && info, "a failure without error information");
    info->GetSource(&excep.bstrSource);
    info->GetDescription(&excep.bstrDescription);
    excep.scode = E_UNEXPECTED;
    info->Release();
  }
  fuzz::CheckInvokeOutcome(hr, excep, true, out);
  VariantClear(&result);
  for (VARIANT& v : args)
    if (!(v.vt & VT_BYREF)) VariantClear(&v);
  for (auto& h : holders) VariantClear(h.get());
}

bool Small(fuzz::Object& o) {
  for (const auto& b : o.Native().Canvases())
    if (int64_t{b->Width()} * b->Height() > kMaxPixels) return false;
  return o.Native().Canvases().size() <= 16;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::EnterSandbox();
  if (size > kMaxInput) return 0;
  static bool dirty = false;
  if (dirty) fuzz::ResetSandbox();
  dirty = false;
  fuzz::Input in(data, size);
  fuzz::Object o;
  // The input first shapes the object's canvases.
  const int canvases = in.Byte() % 3;
  for (int i = 0; i < canvases; ++i)
    o.Code("NewCanvas", {fuzz::I4(in.Range(0, 40)), fuzz::I4(in.Range(0, 40)), fuzz::I4(i + 1)});
  o.Code("NewCanvas", {fuzz::I4(in.Range(0, 40)), fuzz::I4(in.Range(0, 40))});
  fuzz::FillFromInput(o.Current(), in);
  for (int i = 0; i < kMaxCalls && !in.Empty() && Small(o); ++i) {
    OneCall(o, in, dirty);
    o.CheckUsable();
  }
  return 0;
}
