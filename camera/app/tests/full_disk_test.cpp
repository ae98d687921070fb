// Photos, photo series, recordings and album saves on a file system that is
// (nearly) full: a small tmpfs mounted in a mount namespace private to this
// test program, so nothing of it is seen outside and nothing outlives it.
//
// Where the free-space checks would refuse the work before a byte is written
// (a photo needs 10 MB free, a recording 20 MB), the window is told the
// disk has room: the disk then fills under a running capture, as it does
// when another program writes at the same time. The user must get the
// disk-full message, no album entry may point to a missing or broken file,
// and nothing saved before may be lost.
#include "camera/albums/tests/album_test_support.h"
#include "camera/app/tests/reliability_fixture.h"

#include <QTest>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using namespace lumoset;
using namespace lumoset::testing;

namespace {

// Entered before main, while the program has one thread (a mount namespace
// cannot be left or entered by one thread of many).
const std::string privateMountError = [] {
    if (::unshare(CLONE_NEWNS) != 0)
        return std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("making mounts private: ") + std::strerror(errno);
    return std::string();
}();

constexpr std::uint64_t kRoomyDisk = 1ull << 30;  // what the window is told is free
constexpr std::size_t kPage = 4096;

std::string readAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A whole BMP: at least its headers, and as long as its header says.
bool wholeBmp(const fs::path& file)
{
    const std::string bytes = readAll(file);
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0)
        return false;
    std::uint32_t declared = 0;
    std::memcpy(&declared, bytes.data() + 2, 4);
    return declared == bytes.size();
}

// A tmpfs of `bytes` at a fresh folder, and a filler file that takes all
// but the room asked for.
class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes)
    {
        std::string tmpl = (fs::temp_directory_path() / "fulldisk.XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr)
            return;
        root_ = tmpl;
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = privateMountError.empty() && ::mount("lumo-full-disk", root_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(root_.c_str(), MNT_DETACH);
        if (!root_.empty())
            ::rmdir(root_.c_str());
    }
    bool mounted() const { return mounted_; }
    const fs::path& root() const { return root_; }

    // Fills the disk, then gives back `room` bytes (whole pages).
    bool leaveRoom(std::size_t room)
    {
        const fs::path filler = root_ / ".filler";
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        static const std::vector<char> block(64 * 1024, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        for (std::size_t piece = kPage; piece > 0; piece /= 2)  // the last partial page
            while (::write(fd, block.data(), piece) > 0) {
            }
        struct stat info{};
        ::fstat(fd, &info);
        const auto size = static_cast<std::size_t>(info.st_size);
        const std::size_t keep = size > room ? (size - room) / kPage * kPage : 0;
        const bool ok = ::ftruncate(fd, static_cast<off_t>(keep)) == 0;
        ::close(fd);
        return ok;
    }

private:
    fs::path root_;
    bool mounted_ = false;
};

class FullDiskWindow : public LiveWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(disk.mounted()) << "a private tmpfs is needed (root): " << privateMountError;
        data = disk.root() / "data";
        LiveWindowTest::SetUp();
    }

    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto& box : boxes.shown())
            texts.push_back(box.text);
        return texts;
    }

    // Every path an album was given names a whole file.
    void expectAlbumEntriesWhole() const
    {
        for (const std::string& path : photoAlbum->paths)
            EXPECT_TRUE(wholeBmp(path + ".bmp")) << path;
        for (const std::string& path : videoAlbum->paths) {
            EXPECT_TRUE(wholeBmp(path + ".bmp")) << path;
            EXPECT_FALSE(vfw_testing::probeStream(path + ".avi", "v:0").empty()) << path;
        }
    }

    SmallDisk disk{8u << 20};
};

