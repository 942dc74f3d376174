#include "io/gif/rle_encoder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <stdexcept>

namespace zelnor::gif {

namespace {

// Codes of one frame, fixed by the colour table's bit depth.
struct Codes {
  explicit Codes(int bits)
      : clear(1 << bits),
        end(clear + 1),
        base(clear + 2),
        initial_width(bits + 1),
        initial_bump(clear - 1),
        initial_clear(bits <= 3 ? 9 : clear - 2),
        budget(4095 - base) {}
  int clear, end, base, initial_width, initial_bump, initial_clear, budget;
};

// Codes for a run of n < 64 pixels from a fresh table: the smallest k with
// k(k + 1) >= 2n (short runs are by far the most common).
constexpr std::array<uint8_t, 64> kShortRunCost = [] {
  std::array<uint8_t, 64> t{};
  for (int n = 1; n < 64; ++n) {
    int k = 0;
    while (k * (k + 1) < 2 * n) ++k;
    t[static_cast<size_t>(n)] = static_cast<uint8_t>(k);
  }
  return t;
}();

int64_t CostWithBudget(int64_t n, int64_t budget) {
  if (n < 64 && n < budget) return kShortRunCost[static_cast<size_t>(n)];
  const int64_t whole = budget * (budget + 1) / 2;
  int64_t cost = budget * (n / whole);
  const int64_t r = n % whole;
  if (r > 0) {
    // Smallest k with k(k + 1) >= 2r: start from the real root and adjust.
    int64_t k = static_cast<int64_t>(std::sqrt(2.0 * static_cast<double>(r)));
    while (k > 0 && (k - 1) * k >= 2 * r) --k;
    while (k * (k + 1) < 2 * r) ++k;
    cost += k;
  }
  return cost;
}

// Packs codes least-significant bit first into 255-byte data sub-blocks,
// writing straight into the output: a block's length byte is reserved when
// the block starts and filled in when it is full or the data ends.
class CodeWriter {
 public:
  CodeWriter(std::vector<uint8_t>& out, size_t expected_bytes) : out_(out) {
    at_ = out_.size();
    out_.resize(at_ + expected_bytes + expected_bytes / 255 + 16);
    StartBlock();
  }

  void Put(int code, int width) {
    buffer_ |= static_cast<uint64_t>(code) << pending_;
    pending_ += width;
    while (pending_ >= 8) {
      Byte(static_cast<uint8_t>(buffer_));
      buffer_ >>= 8;
      pending_ -= 8;
    }
  }
  // Writes the pending bits (if any) as a last byte, the last sub-block and
  // the block terminator.
  void Finish() {
    if (pending_ > 0) Byte(static_cast<uint8_t>(buffer_));
    buffer_ = 0;
    pending_ = 0;
    if (filled_ > 0) {
      out_[block_] = static_cast<uint8_t>(filled_);
    } else {
      at_ = block_;  // drop the empty block's length byte
    }
    Reserve(1);
    out_[at_++] = 0;
    out_.resize(at_);
  }

 private:
  void Reserve(size_t n) {
    if (out_.size() - at_ < n) out_.resize(out_.size() + out_.size() / 2 + n + 256);
  }
  void StartBlock() {
    Reserve(256);
    block_ = at_++;
    filled_ = 0;
  }
  void Byte(uint8_t b) {
    out_[at_++] = b;
    if (++filled_ == 255) {
      out_[block_] = 255;
      StartBlock();
    }
  }

  std::vector<uint8_t>& out_;
  size_t at_ = 0, block_ = 0;
  uint64_t buffer_ = 0;
  int pending_ = 0;
  int filled_ = 0;
};

class RunLengthEncoder {
 public:
  RunLengthEncoder(int bits, CodeWriter& writer) : c_(bits), w_(c_.initial_width), out_(writer) {}

  void Clear() {
    bump_ = c_.initial_bump;
    clear_at_ = c_.initial_clear;
    count_ = 0;
    table_max_ = 0;
    just_cleared_ = true;
    out_.Put(c_.clear, w_);
    w_ = c_.initial_width;
  }

  void End() { out_.Put(c_.end, w_); }

  // Sends a finished run of n pixels of value p.
  void FlushRun(int p, int64_t n) {
    if (n == 1) {
      Plain(p);
    } else if (just_cleared_) {
      FromClear(p, n);
    } else if (table_max_ > 1 && table_pixel_ == p) {
      WithTable(p, n);
    } else if (Cost(n) + 1 < n) {
      Clear();
      FromClear(p, n);
    } else {
      for (int64_t i = 0; i < n; ++i) Plain(p);
    }
  }

