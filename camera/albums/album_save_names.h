#pragma once
// How the albums turn the name a user chose in the save-as dialog into the
// file they write, and which image format an extension stands for.

#include <optional>
#include <string>

namespace lumoset {

// A chosen path split the album's way: the folder (text before the last
// '/'), the base name (the file name up to its first '.', or the whole name
// when it has none or starts with '.') and the extension (after the file
// name's last '.', empty when there is none).
struct ChosenSaveName {
    std::string directory;
    std::string baseName;
    std::string extension;
};
ChosenSaveName splitChosenSaveName(const std::string& chosenPath);

// The imaging library's format code and quality for an extension, compared
// without regard to case; nothing for an extension outside the eight.
struct SaveFormat {
    int formatCode;
    int quality;
};
std::optional<SaveFormat> saveFormatForExtension(const std::string& extension);

} // namespace lumoset
