#pragma once
// Reduces a picture to 256 colours or fewer (median cut over the colours
// that occur, weighted by how often), for the 8-bit skin bitmaps.

#include <QImage>

namespace skingen {

QImage toIndexed8(const QImage& image);

} // namespace skingen
