// The module Zelnor2.so loaded as a client loads it: entry points, class
// factory, registration, and the object reached through its raw function
// table and through IDispatch.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "canvas/Zelnor2_TLB.h"
#include "canvas/com_object.h"
#include "platform/registry/registry.h"

namespace {
using namespace automation;
using zelnor::CLSID_MyCanvas;
using zelnor::IID_IMyCanvas;
using zelnor::IMyCanvas;

struct Module {
  void* handle = nullptr;
  HRESULT (*GetClassObject)(const CLSID&, const IID&, void**) = nullptr;
  HRESULT (*CanUnloadNow)() = nullptr;
  HRESULT (*Register)() = nullptr;
  HRESULT (*Unregister)() = nullptr;
};

class ServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string path = std::string(ZELNOR_BINARY_DIR) + "/lib/Zelnor2.so";
    module_.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_.handle, nullptr) << dlerror();
    module_.GetClassObject =
        reinterpret_cast<decltype(module_.GetClassObject)>(dlsym(module_.handle, "DllGetClassObject"));
    module_.CanUnloadNow =
        reinterpret_cast<decltype(module_.CanUnloadNow)>(dlsym(module_.handle, "DllCanUnloadNow"));
    module_.Register =
        reinterpret_cast<decltype(module_.Register)>(dlsym(module_.handle, "DllRegisterServer"));
    module_.Unregister =
        reinterpret_cast<decltype(module_.Unregister)>(dlsym(module_.handle, "DllUnregisterServer"));
  }
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("zelnor2-server-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    registry_ = (dir_ / "registry").string();
    setenv("ZELNOR2_REGISTRY", registry_.c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  IClassFactory* Factory() {
    IClassFactory* f = nullptr;
    EXPECT_EQ(module_.GetClassObject(CLSID_MyCanvas, IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
    return f;
  }
  IMyCanvas* NewCanvasObject() {
    IClassFactory* f = Factory();
    IMyCanvas* c = nullptr;
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IMyCanvas, reinterpret_cast<void**>(&c)), S_OK);
    f->Release();
    return c;
  }
  static std::string TakeDescription(std::string* source = nullptr) {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK) return "<none>";
    BSTR s = nullptr, d = nullptr;
    info->GetSource(&s);
    info->GetDescription(&d);
    if (source) *source = Utf8FromBstr(s);
    std::string out = Utf8FromBstr(d);
    SysFreeString(s);
    SysFreeString(d);
    info->Release();
    return out;
  }

  static Module module_;
  std::filesystem::path dir_;
  std::string registry_;
};
Module ServerTest::module_;

TEST_F(ServerTest, UnloadFollowsObjectsLocksAndFactoryReferences) {
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
  IClassFactory* f = Factory();
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);  // factory referenced
  IUnknown* obj = nullptr;
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&obj)), S_OK);
  EXPECT_EQ(f->LockServer(1), S_OK);
  f->Release();
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);  // object and lock
  obj->Release();
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);  // lock
  f = Factory();
  EXPECT_EQ(f->LockServer(0), S_OK);
  EXPECT_EQ(f->LockServer(0), E_FAIL);  // unbalanced unlock is refused
  f->Release();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

