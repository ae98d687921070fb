#include "album_test_support.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/ui/testing/test_application.h"

namespace fs = std::filesystem;

namespace lumoset::testing {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void writeText(const std::string& path, const std::string& text)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

} // namespace

std::vector<std::uint8_t> makeBmp(const BmpRecipe& s)
{
    const std::uint32_t stride = (static_cast<std::uint32_t>(s.width) * s.bits + 31) / 32 * 4;
    const std::uint32_t entries = s.bits == 8 ? (s.colours ? s.colours : 256) : s.colours;
    const std::uint32_t pixelOffset = 14 + 40 + entries * 4 + s.gapBeforePixels;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + stride * s.height);
    put32(out, 0);
    put32(out, pixelOffset);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(s.width));
    put32(out, static_cast<std::uint32_t>(s.height));
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(s.bits));
    put32(out, 0);
    put32(out, stride * s.height);
    put32(out, static_cast<std::uint32_t>(s.pelsPerMeter));
    put32(out, static_cast<std::uint32_t>(s.pelsPerMeter));
    put32(out, s.colours);
    put32(out, 0);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const Colour c = i == 1 ? s.fill : Colour{0, 0, 0};
        out.insert(out.end(), {c.blue, c.green, c.red, 0});
    }
    // Garbage between the table and the pixels: a reader that ignores the
    // pixel offset shows it.
    out.insert(out.end(), s.gapBeforePixels, 0xEE);
    for (int row = 0; row < s.height; ++row) {  // bottom row first
        const int y = s.height - 1 - row;
        std::vector<std::uint8_t> line(stride, 0);
        for (int x = 0; x < s.width; ++x) {
            if (s.bits == 8) {
                line[x] = 1;
            } else if (s.bits == 24) {
                const bool corner = x < s.width / 2 && y < s.height / 2;
                const Colour c = corner ? s.corner : s.fill;
                line[3 * x] = c.blue;
                line[3 * x + 1] = c.green;
                line[3 * x + 2] = c.red;
            }
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

void writeBinary(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (fs::temp_directory_path() / "album-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    fs::remove_all(path_, error);
}

RecordingParent::RecordingParent()
{
    resize(200, 400);
}

std::intptr_t RecordingParent::windowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t)
{
    messages.push_back({message, wParam});
    return 0;
}

std::vector<RecordedMessage> RecordingParent::messagesOf(std::uint32_t message) const
{
    std::vector<RecordedMessage> out;
    for (const RecordedMessage& m : messages) {
        if (m.message == message)
            out.push_back(m);
    }
    return out;
}

std::optional<std::string> ScriptedSaveAsDialog::chooseSavePath(QWidget*, const SaveAsRequest& request)
{
    requests.push_back(request);
    if (answers.empty())
        return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
}

platform::shell::DesktopDirectories makeDesktop(const std::string& root, const std::string& bmpCommand,
                                                const std::string& aviCommand)
{
    writeText(root + "/data/mime/globs2", "50:image/bmp:*.bmp\n50:video/x-msvideo:*.avi\n");
    std::string defaults = "[Default Applications]\n";
    if (!bmpCommand.empty()) {
        writeText(root + "/data/applications/bmpviewer.desktop",
                  "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + bmpCommand + "\n");
        defaults += "image/bmp=bmpviewer.desktop\n";
    }
    if (!aviCommand.empty()) {
        writeText(root + "/data/applications/aviplayer.desktop",
                  "[Desktop Entry]\nType=Application\nName=Player\nExec=" + aviCommand + "\n");
        defaults += "video/x-msvideo=aviplayer.desktop\n";
    }
    writeText(root + "/config/mimeapps.list", defaults);
    fs::create_directories(root + "/bin");
    platform::shell::DesktopDirectories d;
    d.path = {root + "/bin"};
    d.configHome = root + "/config";
    d.dataHome = root + "/data";
    return d;
}

std::string writeRecordingProgram(const std::string& root, const std::string& name,
                                  const std::string& outputFile)
{
    const std::string program = root + "/bin/" + name;
    writeText(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + outputFile + ".part'\nmv '" +
                           outputFile + ".part' '" + outputFile + "'\n");
    fs::permissions(program, fs::perms::owner_all);
    return program;
}

std::optional<std::string> waitForFile(const std::string& path)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (fileExists(path)) {
            std::ifstream in(path);
            std::stringstream text;
            text << in.rdbuf();
            return text.str();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

AlbumTest::AlbumTest()
{
    platform::ui::testing::testApplication();
    parent = std::make_unique<RecordingParent>();
}

AlbumTest::~AlbumTest()
{
    parent.reset();
}

AlbumStrip& AlbumTest::makeAlbum(int kind, const std::string& bmpCommand, const std::string& aviCommand)
{
    desktop = std::make_unique<platform::shell::DesktopAssociations>(
        makeDesktop(desktopRoot.path(), bmpCommand, aviCommand));
    album = new AlbumStrip(kind, AlbumStrip::Services{clock, printers, dialog, *desktop}, parent.get());
    EXPECT_TRUE(album->create(QSize(70, 272)));
    album->move(10, 10);
    parent->show();
    return *album;
}

int AlbumTest::addFile(const std::string& name, const BmpRecipe& recipe)
{
    writeBinary(path(name + ".bmp"), makeBmp(recipe));
    if (album->kind() == AlbumStrip::kVideo)
        writeBinary(path(name + ".avi"), {'R', 'I', 'F', 'F'});
    return album->addItem(path(name));
}

int AlbumTest::messageCount(std::uint32_t message) const
{
    return static_cast<int>(parent->messagesOf(message).size());
}

} // namespace lumoset::testing
