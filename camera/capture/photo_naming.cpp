#include "camera/capture/photo_naming.h"

#include "imaging/save.h"

#include <array>
#include <cctype>

namespace lumoset {
namespace {

struct SeriesFormat {
    const char* extension;
    int formatCode;
};

constexpr std::array<SeriesFormat, 6> kSeriesFormats{{
    {".PCX", imaging::kFormatPcx},
    {".GIF", imaging::kFormatGif},
    {".TIF", imaging::kFormatTif},
    {".TGA", imaging::kFormatTga},
    {".CMP", imaging::kFormatCmp},
    {".BMP", imaging::kFormatBmp},
}};
constexpr const char* kFallbackExtension = ".BMP";

bool equalsIgnoringCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

} // namespace

int seriesFormatFor(std::string& extension)
{
    for (const auto& format : kSeriesFormats)
        if (equalsIgnoringCase(extension, format.extension))
            return format.formatCode;
    extension = kFallbackExtension;
    return imaging::kFormatBmp;
}

std::string seriesFileName(const std::string& baseName, int count, const std::string& extension)
{
    return baseName + std::to_string(count) + extension;
}

std::string photoFileName(const std::string& picFolder, int count)
{
    return picFolder + "/PIC" + std::to_string(count) + ".bmp";
}

std::string videoStillFileName(const std::string& aviFolder, int count)
{
    return aviFolder + "/CAP" + std::to_string(count) + ".bmp";
}

std::string withoutExtension(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path;
    return path.substr(0, dot);
}

} // namespace lumoset
