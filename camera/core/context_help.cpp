#include "camera/core/context_help.h"

#include <cstring>

namespace lumoset {

namespace {

constexpr HelpRect kDrawerGroup[] = {
    {20, 394, 110, 406, 12},  // hue slider
    {37, 419, 127, 431, 13},  // saturation slider
    {131, 399, 221, 411, 14}, // brightness slider
    {147, 425, 237, 437, 15}, // contrast slider
    {262, 407, 380, 420, 7},  // quality row
    {262, 429, 298, 442, 35}, // exposure key
    {408, 397, 430, 413, 16}, // reset
    {396, 420, 432, 439, 17}, // advanced settings
};

constexpr HelpRect kBodyGroup[] = {
    {0, 16, 22, 40, 20},     // open video album
    {420, 16, 441, 40, 21},  // open photo album
    {61, 33, 381, 273, kContextPreview},
    {33, 317, 105, 343, 11}, // exit
    {155, 277, 180, 329, 4}, // zoom
    {206, 278, 232, 332, 5}, // view size
    {260, 279, 284, 328, 6}, // colour mode
    {212, 347, 265, 375, 36},// stop
    {266, 336, 328, 376, 8}, // record
    {329, 318, 383, 371, 9}, // take picture
    {384, 304, 428, 354, 10},// print
    {502, 16, 525, 40, 23},  // close photo album
    {473, 50, 493, 66, 34},  // photo album scroll up
    {449, 74, 518, 345, 19}, // photo album
    {473, 354, 493, 369, 26},// photo album scroll down
    {494, 409, 516, 424, 28},// photo mode mark
    {474, 435, 515, 443, 32},// photo size mark
};

constexpr HelpRect kVideoAlbumGroup[] = {
    {0, 16, 22, 40, 22},     // close video album
    {32, 51, 51, 66, 24},    // video album scroll up
    {7, 74, 76, 345, 18},    // video album
    {32, 354, 51, 369, 25},  // video album scroll down
    {11, 411, 41, 428, 27},  // recording mode mark
    {11, 386, 50, 402, 33},  // sound mark
    {11, 437, 52, 445, 31},  // video size mark
};

void collect(std::vector<int>& topics, HelpGroup group, int x, int y, int shift)
{
    for (const HelpRect& r : helpRectangles(group))
        if (r.contains(x - shift, y))
            topics.push_back(r.contextId);
}

} // namespace

std::span<const HelpRect> helpRectangles(HelpGroup group)
{
    switch (group) {
    case HelpGroup::Drawer:
        return kDrawerGroup;
    case HelpGroup::Body:
        return kBodyGroup;
    case HelpGroup::VideoAlbum:
        break;
    }
    return kVideoAlbumGroup;
}

std::vector<int> contextHelpTopics(int x, int y, bool drawerOpen, bool videoAlbumOpen)
{
    std::vector<int> topics;
    const int shift = videoAlbumOpen ? kHelpGroupShift : 0;
    if (drawerOpen)
        collect(topics, HelpGroup::Drawer, x, y, shift);
    collect(topics, HelpGroup::Body, x, y, shift);
    if (videoAlbumOpen)
        collect(topics, HelpGroup::VideoAlbum, x, y, 0);
    return topics;
}

std::string helpFileName(const std::string& programFolder, int languageIndex,
                         const std::function<bool(const std::string&)>& fileExists)
{
    const auto nameFor = [&](char letter) {
        return programFolder + "Lumoset" + letter + ".hlp";
    };
    const int letters = static_cast<int>(std::strlen(kHelpFileLetters));
    const char letter = languageIndex >= 0 && languageIndex < letters
                            ? kHelpFileLetters[languageIndex]
                            : kHelpFileLetters[kEnglishLanguageIndex];
    std::string name = nameFor(letter);
    if (!fileExists(name))
        name = nameFor(kHelpFileLetters[kEnglishLanguageIndex]);
    return name;
}

} // namespace lumoset
