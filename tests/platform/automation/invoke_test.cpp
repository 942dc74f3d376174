// Standard invocation over a declared member table, on a small interface
// whose functions record what they receive.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "platform/automation/dispcall.h"
#include "platform/automation/typeinfo.h"

// Allocations through operator new on each thread, so that a test can tell
// that a call allocated nothing.
namespace {
thread_local long t_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++t_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  ++t_allocations;
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace automation {
namespace {

class ISample : public IDispatch {
 public:
  virtual HRESULT Place(LONG X1, LONG Y1, VARIANT_BOOL Fill, BSTR Name, LONG* Result) = 0;
  virtual HRESULT get_Size(LONG* Value) = 0;
  virtual HRESULT put_Size(LONG value) = 0;
  virtual HRESULT Fail(BSTR Message) = 0;
  virtual HRESULT Fill(VARIANT* Target) = 0;
};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOptDef = PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT;
constexpr USHORT kOpt = PARAMFLAG_FIN | PARAMFLAG_FOPT;

const TypeLibDesc kLib = {"SampleLib", {1, 2, 3, {4}}, u"sample", 1, 0, 1033};
const InterfaceDesc kSample = {
    "ISample",
    {5, 6, 7, {8}},
    u"sample interface",
    1,
    0,
    TYPEFLAG_FDUAL,
    {{"Place",
      INVOKE_FUNC,
      1,
      {{"X1", VT_I4, kIn},
       {"Y1", VT_I4, kOptDef, 7},
       {"Fill", VT_BOOL, kOptDef, -1},
       {"Name", VT_BSTR, kOpt}},
      VT_I4,
      "Result",
      Through<&ISample::Place>(),
      "Places a mark; Result is rcOK."},
     {"Size", INVOKE_PROPERTYGET, 2, {}, VT_I4, "Value", Through<&ISample::get_Size>()},
     {"Size",
      INVOKE_PROPERTYPUT,
      2,
      {{nullptr, VT_I4, kIn}},
      VT_EMPTY,
      nullptr,
      Through<&ISample::put_Size>()},
     {"Fail", INVOKE_FUNC, 3, {{"Message", VT_BSTR, kIn}}, VT_EMPTY, nullptr, Through<&ISample::Fail>()},
     {"Fill",
      INVOKE_FUNC,
      4,
      {{"Target", VT_VARIANT | VT_BYREF, kIn}},
      VT_EMPTY,
      nullptr,
      Through<&ISample::Fill>()}}};

class Sample final : public ISample {
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

  HRESULT Place(LONG X1, LONG Y1, VARIANT_BOOL fill, BSTR name, LONG* Result) override {
    x = X1, y = Y1, filled = fill, label = Utf8FromBstr(name), label_null = name == nullptr, seen_name = name;
    *Result = X1 + Y1;
    return S_OK;
  }
  HRESULT get_Size(LONG* Value) override { return *Value = size, S_OK; }
  HRESULT put_Size(LONG value) override { return size = value, S_OK; }
  HRESULT Fail(BSTR message) override {
    ICreateErrorInfo* c = nullptr;
    CreateErrorInfo(&c);
    c->SetSource(const_cast<LPOLESTR>(u"Sample"));
    c->SetDescription(message);
    IErrorInfo* e = nullptr;
    c->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&e));
    SetErrorInfo(0, e);
    e->Release();
    c->Release();
    return E_UNEXPECTED;
  }
  HRESULT Fill(VARIANT* target) override {
    VariantClear(target);
    target->vt = VT_I4;
    target->lVal = 42;
    return S_OK;
  }

  LONG x = -99, y = -99, size = 0;
  VARIANT_BOOL filled = 0;
  std::string label;
  bool label_null = true;
  BSTR seen_name = nullptr;
};

VARIANT I4(LONG v) {
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_I4;
  r.lVal = v;
  return r;
}

VARIANT Text(const char* s) {
  VARIANT r;
  r.vt = VT_BSTR;
  r.bstrVal = BstrFromUtf8(s);
  return r;
}

VARIANT Missing() {
  VARIANT r;
  r.vt = VT_ERROR;
  r.scode = DISP_E_PARAMNOTFOUND;
  return r;
}

struct Call {
  std::vector<VARIANT> args;  // reverse order, named first
  std::vector<DISPID> named;
  VARIANT result{};
  UINT arg_err = 999;
  EXCEPINFO excep{};
  ~Call() {
    for (VARIANT& v : args) VariantClear(&v);
    VariantClear(&result);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
  }
  HRESULT Run(Sample& s, DISPID id, WORD flags = DISPATCH_METHOD) {
    DISPPARAMS dp{args.data(), named.data(), static_cast<UINT>(args.size()), static_cast<UINT>(named.size())};
    return InvokeMember(static_cast<ISample*>(&s), kSample, id, flags, &dp, &result, &excep, &arg_err);
  }
};

TEST(Invoke, DefaultsFillOmittedArguments) {
  Sample s;
  Call c;
  c.args = {I4(5)};
  ASSERT_EQ(c.Run(s, 1), S_OK);
  EXPECT_EQ(s.x, 5);
  EXPECT_EQ(s.y, 7);
  EXPECT_EQ(s.filled, VARIANT_TRUE);
  EXPECT_FALSE(s.label_null);  // an optional string without default arrives empty
  EXPECT_EQ(s.label, "");
  EXPECT_EQ(c.result.vt, VT_I4);
  EXPECT_EQ(c.result.lVal, 12);
}

TEST(Invoke, NamedArgumentsAndMissingMarkers) {
  Sample s;
  Call conflict;
  conflict.args = {Text("n"), I4(3), I4(1)};  // Name:="n", X1:=3, and positionally X1 again
  conflict.named = {3, 0};
  EXPECT_EQ(conflict.Run(s, 1), DISP_E_PARAMNOTFOUND);
  Call required;
  required.args = {Text("n"), I4(3), Missing()};  // Name:="n", Y1:=3, X1 marked as omitted
  required.named = {3, 1};
  EXPECT_EQ(required.Run(s, 1), DISP_E_PARAMNOTOPTIONAL);
  Call good;
  good.args = {I4(0), Missing(), I4(4)};  // Fill:=0, then X1 = 4 and Y1 marked as omitted
  good.named = {2};
  ASSERT_EQ(good.Run(s, 1), S_OK);
  EXPECT_EQ(s.x, 4);
  EXPECT_EQ(s.y, 7);
  EXPECT_EQ(s.filled, 0);
}

TEST(Invoke, CountAndTypeErrorsComeBeforeTheCall) {
  Sample s;
  Call many;
  many.args = {I4(1), I4(1), I4(1), I4(1), I4(1)};
  EXPECT_EQ(many.Run(s, 1), DISP_E_BADPARAMCOUNT);
  Call wrong;
  wrong.args = {Text("seven"), I4(1)};  // Y1 is not a number
  EXPECT_EQ(wrong.Run(s, 1), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(wrong.arg_err, 0u);
  EXPECT_EQ(s.x, -99);  // never called
  Call none;
  EXPECT_EQ(none.Run(s, 77), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(none.Run(s, 2, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);  // a property, not a method
}

TEST(Invoke, PropertyPutAndGet) {
  Sample s;
  Call put;
  put.args = {I4(33)};
  put.named = {DISPID_PROPERTYPUT};
  ASSERT_EQ(put.Run(s, 2, DISPATCH_PROPERTYPUT), S_OK);
  EXPECT_EQ(s.size, 33);
  Call get;
  ASSERT_EQ(get.Run(s, 2, DISPATCH_PROPERTYGET | DISPATCH_METHOD), S_OK);
  EXPECT_EQ(get.result.lVal, 33);
  Call extra;  // the value plus one positional argument the property does not take
  extra.args = {I4(34), I4(1)};
  extra.named = {DISPID_PROPERTYPUT};
  EXPECT_EQ(extra.Run(s, 2, DISPATCH_PROPERTYPUT), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(s.size, 33);
}

TEST(Invoke, FailureBecomesException) {
  Sample s;
  Call c;
  c.args = {Text("壊れた")};
  ASSERT_EQ(c.Run(s, 3), DISP_E_EXCEPTION);
  EXPECT_EQ(c.excep.scode, E_UNEXPECTED);
  EXPECT_EQ(Utf8FromBstr(c.excep.bstrSource), "Sample");
  EXPECT_EQ(Utf8FromBstr(c.excep.bstrDescription), "壊れた");
}

TEST(Invoke, VariantPointerDesignatesTheCallersVariable) {
  Sample s;
  VARIANT target = Text("old");
  Call c;
  VARIANT ref;
  ref.vt = VT_VARIANT | VT_BYREF;
  ref.pvarVal = &target;
  c.args = {ref};
  ASSERT_EQ(c.Run(s, 4), S_OK);
  EXPECT_EQ(target.vt, VT_I4);
  EXPECT_EQ(target.lVal, 42);
}

TEST(LookupNames, MembersAndParametersInAnyCase) {
  std::u16string a = u"PLACE", b = u"name", c = u"nosuch";
  LPOLESTR names[] = {a.data(), b.data(), c.data()};
  DISPID ids[3];
  EXPECT_EQ(LookupNames(kSample, names, 3, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], 3);
  EXPECT_EQ(ids[2], DISPID_UNKNOWN);
  std::u16string unknown = u"Nothing";
  LPOLESTR one[] = {unknown.data()};
  EXPECT_EQ(LookupNames(kSample, one, 1, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], DISPID_UNKNOWN);
}

TEST(TypeInfo, FunctionDescriptionsCarryDefaults) {
  ITypeInfo* info = nullptr;
  ASSERT_EQ(CreateInterfaceTypeInfo(kLib, kSample, &info), S_OK);
  FUNCDESC* fd = nullptr;
  ASSERT_EQ(info->GetFuncDesc(0, &fd), S_OK);
  EXPECT_EQ(fd->cParams, 5);  // four parameters and the retval
  EXPECT_EQ(fd->oVft, static_cast<int16_t>(7 * sizeof(void*)));
  const PARAMDESC& y = fd->lprgelemdescParam[1].paramdesc;
  ASSERT_NE(y.pparamdescex, nullptr);
  EXPECT_EQ(y.pparamdescex->varDefaultValue.lVal, 7);
  EXPECT_EQ(fd->lprgelemdescParam[4].paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
  info->ReleaseFuncDesc(fd);
  EXPECT_EQ(info->GetFuncDesc(5, &fd), TYPE_E_ELEMENTNOTFOUND);
  BSTR names[8];
  UINT count = 0;
  ASSERT_EQ(info->GetNames(1, names, 8, &count), S_OK);
  EXPECT_EQ(count, 6u);
  for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
  info->Release();
}

VARIANT Bool(bool v) {
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_BOOL;
  r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  return r;
}

// The call an object makes: through its type information's member index.
HRESULT RunIndexed(ITypeInfo* info, Call& c, Sample& s, DISPID id, WORD flags = DISPATCH_METHOD) {
  DISPPARAMS dp{c.args.data(), c.named.empty() ? nullptr : c.named.data(), static_cast<UINT>(c.args.size()),
                static_cast<UINT>(c.named.size())};
  return info->Invoke(static_cast<ISample*>(&s), id, flags, &dp, &c.result, &c.excep, &c.arg_err);
}

TEST(Invoke, ArgumentsOfTheDeclaredTypesAreNeitherCopiedNorAllocated) {
  ITypeInfo* info = nullptr;
  ASSERT_EQ(CreateInterfaceTypeInfo(kLib, kSample, &info), S_OK);
  Sample s;
  Call c;
  c.args = {Text("mark"), Bool(false), I4(2), I4(5)};
  ASSERT_EQ(RunIndexed(info, c, s, 1), S_OK);  // the thread's first call may set up its error slot
  const long before = t_allocations;
  ASSERT_EQ(RunIndexed(info, c, s, 1), S_OK);
  EXPECT_EQ(t_allocations - before, 0);
  EXPECT_EQ(s.seen_name, c.args[0].bstrVal) << "the member reads the caller's own string";
  EXPECT_EQ(Utf8FromBstr(c.args[0].bstrVal), "mark") << "and the call leaves it to the caller";
  EXPECT_EQ(c.result.lVal, 7);
  EXPECT_EQ(s.filled, VARIANT_FALSE);
  // Other types are converted into storage the call owns and frees.
  Call converted;
  converted.args = {I4(12), I4(1), Text("30"), I4(5)};
  ASSERT_EQ(RunIndexed(info, converted, s, 1), S_OK);
  EXPECT_EQ(s.y, 30);
  EXPECT_EQ(s.label, "12");
  EXPECT_EQ(s.filled, VARIANT_TRUE);
  EXPECT_EQ(converted.args[2].vt, VT_BSTR) << "the caller's argument is not changed";
  info->Release();
}

TEST(Invoke, ThroughTheIndexPutsGetsAndErrorsMatchTheTable) {
  ITypeInfo* info = nullptr;
  ASSERT_EQ(CreateInterfaceTypeInfo(kLib, kSample, &info), S_OK);
  Sample s;
  Call put;
  put.args = {I4(33)};
  put.named = {DISPID_PROPERTYPUT};
  ASSERT_EQ(RunIndexed(info, put, s, 2, DISPATCH_PROPERTYPUT), S_OK);
  Call get;
  ASSERT_EQ(RunIndexed(info, get, s, 2, DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(get.result.lVal, 33);
  Call method;
  EXPECT_EQ(RunIndexed(info, method, s, 2, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(RunIndexed(info, method, s, 77), DISP_E_MEMBERNOTFOUND);
  Call wrong;
  wrong.args = {Text("seven"), I4(1)};
  EXPECT_EQ(RunIndexed(info, wrong, s, 1), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(wrong.arg_err, 0u);
  info->Release();
}

TEST(MemberIndex, FindsEveryRowOfALargeTableByNameAndId) {
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back("Member" + std::to_string(i));
  InterfaceDesc many = kSample;
  many.members.clear();
  for (int i = 0; i < 300; ++i) {
    MemberDesc m;
    m.name = names[static_cast<size_t>(i)].c_str();
    m.kind = i % 2 ? INVOKE_PROPERTYPUT : INVOKE_PROPERTYGET;
    m.dispid = 1000 - i / 2;  // pairs of rows share an id, in falling order
    many.members.push_back(m);
  }
  MemberIndex index(many);
  for (int i = 0; i < 300; ++i) {
    std::u16string upper = Utf16FromUtf8("MEMBER" + std::to_string(i));
    const MemberDesc* m = index.FindByName(upper.c_str());
    ASSERT_NE(m, nullptr) << i;
    EXPECT_EQ(m, &many.members[static_cast<size_t>(i)]);
    const WORD flags = i % 2 ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYGET;
    EXPECT_EQ(index.FindByDispid(1000 - i / 2, flags), m);
  }
  EXPECT_EQ(index.FindByName(u"Member300"), nullptr);
  EXPECT_EQ(index.FindByName(u"Member"), nullptr);
  EXPECT_EQ(index.FindByName(nullptr), nullptr);
  EXPECT_EQ(index.FindByDispid(1000, DISPATCH_METHOD), nullptr);
  EXPECT_EQ(index.FindByDispid(1, DISPATCH_PROPERTYGET), nullptr);
  MemberIndex sample(kSample);
  const MemberDesc* size = sample.FindByName(u"SIZE");
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->kind, INVOKE_PROPERTYGET) << "the first row of a name answers";
}

TEST(TypeInfo, MembersHandOutTheirHelpText) {
  ITypeInfo* info = nullptr;
  ASSERT_EQ(CreateInterfaceTypeInfo(kLib, kSample, &info), S_OK);
  BSTR name = nullptr, doc = nullptr;
  ASSERT_EQ(info->GetDocumentation(1, &name, &doc, nullptr, nullptr), S_OK);
  EXPECT_EQ(Utf8FromBstr(name), "Place");
  EXPECT_EQ(Utf8FromBstr(doc), "Places a mark; Result is rcOK.");
  SysFreeString(name);
  SysFreeString(doc);
  doc = reinterpret_cast<BSTR>(1);
  ASSERT_EQ(info->GetDocumentation(3, nullptr, &doc, nullptr, nullptr), S_OK);
  EXPECT_EQ(doc, nullptr) << "a member without help text has no documentation string";
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, nullptr, &doc, nullptr, nullptr), S_OK);
  EXPECT_EQ(Utf8FromBstr(doc), "sample interface");
  SysFreeString(doc);
  EXPECT_EQ(info->GetDocumentation(99, nullptr, &doc, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
  info->Release();
}

}  // namespace
}  // namespace automation
