// Internal to the 2D engine: the generic per-pixel operations every layout's
// reference table is made of.  They address pixels by bit position from the
// table's bits per pixel and map colours through the palette or the channel
// masks, one pixel at a time: slow and obviously right, the measure of every
// fast table (see FormatOps for what each does).
#pragma once
#include "platform/raster/pixel_storage.h"

namespace raster::generic {

uint32_t GetBits(const PixelStorage& s, int x, int y);
void SetBits(PixelStorage& s, int x, int y, uint32_t bits);
ColorRef BitsToColor(const PixelStorage& s, uint32_t bits);
uint32_t ColorToBits(const PixelStorage& s, ColorRef rgb);
void FillSpan(PixelStorage& s, int y, int x0, int x1, uint32_t bits);
void CopyPixels(const PixelStorage& src, int sx, int sy, PixelStorage& dst, int dx, int dy, int n);
void PickPixels(const PixelStorage& src, int sy, const int* columns, int n, PixelStorage& dst, int dx,
                int dy);
void SolidLine(PixelStorage& s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t bits);
void BlitCoverage(PixelStorage& s, const CoverageSpan& span, ColorRef rgb);
void MarkColorRow(const PixelStorage& s, int y, ColorRef rgb, uint8_t* mono_row);
void PrepareNothing(const PixelStorage& s, RowTables& tables);
const uint8_t* FetchBgr(const PixelStorage& s, const RowTables& tables, int y, uint8_t* scratch);
void StoreBgr(PixelStorage& s, RowTables& tables, int y, const uint8_t* bgr);

}  // namespace raster::generic
