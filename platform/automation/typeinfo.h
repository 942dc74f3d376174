// Declared type descriptions and the standard name lookup and invocation
// driven by them.  An interface is a table of member rows in function-table
// order; each row carries a call adapter that invokes its function-table slot
// with arguments already converted to the declared types.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/oleauto.h"

namespace automation {

// Calls one function of an interface.  args holds the declared parameters in
// order, converted (I4 in lVal, BOOL in boolVal, BSTR in bstrVal, VARIANT* in
// pvarVal), followed by the [out,retval] pointer in byref when the member has one.
using CallAdapter = HRESULT (*)(void* instance, VARIANT* args);

struct ParamDesc {
  const char* name;                        // nullptr for a property put's value
  VARTYPE vt;                              // VT_I4, VT_BOOL, VT_BSTR, or VT_VARIANT | VT_BYREF
  USHORT flags;                            // PARAMFLAG_FIN, FOUT, FOPT, FHASDEFAULT
  int32_t default_number = 0;              // default of an I4 or BOOL parameter
  const char16_t* default_text = nullptr;  // default of a BSTR parameter
  const char* help = nullptr;              // reference text; not part of the type information
};

struct MemberDesc {
  const char* name;
  INVOKEKIND kind;
  DISPID dispid;
  std::vector<ParamDesc> params;  // without the [out,retval] parameter
  VARTYPE retval = VT_EMPTY;      // VT_I4, VT_BOOL, VT_BSTR, VT_VARIANT or VT_EMPTY for none
  const char* retval_name = nullptr;
  CallAdapter call = nullptr;
  // Reference documentation (a description and a Python example).  The type
  // information hands out the description as the member's documentation
  // string (GetDocumentation); none when it is empty.
  const char* help = nullptr;
  const char* example = nullptr;
};

struct TypeLibDesc {
  const char* name;
  GUID libid;
  const char16_t* help;
  WORD major, minor;
  LCID lcid;
};

struct InterfaceDesc {
  const char* name;
  GUID iid;
  const char16_t* help;
  WORD major, minor;
  WORD type_flags;                  // TYPEFLAG_*
  std::vector<MemberDesc> members;  // in function-table order, after IDispatch's seven
};

struct CoClassDesc {
  const char* name;
  GUID clsid;
  const char16_t* help;
  WORD major, minor;
  WORD type_flags;
  const InterfaceDesc* default_interface;
};

constexpr int kDispatchSlots = 7;  // IUnknown (3) + IDispatch (4) precede a dual interface's members

// Type information objects over static descriptions (each call returns a new
// reference).  The class's type information refers to the interface's.
HRESULT CreateInterfaceTypeInfo(const TypeLibDesc& lib, const InterfaceDesc& iface, ITypeInfo** out);
HRESULT CreateClassTypeInfo(const TypeLibDesc& lib, const CoClassDesc& cls, ITypeInfo* iface_info,
                            ITypeInfo** out);

// Finds the rows of one interface by name (any letter case) and by dispatch
// id and call flags without walking the table; built once per interface.
class MemberIndex {
 public:
  explicit MemberIndex(const InterfaceDesc& iface);  // throws std::bad_alloc
  const InterfaceDesc& iface() const { return iface_; }
  // The first row with that name, or null.
  const MemberDesc* FindByName(const OLECHAR* name) const;
  // The first row with that id whose kind the flags ask for (a put flag
  // selects the put row, a method or get flag a method or a get), or null.
  const MemberDesc* FindByDispid(DISPID dispid, WORD flags) const;

 private:
  const InterfaceDesc& iface_;
  std::vector<int32_t> names_;                      // rows by folded-name hash, open addressing; -1 free
  std::vector<std::pair<DISPID, size_t>> dispids_;  // (dispid, row), in order
};

// Names to dispatch identifiers: the first name is a member (any letter case),
// the rest its parameters, which map to their positions.  Unknown names give
// DISPID_UNKNOWN and DISP_E_UNKNOWNNAME.
HRESULT DispGetIDsOfNames(ITypeInfo* ptinfo, LPOLESTR* rgszNames, UINT cNames, DISPID* rgdispid);
// Standard invocation of a member of the interface described by ptinfo on
// the object whose function table is at instance.
HRESULT DispInvoke(void* instance, ITypeInfo* ptinfo, DISPID dispidMember, WORD wFlags, DISPPARAMS* pparams,
                   VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr);

// Invocation on a description directly (what DispInvoke does after the lookup).
HRESULT InvokeMember(void* instance, const InterfaceDesc& iface, DISPID dispid, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* arg_err);
HRESULT LookupNames(const InterfaceDesc& iface, LPOLESTR* names, UINT count, DISPID* ids);
// The same through an index.  A call whose arguments already have the
// declared types (I4, BOOL, BSTR) converts nothing and allocates nothing.
HRESULT InvokeMember(void* instance, const MemberIndex& index, DISPID dispid, WORD flags, DISPPARAMS* params,
                     VARIANT* result, EXCEPINFO* excep, UINT* arg_err);
HRESULT LookupNames(const MemberIndex& index, LPOLESTR* names, UINT count, DISPID* ids);

}  // namespace automation
