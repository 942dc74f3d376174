// What every fuzz target shares: reading choices out of the input bytes, a
// private folder to work in, an object reached through IDispatch::Invoke as
// a script reaches it, and the checks that hold after every call.
//
// A check that fails prints what it saw and aborts, so that libFuzzer (or
// the replay program) reports the input as a finding.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "canvas/com_object.h"
#include "platform/automation/oleauto.h"
#include "platform/raster/bitmap.h"

namespace fuzz {

using automation::HRESULT;
using automation::VARIANT;

// Choices read from the front of the input; an exhausted input reads zeros.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  size_t Left() const { return size_ - pos_; }
  uint8_t Byte();
  uint16_t U16();
  uint32_t U32();
  bool Bool() { return Byte() & 1; }
  // A value in lo..hi (inclusive).
  int32_t Range(int32_t lo, int32_t hi);
  // An integer argument: mostly values near the edges that code gets wrong
  // (0, ±1, powers of two and their neighbours, ±2^31), sometimes raw.
  int32_t Extreme();
  // A coordinate: mostly near a small canvas, sometimes extreme.
  int32_t Coordinate();
  std::span<const uint8_t> Bytes(size_t n);
  std::span<const uint8_t> Rest() { return Bytes(Left()); }
  std::string Text(size_t max_length);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Makes a private folder under $TMPDIR (or /tmp), makes it the current
// folder, and points every store the component or the platform may write
// (registration, clipboard, home, the XDG configuration, data, state, cache
// and runtime folders) into it; the desktop is switched off.  Called once
// per process, before the first object; removes folders that earlier runs
// left behind.
void EnterSandbox();
// The private folder, and a fresh state of it: subfolders "in" (two small
// pictures) and "out", nothing else.
const std::string& SandboxPath();
void ResetSandbox();

// Aborts with a message.
[[noreturn]] void Fail(const std::string& what);
#define FUZZ_CHECK(cond, what)                                          \
  do {                                                                  \
    if (!(cond)) ::fuzz::Fail(std::string(#cond " failed: ") + (what)); \
  } while (0)

// VARIANT values; the caller owns them (Clear).
VARIANT I4(int32_t v);
VARIANT Bool(bool v);
VARIANT Str(const std::string& utf8);
VARIANT Ref(VARIANT* target);  // VT_BYREF | VT_VARIANT
VARIANT ByteArray(std::span<const uint8_t> bytes);
void Clear(VARIANT& v);
// The bytes of an image byte array (VT_ARRAY | VT_UI1), or nothing.
std::vector<uint8_t> BytesOf(const VARIANT& v);

// How one call ended.
struct Outcome {
  HRESULT hr = 0;           // what Invoke returned
  VARIANT result{};         // the [out,retval] value on success
  bool reported = false;    // the standard failure report
  std::string description;  // its message
  bool Ok() const { return hr == 0; }
  int32_t Code() const { return result.vt == automation::VT_I4 ? result.lVal : INT32_MIN; }
};

// One MyCanvas object, called through IDispatch as a script calls it.
class Object {
 public:
  Object();
  ~Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  automation::IDispatch* Dispatch() { return dispatch_; }
  zelnor::TMyCanvas& Native() { return object_->Canvas(); }
  raster::Bitmap& Current() { return Native().Current(); }

  // Calls the member `name` with positional arguments in declared order
  // (they stay the caller's).  Aborts unless the call succeeded or ended in
  // the standard failure report: E_UNEXPECTED (or a component-runtime
  // HRESULT) with source "Zelnor2.MyCanvas" and a message.
  Outcome Call(const char* name, std::initializer_list<VARIANT> args,
               automation::WORD flags = automation::DISPATCH_METHOD);
  // The same with an I4 result that must be present.
  int32_t Code(const char* name, std::initializer_list<VARIANT> args);
  int32_t Get(const char* name);
  void Put(const char* name, VARIANT value);
  // The object answers one more cheap call and its canvas is readable.
  void CheckUsable();

 private:
  zelnor::TMyCanvasObject* object_ = nullptr;
  automation::IDispatch* dispatch_ = nullptr;
};

// Checks the outcome of a raw Invoke: success, an invocation error that the
// platform reports before the member runs (only when `invocation_errors`),
// or the standard failure report.  Fills `out`.
void CheckInvokeOutcome(HRESULT hr, automation::EXCEPINFO& excep, bool invocation_errors, Outcome& out);

// The dispatch identifier of a member name (aborts when unknown).
automation::DISPID DispidOf(automation::IDispatch* d, const char* name);

// Everything a script can observe of a canvas, and more: size, layout,
// colour table and every stored byte.
struct Picture {
  int width = 0, height = 0;
  raster::PixelLayout layout;
  bool device_dependent = false;
  raster::Palette palette;
  std::vector<uint8_t> rows;  // every stored byte, row padding included
  bool operator==(const Picture&) const = default;
};
Picture Snapshot(const raster::Bitmap& b);
std::string Describe(const Picture& p);

// Fills a canvas's rows with input bytes (the pixel values stay valid for
// palette layouts: a 1, 4 or 8-bit index names an entry of the table).
void FillFromInput(raster::Bitmap& b, Input& in);

}  // namespace fuzz
