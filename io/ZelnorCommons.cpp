#include "io/ZelnorCommons.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "io/codec_table.h"

namespace zelnor {

using namespace automation;

namespace {

bool SameWord(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

// The array a value holds, following one level of reference.
SAFEARRAY* ArrayOf(const VARIANT& value) {
  if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal) return ArrayOf(*value.pvarVal);
  if (!(value.vt & VT_ARRAY)) throw std::runtime_error("The value is not a byte array");
  return (value.vt & VT_BYREF) ? (value.pparray ? *value.pparray : nullptr) : value.parray;
}

}  // namespace

ImageType ImageTypeFromName(std::string_view name) {
  for (const ImageCodec& codec : ImageCodecs())
    for (std::string_view word : codec.words)
      if (!word.empty() && SameWord(name, word)) return codec.type;
  return itUnknown;
}

ImageType ImageTypeFromFileName(std::string_view path) {
  const size_t separator = path.find_last_of("/\\:");
  const std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
  const size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return itUnknown;
  return ImageTypeFromName(name.substr(dot + 1));
}

VARIANT StreamToByteArray(const MemoryStream& stream) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(stream.size()));
  if (!array) throw std::bad_alloc();
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) {
    SafeArrayDestroy(array);
    throw std::runtime_error("Cannot access the byte array");
  }
  if (!stream.empty()) std::memcpy(data, stream.data(), stream.size());
  SafeArrayUnaccessData(array);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = array;
  return v;
}

MemoryStream ByteArrayToStream(const VARIANT& value) {
  const ByteArrayView view(value);
  return MemoryStream(view.bytes().begin(), view.bytes().end());
}

ByteArrayView::ByteArrayView(const VARIANT& value) {
  SAFEARRAY* array = ArrayOf(value);
  if (!array) return;
  if (SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1)
    throw std::runtime_error("The value is not a one-dimensional byte array");
  const size_t count = array->rgsabound[0].cElements;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) throw std::runtime_error("Cannot access the byte array");
  array_ = array;
  bytes_ = {static_cast<const uint8_t*>(data), count};
}

ByteArrayView::~ByteArrayView() {
  if (array_) SafeArrayUnaccessData(array_);
}

void StoreByteArray(VARIANT* target, const MemoryStream& stream) {
  if (!target) throw std::invalid_argument("No variable to receive the byte array");
  if (target->vt == (VT_BYREF | VT_VARIANT) && target->pvarVal) target = target->pvarVal;
  VARIANT fresh = StreamToByteArray(stream);
  VariantClear(target);
  *target = fresh;
}

}  // namespace zelnor
