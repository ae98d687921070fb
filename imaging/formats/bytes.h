#pragma once
// Appending and reading fixed-size integers in a file's byte order.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace imaging::formats {

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void u8(std::uint8_t v) { out_.push_back(v); }
  void u16le(std::uint16_t v) { u8(static_cast<std::uint8_t>(v)); u8(static_cast<std::uint8_t>(v >> 8)); }
  void u32le(std::uint32_t v) { u16le(static_cast<std::uint16_t>(v)); u16le(static_cast<std::uint16_t>(v >> 16)); }
  void i32le(std::int32_t v) { u32le(static_cast<std::uint32_t>(v)); }
  void u64le(std::uint64_t v) { u32le(static_cast<std::uint32_t>(v)); u32le(static_cast<std::uint32_t>(v >> 32)); }
  void u16be(std::uint16_t v) { u8(static_cast<std::uint8_t>(v >> 8)); u8(static_cast<std::uint8_t>(v)); }
  void u32be(std::uint32_t v) { u16be(static_cast<std::uint16_t>(v >> 16)); u16be(static_cast<std::uint16_t>(v)); }
  void bytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
  }
  void text(const char* s) { bytes(s, std::strlen(s)); }
  void zeros(std::size_t count) { out_.insert(out_.end(), count, 0); }
  std::size_t size() const { return out_.size(); }

  void patchU32le(std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }

 private:
  std::vector<std::uint8_t>& out_;
};

inline std::uint16_t readU16le(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t readU32le(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t readI32le(const std::uint8_t* p) {
  return static_cast<std::int32_t>(readU32le(p));
}

}  // namespace imaging::formats
