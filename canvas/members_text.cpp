// Text members: drawing and measuring text on the current canvas, and the
// list of installed fonts.
#include <new>
#include <stdexcept>

#include "canvas/main.h"
#include "draw/text.h"
#include "platform/automation/oleauto.h"

namespace zelnor {
namespace {

using namespace automation;

// Stores one name as element `index` (a VT_BSTR VARIANT) of the array.
void PutName(SAFEARRAY* array, LONG index, const std::string& name) {
  VARIANT element;
  VariantInit(&element);
  element.vt = VT_BSTR;
  element.bstrVal = BstrFromUtf8(name);
  if (!element.bstrVal) throw std::bad_alloc();
  const HRESULT hr = SafeArrayPutElement(array, &index, &element);
  VariantClear(&element);
  if (FAILED(hr)) throw ComError(hr, "the font list cannot be filled");
}

// A one-dimensional array of VARIANT strings with lower bound 0.
SAFEARRAY* MakeNameArray(const std::vector<std::string>& names) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(names.size()));
  if (!array) throw std::bad_alloc();
  try {
    for (size_t i = 0; i < names.size(); ++i) PutName(array, static_cast<LONG>(i), names[i]);
  } catch (...) {
    SafeArrayDestroy(array);
    throw;
  }
  return array;
}

}  // namespace

void TMyCanvas::StringWrite(int32_t X1, int32_t Y1, const std::string& VarStr, bool BackTrans) {
  WriteString(X1, Y1, VarStr, BackTrans, Current());
}

int32_t TMyCanvas::StringHeight(const std::string& Value) { return StringHeightOf(Value, Current()); }

int32_t TMyCanvas::StringWidth(const std::string& Value) { return StringWidthOf(Value, Current()); }

void TMyCanvas::FontList(bool SortFlag, bool TTFOnlyFlag, bool VetFontFlag, VARIANT* Result) {
  if (!Result) throw ComError(E_POINTER, "FontList has no result variable");
  VariantInit(Result);  // Empty until there is a name to report
  const std::vector<std::string> names = FontNames(SortFlag, TTFOnlyFlag, VetFontFlag);
  if (names.empty()) return;
  Result->parray = MakeNameArray(names);
  Result->vt = VT_ARRAY | VT_VARIANT;
}

}  // namespace zelnor