TEST_F(FullDiskWindow, PhotosAndASeriesThatFillTheDiskKeepEverySavedPicture)
{
    freeBytes = [](const std::string&) { return kRoomyDisk; };
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());
    w.command(kIdTakePicture);
    const fs::path first = data / "PIC" / "PIC1.bmp";
    ASSERT_TRUE(wholeBmp(first));
    const std::string firstBytes = readAll(first);
    ASSERT_EQ(photoAlbum->paths.size(), 1u);

    ASSERT_TRUE(disk.leaveRoom(0));
    w.command(kIdTakePicture);
    EXPECT_EQ(messages(), std::vector<std::string>{w.text(kStrInsufficientDiskSpace)});
    EXPECT_EQ(w.photoState().photoCount, 1);
    EXPECT_EQ(photoAlbum->paths.size(), 1u);
    EXPECT_FALSE(fs::exists(data / "PIC" / "PIC2.bmp"));
    EXPECT_EQ(readAll(first), firstBytes);
    ASSERT_TRUE(livePicture());  // the preview goes on

    // Room for one and a half pictures: the second shot of the series fails
    // and ends it, with one message.
    boxes.clear();
    ASSERT_TRUE(disk.leaveRoom(firstBytes.size() * 3 / 2 + kPage));
    startSeries("day");
    ASSERT_TRUE(w.state().autoSnapRunning);
    ASSERT_TRUE(w.timers().fire(kTimerAutoSnap));
    ASSERT_TRUE(wholeBmp(data / "AUTOSNAP" / "day1.bmp"));
    ASSERT_TRUE(w.timers().fire(kTimerAutoSnap));
    EXPECT_FALSE(w.state().autoSnapRunning);
    EXPECT_FALSE(w.timers().isRunning(kTimerAutoSnap));
    EXPECT_FALSE(fs::exists(data / "AUTOSNAP" / "day2.bmp"));
    EXPECT_EQ(messages(), std::vector<std::string>{w.text(kStrInsufficientDiskSpace)});
    EXPECT_TRUE(w.skin().button(kIdTakePicture)->isEnabled());
    EXPECT_EQ(readAll(first), firstBytes);
    expectAlbumEntriesWhole();

    // No half-written picture is left behind anywhere.
    for (const auto& entry : fs::recursive_directory_iterator(data))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(FullDiskWindow, APhotoNeedsTenMegabytesFree)
{
    // 10 MB free is enough for a photo, one byte less is not.
    std::uint64_t free = kTakePictureMinFreeBytes;
    freeBytes = [&](const std::string&) { return free; };
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());
    w.command(kIdTakePicture);
    EXPECT_TRUE(wholeBmp(data / "PIC" / "PIC1.bmp"));
    EXPECT_TRUE(boxes.shown().empty());
    free = kTakePictureMinFreeBytes - 1;
    w.command(kIdTakePicture);
    EXPECT_FALSE(fs::exists(data / "PIC" / "PIC2.bmp"));
    EXPECT_EQ(messages(), std::vector<std::string>{w.text(kStrInsufficientDiskSpace)});
    EXPECT_EQ(photoAlbum->paths.size(), 1u);
}

