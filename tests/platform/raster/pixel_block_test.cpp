#include "platform/raster/pixel_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/raster/parallel.h"

using namespace raster;

TEST(PixelBlock, SmallAndLargeBlocksAreZeroedAndWritable) {
  for (size_t bytes : {size_t{1}, size_t{4096}, kHugePageBlockMin - 1, kHugePageBlockMin, size_t{36000001}}) {
    PixelBlock block = AllocatePixelBlock(bytes);
    ASSERT_TRUE(block) << bytes;
    uint8_t* p = block.get();
    EXPECT_TRUE(std::all_of(p, p + bytes, [](uint8_t v) { return v == 0; })) << bytes;
    p[0] = 1;
    p[bytes - 1] = 2;  // the last byte asked for belongs to the block
    EXPECT_EQ(p[bytes - 1], 2);
  }
}

TEST(PixelBlock, FreedLargeBlocksNeverComeBackWithOldPixels) {
  constexpr size_t kBytes = size_t{36} << 20;
  for (int round = 0; round < 3; ++round) {
    PixelBlock block = AllocatePixelBlock(kBytes);
    ASSERT_TRUE(block);
    for (size_t at = 0; at < kBytes; at += 4093) {
      ASSERT_EQ(block.get()[at], 0) << round << " " << at;
      block.get()[at] = 0xAB;
    }
  }
}

TEST(ParallelFor, RangesCoverEveryIndexOnce) {
  for (int count : {0, 1, 7, 1000}) {
    for (int64_t cost : {int64_t{0}, int64_t{1} << 30}) {
      std::vector<std::atomic<int>> hits(static_cast<size_t>(count));
      ParallelFor(count, cost, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) ++hits[static_cast<size_t>(i)];
      });
      for (int i = 0; i < count; ++i) ASSERT_EQ(hits[static_cast<size_t>(i)], 1) << count << " " << i;
    }
  }
}

TEST(ParallelFor, AFailureInAnyRangeReachesTheCaller) {
  // The first index is the calling thread's range, the last a worker's.
  for (int failing : {0, 999}) {
    EXPECT_THROW(ParallelFor(1000, int64_t{1} << 30,
                             [&](int begin, int end) {
                               if (begin <= failing && failing < end) throw std::runtime_error("no memory");
                             }),
                 std::runtime_error)
        << failing;
  }
}

TEST(ParallelFor, SerialLoopsKeepEveryRangeOnTheCallingThread) {
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<int> elsewhere{0}, calls{0};
  auto body = [&](int, int) {
    ++calls;
    if (std::this_thread::get_id() != caller) ++elsewhere;
  };
  {
    SerialLoops outer;
    { SerialLoops inner; }
    // Still serial after the inner scope ends.
    ParallelFor(1000, int64_t{1} << 30, body);
  }
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(elsewhere, 0);
  // Another thread's scope leaves this thread's loops alone.
  std::promise<void> ready, done;
  std::thread other([&] {
    SerialLoops serial;
    ready.set_value();
    done.get_future().wait();
  });
  ready.get_future().wait();
  calls = 0;
  ParallelFor(1000, int64_t{1} << 30, [&](int, int) { ++calls; });
  done.set_value();
  other.join();
  if (std::thread::hardware_concurrency() > 1) {
    EXPECT_GT(calls, 1);
  }
}
