// TMyCanvas: the one object class a script creates.  It owns the canvas list
// (never empty, entries only appended) and the current index, and forwards
// every member to a routine of the drawing, effects, resampling, input/output
// or desktop units.  The automation layer (com_object) calls these methods
// with arguments already converted: BOOL as bool, BSTR as UTF-8 text,
// VARIANT* passed through.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/settings.h"
#include "platform/automation/idl.h"
#include "platform/raster/bitmap.h"

namespace zelnor {

using automation::VARIANT;
using Bitmap = raster::Bitmap;
using CanvasList = std::vector<std::unique_ptr<Bitmap>>;

class TMyCanvas {
 public:
  // One empty 24-bit canvas; binds the object to the calling thread's
  // settings record and writes the defaults into it.
  TMyCanvas();
  ~TMyCanvas();
  TMyCanvas(const TMyCanvas&) = delete;
  TMyCanvas& operator=(const TMyCanvas&) = delete;

  Bitmap& Current() { return *canvases_[static_cast<size_t>(current_)]; }
  CanvasList& Canvases() { return canvases_; }
  // The settings record of the thread that constructed the object.
  SettingsRecord& Settings() { return *settings_; }

  // One method per row of canvas/member_list.inc: Name for a method, GetName
  // and SetName for a property, with native types (int32_t, bool, UTF-8
  // std::string, VARIANT*).  A method's Result is its return value, a VARIANT
  // result its last parameter.  The bodies live in main.cpp (the canvas
  // list) and members_<unit>.cpp by subsystem.
#define SLOT(kind, name, slot, body, dispid, params, ...) \
  ::automation::idl::NativeFunction<ZELNOR_IDL_MAP(ZELNOR_IDL_TAG, params)> body;
#include "canvas/member_list.inc"

 private:
  CanvasList canvases_;
  int32_t current_ = 0;
  std::shared_ptr<SettingsRecord> settings_;
};

// Raised by members whose subsystem is not part of this build yet.
[[noreturn]] void NotBuiltYet(const char* member);

}  // namespace zelnor
