// GUIDs, BSTRs, text conversion, task memory and per-thread error information.
#include "platform/automation/oleauto.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace automation {

// ---------------------------------------------------------------- GUID
bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

std::string GuidToString(const GUID& g) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return text;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadHex(std::string_view text, size_t pos, size_t digits, uint64_t* value) {
  *value = 0;
  for (size_t i = 0; i < digits; ++i) {
    int d = HexDigit(text[pos + i]);
    if (d < 0) return false;
    *value = *value * 16 + static_cast<uint64_t>(d);
  }
  return true;
}
}  // namespace

bool GuidFromString(std::string_view t, GUID* guid) {
  if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' || t[19] != '-' ||
      t[24] != '-')
    return false;
  uint64_t v = 0;
  GUID g{};
  if (!ReadHex(t, 1, 8, &v)) return false;
  g.Data1 = static_cast<uint32_t>(v);
  if (!ReadHex(t, 10, 4, &v)) return false;
  g.Data2 = static_cast<uint16_t>(v);
  if (!ReadHex(t, 15, 4, &v)) return false;
  g.Data3 = static_cast<uint16_t>(v);
  static constexpr size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(t, kBytePos[i], 2, &v)) return false;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  *guid = g;
  return true;
}

const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_ITypeInfo2 = {0x00020412, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_ISupportErrorInfo = {
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID IID_IProvideClassInfo = {
    0xB196B283, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID IID_ICreateErrorInfo = {
    0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

// ---------------------------------------------------------------- BSTR
namespace {
constexpr uint32_t kMaxBstrBytes = 0x7FFFFFF0u;

BSTR AllocBytes(const void* data, uint32_t bytes) {
  if (bytes > kMaxBstrBytes) return nullptr;
  auto* block = static_cast<char*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR) + 1));
  if (!block) return nullptr;
  std::memcpy(block, &bytes, sizeof bytes);
  char* text = block + sizeof(uint32_t);
  if (data)
    std::memcpy(text, data, bytes);
  else
    std::memset(text, 0, bytes);
  std::memset(text + bytes, 0, sizeof(OLECHAR) + 1);  // terminator also for odd byte lengths
  return reinterpret_cast<BSTR>(text);
}
}  // namespace

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
  if (cch > kMaxBstrBytes / sizeof(OLECHAR)) return nullptr;
  return AllocBytes(pch, cch * static_cast<uint32_t>(sizeof(OLECHAR)));
}

BSTR SysAllocString(LPCOLESTR psz) {
  if (!psz) return nullptr;
  size_t n = std::char_traits<char16_t>::length(psz);
  if (n > kMaxBstrBytes / sizeof(OLECHAR)) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(n));
}

BSTR SysAllocStringByteLen(const char* psz, UINT len) { return AllocBytes(psz, len); }

int32_t SysReAllocString(BSTR* pbstr, LPCOLESTR psz) {
  if (!pbstr) return 0;
  BSTR fresh = SysAllocString(psz);
  if (psz && !fresh) return 0;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return 1;
}

void SysFreeString(BSTR bstr) {
  if (bstr) std::free(reinterpret_cast<char*>(bstr) - sizeof(uint32_t));
}

UINT SysStringByteLen(BSTR bstr) {
  if (!bstr) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<char*>(bstr) - sizeof(uint32_t), sizeof bytes);
  return bytes;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

