// Cost of one late-bound call: IDispatch::Invoke by dispatch id on an object
// made by the module's class factory, as a script host calls it; and of the
// name lookup a host does once per call site.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <string>

#include "platform/automation/oleauto.h"

namespace {
using namespace automation;

IDispatch* MakeCanvas() {
  static void* module = dlopen((std::string(ZELNOR_BINARY_DIR) + "/lib/Zelnor2.so").c_str(), RTLD_NOW);
  if (!module) return nullptr;
  auto get =
      reinterpret_cast<HRESULT (*)(const CLSID&, const IID&, void**)>(dlsym(module, "DllGetClassObject"));
  CLSID clsid;
  GuidFromString("{98443FF2-7DCA-48C8-8050-23EE98C95DD6}", &clsid);
  IClassFactory* factory = nullptr;
  if (FAILED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return nullptr;
  IDispatch* d = nullptr;
  factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&d));
  factory->Release();
  return d;
}

DISPID IdOf(IDispatch* d, const char16_t* name) {
  std::u16string text(name);
  LPOLESTR names[] = {text.data()};
  DISPID id = DISPID_UNKNOWN;
  d->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
  return id;
}

void Call(benchmark::State& state, const char16_t* name, WORD flags, std::initializer_list<LONG> values) {
  IDispatch* d = MakeCanvas();
  if (!d) return state.SkipWithError("Zelnor2.so not loadable");
  DISPID id = IdOf(d, name);
  VARIANT args[4];
  UINT n = 0;
  for (auto it = values.end(); it != values.begin();) {
    --it;
    VariantInit(&args[n]);
    args[n].vt = VT_I4;
    args[n++].lVal = *it;
  }
  DISPPARAMS dp{args, nullptr, n, 0};
  VARIANT result;
  VariantInit(&result);
  for (auto _ : state) {
    HRESULT hr = d->Invoke(id, IID_NULL, 0, flags, &dp, &result, nullptr, nullptr);
    if (hr != S_OK) return state.SkipWithError("the call failed");
    benchmark::DoNotOptimize(result.lVal);
  }
  d->Release();
}

void BM_InvokeWidthGet(benchmark::State& state) { Call(state, u"Width", DISPATCH_PROPERTYGET, {}); }
void BM_InvokePixelGet(benchmark::State& state) { Call(state, u"PixelGet", DISPATCH_METHOD, {3, 4}); }
void BM_InvokeNewCanvas(benchmark::State& state) { Call(state, u"NewCanvas", DISPATCH_METHOD, {16, 16}); }

void BM_GetIDsOfNames(benchmark::State& state) {
  IDispatch* d = MakeCanvas();
  if (!d) return state.SkipWithError("Zelnor2.so not loadable");
  for (auto _ : state) benchmark::DoNotOptimize(IdOf(d, u"pngcompressionlevel"));
  d->Release();
}

// Threads calling at once, each on an object of its own (no lock is shared)
// or all on one object (the object's lock takes their calls one at a time).
void BM_InvokePixelGetOwnObjects(benchmark::State& state) {
  Call(state, u"PixelGet", DISPATCH_METHOD, {3, 4});
}

IDispatch* SharedCanvas() {
  static IDispatch* shared = MakeCanvas();  // lives as long as the process
  return shared;
}

void BM_InvokePixelGetOneObject(benchmark::State& state) {
  IDispatch* d = SharedCanvas();
  if (!d) return state.SkipWithError("Zelnor2.so not loadable");
  DISPID id = IdOf(d, u"PixelGet");
  VARIANT args[2];
  for (VARIANT& a : args) {
    VariantInit(&a);
    a.vt = VT_I4;
    a.lVal = 3;
  }
  DISPPARAMS dp{args, nullptr, 2, 0};
  VARIANT result;
  VariantInit(&result);
  for (auto _ : state) {
    if (d->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr) != S_OK)
      return state.SkipWithError("the call failed");
    benchmark::DoNotOptimize(result.lVal);
  }
}

BENCHMARK(BM_InvokeWidthGet);
BENCHMARK(BM_InvokePixelGet);
BENCHMARK(BM_InvokeNewCanvas);
BENCHMARK(BM_GetIDsOfNames);
BENCHMARK(BM_InvokePixelGetOwnObjects)->ThreadRange(1, 4)->UseRealTime();
BENCHMARK(BM_InvokePixelGetOneObject)->ThreadRange(1, 4)->UseRealTime();
}  // namespace
