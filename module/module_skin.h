#pragma once
// The module's skin art, compiled into the library under :/ostrel2/: the
// numbered bitmaps, the slider thumb, cursors 219 and 220 and icon 1261.
// Loaded on first use and kept until the library ends.

#include <QCursor>
#include <QIcon>
#include <QImage>

namespace ostrel2 {

inline constexpr int kDrawerCursorId = 219;
inline constexpr int kHelpCursorId = 220;
inline constexpr int kFrameIconId = 1261;

// A numbered skin bitmap; a null image when the library has none.
const QImage& moduleBitmap(int id);
// The slider thumb icon's picture (23 x 11 with transparency); null when missing.
const QImage& sliderThumbImage();
// Cursor 219 or 220 with its hot spot; the arrow when missing.
QCursor moduleCursor(int id);
QIcon moduleIcon();
// Drops every loaded picture (the library is ending).
void releaseModuleSkin();

} // namespace ostrel2
