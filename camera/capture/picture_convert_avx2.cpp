// Conversion with AVX2, eight pixels at a time. AVX2 has no byte permute wide
// enough for a 256-entry table and its gathers are slow on many processors,
// so the tables are read by plain loads: a 32-bit word per pixel whose byte
// lanes are already blue, green, red, and one per pixel pair. The vector part
// limits, orders and stores the colours. Built with -mavx2; only called when
// the processor has it.

#include "camera/capture/picture_convert_kernels.h"

#include <immintrin.h>

namespace lumoset::detail {
namespace {

inline std::uint8_t limit8(int x)
{
    return static_cast<std::uint8_t>(x < 0 ? 0 : x > 255 ? 255 : x);
}

// The pixel pair at x, for the columns the vector loop leaves over.
inline void convertPair(const KernelTables& t, const std::uint8_t* y, const std::uint8_t* c,
                        std::uint8_t* out)
{
    const int u = t.redDiff[c[0]];
    const int v = t.blueDiff[c[1]];
    const int negG = t.negHalfRed[c[0]] + t.negGreenBlue[c[1]];
    for (int p = 0; p < 2; ++p, out += 3) {
        const int l = t.luma[y[p]];
        out[0] = limit8(l + v);
        out[1] = limit8(l + negG);
        out[2] = limit8(l + u);
    }
}

} // namespace

void convertColourAvx2(const KernelTables& tables, const FrameJob& job)
{
    const __m256i pairBias = _mm256_set1_epi32(static_cast<int>(tables.pairLanesBias));
    const __m256i lumaBias = _mm256_set1_epi32(0x00808080);
    const __m256i bothPixels = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    // Drop the fourth byte of every pixel: 12 bytes at the start of each half.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i joinHalves = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);

    const unsigned width = static_cast<unsigned>(job.width);
    for (int row = 0; row < job.height; ++row) {
        const std::size_t source = static_cast<std::size_t>(job.height - 1 - row) * width;
        const std::uint8_t* ya = job.planeA + source;
        const std::uint8_t* cb = job.planeB + source;
        std::uint8_t* out = job.out + static_cast<std::size_t>(row) * job.outStride;

        unsigned x = 0;
        for (; x + 8 <= width; x += 8, out += 24) {
            const std::uint8_t* y = ya + x;
            const std::uint8_t* c = cb + x;
            const std::uint32_t* lanes = tables.lumaLanes;
            const __m256i l = _mm256_setr_epi32(
                static_cast<int>(lanes[y[0]]), static_cast<int>(lanes[y[1]]),
                static_cast<int>(lanes[y[2]]), static_cast<int>(lanes[y[3]]),
                static_cast<int>(lanes[y[4]]), static_cast<int>(lanes[y[5]]),
                static_cast<int>(lanes[y[6]]), static_cast<int>(lanes[y[7]]));
            // The two halves' lanes are biased so that their sum never carries.
            const std::uint32_t* pair = tables.pairLanes;
            const __m128i p = _mm_setr_epi32(static_cast<int>(pair[c[0]] + pair[256 + c[1]]),
                                             static_cast<int>(pair[c[2]] + pair[256 + c[3]]),
                                             static_cast<int>(pair[c[4]] + pair[256 + c[5]]),
                                             static_cast<int>(pair[c[6]] + pair[256 + c[7]]));
            // (v, -g, u) of each pixel's pair
            const __m256i diff = _mm256_sub_epi8(
                _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(p), bothPixels), pairBias);
            // (l - 128) + d saturated to -128..127, plus 128: l + d limited to 0..255
            const __m256i bgr = _mm256_xor_si256(_mm256_adds_epi8(l, diff), lumaBias);
            const __m256i packed =
                _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(bgr, pack), joinHalves);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm256_extracti128_si256(packed, 1));
        }
        for (; x < width; x += 2, out += 6)
            convertPair(tables, ya + x, cb + x, out);
    }
}

} // namespace lumoset::detail
