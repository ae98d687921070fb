#include "camera/capture/picture_tables.h"

#include <algorithm>
#include <cmath>

namespace lumoset {
namespace {

// The luminance curve pivots on this input value, which maps to mid-grey.
constexpr int kLumaPivot = 148;
constexpr int kLumaMid = 128;
constexpr double kLumaBaseGain = 1.2;
constexpr double kLumaGainPerContrast = 0.05;
constexpr int kLumaShiftPerBrightness = 5;

constexpr int kDiffZero = 128;
constexpr double kDiffBaseGain = 1.4;
constexpr double kDiffGainPerSaturation = 0.1;
constexpr double kHueDegreesPerStep = 3.0;
// The degree-to-radian factor the picture colours were tuned with (slightly
// below pi / 180); kept so hue settings give the same colours as always.
constexpr double kRadiansPerDegree = 0.017453292519444445;

constexpr int kGreenCorrDivisor = 6;

// trunc(x) limited to lo..hi. Works for any finite x, including values far
// outside the int range that out-of-range settings can produce.
int truncLimited(double x, int lo, int hi)
{
    const double t = std::trunc(x);
    if (!(t >= lo))
        return lo;
    if (t > hi)
        return hi;
    return static_cast<int>(t);
}

} // namespace

PictureTables::PictureTables()
{
    for (int v = -128; v <= 127; ++v)
        greenCorr_[static_cast<std::size_t>(v + 128)] =
            static_cast<std::int8_t>(v / kGreenCorrDivisor); // C++ division truncates
    buildPictureTables(*this, 0, 0, 0, 0);
}

void buildPictureTables(PictureTables& tables, int brightness, int contrast, int hue,
                        int saturation)
{
    // Settings are widened to double before any arithmetic so that stored
    // values far outside the slider range cannot overflow.
    const double gain = kLumaBaseGain + kLumaGainPerContrast * contrast;
    const double shift = static_cast<double>(kLumaShiftPerBrightness) * brightness;
    for (int i = 0; i < 256; ++i) {
        const double x = (static_cast<double>(i - kLumaPivot) + shift) * gain;
        tables.luma_[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(truncLimited(std::trunc(x) + kLumaMid, 0, 255));
    }

    const double e = kDiffBaseGain + kDiffGainPerSaturation * saturation;
    const double a = kHueDegreesPerStep * hue * kRadiansPerDegree;
    const double cosA = std::cos(a);
    const double sinA = std::sin(a);
    for (int j = 0; j < 256; ++j) {
        const double s = j - kDiffZero;
        const double se = s * e;
        tables.redDiff_[static_cast<std::size_t>(j)] =
            static_cast<std::int8_t>(truncLimited(se * cosA + se * sinA, -128, 127));
        tables.blueDiff_[static_cast<std::size_t>(j)] =
            static_cast<std::int8_t>(truncLimited(se * cosA - se * sinA, -128, 127));
    }
    tables.rebuildDerived();
}

void PictureTables::rebuildDerived()
{
    auto lane = [](int value, int shift) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(value)) << shift;
    };
    for (std::size_t i = 0; i < 256; ++i) {
        const int biased = luma_[i] ^ 0x80;
        derived_.lumaBiased[i] = static_cast<std::uint8_t>(biased);
        derived_.lumaLanes[i] = lane(biased, 0) | lane(biased, 8) | lane(biased, 16);

        const int u = redDiff_[i];
        const int negHalfU = -(u >> 1); // arithmetic shift: -128 >> 1 == -64
        derived_.negHalfRed[i] = static_cast<std::int8_t>(negHalfU);
        derived_.pairLanes[i] = lane(64 + negHalfU, 8) | lane(128 + u, 16);

        const int v = blueDiff_[i];
        const int negGreenV = -greenCorr(v);
        derived_.negGreenBlue[i] = static_cast<std::int8_t>(negGreenV);
        derived_.pairLanes[256 + i] = lane(128 + v, 0) | lane(21 + negGreenV, 8);
    }
}

} // namespace lumoset
