#include "camera/capture/picture_convert.h"

#include "camera/capture/picture_convert_kernels.h"

#include <cstdint>
#include <cstring>

namespace lumoset {
namespace {

using detail::FrameJob;
using detail::KernelTables;

std::uint8_t limit8(int x)
{
    return static_cast<std::uint8_t>(x < 0 ? 0 : x > 255 ? 255 : x);
}

void convertColourPortable(const PictureTables& tables, const FrameJob& job)
{
    const auto& luma = tables.lumaTable();
    const auto& redDiff = tables.redDiffTable();
    const auto& blueDiff = tables.blueDiffTable();
    const std::size_t width = static_cast<std::size_t>(job.width);
    for (int r = 0; r < job.height; ++r) {
        const std::size_t sourceRow = static_cast<std::size_t>(job.height - 1 - r);
        const std::uint8_t* y = job.planeA + sourceRow * width;
        const std::uint8_t* c = job.planeB + sourceRow * width;
        std::uint8_t* o = job.out + static_cast<std::size_t>(r) * job.outStride;
        for (std::size_t x = 0; x < width; x += 2) {
            const int u = redDiff[c[x]];
            const int v = blueDiff[c[x + 1]];
            const int g = tables.greenCorr(v) + (u >> 1);
            for (std::size_t p = x; p < x + 2; ++p) {
                const int l = luma[y[p]];
                o[0] = limit8(l + v);
                o[1] = limit8(l - g);
                o[2] = limit8(l + u);
                o += 3;
            }
        }
    }
}

void convertGreyPortable(const PictureTables& tables, const FrameJob& job)
{
    const auto& luma = tables.lumaTable();
    const std::size_t width = static_cast<std::size_t>(job.width);
    for (int r = 0; r < job.height; ++r) {
        const std::uint8_t* y = job.planeA + static_cast<std::size_t>(job.height - 1 - r) * width;
        std::uint8_t* o = job.out + static_cast<std::size_t>(r) * job.outStride;
        for (std::size_t x = 0; x < width; ++x)
            o[x] = luma[y[x]];
    }
}

KernelTables kernelTables(const PictureTables& tables)
{
    const PictureTables::Derived& d = tables.derived();
    return KernelTables{tables.lumaTable().data(),  d.lumaBiased.data(),
                        tables.redDiffTable().data(), tables.blueDiffTable().data(),
                        d.negHalfRed.data(),          d.negGreenBlue.data(),
                        d.lumaLanes.data(),           d.pairLanes.data(),
                        PictureTables::kPairLanesBias};
}

bool sizeConvertible(int width, int height)
{
    return width >= 1 && height >= 1 && width <= kMaxFrameDimension &&
           height <= kMaxFrameDimension;
}

void zeroRowPadding(const FrameJob& job, std::size_t pixelBytes)
{
    if (job.outStride == pixelBytes)
        return;
    for (int r = 0; r < job.height; ++r)
        std::memset(job.out + static_cast<std::size_t>(r) * job.outStride + pixelBytes, 0,
                    job.outStride - pixelBytes);
}

struct CpuPaths {
    bool avx2 = false;
    bool avx512Vbmi = false;
};

const CpuPaths& cpuPaths()
{
    static const CpuPaths paths = [] {
        CpuPaths p;
#if defined(LUMO_X86_KERNELS)
        __builtin_cpu_init();
        p.avx2 = __builtin_cpu_supports("avx2");
        p.avx512Vbmi = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                       __builtin_cpu_supports("avx512vbmi");
#endif
        return p;
    }();
    return paths;
}

bool overlaps(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    const auto addr = [](const std::uint8_t* p) { return reinterpret_cast<std::uintptr_t>(p); };
    return !a.empty() && !b.empty() && addr(a.data()) < addr(b.data()) + b.size() &&
           addr(b.data()) < addr(a.data()) + a.size();
}

bool runColour(ConvertPath path, const PictureTables& tables, const FrameJob& job)
{
    switch (path) {
    case ConvertPath::Portable:
        convertColourPortable(tables, job);
        return true;
#if defined(LUMO_X86_KERNELS)
    case ConvertPath::Avx2:
        detail::convertColourAvx2(kernelTables(tables), job);
        return true;
    case ConvertPath::Avx512Vbmi:
        detail::convertColourAvx512Vbmi(kernelTables(tables), job);
        return true;
#else
    default:
        break;
#endif
    }
    return false;
}

bool runGrey(ConvertPath path, const PictureTables& tables, const FrameJob& job)
{
    switch (path) {
    case ConvertPath::Portable:
    case ConvertPath::Avx2: // a byte lookup per pixel is all there is to it
        convertGreyPortable(tables, job);
        return true;
#if defined(LUMO_X86_KERNELS)
    case ConvertPath::Avx512Vbmi:
        detail::convertGreyAvx512Vbmi(kernelTables(tables), job);
        return true;
#else
    default:
        break;
#endif
    }
    return false;
}

} // namespace

std::size_t dibRowBytes(int width, int bitsPerPixel)
{
    if (width < 1 || width > kMaxFrameDimension ||
        (bitsPerPixel != kColourBitsPerPixel && bitsPerPixel != kGreyBitsPerPixel))
        return 0;
    const std::size_t bytes = static_cast<std::size_t>(width) * (bitsPerPixel / 8);
    return (bytes + 3) & ~std::size_t{3};
}

const char* convertPathName(ConvertPath path)
{
    switch (path) {
    case ConvertPath::Portable: return "portable";
    case ConvertPath::Avx2: return "avx2";
    case ConvertPath::Avx512Vbmi: return "avx512vbmi";
    }
    return "?";
}

bool convertPathSupported(ConvertPath path)
{
    switch (path) {
    case ConvertPath::Portable: return true;
    case ConvertPath::Avx2: return cpuPaths().avx2;
    case ConvertPath::Avx512Vbmi: return cpuPaths().avx512Vbmi;
    }
    return false;
}

std::vector<ConvertPath> supportedConvertPaths()
{
    std::vector<ConvertPath> paths;
    for (ConvertPath p : {ConvertPath::Portable, ConvertPath::Avx2, ConvertPath::Avx512Vbmi})
        if (convertPathSupported(p))
            paths.push_back(p);
    return paths;
}

ConvertPath activeConvertPath()
{
    if (cpuPaths().avx512Vbmi)
        return ConvertPath::Avx512Vbmi;
    if (cpuPaths().avx2)
        return ConvertPath::Avx2;
    return ConvertPath::Portable;
}

bool convertColourOn(ConvertPath path, const PictureTables& tables,
                     std::span<const std::uint8_t> planeA, std::span<const std::uint8_t> planeB,
                     int width, int height, std::span<std::uint8_t> out)
{
    if (!convertPathSupported(path) || !sizeConvertible(width, height) || width % 2 != 0)
        return false;
    const std::size_t planeBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t stride = dibRowBytes(width, kColourBitsPerPixel);
    if (planeA.size() < planeBytes || planeB.size() < planeBytes ||
        out.size() < stride * static_cast<std::size_t>(height))
        return false;
    const std::span<const std::uint8_t> written = out.first(stride * static_cast<std::size_t>(height));
    if (overlaps(written, planeA.first(planeBytes)) || overlaps(written, planeB.first(planeBytes)))
        return false;
    const FrameJob job{planeA.data(), planeB.data(), out.data(), stride, width, height};
    if (!runColour(path, tables, job))
        return false;
    zeroRowPadding(job, static_cast<std::size_t>(width) * 3);
    return true;
}

bool convertGreyOn(ConvertPath path, const PictureTables& tables,
                   std::span<const std::uint8_t> planeA, int width, int height,
                   std::span<std::uint8_t> out)
{
    if (!convertPathSupported(path) || !sizeConvertible(width, height))
        return false;
    const std::size_t planeBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t stride = dibRowBytes(width, kGreyBitsPerPixel);
    if (planeA.size() < planeBytes || out.size() < stride * static_cast<std::size_t>(height))
        return false;
    if (overlaps(out.first(stride * static_cast<std::size_t>(height)), planeA.first(planeBytes)))
        return false;
    const FrameJob job{planeA.data(), nullptr, out.data(), stride, width, height};
    if (!runGrey(path, tables, job))
        return false;
    zeroRowPadding(job, static_cast<std::size_t>(width));
    return true;
}

bool convertColour(const PictureTables& tables, std::span<const std::uint8_t> planeA,
                   std::span<const std::uint8_t> planeB, int width, int height,
                   std::span<std::uint8_t> out)
{
    return convertColourOn(activeConvertPath(), tables, planeA, planeB, width, height, out);
}

bool convertGrey(const PictureTables& tables, std::span<const std::uint8_t> planeA, int width,
                 int height, std::span<std::uint8_t> out)
{
    return convertGreyOn(activeConvertPath(), tables, planeA, width, height, out);
}

} // namespace lumoset
