// System colours: a fixed table of the host's classic colour scheme, and the
// resolution of the colour forms used by pens, brushes and text.
#pragma once
#include "platform/raster/colour.h"

namespace raster {

// The colour of system colour `index` (0..30); other indices give black.
ColorRef GetSysColor(int index);

// Resolves a colour value as applying a pen, brush or font does: a negative
// value names the system colour of its low byte; anything else passes
// unchanged (palette forms included).
ColorRef ResolveColor(ColorRef c);

// The device's reading of a resolved colour value: a palette index (form 1)
// names one of the 20 static colours (entry 0 past them); other forms give
// their red, green and blue bytes.
ColorRef DeviceColor(ColorRef c);

}  // namespace raster
