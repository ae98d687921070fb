#pragma once
// Structured storage ("compound file", version 3, 512-byte sectors): a small
// file system of storages and streams inside one file, written whole.
//
// Streams under 4,096 bytes live in the mini stream (64-byte sectors) as the
// format requires; the sector tables grow DIFAT sectors when the file passes
// the 109 FAT sectors the header can list (about 7 MB). Siblings form a
// balanced red-black tree ordered as readers search it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/status.h"

namespace imaging::formats {

// A class id as stored: Data1..Data3 little-endian, then the eight bytes.
using Clsid = std::array<std::uint8_t, 16>;

Clsid makeClsid(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3,
                std::array<std::uint8_t, 8> data4);

class CompoundFile {
 public:
  using Entry = int;
  static constexpr Entry kRoot = 0;

  explicit CompoundFile(const Clsid& rootClass);

  // Names are ASCII, at most 31 characters, unique within their storage.
  Entry addStorage(Entry parent, const std::string& name, const Clsid& storageClass);
  Entry addStream(Entry parent, const std::string& name, std::vector<std::uint8_t> data);

  // Appends the whole file to `out`.
  Status write(std::vector<std::uint8_t>& out) const;

 private:
  struct Node {
    std::string name;
    std::uint8_t type;
    Clsid clsid{};
    std::vector<std::uint8_t> data;
    std::vector<Entry> children;
    // Filled in by write():
    std::uint32_t left = 0xFFFFFFFFu, right = 0xFFFFFFFFu, child = 0xFFFFFFFFu;
    std::uint8_t colour = 1;
    std::uint32_t start = 0;
  };

  Entry add(Entry parent, Node node);

  std::vector<Node> nodes_;
};

}  // namespace imaging::formats
