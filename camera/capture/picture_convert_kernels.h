#pragma once
// Entry points of the processor-specific conversion paths. Each lives in a
// translation unit of its own compiled for that instruction set, so this
// header holds plain data only: no inline code that a wider-instruction unit
// could emit for the rest of the program to pick up.

#include <cstddef>
#include <cstdint>

namespace lumoset::detail {

struct KernelTables {
    const std::uint8_t* luma;          // lumaTable
    const std::uint8_t* lumaBiased;    // lumaTable ^ 0x80
    const std::int8_t* redDiff;        // u by C0
    const std::int8_t* blueDiff;       // v by C1
    const std::int8_t* negHalfRed;     // -(u >> 1) by C0
    const std::int8_t* negGreenBlue;   // -greenCorr(v) by C1
    const std::uint32_t* lumaLanes;    // see PictureTables::Derived
    const std::uint32_t* pairLanes;
    std::uint32_t pairLanesBias;
};

// One frame, already validated: width >= 1 (even for colour), height >= 1,
// planes of width x height bytes, output rows of outStride bytes written
// bottom-up; the padding at the end of each row is written as zero.
struct FrameJob {
    const std::uint8_t* planeA;
    const std::uint8_t* planeB;
    std::uint8_t* out;
    std::size_t outStride;
    int width;
    int height;
};

void convertColourAvx2(const KernelTables& tables, const FrameJob& job);
void convertColourAvx512Vbmi(const KernelTables& tables, const FrameJob& job);
void convertGreyAvx512Vbmi(const KernelTables& tables, const FrameJob& job);

} // namespace lumoset::detail
