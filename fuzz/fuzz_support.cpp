#include "fuzz/fuzz_support.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "canvas/Zelnor2_TLB.h"
#include "io/codecs/png_codec.h"

namespace fuzz {

using namespace automation;
namespace fs = std::filesystem;

// ------------------------------------------------------------------ input

uint8_t Input::Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

uint16_t Input::U16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }

uint32_t Input::U32() { return static_cast<uint32_t>(U16()) | static_cast<uint32_t>(U16()) << 16; }

int32_t Input::Range(int32_t lo, int32_t hi) {
  const uint64_t span = static_cast<uint64_t>(int64_t{hi} - lo) + 1;
  const uint32_t raw = span <= 256 ? Byte() : (span <= 65536 ? U16() : U32());
  return static_cast<int32_t>(lo + static_cast<int64_t>(raw % span));
}

int32_t Input::Extreme() {
  static const int32_t kEdges[] = {0,
                                   1,
                                   -1,
                                   2,
                                   3,
                                   7,
                                   8,
                                   15,
                                   16,
                                   17,
                                   31,
                                   32,
                                   33,
                                   63,
                                   64,
                                   100,
                                   127,
                                   128,
                                   255,
                                   256,
                                   1000,
                                   4095,
                                   4096,
                                   32767,
                                   32768,
                                   65535,
                                   65536,
                                   1 << 24,
                                   1 << 30,
                                   INT32_MAX,
                                   INT32_MIN,
                                   INT32_MIN + 1,
                                   INT32_MAX - 1,
                                   -2,
                                   -100,
                                   -32768,
                                   -65536,
                                   -(1 << 30)};
  const uint8_t pick = Byte();
  if (pick < 160) return kEdges[pick % std::size(kEdges)];
  if (pick < 224) return Range(-64, 64);
  return static_cast<int32_t>(U32());
}

int32_t Input::Coordinate() {
  const uint8_t pick = Byte();
  if (pick < 240) return static_cast<int32_t>(pick % 80) - 16;
  return Extreme();
}

std::span<const uint8_t> Input::Bytes(size_t n) {
  n = std::min(n, Left());
  std::span<const uint8_t> out(data_ + pos_, n);
  pos_ += n;
  return out;
}

std::string Input::Text(size_t max_length) {
  const size_t n = Byte() % (max_length + 1);
  std::span<const uint8_t> b = Bytes(n);
  return std::string(b.begin(), b.end());
}

// ------------------------------------------------------------------ sandbox

namespace {
std::string g_sandbox;

void RemoveSandbox() {
  if (g_sandbox.empty()) return;
  std::error_code ec;
  fs::current_path("/", ec);
  fs::remove_all(g_sandbox, ec);
}

void WriteFile(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
}  // namespace

// libFuzzer ends a run without running exit handlers, and a finding ends it
// by abort: folders left by processes that are gone are removed at the next
// start.  The folder's name carries its process's id.
void RemoveStaleSandboxes(const std::string& tmp) {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(tmp, ec)) {
    const std::string name = e.path().filename().string();
    const std::string prefix = "zelnor2-fuzz-";
    if (name.rfind(prefix, 0) != 0) continue;
    const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) fs::remove_all(e.path(), ec);
  }
}

