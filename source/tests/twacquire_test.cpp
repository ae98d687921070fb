// twacquire end to end: a separate program acquires from the data source
// through the source manager by every transfer mechanism, and ImageMagick
// reads back what it saved.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/shell/process.h"
#include "source/tests/twain_harness.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

class TwacquireTest : public TwainWorld {
protected:
    void SetUp() override
    {
        TwainWorld::SetUp();
        ::setenv("TEST_MODULE_WIDTH", std::to_string(kWidth).c_str(), 1);
        ::setenv("TEST_MODULE_HEIGHT", std::to_string(kHeight).c_str(), 1);
        ::setenv("TEST_MODULE_READY_WITHOUT_UI", "1", 1);
    }

    platform::shell::ProgramResult twacquire(std::vector<std::string> args)
    {
        args.insert(args.begin(), {(buildDir() / "bin" / "twacquire").string(), "--source", "Test Camera",
                                   "--timeout", "20000"});
        return platform::shell::runProgram(args, platform::shell::CaptureOutput::StandardOutputAndError);
    }

    // The test module's gradient: red across, green down, blue 128.
    void expectGradient(const fs::path& file)
    {
        const auto pixels = platform::shell::runProgram({"convert", file.string(), "-depth", "8", "rgb:-"});
        ASSERT_EQ(pixels.exitCode, 0) << file;
        ASSERT_EQ(pixels.output.size(), std::size_t{kWidth} * kHeight * 3) << file;
        int worst = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const auto* p = reinterpret_cast<const unsigned char*>(pixels.output.data()) + 3 * (y * kWidth + x);
                const int expected[3] = {x * 255 / (kWidth - 1), y * 255 / (kHeight - 1), 128};
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::abs(p[c] - expected[c]));
            }
        }
        EXPECT_LE(worst, 1) << file;
    }
};

TEST_F(TwacquireTest, EveryTransferMechanismDeliversThePicture)
{
    struct Case {
        const char* name;
        std::vector<std::string> options;
        const char* output;
    };
    const Case cases[] = {
        {"native", {"--mech", "native"}, "native.bmp"},
        {"file bmp", {"--mech", "file", "--format", "bmp"}, "file.bmp"},
        {"file tiff", {"--mech", "file", "--format", "tiff"}, "file.tif"},
        {"memory pointer", {"--mech", "memory", "--buffers", "pointer"}, "memory-pointer.png"},
        {"memory handle, no callback", {"--mech", "memory", "--buffers", "handle", "--no-callback"}, "memory-handle.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.options;
        const fs::path output = root / c.output;
        args.insert(args.end(), {"--no-ui", "--output", output.string()});
        const auto run = twacquire(args);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find("width 160\nheight 120\nbits per pixel 24"), std::string::npos) << run.output;
        expectGradient(output);
    }
}

TEST_F(TwacquireTest, MemoryTransferThroughTheFileRoute)
{
    ::setenv("TEST_MODULE_STRIPS", "0", 1);
    const fs::path output = root / "route.png";
    const auto run = twacquire({"--mech", "memory", "--no-ui", "--output", output.string()});
    ::unsetenv("TEST_MODULE_STRIPS");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    expectGradient(output);
}

TEST_F(TwacquireTest, TransferRequestedFromTheSourcesWindow)
{
    ::setenv("TEST_MODULE_READY_WITHOUT_UI", "0", 1);
    const fs::path output = root / "window.bmp";
    const auto run = twacquire({"--mech", "native", "--transfer-after", "50", "--output", output.string()});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    expectGradient(output);
}

TEST_F(TwacquireTest, ReportsAMissingSource)
{
    const auto run = platform::shell::runProgram(
        {(buildDir() / "bin" / "twacquire").string(), "--source", "No Such Camera", "--no-ui", "--output",
         (root / "x.bmp").string()},
        platform::shell::CaptureOutput::StandardOutputAndError);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("no source named \"No Such Camera\""), std::string::npos) << run.output;
}

}  // namespace