TEST_F(FullDiskWindow, ARecordingThatFillsTheDiskEndsPlayableAndKeepsTheClipBefore)
{
    freeBytes = [](const std::string&) { return kRoomyDisk; };
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());

    // A first clip, stopped by the user, while there is room.
    startRecording();
    ASSERT_TRUE(pollUntil([&] { return w.recording().framesWritten() >= 3; }));
    w.command(kIdStop);
    ASSERT_FALSE(w.recordingState().recording);
    const std::string clip = w.recording().videoFileName();
    const int clipFrames = vfw_testing::probeInt(vfw_testing::probeStream(clip, "v:0"), "nb_read_frames");
    ASSERT_GE(clipFrames, 3);
    ASSERT_EQ(videoAlbum->paths.size(), 1u);
    ASSERT_TRUE(livePicture());

    // The second fills the disk after some frames.
    boxes.clear();
    ASSERT_TRUE(disk.leaveRoom(400 * 1024));
    startRecording();
    ASSERT_TRUE(w.recordingState().recording);
    const std::string cut = w.recording().videoFileName();
    ASSERT_NE(cut, clip);
    ASSERT_TRUE(pollUntil([&] { return !w.recordingState().recording; }, 20000)) << "the full disk went unnoticed";
    EXPECT_TRUE(pollUntil([&] { return !boxes.shown().empty(); }));
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_EQ(boxes.shown().front().text, w.text(kStrRecordingCutShort));
    // The clip's still could not be saved either: the user hears the disk
    // is full, and the clip gets no album entry without its picture.
    EXPECT_EQ(boxes.shown().back().text, w.text(kStrInsufficientDiskSpace));
    EXPECT_EQ(videoAlbum->paths.size(), 1u);
    const auto frames = static_cast<int>(w.recording().framesWritten());
    EXPECT_GT(frames, 0);
    const auto video = vfw_testing::probeStream(cut, "v:0");
    ASSERT_FALSE(video.empty()) << cut << " does not play";
    EXPECT_EQ(vfw_testing::probeInt(video, "nb_read_frames"), frames);

    EXPECT_EQ(vfw_testing::probeInt(vfw_testing::probeStream(clip, "v:0"), "nb_read_frames"), clipFrames);
    expectAlbumEntriesWhole();
    EXPECT_TRUE(w.skin().recordButton()->isEnabled());
    EXPECT_TRUE(livePicture());
}

// The albums' save-as onto the full disk.
class FullDiskAlbum : public AlbumTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(disk.mounted()) << "a private tmpfs is needed (root): " << privateMountError;
        ASSERT_TRUE(disk.leaveRoom(0));
    }
    SmallDisk disk{1u << 20};
};

TEST_F(FullDiskAlbum, APhotoSavedOntoAFullDiskStaysInTheAlbumAndOverwritesNothing)
{
    makeAlbum(AlbumStrip::kPhoto);
    const std::vector<std::uint8_t> picture = makeBmp(BmpRecipe{});
    ASSERT_EQ(addFile("PIC1"), 1);
    // An earlier picture of the chosen name was saved while there was room.
    const fs::path earlier = disk.root() / "holiday.bmp";
    ASSERT_TRUE(disk.leaveRoom(64 * 1024));
    writeBinary(earlier.string(), picture);
    ASSERT_TRUE(disk.leaveRoom(0));

    dialog.answers = {(disk.root() / "new.png").string(), earlier.string()};
    album->runMenuCommand(kStrSave);
    EXPECT_EQ(album->pendingMessageId(), kStrInsufficientDiskSpace);
    EXPECT_FALSE(fs::exists(disk.root() / "new.png"));
    album->runMenuCommand(kStrSave);
    EXPECT_EQ(album->pendingMessageId(), kStrInsufficientDiskSpace);
    EXPECT_EQ(messageCount(AlbumStrip::kUmError), 2);
    const std::string kept = readAll(earlier);
    EXPECT_EQ(std::vector<std::uint8_t>(kept.begin(), kept.end()), picture);

    EXPECT_EQ(album->itemCount(), 1);
    EXPECT_TRUE(wholeBmp(path("PIC1.bmp")));
    for (const auto& entry : fs::directory_iterator(disk.root()))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(FullDiskAlbum, AClipMovedOntoAFullDiskStaysWhole)
{
    makeAlbum(AlbumStrip::kVideo);
    ASSERT_EQ(addFile("CAP1"), 1);
    {
        std::ofstream clip(path("CAP1.avi"), std::ios::binary);
        clip << std::string(256 * 1024, 'v');
    }
    const std::string before = readAll(path("CAP1.avi"));
    dialog.answers = {(disk.root() / "clip.avi").string()};
    album->runMenuCommand(kStrSave);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Can't save this file \"clip.avi\"");
    EXPECT_FALSE(fs::exists(disk.root() / "clip.avi"));
    EXPECT_EQ(readAll(path("CAP1.avi")), before);
    EXPECT_TRUE(wholeBmp(path("CAP1.bmp")));
    EXPECT_EQ(album->itemCount(), 1);
}

} // namespace
