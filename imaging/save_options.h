#pragma once
// Operation "set save options": the 1,060-byte options record callers set
// once before a series of saves. It is process-wide, as the callers expect.
//
// The library reads two fields: 0 and 1 are the pixels per inch written into
// files for a bitmap whose own resolution is unknown (0). The other fields are
// kept and have no effect.

#include <array>
#include <cstddef>
#include <cstdint>

#include "imaging/status.h"

namespace imaging {

struct SaveOptions {
  static constexpr std::size_t kFieldCount = 265;
  std::array<std::int32_t, kFieldCount> fields{};

  int defaultResolutionX() const { return fields[0] > 0 ? fields[0] : 0; }
  int defaultResolutionY() const { return fields[1] > 0 ? fields[1] : 0; }
};
static_assert(sizeof(SaveOptions) == 1060, "the options record is 1,060 bytes");

void setSaveOptions(const SaveOptions& options);
// From the raw record; kInvalidArgument unless it is exactly 1,060 bytes.
Status setSaveOptions(const void* record, std::size_t size);
SaveOptions saveOptions();

}  // namespace imaging
