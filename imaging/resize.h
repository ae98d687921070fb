#pragma once
// Operation "resize": the bitmap holds its picture at the new size afterwards.
//
// Each direction is scaled on its own: shrinking averages the area each new
// pixel covers (so 640 x 480 thumbnails of 60 x 45 keep fine detail as its
// mean instead of aliasing), enlarging interpolates linearly between the two
// nearest pixel centres, and an unchanged direction is copied exactly.
// An 8-bit picture with a coloured palette is resampled by nearest pixel,
// since averaging palette indices would mix unrelated colours.

#include "imaging/bitmap.h"

namespace imaging {

Status resize(Bitmap& bitmap, int newWidth, int newHeight);

}  // namespace imaging
