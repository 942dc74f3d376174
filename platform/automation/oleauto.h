// The automation runtime: the host component platform's types and functions
// with their names, binary layouts and semantics.  Interfaces are abstract
// classes whose virtual function tables have the host's slot order (IUnknown
// first, no virtual destructor), so a compiled client can call through the
// table.  Strings are UTF-16 BSTRs with a 4-byte byte-length prefix.
#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace automation {

// ---------------------------------------------------------------- base types
using HRESULT = int32_t;
using SCODE = int32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using INT = int32_t;
using USHORT = uint16_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using BYTE = uint8_t;
using LCID = uint32_t;
using DISPID = int32_t;
using MEMBERID = DISPID;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using DATE = double;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT MakeHr(uint32_t value) { return static_cast<HRESULT>(value); }

// ---------------------------------------------------------------- HRESULTs
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = MakeHr(0x8000FFFF);
constexpr HRESULT E_NOTIMPL = MakeHr(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeHr(0x80004002);
constexpr HRESULT E_POINTER = MakeHr(0x80004003);
constexpr HRESULT E_ABORT = MakeHr(0x80004004);
constexpr HRESULT E_FAIL = MakeHr(0x80004005);
constexpr HRESULT E_ACCESSDENIED = MakeHr(0x80070005);
constexpr HRESULT E_OUTOFMEMORY = MakeHr(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHr(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHr(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHr(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHr(0x80040154);
constexpr HRESULT REGDB_E_READREGDB = MakeHr(0x80040150);
constexpr HRESULT SELFREG_E_CLASS = MakeHr(0x80040201);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHr(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHr(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHr(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHr(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHr(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = MakeHr(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = MakeHr(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = MakeHr(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = MakeHr(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = MakeHr(0x8002000B);
constexpr HRESULT DISP_E_UNKNOWNLCID = MakeHr(0x8002000C);
constexpr HRESULT DISP_E_ARRAYISLOCKED = MakeHr(0x8002000D);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHr(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeHr(0x8002000F);
constexpr HRESULT DISP_E_BADCALLEE = MakeHr(0x80020010);
constexpr HRESULT DISP_E_NOTACOLLECTION = MakeHr(0x80020011);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeHr(0x8002802B);
constexpr HRESULT TYPE_E_LIBNOTREGISTERED = MakeHr(0x8002801D);

// ---------------------------------------------------------------- GUID
struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;

bool operator==(const GUID& a, const GUID& b);
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex, braces included.
std::string GuidToString(const GUID& guid);
// Parses the braced text form (any case); false when malformed.
bool GuidFromString(std::string_view text, GUID* guid);

extern const IID IID_NULL;
extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_IDispatch;
extern const IID IID_ITypeInfo;
extern const IID IID_ISupportErrorInfo;
extern const IID IID_IProvideClassInfo;
extern const IID IID_IErrorInfo;
extern const IID IID_ICreateErrorInfo;

// ---------------------------------------------------------------- VARTYPE
enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_SAFEARRAY = 27,
  VT_USERDEFINED = 29,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

// ---------------------------------------------------------------- interfaces
class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
  virtual HRESULT LockServer(int32_t fLock) = 0;
};

struct SAFEARRAY;
class IDispatch;
class ITypeInfo;

// ---------------------------------------------------------------- VARIANT
// 16 bytes: the type word, three reserved words, then an 8-byte union.
struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    int64_t llVal;
    LONG lVal;
    BYTE bVal;
    int16_t iVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    BYTE* pbVal;
    int16_t* piVal;
    LONG* plVal;
    float* pfltVal;
    double* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    VARIANT* pvarVal;
    void* byref;
    char cVal;
    USHORT uiVal;
    ULONG ulVal;
    uint64_t ullVal;
    INT intVal;
    UINT uintVal;
  };
};
static_assert(sizeof(VARIANT) == 16, "VARIANT must keep the host's 16-byte layout");
static_assert(offsetof(VARIANT, lVal) == 8, "VARIANT value starts after the type and reserved words");
using VARIANTARG = VARIANT;

struct DISPPARAMS {
  VARIANTARG* rgvarg;  // arguments in reverse order
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr MEMBERID MEMBERID_NIL = DISPID_UNKNOWN;

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// ---------------------------------------------------------------- type description
enum TYPEKIND : int32_t {
  TKIND_ENUM,
  TKIND_RECORD,
  TKIND_MODULE,
  TKIND_INTERFACE,
  TKIND_DISPATCH,
  TKIND_COCLASS,
  TKIND_ALIAS,
  TKIND_UNION,
  TKIND_MAX
};
enum FUNCKIND : int32_t { FUNC_VIRTUAL, FUNC_PUREVIRTUAL, FUNC_NONVIRTUAL, FUNC_STATIC, FUNC_DISPATCH };
enum INVOKEKIND : int32_t {
  INVOKE_FUNC = 1,
  INVOKE_PROPERTYGET = 2,
  INVOKE_PROPERTYPUT = 4,
  INVOKE_PROPERTYPUTREF = 8
};
enum CALLCONV : int32_t { CC_FASTCALL, CC_CDECL, CC_MSCPASCAL, CC_PASCAL = CC_MSCPASCAL, CC_STDCALL = 4 };
enum SYSKIND : int32_t { SYS_WIN16, SYS_WIN32, SYS_MAC, SYS_WIN64 };

constexpr USHORT PARAMFLAG_NONE = 0x00;
constexpr USHORT PARAMFLAG_FIN = 0x01;
constexpr USHORT PARAMFLAG_FOUT = 0x02;
constexpr USHORT PARAMFLAG_FLCID = 0x04;
constexpr USHORT PARAMFLAG_FRETVAL = 0x08;
constexpr USHORT PARAMFLAG_FOPT = 0x10;
constexpr USHORT PARAMFLAG_FHASDEFAULT = 0x20;

constexpr WORD TYPEFLAG_FAPPOBJECT = 0x01;
constexpr WORD TYPEFLAG_FCANCREATE = 0x02;
constexpr WORD TYPEFLAG_FDUAL = 0x40;
constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;

constexpr int32_t IMPLTYPEFLAG_FDEFAULT = 0x1;

struct TYPEDESC {
  union {
    TYPEDESC* lptdesc;  // VT_PTR, VT_SAFEARRAY
    void* lpadesc;
    DWORD hreftype;
  };
  VARTYPE vt;
};

struct PARAMDESCEX {
  ULONG cBytes;
  VARIANT varDefaultValue;
};

struct PARAMDESC {
  PARAMDESCEX* pparamdescex;
  USHORT wParamFlags;
};

struct ELEMDESC {
  TYPEDESC tdesc;
  PARAMDESC paramdesc;
};

struct FUNCDESC {
  MEMBERID memid;
  SCODE* lprgscode;
  ELEMDESC* lprgelemdescParam;
  FUNCKIND funckind;
  INVOKEKIND invkind;
  CALLCONV callconv;
  int16_t cParams;
  int16_t cParamsOpt;
  int16_t oVft;  // byte offset of the function in the function table
  int16_t cScodes;
  ELEMDESC elemdescFunc;
  WORD wFuncFlags;
};

struct IDLDESC {
  uintptr_t dwReserved;
  USHORT wIDLFlags;
};

struct TYPEATTR {
  GUID guid;
  LCID lcid;
  DWORD dwReserved;
  MEMBERID memidConstructor;
  MEMBERID memidDestructor;
  LPOLESTR lpstrSchema;
  ULONG cbSizeInstance;
  TYPEKIND typekind;
  WORD cFuncs;
  WORD cVars;
  WORD cImplTypes;
  WORD cbSizeVft;
  WORD cbAlignment;
  WORD wTypeFlags;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  TYPEDESC tdescAlias;
  IDLDESC idldescType;
};

struct TLIBATTR {
  GUID guid;
  LCID lcid;
  SYSKIND syskind;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  WORD wLibFlags;
};

using HREFTYPE = DWORD;
class ITypeComp;
class ITypeLib;

class IDispatch : public IUnknown {
 public:
  virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
  virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                DISPID* rgDispId) = 0;
  virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                         VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
};

// Full slot order of the host's type information; slots the runtime has no
// use for answer E_NOTIMPL.
class ITypeInfo : public IUnknown {
 public:
  virtual HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) = 0;
  virtual HRESULT GetTypeComp(ITypeComp** ppTComp) = 0;
  virtual HRESULT GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) = 0;
  virtual HRESULT GetVarDesc(UINT index, void** ppVarDesc) = 0;
  virtual HRESULT GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) = 0;
  virtual HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) = 0;
  virtual HRESULT GetImplTypeFlags(UINT index, INT* pImplTypeFlags) = 0;
  virtual HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) = 0;
  virtual HRESULT Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                         VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
  virtual HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                   DWORD* pdwHelpContext, BSTR* pBstrHelpFile) = 0;
  virtual HRESULT GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                              WORD* pwOrdinal) = 0;
  virtual HRESULT GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) = 0;
  virtual HRESULT AddressOfMember(MEMBERID memid, INVOKEKIND invKind, void** ppv) = 0;
  virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObj) = 0;
  virtual HRESULT GetMops(MEMBERID memid, BSTR* pBstrMops) = 0;
  virtual HRESULT GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) = 0;
  virtual void ReleaseTypeAttr(TYPEATTR* pTypeAttr) = 0;
  virtual void ReleaseFuncDesc(FUNCDESC* pFuncDesc) = 0;
  virtual void ReleaseVarDesc(void* pVarDesc) = 0;
};

class ISupportErrorInfo : public IUnknown {
 public:
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

class IProvideClassInfo : public IUnknown {
 public:
  virtual HRESULT GetClassInfo(ITypeInfo** ppTI) = 0;
};

class IErrorInfo : public IUnknown {
 public:
  virtual HRESULT GetGUID(GUID* pGUID) = 0;
  virtual HRESULT GetSource(BSTR* pBstrSource) = 0;
  virtual HRESULT GetDescription(BSTR* pBstrDescription) = 0;
  virtual HRESULT GetHelpFile(BSTR* pBstrHelpFile) = 0;
  virtual HRESULT GetHelpContext(DWORD* pdwHelpContext) = 0;
};

class ICreateErrorInfo : public IUnknown {
 public:
  virtual HRESULT SetGUID(REFGUID rguid) = 0;
  virtual HRESULT SetSource(LPOLESTR szSource) = 0;
  virtual HRESULT SetDescription(LPOLESTR szDescription) = 0;
  virtual HRESULT SetHelpFile(LPOLESTR szHelpFile) = 0;
  virtual HRESULT SetHelpContext(DWORD dwHelpContext) = 0;
};

// ---------------------------------------------------------------- BSTR
// A BSTR points just past a 4-byte length (in bytes, without the terminator)
// and is followed by a zero OLECHAR.  A null BSTR is the empty string.
BSTR SysAllocString(LPCOLESTR psz);
BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);  // pch may be null: uninitialised text
BSTR SysAllocStringByteLen(const char* psz, UINT len);
int32_t SysReAllocString(BSTR* pbstr, LPCOLESTR psz);
void SysFreeString(BSTR bstr);
UINT SysStringLen(BSTR bstr);
UINT SysStringByteLen(BSTR bstr);

// UTF-8 <-> UTF-16.  Invalid sequences become U+FFFD; never throws on bad text.
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);
BSTR BstrFromUtf8(std::string_view utf8);  // nullptr only when out of memory
std::string Utf8FromBstr(BSTR bstr);       // a null BSTR gives ""
inline std::u16string_view BstrView(BSTR bstr) {
  return bstr ? std::u16string_view(bstr, SysStringLen(bstr)) : u"";
}

// ---------------------------------------------------------------- SAFEARRAY
struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};

struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
};

constexpr USHORT FADF_AUTO = 0x0001;
constexpr USHORT FADF_STATIC = 0x0002;
constexpr USHORT FADF_EMBEDDED = 0x0004;
constexpr USHORT FADF_FIXEDSIZE = 0x0010;
constexpr USHORT FADF_RECORD = 0x0020;
constexpr USHORT FADF_HAVEIID = 0x0040;
constexpr USHORT FADF_HAVEVARTYPE = 0x0080;
constexpr USHORT FADF_BSTR = 0x0100;
constexpr USHORT FADF_UNKNOWN = 0x0200;
constexpr USHORT FADF_DISPATCH = 0x0400;
constexpr USHORT FADF_VARIANT = 0x0800;

// Arrays have one dimension; SafeArrayCreate with more returns null.  The
// element type is kept (FADF_HAVEVARTYPE) in the four bytes before the
// descriptor, as the host does.  Element types: I1, UI1, I2, UI2, I4, UI4,
// INT, UINT, R4, R8, BOOL, ERROR, BSTR, VARIANT, UNKNOWN, DISPATCH.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// A descriptor without data, for an array over memory the caller provides:
// set pvData and rgsabound, and FADF_AUTO (or FADF_EMBEDDED) when the memory
// belongs to someone else.  Destroying such an array frees only the
// descriptor and leaves the memory untouched; FADF_STATIC memory is cleared
// but not freed.
HRESULT SafeArrayAllocDescriptorEx(VARTYPE vt, UINT cDims, SAFEARRAY** ppsaOut);
HRESULT SafeArrayDestroyDescriptor(SAFEARRAY* psa);
HRESULT SafeArrayDestroy(SAFEARRAY* psa);  // DISP_E_ARRAYISLOCKED while locked
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
// Element access copies: BSTRs and VARIANTs are deep-copied, interfaces AddRef'd.
HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);