TEST_F(ServerTest, ClassObjectAndCreationRules) {
  void* out = reinterpret_cast<void*>(1);
  const CLSID other = {0x12345678, 0, 0, {0}};
  EXPECT_EQ(module_.GetClassObject(other, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(module_.GetClassObject(CLSID_MyCanvas, IID_IDispatch, &out), E_NOINTERFACE);
  IClassFactory* f = Factory();
  struct Outer final : IUnknown {
    HRESULT QueryInterface(REFIID, void** p) override { return *p = nullptr, E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
  } outer;
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(&outer, IID_IDispatch, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);  // object destroyed again
  // Aggregated: the inner IUnknown is the object's own; its interfaces count on the outer.
  IUnknown* inner = nullptr;
  ASSERT_EQ(f->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
  IDispatch* d = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)), S_OK);
  EXPECT_EQ(outer.refs, 2u);
  d->Release();
  EXPECT_EQ(outer.refs, 1u);
  inner->Release();
  f->Release();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

TEST_F(ServerTest, RegistrationWritesAndRemovesTheEightEntries) {
  ASSERT_EQ(module_.Register(), S_OK);
  registry::Store store(registry_);
  const std::string cls = "CLSID\\" + GuidToString(CLSID_MyCanvas);
  EXPECT_EQ(store.GetValue(cls, ""), "Zelnor 2 MyCanvas オブジェクト");
  std::string path = store.GetValue(cls + "\\InprocServer32", "").value_or("");
  EXPECT_TRUE(path.ends_with("/lib/Zelnor2.so")) << path;
  EXPECT_EQ(path[0], '/');
  EXPECT_EQ(store.GetValue(cls + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(store.GetValue("Zelnor2.MyCanvas", ""), "Zelnor 2 MyCanvas オブジェクト");
  EXPECT_EQ(store.GetValue("Zelnor2.MyCanvas\\Clsid", ""), GuidToString(CLSID_MyCanvas));
  EXPECT_EQ(store.GetValue(cls + "\\ProgID", ""), "Zelnor2.MyCanvas");
  EXPECT_EQ(store.GetValue(cls + "\\Version", ""), "1.0");
  EXPECT_EQ(store.GetValue(cls + "\\TypeLib", ""), GuidToString(zelnor::LIBID_Zelnor2));
  ASSERT_EQ(module_.Unregister(), S_OK);
  for (const char* key : {"", "\\InprocServer32", "\\ProgID", "\\Version", "\\TypeLib"})
    EXPECT_FALSE(store.KeyExists(cls + key)) << key;
  EXPECT_FALSE(store.KeyExists("Zelnor2.MyCanvas"));
  EXPECT_EQ(module_.Unregister(), S_OK);  // nothing left to remove is not a failure
}

TEST_F(ServerTest, UnwritableRegistryFailsWithTheMessage) {
  std::string blocked = (dir_ / "file").string();
  std::FILE* f = std::fopen(blocked.c_str(), "w");
  std::fclose(f);
  std::string inside = blocked + "/registry";  // a path below a plain file
  setenv("ZELNOR2_REGISTRY", inside.c_str(), 1);
  EXPECT_EQ(module_.Register(), E_FAIL);
  EXPECT_EQ(TakeDescription(), "システム レジストリ に書き込めません");
}

// Unregistering from a store that cannot be read is a failure, not a quiet
// success that leaves the class registered.
TEST_F(ServerTest, UnreadableRegistryFailsBothWays) {
  std::filesystem::create_directories(registry_);  // a folder where the store should be
  EXPECT_EQ(module_.Register(), E_FAIL);
  EXPECT_EQ(TakeDescription(), "システム レジストリ に書き込めません");
  EXPECT_EQ(module_.Unregister(), E_FAIL);
  EXPECT_EQ(TakeDescription(), "システム レジストリ に書き込めません");
}

TEST_F(ServerTest, ConcurrentRegistrationsKeepOneCompleteSetOfEntries) {
  constexpr int kProcesses = 4;
  for (int i = 0; i < kProcesses; ++i)
    if (fork() == 0) _exit(module_.Register() == S_OK ? 0 : 1);
  for (int i = 0; i < kProcesses; ++i) {
    int status = 0;
    wait(&status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  registry::Store store(registry_);
  const std::string cls = "CLSID\\" + GuidToString(CLSID_MyCanvas);
  EXPECT_EQ(store.GetValue("Zelnor2.MyCanvas\\Clsid", ""), GuidToString(CLSID_MyCanvas));
  EXPECT_EQ(store.SubKeys(cls).size(), 4u);  // InprocServer32, ProgID, TypeLib, Version
  EXPECT_EQ(store.GetValue(cls + "\\InprocServer32", "ThreadingModel"), "Apartment");
  ASSERT_EQ(module_.Unregister(), S_OK);
  EXPECT_FALSE(store.KeyExists(cls));
}

TEST_F(ServerTest, RawFunctionTableCalls) {
  IMyCanvas* c = NewCanvasObject();
  ASSERT_NE(c, nullptr);
  LONG result = -9, width = 0;
  // Slot 7 + 7: NewCanvas, called through the table as a C client does.
  using NewCanvasFn = HRESULT (*)(IMyCanvas*, LONG, LONG, LONG, LONG*);
  auto slot = reinterpret_cast<NewCanvasFn>((*reinterpret_cast<void***>(c))[automation::kDispatchSlots + 7]);
  ASSERT_EQ(slot(c, 200, 100, 0, &result), S_OK);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(c->get_Width(&width), S_OK);
  EXPECT_EQ(width, 200);
  EXPECT_EQ(c->NewCanvas(1, 1, 0, nullptr), E_POINTER);
  EXPECT_EQ(c->put_PixelFormat(8), E_UNEXPECTED);
  std::string source;
  EXPECT_EQ(TakeDescription(&source), "画像フォーマットが不正です");
  EXPECT_EQ(source, "Zelnor2.MyCanvas");
  LONG upper = -1;
  ASSERT_EQ(c->get_UBound(&upper), S_OK);  // still usable after the failure
  EXPECT_EQ(upper, 0);
  c->Release();
}

TEST_F(ServerTest, DispatchSupportInterfaces) {
  IMyCanvas* c = NewCanvasObject();
  ISupportErrorInfo* support = nullptr;
  ASSERT_EQ(c->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IMyCanvas), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IClassFactory), S_FALSE);
  support->Release();
  void* none = nullptr;
  EXPECT_EQ(c->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  UINT count = 0;
  c->GetTypeInfoCount(&count);
  EXPECT_EQ(count, 1u);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(c->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
  IProvideClassInfo* provide = nullptr;
  ASSERT_EQ(c->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&provide)), S_OK);
  ASSERT_EQ(provide->GetClassInfo(&info), S_OK);
  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_EQ(attr->guid, CLSID_MyCanvas);
  info->ReleaseTypeAttr(attr);
  ITypeInfo* iface = nullptr;
  HREFTYPE ref = 0;
  info->GetRefTypeOfImplType(0, &ref);
  ASSERT_EQ(info->GetRefTypeInfo(ref, &iface), S_OK);
  iface->GetTypeAttr(&attr);
  EXPECT_EQ(attr->guid, IID_IMyCanvas);
  EXPECT_EQ(attr->cFuncs, 85);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 3);
  iface->ReleaseTypeAttr(attr);
  iface->Release();
  info->Release();
  provide->Release();
  c->Release();
}

// Calls from several threads into one object run one after the other: every
// append lands, and reads between them see a consistent list.
TEST_F(ServerTest, CallsFromManyThreadsIntoOneObjectRunOneAfterTheOther) {
  IMyCanvas* c = NewCanvasObject();
  ASSERT_NE(c, nullptr);
  constexpr int kThreads = 4, kAppends = 250;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      LONG result = 0, upper = 0, width = 0;
      for (int i = 0; i < kAppends; ++i) {
        if (c->NewCanvas(t + 1, 1, 1, &result) != S_OK || result != 0) ++failures;
        if (c->get_UBound(&upper) != S_OK || upper < 1) ++failures;
        if (c->get_Width(&width) != S_OK || width != 0) ++failures;  // canvas 0 stays empty
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  LONG upper = 0;
  ASSERT_EQ(c->get_UBound(&upper), S_OK);
  EXPECT_EQ(upper, kThreads * kAppends);
  c->Release();
}

TEST_F(ServerTest, TheLastReleaseMayComeFromAnotherThread) {
  IMyCanvas* c = NewCanvasObject();
  ASSERT_NE(c, nullptr);
  LONG result = 0;
  ASSERT_EQ(c->NewCanvas(300, 200, 3, &result), S_OK);
  std::vector<std::thread> holders;
  for (int t = 0; t < 4; ++t) {
    c->AddRef();
    holders.emplace_back([c] {
      LONG width = 0;
      c->get_Width(&width);
      c->Release();
    });
  }
  c->Release();  // one of the holders ends the object
  for (auto& t : holders) t.join();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

VARIANT Value(VARTYPE vt, int64_t bits) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  v.llVal = bits;
  return v;
}

TEST_F(ServerTest, BadLateBoundCallsNeverHarmTheObject) {
  IMyCanvas* c = NewCanvasObject();
  LONG stray = 5;
  const VARIANT junk[] = {Value(VT_R8, 0x7FF0000000000000),  // +inf
                          Value(VT_I8, int64_t{1} << 40),
                          Value(VT_I4, -1),
                          Value(VT_I4 | VT_BYREF, 0),  // null reference
                          Value(VT_NULL, 0),
                          Value(VT_ERROR, DISP_E_PARAMNOTFOUND),
                          Value(VT_UNKNOWN, 0),
                          Value(0x7777, 0)};
  VARIANT ref_ok = Value(VT_I4 | VT_BYREF, 0);
  ref_ok.plVal = &stray;
  for (DISPID id : {1, 9, 12, 25, 26, 40, 41, 49, 50, 59, 62, 63, 999, -1}) {
    for (WORD flags :
         {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF}) {
      for (UINT n = 0; n <= 12; n += 3) {
        VARIANT args[12];
        for (UINT i = 0; i < n; ++i) args[i] = i % 4 == 3 ? ref_ok : junk[(id + i + flags) % 8];
        DISPPARAMS dp{args, nullptr, n, 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep{};
        UINT err = 0;
        HRESULT hr = c->Invoke(id, IID_NULL, 0, flags, &dp, &result, &excep, &err);
        if (hr == DISP_E_EXCEPTION) {
          SysFreeString(excep.bstrSource);
          SysFreeString(excep.bstrDescription);
        }
        VariantClear(&result);
      }
    }
  }
  EXPECT_EQ(c->Invoke(12, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(c->Invoke(12, IID_IDispatch, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  LONG result = -1, width = 0;
  ASSERT_EQ(c->NewCanvas(31, 17, 0, &result), S_OK);
  ASSERT_EQ(c->get_Width(&width), S_OK);
  EXPECT_EQ(width, 31);
  c->Release();
}

// Calls function-table entry kDispatchSlots + index, as a compiled C client does.
template <class... P>
HRESULT CallSlot(IMyCanvas* c, int index, P... args) {
  using Entry = HRESULT (*)(IMyCanvas*, P...);
  return reinterpret_cast<Entry>((*reinterpret_cast<void***>(c))[kDispatchSlots + index])(c, args...);
}

// Calls a member by name through IDispatch with positional arguments given in
// order; a put passes its one argument as the property value.
VARIANT ByName(IMyCanvas* c, const char16_t* name, WORD flags, std::vector<VARIANT> args = {}) {
  std::u16string text(name);
  LPOLESTR names[] = {text.data()};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(c->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  std::reverse(args.begin(), args.end());
  DISPID put = DISPID_PROPERTYPUT;
  bool is_put = flags == DISPATCH_PROPERTYPUT;
  DISPPARAMS dp{args.data(), is_put ? &put : nullptr, static_cast<UINT>(args.size()), is_put ? 1u : 0u};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(c->Invoke(id, IID_NULL, 0, flags, &dp, &result, nullptr, nullptr), S_OK)
      << Utf8FromBstr(text.data());
  for (VARIANT& v : args) VariantClear(&v);
  return result;
}

VARIANT Number(LONG n) { return Value(VT_I4, n); }

// Positions in the published function table (after IDispatch's seven), first
// entry to last, reached directly and by name: both must be the same member.
TEST_F(ServerTest, FunctionTablePositionsAndNamesReachTheSameMember) {
  IMyCanvas* c = NewCanvasObject();
  LONG result = -9;
  std::string missing = (dir_ / "missing.bmp").string();
  BSTR file = BstrFromUtf8(missing);
  ASSERT_EQ(CallSlot(c, 0, file, VARIANT_BOOL{0}, LONG{0}, LONG{0}, LONG{0}, &result), S_OK);  // LoadFromFile
  EXPECT_EQ(result, -2);
  SysFreeString(file);
  VARIANT path = Value(VT_BSTR, 0);
  path.bstrVal = BstrFromUtf8(missing);
  EXPECT_EQ(ByName(c, u"LoadFromFile", DISPATCH_METHOD, {path}).lVal, -2);

  ASSERT_EQ(CallSlot(c, 7, LONG{40}, LONG{30}, LONG{2}, &result), S_OK);  // NewCanvas, appending two
  EXPECT_EQ(ByName(c, u"UBound", DISPATCH_PROPERTYGET).lVal, 2);
  LONG number = -1;
  ASSERT_EQ(CallSlot(c, 80, &number), S_OK);  // get_LBound
  EXPECT_EQ(number, 0);
  ByName(c, u"CurrentCanvasIndex", DISPATCH_PROPERTYPUT, {Number(1)});
  ASSERT_EQ(CallSlot(c, 77, &number), S_OK);  // get_CurrentCanvasIndex
  EXPECT_EQ(number, 1);

  ASSERT_EQ(CallSlot(c, 68, LONG{55}), S_OK);  // put_Width
  EXPECT_EQ(ByName(c, u"Width", DISPATCH_PROPERTYGET).lVal, 55);
  ByName(c, u"Height", DISPATCH_PROPERTYPUT, {Number(20)});
  ASSERT_EQ(CallSlot(c, 69, &number), S_OK);  // get_Height
  EXPECT_EQ(number, 20);

  ASSERT_EQ(CallSlot(c, 16, LONG{3}, LONG{4}, LONG{0x123456}), S_OK);  // PixelSet
  EXPECT_EQ(ByName(c, u"PixelGet", DISPATCH_METHOD, {Number(3), Number(4)}).lVal, 0x123456);
  ASSERT_EQ(CallSlot(c, 9, LONG{1}, LONG{2}, LONG{3}, LONG{0}, &result), S_OK);  // RGBToColor
  EXPECT_EQ(ByName(c, u"RGBToColor", DISPATCH_METHOD, {Number(1), Number(2), Number(3)}).lVal, result);

  BSTR font = BstrFromUtf8("DejaVu Serif");
  ASSERT_EQ(CallSlot(c, 34, font), S_OK);  // put_FontName
  SysFreeString(font);
  VARIANT name = ByName(c, u"FontName", DISPATCH_PROPERTYGET);
  EXPECT_EQ(Utf8FromBstr(name.bstrVal), "DejaVu Serif");
  VariantClear(&name);
  ByName(c, u"FontItalic", DISPATCH_PROPERTYPUT, {Value(VT_BOOL, VARIANT_TRUE)});
  VARIANT_BOOL flag = 0;
  ASSERT_EQ(CallSlot(c, 39, &flag), S_OK);  // get_FontItalic
  EXPECT_EQ(flag, VARIANT_TRUE);

  ASSERT_EQ(CallSlot(c, 84, LONG{3}), S_OK);  // put_PNGCompressionLevel, the last entry
  EXPECT_EQ(ByName(c, u"PNGCompressionLevel", DISPATCH_PROPERTYGET).lVal, 3);
  c->Release();
}

TEST_F(ServerTest, EveryMemberResolvesToItsTableRow) {
  IMyCanvas* c = NewCanvasObject();
  ITypeInfo* info = nullptr;
  ASSERT_EQ(c->GetTypeInfo(0, 0, &info), S_OK);
  for (UINT i = 0; i < 85; ++i) {
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &fd), S_OK);
    EXPECT_EQ(fd->oVft, static_cast<int16_t>((7 + i) * sizeof(void*)));
    BSTR name = nullptr;
    UINT got = 0;
    info->GetNames(fd->memid, &name, 1, &got);
    std::u16string lower(BstrView(name));
    for (char16_t& ch : lower) ch = ch >= u'A' && ch <= u'Z' ? ch + 32 : ch;
    LPOLESTR names[] = {lower.data()};
    DISPID id = 0;
    EXPECT_EQ(c->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, fd->memid);
    SysFreeString(name);
    info->ReleaseFuncDesc(fd);
  }
  info->Release();
  c->Release();
}

}  // namespace

namespace {
TEST(FailureReport, KeepsARuntimeErrorsOwnHresult) {
  using namespace automation;
  EXPECT_EQ(zelnor::ReportFailure("plain"), E_UNEXPECTED);
  EXPECT_EQ(zelnor::ReportFailure("runtime", DISP_E_OVERFLOW), DISP_E_OVERFLOW);
  EXPECT_EQ(zelnor::ReportFailure("positive", 5), E_UNEXPECTED);
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  GUID iid{};
  info->GetGUID(&iid);
  EXPECT_EQ(iid, zelnor::IID_IMyCanvas);
  BSTR text = nullptr;
  info->GetDescription(&text);
  EXPECT_EQ(Utf8FromBstr(text), "positive");
  SysFreeString(text);
  info->Release();
}
}  // namespace
