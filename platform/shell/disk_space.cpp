#include "platform/shell/disk_space.h"

#include <sys/statvfs.h>

namespace platform::shell {

std::optional<std::uint64_t> freeDiskBytes(const std::string& folder)
{
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

} // namespace platform::shell