 private:
  int64_t Cost(int64_t n) const { return CostWithBudget(n, c_.budget); }

  void Plain(int code) {
    just_cleared_ = false;
    out_.Put(code, w_);
    ++count_;
    if (count_ == bump_) {
      bump_ += 1 << w_;
      ++w_;
    }
    if (count_ >= clear_at_) Clear();
  }

  // Restores the normal clear count after a run that was allowed to fill the
  // table, clearing when the run already went past it.
  void EndLongRun() {
    clear_at_ = c_.initial_clear;
    if (count_ >= clear_at_) Clear();
  }

  // Builds the run codes base, base+1, ... (runs of 2, 3, ...) from a fresh
  // table: each one is the code the decoder is about to define.
  void FromClear(int p, int64_t n) {
    clear_at_ = c_.budget;
    table_pixel_ = p;
    int64_t k = 1;
    while (n > 0) {
      if (k == 1) {
        table_max_ = 1;
        Plain(p);
        n -= 1;
      } else if (n < k) {
        ++table_max_;
        Plain(n == 1 ? p : static_cast<int>(c_.base + n - 2));
        break;
      } else {
        table_max_ = static_cast<int>(k);
        Plain(static_cast<int>(c_.base + k - 2));
        n -= k;
      }
      k = count_ != 0 ? k + 1 : 1;
    }
    EndLongRun();
  }

  // Repeats the longest run code of the current table.
  void WithTable(int p, int64_t n) {
    const int64_t r = table_max_;
    int64_t reps = n / r, left = n % r, extra = left > 0 ? 1 : 0;
    if (c_.budget < reps + count_ + extra) {
      reps = c_.budget - count_;
      left = n - r * reps;
      extra = 1 + Cost(left);
    }
    if (1 + Cost(n) < reps + extra) {
      Clear();
      FromClear(p, n);
      return;
    }
    clear_at_ = c_.budget;
    for (int64_t i = 0; i < reps; ++i) Plain(static_cast<int>(c_.base + r - 2));
    if (left > 0) {
      if (just_cleared_)
        FromClear(p, left);
      else
        Plain(left == 1 ? p : static_cast<int>(c_.base + left - 2));
    }
    EndLongRun();
  }

  const Codes c_;
  int w_;
  int64_t count_ = 0, bump_ = 0, clear_at_ = 0;
  int table_max_ = 0;
  int table_pixel_ = 0;
  bool just_cleared_ = false;
  CodeWriter& out_;
};

}  // namespace

int64_t RunCost(int64_t n, int bits) { return CostWithBudget(n, Codes(bits).budget); }

void EncodeRunLengthImageData(std::span<const uint8_t> pixels, int table_size, int bits,
                              std::vector<uint8_t>& out) {
  EncodeRunLengthImageData(pixels, static_cast<int>(std::min<size_t>(pixels.size(), INT_MAX)), table_size,
                           bits, out, {});
}

void EncodeRunLengthImageData(std::span<const uint8_t> pixels, int width, int table_size, int bits,
                              std::vector<uint8_t>& out, const std::function<void(int)>& wait_for_row) {
  if (bits < 2 || bits > 8) throw std::invalid_argument("GIF code size must be 2 to 8 bits");
  out.push_back(static_cast<uint8_t>(bits));
  // About one 9-bit code per pixel for busy pictures; grows when needed.
  CodeWriter writer(out, pixels.size() * 9 / 8 + 64);
  RunLengthEncoder enc(bits, writer);
  if (!pixels.empty()) {
    enc.Clear();
    int current = -1;
    int64_t run = 0;
    // Runs go on across rows: the rows only say when pixels may be read.
    const size_t row = static_cast<size_t>(std::max(width, 1));
    for (size_t start = 0, y = 0; start < pixels.size(); start += row, ++y) {
      if (wait_for_row) wait_for_row(static_cast<int>(y));
      for (uint8_t c : pixels.subspan(start, std::min(row, pixels.size() - start))) {
        if (c >= table_size) throw std::runtime_error("Color not in color table");
        if (c == current) {
          ++run;
          continue;
        }
        if (run > 0) enc.FlushRun(current, run);
        current = c;
        run = 1;
      }
    }
    enc.FlushRun(current, run);
  }
  enc.End();
  writer.Finish();
}

}  // namespace zelnor::gif
