#pragma once
// Context help of the main window: which help topics a click in help mode
// asks for, and which help file holds them.
//
// The window is mapped as rectangles, each with the context id of its help
// topic, in three groups: the settings drawer (only while it is open), the
// window body (always) and the video album panel (only while it is open).
// With the video album panel open the drawer and body groups lie 84 pixels
// further right, as the window's contents do.

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace lumoset {

struct HelpRect {
    int left;
    int top;
    int right;
    int bottom;
    int contextId;
    // Inside, with right and bottom excluded as for window rectangles.
    constexpr bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

enum class HelpGroup { Drawer, Body, VideoAlbum };

std::span<const HelpRect> helpRectangles(HelpGroup group);

inline constexpr int kHelpGroupShift = 84;
inline constexpr int kContextPreview = 3;

// The context ids of every rectangle holding (x, y), in the order their
// topics are opened: drawer group (only with the drawer open), body group,
// then the video album group (only with that panel open).
std::vector<int> contextHelpTopics(int x, int y, bool drawerOpen, bool videoAlbumOpen);

// Help file letters by language index, from "ADFIENJ".
inline constexpr const char* kHelpFileLetters = "ADFIENJ";
inline constexpr int kEnglishLanguageIndex = 0;

// "<programFolder>Lumoset<letter>.hlp" for the language, or the English file
// when that one does not exist. `programFolder` ends with '/'. A language
// index outside the letters falls back to English.
std::string helpFileName(const std::string& programFolder, int languageIndex,
                         const std::function<bool(const std::string&)>& fileExists);

} // namespace lumoset