// ---------------------------------------------------------------- VARIANT functions
void VariantInit(VARIANT* pvarg);
HRESULT VariantClear(VARIANT* pvarg);
HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc);
// Copies and removes one level of reference (VT_BYREF).
HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANT* pvargSrc);
constexpr WORD VARIANT_NOVALUEPROP = 0x1;
constexpr WORD VARIANT_ALPHABOOL = 0x2;
// Converts between EMPTY, NULL (only to itself), I1, UI1, I2, UI2, I4, UI4,
// INT, UINT, I8, UI8, R4, R8, BOOL, ERROR (only to itself) and BSTR.  Reals go
// to integers rounding half to even; out-of-range values give
// DISP_E_OVERFLOW; text must be a number (or True/False for BOOL) or
// DISP_E_TYPEMISMATCH.  By-reference sources are read through.  pvargDest may
// equal pvarSrc.
HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, WORD wFlags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANT* pvargDest, const VARIANT* pvarSrc, LCID lcid, WORD wFlags, VARTYPE vt);

// ---------------------------------------------------------------- error information
// Per-thread: SetErrorInfo replaces the thread's record (taking a reference);
// GetErrorInfo hands it over and clears it (S_FALSE and null when none).
HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo);
HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);

// A failure of the component runtime that carries its own HRESULT; member
// guards return that HRESULT instead of E_UNEXPECTED when it is negative.
class ComError : public std::runtime_error {
 public:
  ComError(HRESULT hr, const std::string& message) : std::runtime_error(message), hr_(hr) {}
  HRESULT hr() const { return hr_; }

 private:
  HRESULT hr_;
};

// Memory for type descriptions handed to callers.
void* CoTaskMemAlloc(size_t cb);
void CoTaskMemFree(void* pv);

}  // namespace automation
