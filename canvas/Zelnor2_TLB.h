// The type library Zelnor2: the dual interface IMyCanvas (its function table
// in the declared order, after IDispatch's seven functions), the class
// MyCanvas, and the member table from which name lookup and invocation work.
// The three GUIDs are fixed for ever: registrations and compiled clients
// record them.
#pragma once
#include "platform/automation/idl.h"
#include "platform/automation/oleauto.h"
#include "platform/automation/typeinfo.h"

namespace zelnor {

using automation::BSTR;
using automation::HRESULT;
using automation::LONG;
using automation::VARIANT;
using automation::VARIANT_BOOL;

extern const automation::GUID LIBID_Zelnor2;
extern const automation::IID IID_IMyCanvas;
extern const automation::CLSID CLSID_MyCanvas;

// The function table of IMyCanvas: one pure virtual function per row of
// canvas/member_list.inc, in its order.
class IMyCanvas : public automation::IDispatch {
 public:
#define SLOT(kind, name, slot, body, dispid, params, ...) \
  virtual HRESULT slot(ZELNOR_IDL_MAP(ZELNOR_IDL_DECLARE, params)) = 0;
#include "canvas/member_list.inc"
};

// The number of IMyCanvas functions after IDispatch's.
constexpr int kMyCanvasFunctions = 0
#define SLOT(...) +1
#include "canvas/member_list.inc"
    ;

const automation::TypeLibDesc& Zelnor2Library();
const automation::InterfaceDesc& IMyCanvasInterface();
const automation::CoClassDesc& MyCanvasClass();

// Loads the type information of IMyCanvas and of MyCanvas (new references).
HRESULT LoadZelnor2TypeInfo(automation::ITypeInfo** iface, automation::ITypeInfo** cls);

}  // namespace zelnor
