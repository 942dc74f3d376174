#pragma once
// A fixed count of elements kept in place up to N, on the heap beyond it, so
// that the argument arrays of one call cost no allocation in the usual case.
// Elements start uninitialised.
#include <cstddef>
#include <memory>

namespace automation {

template <class T, size_t N>
class SmallArray {
 public:
  explicit SmallArray(size_t n) : data_(n <= N ? inline_ : (heap_ = std::make_unique<T[]>(n)).get()) {}
  SmallArray(const SmallArray&) = delete;
  SmallArray& operator=(const SmallArray&) = delete;
  T& operator[](size_t i) { return data_[i]; }
  T* data() { return data_; }

 private:
  T inline_[N];
  std::unique_ptr<T[]> heap_;
  T* data_;
};

}  // namespace automation
