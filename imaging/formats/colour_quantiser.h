#pragma once
// Reduces a colour picture to at most 256 colours for GIF.
//
// A picture that already has 256 colours or fewer keeps them exactly.
// Otherwise the palette comes from Wu's variance-minimising cut of the colour
// histogram (boxes of the RGB cube split where the summed squared error drops
// most), and pixels are mapped with serpentine Floyd-Steinberg error
// diffusion, so smooth gradients do not band.

#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/formats/picture.h"

namespace imaging::formats {

struct QuantisedPicture {
  Palette palette{};
  int colours = 0;                    // entries of the palette in use
  std::vector<std::uint8_t> indices;  // width x height, top line first
  bool exact = false;                 // every pixel kept its colour
};

// `maxColours` between 2 and 256.
QuantisedPicture quantise(const Picture& picture, int maxColours = 256);

// The picture's own colours when it has at most `maxColours` of them (in the
// order they first appear); false, as soon as there are more.
bool exactPalette(const Picture& picture, int maxColours, QuantisedPicture& result);

}  // namespace imaging::formats