// ---------------------------------------------------------------- UTF-8 <-> UTF-16
namespace {
constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[*pos], advancing *pos; malformed input
// (overlong, surrogate, out of range, truncated) yields U+FFFD for one byte.
char32_t DecodeUtf8(std::string_view text, size_t* pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(*pos);
  if (lead < 0x80) return text[(*pos)++];
  int extra = lead >= 0xC2 && lead < 0xE0   ? 1
              : lead >= 0xE0 && lead < 0xF0 ? 2
              : lead >= 0xF0 && lead < 0xF5 ? 3
                                            : -1;
  if (extra < 0 || *pos + static_cast<size_t>(extra) >= text.size()) {
    ++*pos;
    return kReplacement;
  }
  char32_t cp = lead & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    unsigned char c = byte(*pos + static_cast<size_t>(i));
    if ((c & 0xC0) != 0x80) {
      ++*pos;
      return kReplacement;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++*pos;
    return kReplacement;
  }
  *pos += static_cast<size_t>(extra) + 1;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}
}  // namespace

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    char32_t cp = DecodeUtf8(utf8, &pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;  // unpaired surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

BSTR BstrFromUtf8(std::string_view utf8) {
  std::u16string wide = Utf16FromUtf8(utf8);
  if (wide.size() > kMaxBstrBytes / sizeof(OLECHAR)) return nullptr;
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string Utf8FromBstr(BSTR bstr) { return Utf8FromUtf16(BstrView(bstr)); }

// ---------------------------------------------------------------- task memory
void* CoTaskMemAlloc(size_t cb) { return std::malloc(cb ? cb : 1); }
void CoTaskMemFree(void* pv) { std::free(pv); }

// ---------------------------------------------------------------- error information
namespace {
class ErrorInfo final : public IErrorInfo, public ICreateErrorInfo {
 public:
  // IUnknown is reached through either base; both share one count.
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IErrorInfo) {
      *ppv = static_cast<IErrorInfo*>(this);
    } else if (riid == IID_ICreateErrorInfo) {
      *ppv = static_cast<ICreateErrorInfo*>(this);
    } else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT GetGUID(GUID* p) override { return p ? (*p = guid_, S_OK) : E_INVALIDARG; }
  HRESULT GetSource(BSTR* p) override { return Give(source_, p); }
  HRESULT GetDescription(BSTR* p) override { return Give(description_, p); }
  HRESULT GetHelpFile(BSTR* p) override { return Give(help_file_, p); }
  HRESULT GetHelpContext(DWORD* p) override { return p ? (*p = help_context_, S_OK) : E_INVALIDARG; }

  HRESULT SetGUID(REFGUID g) override { return guid_ = g, S_OK; }
  HRESULT SetSource(LPOLESTR s) override { return Take(s, &source_); }
  HRESULT SetDescription(LPOLESTR s) override { return Take(s, &description_); }
  HRESULT SetHelpFile(LPOLESTR s) override { return Take(s, &help_file_); }
  HRESULT SetHelpContext(DWORD c) override { return help_context_ = c, S_OK; }

 private:
  ~ErrorInfo() = default;
  // An item never set comes back as a null string.
  static HRESULT Give(const std::u16string& text, BSTR* out) {
    if (!out) return E_INVALIDARG;
    if (text.empty()) return *out = nullptr, S_OK;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  static HRESULT Take(LPOLESTR text, std::u16string* field) {
    *field = text ? std::u16string(text) : std::u16string();
    return S_OK;
  }

  std::atomic<ULONG> refs_{1};
  GUID guid_ = IID_NULL;
  std::u16string source_, description_, help_file_;
  DWORD help_context_ = 0;
};

// The thread's current record; released when the thread ends.
struct ThreadErrorSlot {
  IErrorInfo* info = nullptr;
  ~ThreadErrorSlot() {
    if (info) info->Release();
  }
};
thread_local ThreadErrorSlot t_error;
}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
  if (!pperrinfo) return E_INVALIDARG;
  *pperrinfo = static_cast<ICreateErrorInfo*>(new (std::nothrow) ErrorInfo());
  return *pperrinfo ? S_OK : E_OUTOFMEMORY;
}

HRESULT SetErrorInfo(ULONG, IErrorInfo* perrinfo) {
  if (perrinfo) perrinfo->AddRef();
  IErrorInfo* old = t_error.info;
  t_error.info = perrinfo;
  if (old) old->Release();
  return S_OK;
}

HRESULT GetErrorInfo(ULONG, IErrorInfo** pperrinfo) {
  if (!pperrinfo) return E_INVALIDARG;
  *pperrinfo = t_error.info;
  t_error.info = nullptr;
  return *pperrinfo ? S_OK : S_FALSE;
}

}  // namespace automation