void EnterSandbox() {
  if (!g_sandbox.empty()) return;
  const char* tmp_env = std::getenv("TMPDIR");
  const std::string tmp = tmp_env && *tmp_env ? tmp_env : "/tmp";
  RemoveStaleSandboxes(tmp);
  std::string pattern = tmp + "/zelnor2-fuzz-" + std::to_string(getpid()) + "-XXXXXX";
  if (!mkdtemp(pattern.data())) Fail("cannot make the private folder " + pattern);
  g_sandbox = pattern;
  std::atexit(RemoveSandbox);
  for (const char* sub : {"home", "config", "cache", "data", "state", "run"})
    fs::create_directory(g_sandbox + "/" + sub);
  fs::permissions(g_sandbox + "/run", fs::perms::owner_all);
  setenv("ZELNOR2_REGISTRY", (g_sandbox + "/registry").c_str(), 1);
  setenv("ZELNOR2_CLIPBOARD", (g_sandbox + "/clipboard").c_str(), 1);
  setenv("HOME", (g_sandbox + "/home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (g_sandbox + "/config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (g_sandbox + "/run").c_str(), 1);
  setenv("XDG_DATA_HOME", (g_sandbox + "/data").c_str(), 1);
  setenv("XDG_STATE_HOME", (g_sandbox + "/state").c_str(), 1);
  setenv("XDG_CACHE_HOME", (g_sandbox + "/cache").c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  ResetSandbox();
}

const std::string& SandboxPath() { return g_sandbox; }

void ResetSandbox() {
  if (g_sandbox.empty()) Fail("ResetSandbox before EnterSandbox");
  fs::current_path(g_sandbox);
  static const char* kKeep[] = {"home", "config", "cache", "data", "state", "run", "registry"};
  for (const fs::directory_entry& e : fs::directory_iterator(g_sandbox)) {
    const std::string name = e.path().filename().string();
    if (std::find(std::begin(kKeep), std::end(kKeep), name) == std::end(kKeep)) fs::remove_all(e.path());
  }
  fs::create_directory("in");
  fs::create_directory("out");
  raster::Bitmap small;
  small.SetSize(3, 2);
  small.SetPixel(1, 1, 0x2040C0);
  WriteFile("in/small.bmp", small.SaveToBmp());
  WriteFile("in/small.png", zelnor::codecs::EncodePng(small.Storage(), 6));
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

// ------------------------------------------------------------------ values

VARIANT I4(int32_t v) {
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_I4;
  r.lVal = v;
  return r;
}

VARIANT Bool(bool v) {
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_BOOL;
  r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  return r;
}

VARIANT Str(const std::string& utf8) {
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_BSTR;
  r.bstrVal = BstrFromUtf8(utf8);
  if (!r.bstrVal) Fail("out of memory for a string");
  return r;
}

VARIANT Ref(VARIANT* target) {
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_BYREF | VT_VARIANT;
  r.pvarVal = target;
  return r;
}

VARIANT ByteArray(std::span<const uint8_t> bytes) {
  VARIANT r;
  VariantInit(&r);
  SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!sa) Fail("cannot make a byte array");
  void* data = nullptr;
  SafeArrayAccessData(sa, &data);
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  SafeArrayUnaccessData(sa);
  r.vt = VT_ARRAY | VT_UI1;
  r.parray = sa;
  return r;
}

void Clear(VARIANT& v) { VariantClear(&v); }

std::vector<uint8_t> BytesOf(const VARIANT& v) {
  if (v.vt != (VT_ARRAY | VT_UI1) || !v.parray || SafeArrayGetDim(v.parray) != 1) return {};
  LONG lo = 0, hi = -1;
  SafeArrayGetLBound(v.parray, 1, &lo);
  SafeArrayGetUBound(v.parray, 1, &hi);
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(v.parray, &data))) return {};
  std::vector<uint8_t> out(static_cast<const uint8_t*>(data),
                           static_cast<const uint8_t*>(data) + std::max<int64_t>(0, int64_t{hi} - lo + 1));
  SafeArrayUnaccessData(v.parray);
  return out;
}

// ------------------------------------------------------------------ object

namespace {
// Errors the standard invocation reports before a member runs.
bool IsInvocationError(HRESULT hr) {
  switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_PARAMNOTFOUND:
    case DISP_E_TYPEMISMATCH:
    case DISP_E_BADPARAMCOUNT:
    case DISP_E_PARAMNOTOPTIONAL:
    case DISP_E_OVERFLOW:
    case DISP_E_NONAMEDARGS:
    case DISP_E_BADVARTYPE:
    case DISP_E_UNKNOWNNAME:
    case E_INVALIDARG:
      return true;
    default:
      return false;
  }
}

zelnor::ObjectHost SharedHost() {
  static zelnor::ObjectHost host = [] {
    zelnor::ObjectHost h{};
    if (FAILED(zelnor::LoadZelnor2TypeInfo(&h.interface_info, &h.class_info))) Fail("no type information");
    return h;
  }();
  return host;
}
}  // namespace

void CheckInvokeOutcome(HRESULT hr, EXCEPINFO& excep, bool invocation_errors, Outcome& out) {
  out.hr = hr;
  if (hr == S_OK) return;
  if (hr != DISP_E_EXCEPTION) {
    if (invocation_errors && IsInvocationError(hr)) return;
    Fail("Invoke returned " + std::to_string(static_cast<uint32_t>(hr)));
  }
  const std::string source = Utf8FromBstr(excep.bstrSource);
  out.description = Utf8FromBstr(excep.bstrDescription);
  const HRESULT scode = excep.scode;
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  excep = EXCEPINFO{};
  // E_POINTER comes without error information, from a member given a null
  // pointer; Invoke never passes one.
  FUZZ_CHECK(scode == E_UNEXPECTED || (scode < 0 && scode != E_POINTER),
             "failure code " + std::to_string(static_cast<uint32_t>(scode)));
  FUZZ_CHECK(source == "Zelnor2.MyCanvas", "failure source '" + source + "'");
  FUZZ_CHECK(!out.description.empty(), "a failure report without a message");
  out.reported = true;
}

DISPID DispidOf(IDispatch* d, const char* name) {
  // Every object answers the same identifiers: each name is looked up once
  // per thread.
  thread_local std::map<std::string, DISPID> known;
  if (auto it = known.find(name); it != known.end()) return it->second;
  const std::u16string wide = Utf16FromUtf8(name);
  LPOLESTR names[] = {const_cast<LPOLESTR>(wide.c_str())};
  DISPID id = DISPID_UNKNOWN;
  if (d->GetIDsOfNames(IID_NULL, names, 1, 0, &id) != S_OK) Fail(std::string("no member ") + name);
  known.emplace(name, id);
  return id;
}

