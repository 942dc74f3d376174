// Image types and image byte arrays: how a type is chosen from a type word or
// a file name, and how encoded images cross the automation boundary as
// VT_ARRAY | VT_UI1 values.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/image_type.h"
#include "platform/automation/oleauto.h"

namespace zelnor {

// The type a type word names: jpg/jpeg, gif, png, bmp, with the ASCII letters
// compared case-insensitively over the whole word; anything else is itUnknown.
ImageType ImageTypeFromName(std::string_view name);

// The type of a path's extension: the text after the last full stop that
// follows the last '/', '\' or drive colon.  No extension (or a trailing full
// stop) gives itUnknown.
ImageType ImageTypeFromFileName(std::string_view path);

// A memory stream: the encoded bytes of one image.
using MemoryStream = std::vector<uint8_t>;

// A new image byte array (lower bound 0) holding the whole stream.  The
// caller owns the result (VariantClear frees it).  Throws when out of memory.
automation::VARIANT StreamToByteArray(const MemoryStream& stream);

// The bytes of an image byte array.  The elements of the array are copied
// exactly, whatever its lower bound (the array is locked while copying).  A
// value that is not a one-dimensional array of bytes fails with a message.
MemoryStream ByteArrayToStream(const automation::VARIANT& value);

// The bytes of an image byte array in place, without a copy: the array is
// locked while the view lives, so the script cannot resize or free it.  A
// value that is not a one-dimensional array of bytes fails with a message;
// a null array gives no bytes.
class ByteArrayView {
 public:
  explicit ByteArrayView(const automation::VARIANT& value);
  ~ByteArrayView();
  ByteArrayView(const ByteArrayView&) = delete;
  ByteArrayView& operator=(const ByteArrayView&) = delete;
  std::span<const uint8_t> bytes() const { return bytes_; }

 private:
  automation::SAFEARRAY* array_ = nullptr;
  std::span<const uint8_t> bytes_;
};

// Puts a new image byte array into a script's variable, replacing (and
// freeing) what it held.  A by-reference variant is written through.  The
// variable is changed only once the array is complete.
void StoreByteArray(automation::VARIANT* target, const MemoryStream& stream);

}  // namespace zelnor
