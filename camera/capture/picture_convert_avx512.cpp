// Conversion with AVX-512 VBMI byte permutes: a 256-entry table lives in four
// registers and is read for 64 bytes at once by two two-register permutes and
// a blend on the index's top bit. Built with -mavx512f -mavx512bw
// -mavx512vbmi; only called when the processor has them.

#include "camera/capture/picture_convert_kernels.h"

#include <immintrin.h>

namespace lumoset::detail {
namespace {

struct Table256 {
    __m512i q0, q1, q2, q3;
};

inline Table256 loadTable(const void* table)
{
    const auto* p = static_cast<const __m512i*>(table);
    return Table256{_mm512_loadu_si512(p), _mm512_loadu_si512(p + 1), _mm512_loadu_si512(p + 2),
                    _mm512_loadu_si512(p + 3)};
}

// table[index] for 64 indices; `high` holds the indices' top bits.
inline __m512i lookup(const Table256& t, __m512i index, __mmask64 high)
{
    const __m512i lo = _mm512_permutex2var_epi8(t.q0, index, t.q1);
    const __m512i hi = _mm512_permutex2var_epi8(t.q2, index, t.q3);
    return _mm512_mask_blend_epi8(high, lo, hi);
}

inline __m512i lookup(const Table256& t, __m512i index)
{
    return lookup(t, index, _mm512_movepi8_mask(index));
}

// Byte shuffles and the planar-to-interleaved permutes, made at compile time.
struct Patterns {
    alignas(64) unsigned char evenPair[64]; // within each 16 bytes: 0,0,2,2,...,14,14
    alignas(64) unsigned char oddPair[64];  // 1,1,3,3,...,15,15
    // Output vector j of 64 bytes holds pixels 64j/3 onwards as blue, green,
    // red: blueGreen[j] picks blue (0..63) and green (64..127) bytes, red[j]
    // the red bytes at the positions in redLanes[j].
    alignas(64) unsigned char blueGreen[3][64];
    alignas(64) unsigned char red[3][64];
    unsigned long long redLanes[3];
};

constexpr Patterns makePatterns()
{
    Patterns p{};
    for (int i = 0; i < 64; ++i) {
        p.evenPair[i] = static_cast<unsigned char>(i & 14);
        p.oddPair[i] = static_cast<unsigned char>((i & 14) + 1);
    }
    for (int j = 0; j < 3; ++j) {
        p.redLanes[j] = 0;
        for (int lane = 0; lane < 64; ++lane) {
            const int byte = 64 * j + lane;
            const int pixel = byte / 3;
            switch (byte % 3) {
            case 0: p.blueGreen[j][lane] = static_cast<unsigned char>(pixel); break;
            case 1: p.blueGreen[j][lane] = static_cast<unsigned char>(64 + pixel); break;
            default:
                p.red[j][lane] = static_cast<unsigned char>(pixel);
                p.redLanes[j] |= 1ULL << lane;
                break;
            }
        }
    }
    return p;
}

constexpr Patterns kPatterns = makePatterns();

inline __m512i loadPattern(const unsigned char* p)
{
    return _mm512_load_si512(static_cast<const void*>(p));
}

// Lanes 0 .. n - 1 for n in 0..64.
inline __mmask64 firstLanes(unsigned n)
{
    return n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
}

} // namespace

void convertColourAvx512Vbmi(const KernelTables& tables, const FrameJob& job)
{
    const Table256 luma = loadTable(tables.lumaBiased);
    const Table256 red = loadTable(tables.redDiff);
    const Table256 negHalfRed = loadTable(tables.negHalfRed);
    const Table256 blue = loadTable(tables.blueDiff);
    const Table256 negGreenBlue = loadTable(tables.negGreenBlue);
    const __m512i evenPair = loadPattern(kPatterns.evenPair);
    const __m512i oddPair = loadPattern(kPatterns.oddPair);
    const __m512i bias = _mm512_set1_epi8(static_cast<char>(0x80));
    const __m512i bg0 = loadPattern(kPatterns.blueGreen[0]);
    const __m512i bg1 = loadPattern(kPatterns.blueGreen[1]);
    const __m512i bg2 = loadPattern(kPatterns.blueGreen[2]);
    const __m512i r0 = loadPattern(kPatterns.red[0]);
    const __m512i r1 = loadPattern(kPatterns.red[1]);
    const __m512i r2 = loadPattern(kPatterns.red[2]);

    const unsigned width = static_cast<unsigned>(job.width);
    for (int row = 0; row < job.height; ++row) {
        const std::size_t source = static_cast<std::size_t>(job.height - 1 - row) * width;
        const std::uint8_t* ya = job.planeA + source;
        const std::uint8_t* cb = job.planeB + source;
        std::uint8_t* out = job.out + static_cast<std::size_t>(row) * job.outStride;

        for (unsigned x = 0; x < width; x += 64, out += 192) {
            const unsigned n = width - x < 64 ? width - x : 64; // even
            const bool whole = n == 64;
            const __mmask64 inLanes = firstLanes(n);
            const __m512i y = whole ? _mm512_loadu_si512(ya + x) : _mm512_maskz_loadu_epi8(inLanes, ya + x);
            const __m512i c = whole ? _mm512_loadu_si512(cb + x) : _mm512_maskz_loadu_epi8(inLanes, cb + x);

            // Each pixel gets its pair's C0 and C1.
            const __m512i c0 = _mm512_shuffle_epi8(c, evenPair);
            const __m512i c1 = _mm512_shuffle_epi8(c, oddPair);
            const __mmask64 c0High = _mm512_movepi8_mask(c0);
            const __mmask64 c1High = _mm512_movepi8_mask(c1);

            const __m512i l = lookup(luma, y); // biased: luma - 128 as signed
            const __m512i u = lookup(red, c0, c0High);
            const __m512i v = lookup(blue, c1, c1High);
            // -g = -(u >> 1) - greenCorr(v), always within -84..85
            const __m512i negG = _mm512_add_epi8(lookup(negHalfRed, c0, c0High),
                                                 lookup(negGreenBlue, c1, c1High));

            // (l - 128) + d saturated to -128..127, plus 128: l + d limited to 0..255
            const __m512i b = _mm512_xor_si512(_mm512_adds_epi8(l, v), bias);
            const __m512i g = _mm512_xor_si512(_mm512_adds_epi8(l, negG), bias);
            const __m512i r = _mm512_xor_si512(_mm512_adds_epi8(l, u), bias);

            const __m512i o0 = _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(b, bg0, g),
                                                            kPatterns.redLanes[0], r0, r);
            const __m512i o1 = _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(b, bg1, g),
                                                            kPatterns.redLanes[1], r1, r);
            const __m512i o2 = _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(b, bg2, g),
                                                            kPatterns.redLanes[2], r2, r);
            if (whole) {
                _mm512_storeu_si512(out, o0);
                _mm512_storeu_si512(out + 64, o1);
                _mm512_storeu_si512(out + 128, o2);
            } else {
                const unsigned bytes = 3 * n;
                _mm512_mask_storeu_epi8(out, firstLanes(bytes), o0);
                if (bytes > 64)
                    _mm512_mask_storeu_epi8(out + 64, firstLanes(bytes - 64), o1);
                if (bytes > 128)
                    _mm512_mask_storeu_epi8(out + 128, firstLanes(bytes - 128), o2);
            }
        }
    }
}

void convertGreyAvx512Vbmi(const KernelTables& tables, const FrameJob& job)
{
    const Table256 luma = loadTable(tables.luma);
    const unsigned width = static_cast<unsigned>(job.width);
    for (int row = 0; row < job.height; ++row) {
        const std::uint8_t* ya = job.planeA + static_cast<std::size_t>(job.height - 1 - row) * width;
        std::uint8_t* out = job.out + static_cast<std::size_t>(row) * job.outStride;
        for (unsigned x = 0; x < width; x += 64) {
            const unsigned n = width - x < 64 ? width - x : 64;
            if (n == 64) {
                _mm512_storeu_si512(out + x, lookup(luma, _mm512_loadu_si512(ya + x)));
            } else {
                const __mmask64 lanes = firstLanes(n);
                _mm512_mask_storeu_epi8(out + x, lanes,
                                        lookup(luma, _mm512_maskz_loadu_epi8(lanes, ya + x)));
            }
        }
    }
}

} // namespace lumoset::detail
