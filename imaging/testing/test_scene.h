#pragma once
// A picture like a camera photo, for the imaging tests and benchmark.

#include "imaging/bitmap.h"

namespace imaging::testing {

// Smooth shading, hard-edged shapes in several colours and a little sensor
// noise. Deterministic for a given size. 24-bit pictures are stored as
// allocate() leaves them (bottom-up, BGR).
Bitmap makeScene(int width, int height, int bitsPerPixel);

}  // namespace imaging::testing
