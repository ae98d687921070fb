#include "sane/tests/known_picture.h"

#include "imaging/bitmap.h"
#include "imaging/save.h"
#include "platform/shell/process.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace fs = std::filesystem;

namespace rz410::testing {
namespace {

// Red grows to the right, green downwards, blue in a slow wave: a flipped,
// mirrored, shifted or channel-swapped picture cannot match it.
fs::path writeKnownPicture(const fs::path& folder)
{
    imaging::Bitmap bitmap;
    EXPECT_EQ(imaging::allocate(bitmap, 640, 480, 24), imaging::kSuccess);
    for (int y = 0; y < 480; ++y) {
        std::uint8_t* line = bitmap.line(y);
        for (int x = 0; x < 640; ++x) {
            line[3 * x + 0] = static_cast<std::uint8_t>(110 + static_cast<int>(60 * std::sin((x + y) / 160.0)));
            line[3 * x + 1] = static_cast<std::uint8_t>(30 + y * 190 / 479);
            line[3 * x + 2] = static_cast<std::uint8_t>(30 + x * 190 / 639);
        }
    }
    const fs::path path = folder / "known.bmp";
    EXPECT_EQ(imaging::save(path.string(), bitmap, imaging::kFormatBmp, 24, 0), imaging::kSuccess);
    return path;
}

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

std::string greyOf(const std::string& rgb)
{
    std::string grey(rgb.size() / 3, '\0');
    for (std::size_t i = 0; i < grey.size(); ++i) {
        const auto c = [&](std::size_t k) { return static_cast<unsigned char>(rgb[3 * i + k]); };
        grey[i] = static_cast<char>(std::lround(0.3 * c(0) + 0.6 * c(1) + 0.1 * c(2)));
    }
    return grey;
}

Difference compare(const std::string& got, const std::string& want)
{
    if (got.size() != want.size() || got.empty())
        return {};
    std::vector<std::size_t> histogram(256, 0);
    double sum = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const int d = std::abs(static_cast<unsigned char>(got[i]) - static_cast<unsigned char>(want[i]));
        sum += d;
        ++histogram[static_cast<std::size_t>(d)];
    }
    Difference result{sum / static_cast<double>(got.size()), 0};
    std::size_t seen = 0;
    for (int d = 0; d < 256; ++d) {
        seen += histogram[static_cast<std::size_t>(d)];
        if (seen >= got.size() * 99 / 100) {
            result.worst = d;
            break;
        }
    }
    return result;
}

void CamerasOfKnownPicture::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "sane-e2e.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    known = writeKnownPicture(folder);
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
