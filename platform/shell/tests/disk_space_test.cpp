#include "platform/shell/disk_space.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(DiskSpace, AnswersForExistingFoldersOnly)
{
    const auto tmp = platform::shell::freeDiskBytes(std::filesystem::temp_directory_path().string());
    ASSERT_TRUE(tmp.has_value());
    EXPECT_GT(*tmp, 0u);
    EXPECT_FALSE(platform::shell::freeDiskBytes("/no/such/folder/anywhere").has_value());
}
