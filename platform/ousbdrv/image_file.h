#pragma once
// Still pictures for the virtual camera: BMP (1, 4, 8, 16, 24 and 32 bits,
// uncompressed or with bit-field masks) and PNG, told apart by their
// signature. Every size in the file is checked before anything is allocated.

#include "platform/ousbdrv/picture.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform::ousbdrv {

// Pictures larger than this either way are refused.
inline constexpr int kMaxImageSide = 16384;
inline constexpr std::int64_t kMaxImagePixels = 40'000'000;
inline constexpr std::size_t kMaxImageFileSize = 512u * 1024 * 1024;

// The picture, or nullopt with a one-line reason in `error`.
std::optional<Picture> loadImageFile(const std::filesystem::path& path, std::string& error);

// The same for a BMP file already in memory.
std::optional<Picture> decodeBmp(const std::uint8_t* data, std::size_t size, std::string& error);

} // namespace platform::ousbdrv
