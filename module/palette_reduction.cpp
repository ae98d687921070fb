#include "module/palette_reduction.h"

#include <algorithm>

namespace ostrel2 {
namespace {

constexpr int kThresholds[8][8] = {
    {2, 130, 34, 162, 10, 138, 42, 98},     {194, 66, 226, 198, 202, 74, 234, 106},
    {50, 178, 18, 146, 58, 186, 26, 154},   {242, 114, 210, 82, 250, 122, 218, 90},
    {14, 142, 46, 174, 6, 134, 38, 166},    {206, 78, 238, 110, 198, 70, 230, 102},
    {62, 190, 30, 158, 54, 182, 22, 150},   {254, 126, 222, 94, 246, 118, 214, 86},
};

constexpr int kBlueStep = 85, kBlueBias = 42, kBlueMax = 255;
constexpr int kRedGreenStep = 36, kRedGreenBias = 18, kRedGreenMax = 252;

int quantise(int value, int t, int step, int bias, int maximum)
{
    const int q = ((value + t + bias) / step) * step - t;
    return std::clamp(q, 0, maximum);
}

std::size_t paddedRow(int width, int bytesPerPixel)
{
    return (static_cast<std::size_t>(width) * bytesPerPixel + 3) / 4 * 4;
}

} // namespace

QRgb fixedPaletteEntry(int b)
{
    return qRgb((b & 0xE0) | 0x10, ((b & 0x1C) * 8) | 0x10, ((b & 0x03) * 64) | 0x20);
}

int ditherThreshold(int x, int topRow)
{
    return kThresholds[x % 8][topRow % 8];
}

std::uint8_t reducePixel(int blue, int green, int red, int t)
{
    const int b = quantise(blue, t, kBlueStep, kBlueBias, kBlueMax);
    const int g = quantise(green, t, kRedGreenStep, kRedGreenBias, kRedGreenMax);
    const int r = quantise(red, t, kRedGreenStep, kRedGreenBias, kRedGreenMax);
    return static_cast<std::uint8_t>(((b / 64) & 0x03) | ((g / 8) & 0x1C) | (r & 0xE0));
}

void reduceToFixedPalette(const std::uint8_t* pixels, int width, int height, std::uint8_t* out)
{
    const std::size_t inRow = paddedRow(width, 3);
    const std::size_t outRow = paddedRow(width, 1);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* in = pixels + inRow * static_cast<std::size_t>(row);
        std::uint8_t* o = out + outRow * static_cast<std::size_t>(row);
        const int topRow = height - row;
        for (int x = 0; x < width; ++x)
            o[x] = reducePixel(in[3 * x], in[3 * x + 1], in[3 * x + 2], ditherThreshold(x, topRow));
    }
}

bool drawsDirectly(int screenDepth, bool colourPicture)
{
    return screenDepth == 16 || screenDepth == 24 || (screenDepth == 32 && colourPicture);
}

} // namespace ostrel2
