#pragma once
// Free space of the file system holding a folder, as the programs check it
// before they write pictures and videos.

#include <cstdint>
#include <optional>
#include <string>

namespace platform::shell {

// Bytes an unprivileged program may still write there; nullopt when the
// folder cannot be examined.
std::optional<std::uint64_t> freeDiskBytes(const std::string& folder);

} // namespace platform::shell
