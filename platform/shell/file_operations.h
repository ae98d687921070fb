#pragma once
// Moving and deleting the files a user keeps or throws away.

#include <string>

namespace platform::shell {

// Moves `source` to `target` and never replaces an existing target. Within a
// file system it is a rename; across file systems the file is copied to a new
// target, flushed, and the source deleted afterwards. If the source cannot be
// deleted the copy is removed again and the move fails, so a failed move
// leaves exactly the files there were before.
bool moveFileNoReplace(const std::string& source, const std::string& target);

// Deletes one file (not a folder). False when it is not there or cannot go.
bool deleteFile(const std::string& path);

} // namespace platform::shell
