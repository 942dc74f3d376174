// Writing and removing the class's entries in the registration store.
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
  registry::Store store(registry::Store::DefaultFile());
  for (const auto& e : entries) {
    if (!store.SetValue(e.key, e.name, e.data)) {
      SetRegistrationError(kWriteFailed);
      return E_FAIL;  // the entries written so far stay
    }
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
  registry::Store store(registry::Store::DefaultFile());
  for (const std::string& key : keys) store.DeleteKey(key);  // a failed deletion is ignored
  return S_OK;
}

}  // namespace zelnor
