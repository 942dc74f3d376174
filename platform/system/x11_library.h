// The X client library (libX11.so.6), loaded on first use with dlopen, so
// that the component neither links against it nor needs it: on a machine
// without it the window layer simply finds no display.  Only the X11 files
// of this folder include this header.
#pragma once
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace sysplat::x11 {

// The entry points the window layer calls, taken from the loaded library.
struct Library {
  decltype(&::XOpenDisplay) OpenDisplay;
  decltype(&::XCloseDisplay) CloseDisplay;
  decltype(&::XSync) Sync;
  decltype(&::XFlush) Flush;
  decltype(&::XSetErrorHandler) SetErrorHandler;
  decltype(&::XSetIOErrorHandler) SetIOErrorHandler;
  // Present from libX11 1.7 on; without it a display that goes away during a
  // call ends the process, as it does for every Xlib client.
  decltype(&::XSetIOErrorExitHandler) SetIOErrorExitHandler;
  decltype(&::XInternAtom) InternAtom;
  decltype(&::XGetWindowProperty) GetWindowProperty;
  decltype(&::XChangeProperty) ChangeProperty;
  decltype(&::XFree) Free;
  decltype(&::XQueryTree) QueryTree;
  decltype(&::XGetWindowAttributes) GetWindowAttributes;
  decltype(&::XTranslateCoordinates) TranslateCoordinates;
  decltype(&::XGetInputFocus) GetInputFocus;
  decltype(&::XSetInputFocus) SetInputFocus;
  decltype(&::XMapRaised) MapRaised;
  decltype(&::XRaiseWindow) RaiseWindow;
  decltype(&::XSendEvent) SendEvent;
  decltype(&::XGetImage) GetImage;
  decltype(&::XCreateImage) CreateImage;
  decltype(&::XPutImage) PutImage;
  decltype(&::XQueryColors) QueryColors;
  decltype(&::XAllocColor) AllocColor;
  decltype(&::XCreatePixmap) CreatePixmap;
  decltype(&::XFreePixmap) FreePixmap;
  decltype(&::XCreateGC) CreateGC;
  decltype(&::XFreeGC) FreeGC;
  decltype(&::XSetWindowBackgroundPixmap) SetWindowBackgroundPixmap;
  decltype(&::XClearWindow) ClearWindow;
  decltype(&::XKillClient) KillClient;
  decltype(&::XSetCloseDownMode) SetCloseDownMode;
  decltype(&::XGrabServer) GrabServer;
  decltype(&::XUngrabServer) UngrabServer;
};

// The library's entry points, or nullptr when libX11.so.6 cannot be loaded or
// lacks one of the required functions.  Loaded once per process and kept.
const Library* Load();

}  // namespace sysplat::x11
