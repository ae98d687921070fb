#include "platform/ousbdrv/plane_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform::ousbdrv {
namespace {

// The host's tables at neutral settings.
int hostLuma(int i)
{
    return std::clamp(static_cast<int>(std::trunc((i - 148) * 1.2)) + 128, 0, 255);
}

int hostDifference(int j)
{
    return std::clamp(static_cast<int>(std::trunc((j - 128) * 1.4)), -128, 127);
}

int roundToInt(double v)
{
    return static_cast<int>(std::lround(v));
}

} // namespace

PlaneEncoder::PlaneEncoder()
{
    for (int target = 0; target < 256; ++target) {
        int best = 0;
        int bestError = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const int error = std::abs(hostLuma(i) - target);
            if (error < bestError) {
                bestError = error;
                best = i;
            }
        }
        lumaByte_[target] = static_cast<std::uint8_t>(best);
    }
    for (int j = 0; j < 256; ++j)
        difference_[j] = hostDifference(j);
    for (int target = -128; target < 128; ++target) {
        int best = 128;
        int bestError = 1 << 30;
        for (int j = 0; j < 256; ++j) {
            const int error = std::abs(difference_[j] - target);
            if (error < bestError) {
                bestError = error;
                best = j;
            }
        }
        differenceByte_[target + 128] = static_cast<std::uint8_t>(best);
    }
}

void PlaneEncoder::encode(const Picture& picture, std::uint8_t* planeA, std::uint8_t* planeB) const
{
    const int w = picture.width;
    for (int row = 0; row < picture.height; ++row) {
        const std::uint8_t* src = picture.pixel(0, row);
        std::uint8_t* a = planeA + static_cast<std::size_t>(row) * w;
        std::uint8_t* b = planeB + static_cast<std::size_t>(row) * w;
        for (int x = 0; x + 1 < w; x += 2, src += 6) {
            double y[2];
            double uSum = 0;
            double vSum = 0;
            for (int k = 0; k < 2; ++k) {
                const double r = src[3 * k], g = src[3 * k + 1], bl = src[3 * k + 2];
                y[k] = 0.3 * r + 0.6 * g + 0.1 * bl;
                uSum += r - y[k];
                vSum += bl - y[k];
            }
            const std::uint8_t c0 = differenceByte_[std::clamp(roundToInt(uSum / 2), -128, 127) + 128];
            const std::uint8_t c1 = differenceByte_[std::clamp(roundToInt(vSum / 2), -128, 127) + 128];
            const int u = difference_[c0];
            const int v = difference_[c1];
            const int gCorr = v / 6 + (u >> 1);
            for (int k = 0; k < 2; ++k) {
                // The y nearest, weighted by luminance, to red - u, green + g, blue - v.
                const double r = src[3 * k], g = src[3 * k + 1], bl = src[3 * k + 2];
                const double target = 0.3 * (r - u) + 0.6 * (g + gCorr) + 0.1 * (bl - v);
                a[x + k] = lumaByte_[std::clamp(roundToInt(target), 0, 255)];
            }
            b[x] = c0;
            b[x + 1] = c1;
        }
    }
}

} // namespace platform::ousbdrv
