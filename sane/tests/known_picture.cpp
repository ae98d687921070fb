#include "sane/tests/known_picture.h"

#include "imaging/testing/known_picture.h"

#include "imaging/bitmap.h"
#include "imaging/save.h"
#include "platform/shell/process.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace fs = std::filesystem;

namespace rz410::testing {
namespace {

} // namespace

std::optional<std::string> expectedRgb(const fs::path& known, int width, int height)
{
    auto result = platform::shell::runProgram({"convert", known.string(), "-resize",
                                               std::to_string(width) + "x" + std::to_string(height) + "!",
                                               "-depth", "8", "rgb:-"});
    if (result.exitCode != 0)
        return std::nullopt;
    return std::move(result.output);
}

void CamerasOfKnownPicture::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "sane-e2e.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    known = imaging::testing::writeKnownPicture(folder);
    daemon = std::make_unique<platform::ousbdrv::testing::DaemonProcess>(OUSBDRVD_PATH);
    ASSERT_TRUE(daemon->start({"--device", "0", "--device", "2", "--image", known.string(), "--log", (folder / "packets.log").string()}, {0, 2}))
        << daemon->error();
    ::setenv("OUSBDRV_ROOT", daemon->root().c_str(), 1);
}

void CamerasOfKnownPicture::TearDown()
{
    daemon.reset();
    ::unsetenv("OUSBDRV_ROOT");
    std::error_code error;
    fs::remove_all(folder, error);
}

} // namespace rz410::testing
