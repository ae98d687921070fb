// Conversion with AVX2: eight pixels at a time, every table read by a gather
// of 32-bit words whose byte lanes are already blue, green, red, so one
// saturating byte add per pixel gives the finished colour. Built with -mavx2;
// only called when the processor has it.

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
    const int* lumaLanes = reinterpret_cast<const int*>(tables.lumaLanes);
    const int* pairLanes = reinterpret_cast<const int*>(tables.pairLanes);
    // C1 bytes read the second half of pairLanes.
    const __m256i secondOfPair = _mm256_setr_epi32(0, 256, 0, 256, 0, 256, 0, 256);
    const __m256i bias = _mm256_set1_epi32(0x00808080);
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
            const __m256i yIndex = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(ya + x)));
            const __m256i cIndex = _mm256_add_epi32(
                _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + x))), secondOfPair);
            const __m256i l = _mm256_i32gather_epi32(lumaLanes, yIndex, 4);
            const __m256i halves = _mm256_i32gather_epi32(pairLanes, cIndex, 4);
            // (v, -g, u) of each pair in the low word of its 64 bits, then given
            // to both pixels.
            const __m256i pair = _mm256_add_epi8(halves, _mm256_srli_epi64(halves, 32));
            const __m256i diff = _mm256_shuffle_epi32(pair, _MM_SHUFFLE(2, 2, 0, 0));
            const __m256i bgr = _mm256_xor_si256(_mm256_adds_epi8(l, diff), bias);
            const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(bgr, pack), joinHalves);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm256_extracti128_si256(packed, 1));
        }
        for (; x < width; x += 2, out += 6)
            convertPair(tables, ya + x, cb + x, out);
    }
}

} // namespace lumoset::detail
