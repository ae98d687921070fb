#include "platform/vfw/driver/hand_over.h"

#include "platform/profile/profile.h"

#include <array>
#include <utility>

namespace vdocap {

namespace {

constexpr std::array<std::pair<int, int>, 4> kVideoSizes{{{160, 120}, {176, 144}, {320, 240}, {352, 288}}};
constexpr int kMaxFrameRate = 1000;

int readInt(std::string_view key, int fallback)
{
    return platform::profile::getPrivateProfileInt(kHandOverSection, key, fallback, kSettingsFile);
}

} // namespace

HandOver readHandOver()
{
    HandOver h;
    h.colour = readInt("Color", 1) != 0;
    h.zoomed = readInt("Zoom", 0) != 0;
    const int quality = readInt("Quality", 1);
    h.quality = quality >= 0 && quality <= 2 ? quality : 1;
    const int width = readInt("Width", 160);
    const int height = readInt("Height", 120);
    for (const auto& [w, hh] : kVideoSizes) {
        if (w == width && hh == height) {
            h.width = w;
            h.height = hh;
        }
    }
    const int rate = readInt("FrameRate", 0);
    h.frameRate = rate > 0 && rate <= kMaxFrameRate ? rate : 0;
    const int frames = readInt("Frames", 0);
    h.frames = frames > 0 ? frames : 0;
    return h;
}

bool runSignal()
{
    return platform::profile::getPrivateProfileString(kHandOverSection, "STOP", "1", kSettingsFile, 8) != "0";
}

} // namespace vdocap
