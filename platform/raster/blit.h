// Unscaled blits between bitmaps through ternary raster operations, and the
// colour-to-monochrome copy that makes two-colour masks.
//
// A raster operation combines, bit by bit, the stored bits of the source
// pixel (S), the destination pixel (D) and the destination surface's brush
// pattern (P).  Its 8-bit operation index is the truth table: bit
// (P << 2 | S << 1 | D) of the index is the result for those input bits.
// The full 32-bit code carries the index in bits 16-23.
#pragma once
#include <cstdint>
#include <optional>

#include "platform/raster/colour.h"

namespace raster {

class Bitmap;
class PixelStorage;

// The fifteen named raster operations of the platform.
inline constexpr uint32_t kBlackness = 0x00000042;    // 0
inline constexpr uint32_t kDstInvert = 0x00550009;    // ~D
inline constexpr uint32_t kMergeCopy = 0x00C000CA;    // P & S
inline constexpr uint32_t kMergePaint = 0x00BB0226;   // ~S | D
inline constexpr uint32_t kNotSrcCopy = 0x00330008;   // ~S
inline constexpr uint32_t kNotSrcErase = 0x001100A6;  // ~(S | D)
inline constexpr uint32_t kPatCopy = 0x00F00021;      // P
inline constexpr uint32_t kPatInvert = 0x005A0049;    // P ^ D
inline constexpr uint32_t kPatPaint = 0x00FB0A09;     // P | ~S | D
inline constexpr uint32_t kSrcAnd = 0x008800C6;       // S & D
inline constexpr uint32_t kSrcCopyRop = 0x00CC0020;   // S
inline constexpr uint32_t kSrcErase = 0x00440328;     // S & ~D
inline constexpr uint32_t kSrcInvert = 0x00660046;    // S ^ D
inline constexpr uint32_t kSrcPaint = 0x00EE0086;     // S | D
inline constexpr uint32_t kWhiteness = 0x00FF0062;    // all ones

// The 8-bit operation index of a raster-operation code.
constexpr uint8_t RopIndex(uint32_t rop) { return static_cast<uint8_t>(rop >> 16); }
// Whether an operation reads the source / the pattern.
constexpr bool RopUsesSource(uint8_t index) { return ((index >> 2) & 0x33) != (index & 0x33); }
constexpr bool RopUsesPattern(uint8_t index) { return (index >> 4) != (index & 0x0F); }

// Applies an operation index to three words of stored bits (the general
// evaluator: the OR of the truth table's minterms).
constexpr uint64_t EvalRop(uint8_t index, uint64_t p, uint64_t s, uint64_t d) {
  uint64_t r = 0;
  for (int i = 0; i < 8; ++i)
    if ((index >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return r;
}

// What a hatched brush leaves in the gaps between its lines when the
// background is transparent (and everywhere for a clear brush): the pattern
// step of the operation is skipped, so the gap holds what the operation's
// other steps made of S and D.  MERGECOPY keeps the source, PATPAINT merges
// source and destination, the other pattern operations keep the destination.
uint8_t TransparentGapRop(uint8_t index);

// Whether the host applies the pattern to (its copy of) the source before
// combining with the destination: of the named operations, MERGECOPY and
// PATPAINT.  Their hatch rows are counted from row 2 * top of the drawn
// rectangle (its top clipped to the destination) instead of the bitmap's
// top row; their columns, like every other pattern's, from the left edge.
bool RopPaintsPatternOnSource(uint8_t index);

// Draws `src` unscaled with its top-left corner at (x, y) of `dst` through
// the raster operation `rop`, clipped to `dst`.  A source in another layout
// or colour table is first converted to the destination's; the operation then
// acts on the stored bits (palette indices on palette layouts).  The pattern
// is the brush of dst's drawing surface (made if needed), with hatch patterns
// aligned to the bitmap's top-left corner (but see RopPaintsPatternOnSource).
// `src` may be `dst`.
void BitBlt(Bitmap& dst, int x, int y, const Bitmap& src, uint32_t rop);

// The same result computed pixel by pixel through the generic stored-bits
// accessors; the reference the fast paths are tested against.
void BitBltReference(Bitmap& dst, int x, int y, const Bitmap& src, uint32_t rop);

// The colour-to-monochrome copy: a one-bit image of the same size, marked
// device-dependent, whose pixels are 1 (white) where the source pixel's colour
// equals `match` in red, green and blue, and 0 (black) elsewhere; all black
// when `match` is empty.
PixelStorage ColorToMonochrome(const PixelStorage& src, std::optional<ColorRef> match);

}  // namespace raster
