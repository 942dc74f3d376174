// Writing and removing the class's entries in the registration store: the
// machine-wide one when running as root, else the user's, or the one that
// $ZELNOR2_REGISTRY names (registry::RegistrationStore).
#include <string>

#include "platform/registry/registry.h"
#include "server/server.h"

namespace zelnor {
using namespace automation;

namespace {
constexpr const char* kProgId = "Zelnor2.MyCanvas";
constexpr const char* kWriteFailed = "システム レジストリ に書き込めません";

std::string ClassKey() { return "CLSID\\" + GuidToString(CLSID_MyCanvas); }

std::string Description() { return Utf8FromUtf16(MyCanvasClass().help); }

std::string VersionText() {
  const TypeLibDesc& lib = Zelnor2Library();
  return std::to_string(lib.major) + "." + std::to_string(lib.minor);
}

void SetRegistrationError(const char* message) {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create)) || !create) return;
  std::u16string text = Utf16FromUtf8(message);
  create->SetSource(const_cast<LPOLESTR>(u"Zelnor2"));
  create->SetDescription(text.data());
  IErrorInfo* info = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
    SetErrorInfo(0, info);
    info->Release();
  }
  create->Release();
}
}  // namespace

HRESULT RegisterClassEntries(ComServer*) {
  std::string module = ModulePath();
  if (module.empty()) return E_FAIL;
  // Linux has no short names: the full path is stored as it is.
  const std::string cls = ClassKey();
  const struct {
    std::string key, name, data;
  } entries[] = {
      {cls, "", Description()},
      {cls + "\\InprocServer32", "", module},
      {cls + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {kProgId, "", Description()},
      {std::string(kProgId) + "\\Clsid", "", GuidToString(CLSID_MyCanvas)},
      {cls + "\\ProgID", "", kProgId},
      {cls + "\\Version", "", VersionText()},
      {cls + "\\TypeLib", "", GuidToString(LIBID_Zelnor2)},
  };
  try {
    registry::Store store = registry::RegistrationStore();
    for (const auto& e : entries) store.SetValue(e.key, e.name, e.data);
  } catch (...) {
    SetRegistrationError(kWriteFailed);
    return E_FAIL;  // the entries written so far stay
  }
  return S_OK;
}

HRESULT UnregisterClassEntries(ComServer*) {
  const std::string cls = ClassKey();
  const std::string keys[] = {cls + "\\TypeLib",
                              cls + "\\Version",
                              cls + "\\ProgID",
                              std::string(kProgId) + "\\Clsid",
                              kProgId,
                              cls + "\\InprocServer32",
                              cls};
  try {
    registry::Store store = registry::RegistrationStore();
    // A key that is missing (or still has subkeys) is passed over; a store
    // that cannot be read or written is a failure, not a success.
    for (const std::string& key : keys) store.DeleteKey(key);
  } catch (...) {
    SetRegistrationError(kWriteFailed);
    return E_FAIL;
  }
  return S_OK;
}

}  // namespace zelnor
