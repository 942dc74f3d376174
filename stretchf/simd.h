// Vector versions of the width passes' row loops, used when the processor
// has them (AVX2 on x86-64); same bytes as the plain loops.
#pragma once
#include <cstdint>
#include <vector>

#include "stretchf/passes.h"

namespace zelnor::passes {

// True when the vector loops may run: the processor has them and they have
// not been switched off (see platform/cpu/cpu.h).
bool UseSimd();

void AreaRowXSimd(const AreaPlan& plan, const uint8_t* src, int src_width, uint8_t* dst, int dst_width);

// Per destination column: the weights split into 16-bit halves (w = hi * 2^11
// + lo), paired for neighbouring nodes, and whether the four nodes are
// neighbours that can be read at once.
struct CubicSimdColumn {
  int32_t hi01, lo01, hi23, lo23;
  bool contiguous;
};
using CubicSimdPlan = std::vector<CubicSimdColumn>;
CubicSimdPlan MakeCubicSimdPlan(const std::vector<CubicNode>& plan, int src_width);
void CubicRowXSimd(const CubicNode* plan, const CubicSimdColumn* simd, const uint8_t* src, uint8_t* dst,
                   int dst_width);

}  // namespace zelnor::passes
