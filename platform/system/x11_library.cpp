#include "platform/system/x11_library.h"

#include <dlfcn.h>

namespace sysplat::x11 {

namespace {

template <typename F>
bool Bind(void* handle, const char* name, F& target) {
  target = reinterpret_cast<F>(dlsym(handle, name));
  return target != nullptr;
}

bool BindAll(void* handle, Library& x) {
  // The optional exit handler is looked up on its own; everything else is
  // required.
  Bind(handle, "XSetIOErrorExitHandler", x.SetIOErrorExitHandler);
  return Bind(handle, "XOpenDisplay", x.OpenDisplay) && Bind(handle, "XCloseDisplay", x.CloseDisplay) &&
         Bind(handle, "XSync", x.Sync) && Bind(handle, "XFlush", x.Flush) &&
         Bind(handle, "XSetErrorHandler", x.SetErrorHandler) &&
         Bind(handle, "XSetIOErrorHandler", x.SetIOErrorHandler) &&
         Bind(handle, "XInternAtom", x.InternAtom) &&
         Bind(handle, "XGetWindowProperty", x.GetWindowProperty) &&
         Bind(handle, "XChangeProperty", x.ChangeProperty) && Bind(handle, "XFree", x.Free) &&
         Bind(handle, "XQueryTree", x.QueryTree) &&
         Bind(handle, "XGetWindowAttributes", x.GetWindowAttributes) &&
         Bind(handle, "XTranslateCoordinates", x.TranslateCoordinates) &&
         Bind(handle, "XGetInputFocus", x.GetInputFocus) && Bind(handle, "XSetInputFocus", x.SetInputFocus) &&
         Bind(handle, "XMapRaised", x.MapRaised) && Bind(handle, "XRaiseWindow", x.RaiseWindow) &&
         Bind(handle, "XSendEvent", x.SendEvent) && Bind(handle, "XGetImage", x.GetImage) &&
         Bind(handle, "XCreateImage", x.CreateImage) && Bind(handle, "XPutImage", x.PutImage) &&
         Bind(handle, "XQueryColors", x.QueryColors) && Bind(handle, "XAllocColor", x.AllocColor) &&
         Bind(handle, "XCreatePixmap", x.CreatePixmap) && Bind(handle, "XFreePixmap", x.FreePixmap) &&
         Bind(handle, "XCreateGC", x.CreateGC) && Bind(handle, "XFreeGC", x.FreeGC) &&
         Bind(handle, "XSetWindowBackgroundPixmap", x.SetWindowBackgroundPixmap) &&
         Bind(handle, "XClearWindow", x.ClearWindow) && Bind(handle, "XKillClient", x.KillClient) &&
         Bind(handle, "XSetCloseDownMode", x.SetCloseDownMode) && Bind(handle, "XGrabServer", x.GrabServer) &&
         Bind(handle, "XUngrabServer", x.UngrabServer);
}

const Library* LoadOnce() {
  // The library stays loaded for the life of the process: Xlib keeps
  // process-wide state (handlers, locale data) that an unload would leave
  // dangling.
  void* handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  static Library library;
  if (BindAll(handle, library)) return &library;
  dlclose(handle);
  return nullptr;
}

}  // namespace

const Library* Load() {
  static const Library* const library = LoadOnce();
  return library;
}

}  // namespace sysplat::x11