Object::Object() {
  object_ = new zelnor::TMyCanvasObject(SharedHost());
  if (object_->InnerUnknown()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_)) != S_OK)
    Fail("no IDispatch");
}

Object::~Object() { dispatch_->Release(); }

Outcome Object::Call(const char* name, std::initializer_list<VARIANT> args, WORD flags) {
  // Arguments travel in reverse order; a put's value is the named argument
  // DISPID_PROPERTYPUT.
  std::vector<VARIANT> reversed(args.begin(), args.end());
  std::reverse(reversed.begin(), reversed.end());
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS dp{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    dp.rgdispidNamedArgs = &put_id;
    dp.cNamedArgs = 1;
  }
  Outcome out;
  VariantInit(&out.result);
  EXCEPINFO excep{};
  UINT arg_err = 0;
  const HRESULT hr =
      dispatch_->Invoke(DispidOf(dispatch_, name), IID_NULL, 0, flags, &dp, &out.result, &excep, &arg_err);
  CheckInvokeOutcome(hr, excep, false, out);
  return out;
}

int32_t Object::Code(const char* name, std::initializer_list<VARIANT> args) {
  Outcome o = Call(name, args);
  if (!o.Ok()) return INT32_MIN;
  FUZZ_CHECK(o.result.vt == VT_I4, std::string(name) + " gave no result code");
  return o.result.lVal;
}

int32_t Object::Get(const char* name) {
  Outcome o = Call(name, {}, DISPATCH_PROPERTYGET);
  FUZZ_CHECK(o.Ok(), std::string("get ") + name + " failed: " + o.description);
  VARIANT v;
  VariantInit(&v);
  FUZZ_CHECK(VariantChangeType(&v, &o.result, 0, VT_I4) == S_OK, name);
  Clear(o.result);
  return v.lVal;
}

void Object::Put(const char* name, VARIANT value) {
  Outcome o = Call(name, {value}, DISPATCH_PROPERTYPUT);
  Clear(value);
  // PixelFormat refuses the custom format by the failure report; every
  // other put clamps or ignores.
  FUZZ_CHECK(o.Ok() || (o.reported && std::string(name) == "PixelFormat"),
             std::string("put ") + name + ": " + o.description);
}

void Object::CheckUsable() {
  const int32_t w = Get("Width"), h = Get("Height");
  FUZZ_CHECK(w == Current().Width() && h == Current().Height(), "Width and Height disagree with the canvas");
  const int32_t index = Get("CurrentCanvasIndex");
  FUZZ_CHECK(index >= Get("LBound") && index <= Get("UBound"), "current index outside the list");
  Outcome o = Call("PixelGet", {I4(0), I4(0)});
  FUZZ_CHECK(o.Ok(), "PixelGet failed: " + o.description);
}

// ------------------------------------------------------------------ pictures

Picture Snapshot(const raster::Bitmap& b) {
  Picture p;
  p.width = b.Width();
  p.height = b.Height();
  p.layout = b.Layout();
  p.device_dependent = b.DeviceDependent();
  p.palette = b.GetPalette();
  if (!b.Empty()) {
    const size_t stride = static_cast<size_t>(b.Stride());
    p.rows.resize(stride * static_cast<size_t>(b.Height()));
    for (int y = 0; y < b.Height(); ++y)
      std::memcpy(&p.rows[stride * static_cast<size_t>(y)], b.ScanLine(y), stride);
  }
  return p;
}

std::string Describe(const Picture& p) {
  return std::to_string(p.width) + " x " + std::to_string(p.height) + " at " + std::to_string(p.layout.bits) +
         " bits, " + std::to_string(p.palette.size()) + " colours";
}

void FillFromInput(raster::Bitmap& b, Input& in) {
  if (b.Empty()) return;
  const size_t row_bytes = (static_cast<size_t>(b.Width()) * static_cast<size_t>(b.BitsPerPixel()) + 7) / 8;
  const size_t entries = b.GetPalette().size();
  for (int y = 0; y < b.Height() && !in.Empty(); ++y) {
    std::span<const uint8_t> bytes = in.Bytes(row_bytes);
    uint8_t* row = b.ScanLine(y);
    std::memcpy(row, bytes.data(), bytes.size());
    // An 8-bit index beyond a short colour table is kept in range.
    if (b.BitsPerPixel() == 8 && entries > 0 && entries < 256)
      for (size_t x = 0; x < bytes.size(); ++x) row[x] = static_cast<uint8_t>(row[x] % entries);
  }
}

}  // namespace fuzz

// libFuzzer calls this once before the first input: the private folder, and
// the process-long caches (the installed fonts, which the first FontList or
// text call enumerates) filled outside any input's time limit.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterSandbox();
  fuzz::Object warm;
  automation::VARIANT text = fuzz::Str("Warm");
  fuzz::Outcome fonts = warm.Call("FontList", {});
  fuzz::Clear(fonts.result);
  warm.Call("StringWidth", {text});
  fuzz::Clear(text);
  return 0;
}
