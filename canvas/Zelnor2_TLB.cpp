#include "canvas/Zelnor2_TLB.h"

#include "platform/automation/dispcall.h"

namespace zelnor {
using namespace automation;

const GUID LIBID_Zelnor2 = {0xB6511122, 0x02DF, 0x42C0, {0xBB, 0xBC, 0xD2, 0x13, 0xB0, 0xD9, 0x82, 0xB7}};
const IID IID_IMyCanvas = {0xE5D22871, 0xD06F, 0x4B79, {0xAA, 0x63, 0xCF, 0x47, 0xE0, 0x9E, 0x91, 0xA0}};
const CLSID CLSID_MyCanvas = {0x98443FF2, 0x7DCA, 0x48C8, {0x80, 0x50, 0x23, 0xEE, 0x98, 0xC9, 0x5D, 0xD6}};

namespace {
const TypeLibDesc kLibrary = {"Zelnor2", LIBID_Zelnor2, u"Zelnor2 ライブラリ", 1, 0, 1033};

// One row per function-table slot, from canvas/member_list.inc: name, kind,
// dispatch id, call adapter of the slot, parameters and [out,retval] value.
InterfaceDesc MakeInterface() {
  InterfaceDesc iface = {"IMyCanvas",
                         IID_IMyCanvas,
                         u"Zelnor 2 MyCanvas オブジェクト のディスパッチ インターフェース",
                         1,
                         3,
                         TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE,
                         {}};
  iface.members = {
#define SLOT(kind, name, slot, body, dispid, params, ...)           \
  idl::MakeMember(#name, kind, dispid, Through<&IMyCanvas::slot>(), \
                  {ZELNOR_IDL_MAP(ZELNOR_IDL_DESCRIBE, params)} __VA_OPT__(, ) __VA_ARGS__),
#include "canvas/member_list.inc"
  };
  return iface;
}
}  // namespace

const TypeLibDesc& Zelnor2Library() { return kLibrary; }

const InterfaceDesc& IMyCanvasInterface() {
  static const InterfaceDesc iface = MakeInterface();
  return iface;
}

const CoClassDesc& MyCanvasClass() {
  static const CoClassDesc cls = {
      "MyCanvas",          CLSID_MyCanvas,       u"Zelnor 2 MyCanvas オブジェクト", 1, 0,
      TYPEFLAG_FCANCREATE, &IMyCanvasInterface()};
  return cls;
}

HRESULT LoadZelnor2TypeInfo(ITypeInfo** iface, ITypeInfo** cls) {
  if (!iface || !cls) return E_INVALIDARG;
  *iface = *cls = nullptr;
  HRESULT hr = CreateInterfaceTypeInfo(kLibrary, IMyCanvasInterface(), iface);
  if (FAILED(hr)) return hr;
  hr = CreateClassTypeInfo(kLibrary, MyCanvasClass(), *iface, cls);
  if (FAILED(hr)) {
    (*iface)->Release();
    *iface = nullptr;
  }
  return hr;
}

}  // namespace zelnor
