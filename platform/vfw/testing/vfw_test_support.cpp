#include "platform/vfw/testing/vfw_test_support.h"

#include "platform/profile/profile.h"
#include "platform/shell/process.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace vfw_testing {

namespace fs = std::filesystem;

std::array<int, 3> knownColour(double u, double v)
{
    return {static_cast<int>(30 + 190 * u), static_cast<int>(30 + 190 * v),
            static_cast<int>(110 + 60 * std::sin((u + v) * 3))};
}

void writeKnownPicture(const fs::path& file)
{
    constexpr int w = 640, h = 480;
    const std::uint32_t row = w * 3;
    const std::uint32_t image = row * h;
    std::vector<std::uint8_t> out(54 + image);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<std::uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    out[26] = 1;
    out[28] = 24;
    put32(34, image);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* line = out.data() + 54 + static_cast<std::size_t>(h - 1 - y) * row;
        for (int x = 0; x < w; ++x) {
            const auto c = knownColour((x + 0.5) / w, (y + 0.5) / h);
            line[3 * x + 0] = static_cast<std::uint8_t>(c[2]);
            line[3 * x + 1] = static_cast<std::uint8_t>(c[1]);
            line[3 * x + 2] = static_cast<std::uint8_t>(c[0]);
        }
    }
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(out.data()),
                                                 static_cast<std::streamsize>(out.size()));
}

std::map<std::string, std::string> probeStream(const fs::path& file, const std::string& selector)
{
    const auto result = platform::shell::runProgram(
        {"ffprobe", "-v", "error", "-count_frames", "-select_streams", selector, "-show_entries",
         "stream=codec_name,codec_type,width,height,pix_fmt,r_frame_rate,nb_frames,nb_read_frames,sample_rate,"
         "channels,bits_per_sample,bit_rate",
         "-of", "default=noprint_wrappers=1", file.string()});
    std::map<std::string, std::string> entries;
    if (result.exitCode != 0)
        return entries;
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            entries[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return entries;
}

int probeInt(const std::map<std::string, std::string>& entries, const std::string& key)
{
    const auto it = entries.find(key);
    return it == entries.end() ? -1 : std::atoi(it->second.c_str());
}

std::string decodeFrameRgb(const fs::path& file, int index)
{
    const auto result = platform::shell::runProgram(
        {"ffmpeg", "-v", "error", "-i", file.string(), "-vf", "select=eq(n\\," + std::to_string(index) + ")",
         "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    return result.exitCode == 0 ? result.output : std::string();
}

double differenceFromKnown(const std::string& rgb, int width, int height, bool zoomed)
{
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<std::size_t>(width) * height * 3)
        return 1e9;
    double sum = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = (x + 0.5) / width, v = (y + 0.5) / height;
            if (zoomed) {
                u = 0.25 + u / 2;
                v = 0.25 + v / 2;
            }
            const auto c = knownColour(u, v);
            for (int k = 0; k < 3; ++k)
                sum += std::abs(static_cast<unsigned char>(rgb[(static_cast<std::size_t>(y) * width + x) * 3 + k]) - c[k]);
        }
    }
    return sum / (static_cast<double>(width) * height * 3);
}

void registerDriver(const std::string& value)
{
    platform::profile::writePrivateProfileString("drivers", "MSVideo", value, "system.ini");
}

void writeHandOver(int width, int height, bool colour, bool zoomed, int frameRate, int frames)
{
    const auto put = [](const char* key, const std::string& value) {
        platform::profile::writePrivateProfileString("Orvane.VCAM_VFW", key, value, "O_VCAM.ini");
    };
    put("Color", colour ? "1" : "0");
    put("Zoom", zoomed ? "1" : "0");
    put("Quality", "1");
    put("Width", std::to_string(width));
    put("Height", std::to_string(height));
    put("Frames", std::to_string(frames));
    put("FrameRate", std::to_string(frameRate));
    put("STOP", "1");
}

} // namespace vfw_testing
