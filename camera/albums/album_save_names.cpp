#include "camera/albums/album_save_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "imaging/save.h"

namespace lumoset {

namespace {

struct FormatRow {
    std::string_view extension;
    SaveFormat format;
};

// The JPEG quality value 2 is the imaging library's best quality.
constexpr std::array<FormatRow, 8> kSaveFormats{{
    {"BMP", {imaging::kFormatBmp, 0}},
    {"JPG", {imaging::kFormatJpeg, 2}},
    {"PCX", {imaging::kFormatPcx, 0}},
    {"PNG", {imaging::kFormatPng, 0}},
    {"PSD", {imaging::kFormatPsd, 0}},
    {"TGA", {imaging::kFormatTga, 0}},
    {"TIF", {imaging::kFormatTif, 0}},
    {"FPX", {imaging::kFormatFpx, 0}},
}};

} // namespace

ChosenSaveName splitChosenSaveName(const std::string& chosenPath)
{
    ChosenSaveName name;
    const size_t slash = chosenPath.find_last_of('/');
    const std::string file = slash == std::string::npos ? chosenPath : chosenPath.substr(slash + 1);
    name.directory = slash == std::string::npos ? std::string() : chosenPath.substr(0, slash);
    const size_t firstDot = file.find('.');
    name.baseName = firstDot == std::string::npos || firstDot == 0 ? file : file.substr(0, firstDot);
    const size_t lastDot = file.find_last_of('.');
    name.extension = lastDot == std::string::npos ? std::string() : file.substr(lastDot + 1);
    return name;
}

std::optional<SaveFormat> saveFormatForExtension(const std::string& extension)
{
    std::string upper = extension;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const FormatRow& row : kSaveFormats) {
        if (row.extension == upper)
            return row.format;
    }
    return std::nullopt;
}

} // namespace lumoset
