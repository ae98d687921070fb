#pragma once
// The camera program's skin art, compiled into the program: bitmaps,
// cursors and icons looked up by their resource names (upper case; button
// bitmaps end in U, D or X: "CLOSEU"), numbered ones by their number
// ("296").

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <optional>
#include <string_view>

namespace lumoset {

// The slider thumb's icon.
inline constexpr std::string_view kThumbIcon = "296";
// The program icon (with a 16 x 16 variant "MAINFRAME_16").
inline constexpr std::string_view kProgramIcon = "MAINFRAME";
// Cursor over the settings drawer's handle, and the help-mode cursor.
inline constexpr std::string_view kDrawerCursor = "CUR_OPENSET";
inline constexpr std::string_view kHelpCursor = "CUR_HELP";

// A skin bitmap as stored (8-bit with a palette or 24-bit); a null image
// when the name is unknown.
QImage loadSkinBitmap(std::string_view name);

// An icon's picture at its stored size (32 x 32 with transparency); null
// when unknown.
QImage loadSkinIconImage(std::string_view name);

// The icon with every size stored for it; null when unknown.
QIcon loadSkinIcon(std::string_view name);

// A cursor with its hot spot; nothing when unknown.
std::optional<QCursor> loadSkinCursor(std::string_view name);

} // namespace lumoset
