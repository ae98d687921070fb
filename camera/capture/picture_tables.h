#pragma once
// The picture tables every camera frame passes through: luminance (brightness
// and contrast), the two colour-difference tables (hue and saturation) and the
// green correction. Floating point is used only here, when the tables are
// rebuilt; converting a frame is table lookups and integer arithmetic.

#include <array>
#include <cstdint>

namespace lumoset {

class PictureTables {
public:
    // greenCorrTable is made here, once; the other tables start at zero
    // settings.
    PictureTables();

    // entry i of the luminance table, 0..255
    const std::array<std::uint8_t, 256>& lumaTable() const { return luma_; }
    // entry j of the colour-difference tables, -128..127
    const std::array<std::int8_t, 256>& redDiffTable() const { return redDiff_; }
    const std::array<std::int8_t, 256>& blueDiffTable() const { return blueDiff_; }
    // The green correction for a difference v in -128..127 (trunc(v / 6)).
    int greenCorr(int v) const { return greenCorr_[static_cast<std::uint8_t>(v + 128)]; }

    // Tables derived from the ones above for the fast conversion paths; they
    // are rebuilt together with them, so every path sees the same values.
    struct Derived {
        alignas(64) std::array<std::uint8_t, 256> lumaBiased;  // lumaTable[i] ^ 0x80
        alignas(64) std::array<std::int8_t, 256> negHalfRed;   // -(redDiffTable[j] >> 1)
        alignas(64) std::array<std::int8_t, 256> negGreenBlue; // -greenCorr(blueDiffTable[j])
        // 32-bit words of (blue, green, red, -) byte lanes. lumaLanes[i] holds
        // lumaTable[i] ^ 0x80 in all three lanes. pairLanes[c0] holds
        // (0, 64 - (u >> 1), 128 + u) and pairLanes[256 + c1] holds
        // (128 + v, 21 - greenCorr(v), 0): every lane is 0..255 and their sum
        // is the pair's (v, -g, u) plus kPairLanesBias, without carries.
        alignas(64) std::array<std::uint32_t, 256> lumaLanes;
        alignas(64) std::array<std::uint32_t, 512> pairLanes;
    };
    static constexpr std::uint32_t kPairLanesBias = 0x00805580; // 128, 85, 128
    const Derived& derived() const { return derived_; }

private:
    friend void buildPictureTables(PictureTables&, int, int, int, int);
    void rebuildDerived();

    alignas(64) std::array<std::uint8_t, 256> luma_{};
    alignas(64) std::array<std::int8_t, 256> redDiff_{};
    alignas(64) std::array<std::int8_t, 256> blueDiff_{};
    std::array<std::int8_t, 256> greenCorr_{}; // index v + 128
    Derived derived_{};
};

// Rebuilds lumaTable, then redDiffTable and blueDiffTable, from the four
// adjustments (the sliders give -10..10; any value is accepted and every
// entry is limited to its range):
//   lumaTable[i] = trunc((i - 148 + 5 brightness) (1.2 + 0.05 contrast)) + 128
//   with s = j - 128, e = 1.4 + 0.1 saturation, a = 3 hue degrees,
//   redDiffTable[j]  = trunc(s e cos a + s e sin a)
//   blueDiffTable[j] = trunc(s e cos a - s e sin a)
// trunc cuts toward zero.
void buildPictureTables(PictureTables& tables, int brightness, int contrast, int hue,
                        int saturation);

} // namespace lumoset
