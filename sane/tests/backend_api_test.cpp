// The backend's entry points called directly, as a front end calls them
// (the library is loaded with dlopen and its functions found by name), under
// the sanitizers of this build: bad option values, non-blocking reads,
// cancel at every stage and a camera pulled out during a scan.
#include "sane/tests/known_picture.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <csignal>
#include <poll.h>
#include <string>
#include <vector>

using rz410::testing::CamerasOfKnownPicture;
using Clock = std::chrono::steady_clock;

namespace {

struct Backend {
    decltype(&sane_init) init;
    decltype(&sane_exit) exit;
    decltype(&sane_get_devices) getDevices;
    decltype(&sane_open) open;
    decltype(&sane_close) close;
    decltype(&sane_get_option_descriptor) descriptor;
    decltype(&sane_control_option) control;
    decltype(&sane_get_parameters) parameters;
    decltype(&sane_start) start;
    decltype(&sane_read) read;
    decltype(&sane_cancel) cancel;
    decltype(&sane_set_io_mode) setIoMode;
    decltype(&sane_get_select_fd) selectFd;
};

template <typename F>
void bind(void* library, F& function, const char* name)
{
    function = reinterpret_cast<F>(::dlsym(library, (std::string("sane_rz410_") + name).c_str()));
    ASSERT_NE(function, nullptr) << name;
}

const Backend& backend()
{
    static Backend b = [] {
        Backend loaded{};
        void* library = ::dlopen(SANE_BACKEND_PATH, RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(library, nullptr) << ::dlerror();
        if (library == nullptr)
            return loaded;
        bind(library, loaded.init, "init");
        bind(library, loaded.exit, "exit");
        bind(library, loaded.getDevices, "get_devices");
        bind(library, loaded.open, "open");
        bind(library, loaded.close, "close");
        bind(library, loaded.descriptor, "get_option_descriptor");
        bind(library, loaded.control, "control_option");
        bind(library, loaded.parameters, "get_parameters");
        bind(library, loaded.start, "start");
        bind(library, loaded.read, "read");
        bind(library, loaded.cancel, "cancel");
        bind(library, loaded.setIoMode, "set_io_mode");
        bind(library, loaded.selectFd, "get_select_fd");
        return loaded;
    }();
    return b;
}

class BackendOnCameras : public CamerasOfKnownPicture {
protected:
    void SetUp() override
    {
        CamerasOfKnownPicture::SetUp();
        ASSERT_NE(sane.exit, nullptr);
        SANE_Int version = 0;
        ASSERT_EQ(sane.init(&version, nullptr), SANE_STATUS_GOOD);
        EXPECT_EQ(SANE_VERSION_MAJOR(version), 1);
        ASSERT_EQ(sane.open("ousbdrv000", &handle), SANE_STATUS_GOOD);
    }
    void TearDown() override
    {
        if (sane.exit != nullptr)
            sane.exit();  // closes the handle too
        CamerasOfKnownPicture::TearDown();
    }

    SANE_Int optionIndex(const char* name) const
    {
        for (SANE_Int i = 1;; ++i) {
            const SANE_Option_Descriptor* d = sane.descriptor(handle, i);
            if (d == nullptr)
                return -1;
            if (d->name != nullptr && std::strcmp(d->name, name) == 0)
                return i;
        }
    }

    SANE_Status setInt(const char* name, SANE_Word value, SANE_Int* info, SANE_Word* readBack = nullptr)
    {
        const SANE_Status status = sane.control(handle, optionIndex(name), SANE_ACTION_SET_VALUE, &value, info);
        if (readBack != nullptr) {
            EXPECT_EQ(sane.control(handle, optionIndex(name), SANE_ACTION_GET_VALUE, readBack, nullptr),
                      SANE_STATUS_GOOD);
        }
        return status;
    }

    // Reads the whole picture; the final status (EOF on success).
    SANE_Status readAll(std::vector<SANE_Byte>& picture, SANE_Int chunk = 7001)
    {
        std::vector<SANE_Byte> buffer(static_cast<std::size_t>(chunk));
        SANE_Int length = 0;
        SANE_Status status;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while ((status = sane.read(handle, buffer.data(), chunk, &length)) == SANE_STATUS_GOOD &&
               Clock::now() < deadline)
            picture.insert(picture.end(), buffer.begin(), buffer.begin() + length);
        return status;
    }

    const Backend& sane = backend();
    SANE_Handle handle = nullptr;
};

} // namespace

TEST_F(BackendOnCameras, DevicesAndOpeningThem)
{
    const SANE_Device** devices = nullptr;
    ASSERT_EQ(sane.getDevices(&devices, SANE_FALSE), SANE_STATUS_GOOD);
    std::vector<std::string> names;
    for (; *devices != nullptr; ++devices) {
        names.emplace_back((*devices)->name);
        EXPECT_STREQ((*devices)->type, "video camera");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"ousbdrv000", "ousbdrv002"}));

    SANE_Handle other = nullptr;
    EXPECT_EQ(sane.open("ousbdrv002", &other), SANE_STATUS_DEVICE_BUSY);  // one camera at a time
    sane.close(handle);
    handle = nullptr;
    for (const char* bad : {"ousbdrv001", "ousbdrv", "ousbdrv0000", "ousbdrv-01", "../ousbdrv000", "ousbdrv999"})
        EXPECT_EQ(sane.open(bad, &other), SANE_STATUS_INVAL) << bad;
    EXPECT_EQ(sane.open(nullptr, &other), SANE_STATUS_INVAL);
    EXPECT_EQ(sane.open("", &handle), SANE_STATUS_GOOD);  // the first camera
}

TEST_F(BackendOnCameras, EveryOptionAnswersBadValuesWithAStatus)
{
    SANE_Int info = 0;
    SANE_Word value = 0;
    // Numbers out of range are brought into it and said to be inexact.
    for (const char* name : {SANE_NAME_BRIGHTNESS, SANE_NAME_CONTRAST, SANE_NAME_HUE, SANE_NAME_SATURATION}) {
        SCOPED_TRACE(name);
        const std::pair<SANE_Word, SANE_Word> cases[] = {{-11, -10}, {11, 10}, {INT_MIN, -10}, {INT_MAX, 10}, {7, 7}};
        for (const auto& [wanted, taken] : cases) {
            EXPECT_EQ(setInt(name, wanted, &info, &value), SANE_STATUS_GOOD);
            EXPECT_EQ(value, taken);
            EXPECT_EQ(info & SANE_INFO_INEXACT, wanted == taken ? 0 : SANE_INFO_INEXACT);
        }
    }
    const std::pair<SANE_Word, SANE_Word> sizes[] = {{0, 160}, {INT_MIN, 160}, {INT_MAX, 640}, {300, 320}, {352, 352}};
    for (const auto& [wanted, taken] : sizes) {
        EXPECT_EQ(setInt(SANE_NAME_SCAN_RESOLUTION, wanted, &info, &value), SANE_STATUS_GOOD);
        EXPECT_EQ(value, taken);
        EXPECT_TRUE(info & SANE_INFO_RELOAD_PARAMS);
        EXPECT_EQ(info & SANE_INFO_INEXACT, wanted == taken ? 0 : SANE_INFO_INEXACT);
    }
    SANE_Parameters params{};
    ASSERT_EQ(sane.parameters(handle, &params), SANE_STATUS_GOOD);
    EXPECT_EQ(params.pixels_per_line, 352);
    EXPECT_EQ(params.lines, 288);
    EXPECT_EQ(params.bytes_per_line, 352 * 3);

    // Not a boolean, not one of the listed strings, not a terminated string: refused, value kept.
    EXPECT_EQ(setInt(SANE_NAME_PREVIEW, 2, &info), SANE_STATUS_INVAL);
    EXPECT_EQ(setInt(SANE_NAME_PREVIEW, -1, &info), SANE_STATUS_INVAL);
    const SANE_Int mode = optionIndex(SANE_NAME_SCAN_MODE);
    const SANE_Int size = sane.descriptor(handle, mode)->size;
    std::vector<char> text(static_cast<std::size_t>(size), 'x');  // no terminator within the option's size
    EXPECT_EQ(sane.control(handle, mode, SANE_ACTION_SET_VALUE, text.data(), &info), SANE_STATUS_INVAL);
    for (const char* bad : {"Colour", "", "Lineart", "Gray "})
        EXPECT_EQ(sane.control(handle, mode, SANE_ACTION_SET_VALUE, const_cast<char*>(bad), &info),
                  SANE_STATUS_INVAL) << bad;
    char gray[] = "gray";
    EXPECT_EQ(sane.control(handle, mode, SANE_ACTION_SET_VALUE, gray, &info), SANE_STATUS_GOOD);
    EXPECT_EQ(info, SANE_INFO_INEXACT | SANE_INFO_RELOAD_PARAMS);
    text.assign(static_cast<std::size_t>(size), '\0');
    ASSERT_EQ(sane.control(handle, mode, SANE_ACTION_GET_VALUE, text.data(), nullptr), SANE_STATUS_GOOD);
    EXPECT_STREQ(text.data(), SANE_VALUE_SCAN_MODE_GRAY);
    ASSERT_EQ(sane.parameters(handle, &params), SANE_STATUS_GOOD);
    EXPECT_EQ(params.format, SANE_FRAME_GRAY);
    EXPECT_EQ(params.bytes_per_line, 352);

    // Every option: indexes out of range, group rows, null values, automatic and unknown actions.
    SANE_Word count = 0;
    ASSERT_EQ(sane.control(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr), SANE_STATUS_GOOD);
    EXPECT_EQ(sane.control(handle, 0, SANE_ACTION_SET_VALUE, &count, nullptr), SANE_STATUS_INVAL);
    for (SANE_Int i = -2; i < count + 2; ++i) {
        SCOPED_TRACE(i);
        const SANE_Option_Descriptor* d = sane.descriptor(handle, i);
        EXPECT_EQ(d == nullptr, i < 0 || i >= count);
        char buffer[64] = {};
        const SANE_Status expected =
            (d == nullptr || d->type == SANE_TYPE_GROUP) ? SANE_STATUS_INVAL : SANE_STATUS_GOOD;
        EXPECT_EQ(sane.control(handle, i, SANE_ACTION_GET_VALUE, buffer, &info), expected);
        EXPECT_EQ(sane.control(handle, i, SANE_ACTION_SET_VALUE, nullptr, &info), SANE_STATUS_INVAL);
        EXPECT_EQ(sane.control(handle, i, SANE_ACTION_SET_AUTO, buffer, &info), SANE_STATUS_INVAL);
        EXPECT_EQ(sane.control(handle, i, static_cast<SANE_Action>(7), buffer, &info), SANE_STATUS_INVAL);
    }
    // A handle that is not ours.
    int stranger = 0;
    EXPECT_EQ(sane.control(&stranger, mode, SANE_ACTION_GET_VALUE, text.data(), nullptr), SANE_STATUS_INVAL);
    EXPECT_EQ(sane.descriptor(&stranger, 1), nullptr);
    EXPECT_EQ(sane.start(&stranger), SANE_STATUS_INVAL);
    sane.cancel(&stranger);
    sane.close(&stranger);
}

TEST_F(BackendOnCameras, NonBlockingReadsWaitOnTheSelectDescriptorAndDeliverThePicture)
{
    SANE_Int info = 0;
    ASSERT_EQ(setInt(SANE_NAME_SCAN_RESOLUTION, 320, &info), SANE_STATUS_GOOD);
    SANE_Bool nonBlocking = SANE_TRUE;
    SANE_Int fd = -1;
    EXPECT_EQ(sane.setIoMode(handle, nonBlocking), SANE_STATUS_INVAL);  // only during a scan
    EXPECT_EQ(sane.selectFd(handle, &fd), SANE_STATUS_INVAL);
    SANE_Parameters before{}, after{};
    ASSERT_EQ(sane.parameters(handle, &before), SANE_STATUS_GOOD);
    ASSERT_EQ(sane.start(handle), SANE_STATUS_GOOD);
    ASSERT_EQ(sane.parameters(handle, &after), SANE_STATUS_GOOD);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(setInt(SANE_NAME_SCAN_RESOLUTION, 160, &info), SANE_STATUS_DEVICE_BUSY);
    EXPECT_EQ(sane.start(handle), SANE_STATUS_DEVICE_BUSY);
    ASSERT_EQ(sane.setIoMode(handle, nonBlocking), SANE_STATUS_GOOD);
    ASSERT_EQ(sane.selectFd(handle, &fd), SANE_STATUS_GOOD);

    std::vector<SANE_Byte> picture, buffer(50000);
    SANE_Int length = 0;
    SANE_Status status;
    int emptyReads = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while ((status = sane.read(handle, buffer.data(), static_cast<SANE_Int>(buffer.size()), &length)) ==
               SANE_STATUS_GOOD &&
           Clock::now() < deadline) {
        if (length == 0) {
            ++emptyReads;
            pollfd ready{fd, POLLIN, 0};
            ::poll(&ready, 1, 1000);
        }
        picture.insert(picture.end(), buffer.begin(), buffer.begin() + length);
    }
    EXPECT_EQ(status, SANE_STATUS_EOF);
    EXPECT_GE(emptyReads, 1);  // the first read comes before any grab could have ended
    ASSERT_EQ(picture.size(), 320u * 240u * 3u);
    const auto want = rz410::testing::expectedRgb(known, 320, 240);
    ASSERT_TRUE(want);
    const auto d = rz410::testing::compare(std::string(picture.begin(), picture.end()), *want);
    EXPECT_LT(d.mean, 5.0);
    sane.cancel(handle);
    // The options can change again once the scan is over.
    EXPECT_EQ(setInt(SANE_NAME_SCAN_RESOLUTION, 160, &info), SANE_STATUS_GOOD);
}

TEST_F(BackendOnCameras, CancelAtAnyPointEndsTheScanAndTheNextOneIsWhole)
{
    std::vector<SANE_Byte> picture;
    SANE_Byte byte = 0;
    SANE_Int length = 0;
    sane.cancel(handle);  // before any scan: harmless
    EXPECT_EQ(sane.read(handle, &byte, 1, &length), SANE_STATUS_CANCELLED);

    ASSERT_EQ(sane.start(handle), SANE_STATUS_GOOD);  // cancelled while grabbing
    sane.cancel(handle);
    const auto begun = Clock::now();
    EXPECT_EQ(sane.read(handle, &byte, 1, &length), SANE_STATUS_CANCELLED);
    EXPECT_LT(Clock::now() - begun, std::chrono::seconds(1));
    EXPECT_EQ(length, 0);

    ASSERT_EQ(sane.start(handle), SANE_STATUS_GOOD);  // cancelled half-way through the reads
    ASSERT_EQ(sane.read(handle, &byte, 1, &length), SANE_STATUS_GOOD);
    sane.cancel(handle);
    EXPECT_EQ(readAll(picture), SANE_STATUS_CANCELLED);

    // A camera that stops answering holds up neither non-blocking reads nor cancel.
    ASSERT_EQ(::kill(daemon->pid(), SIGSTOP), 0);
    ASSERT_EQ(sane.start(handle), SANE_STATUS_GOOD);
    ASSERT_EQ(sane.setIoMode(handle, SANE_TRUE), SANE_STATUS_GOOD);
    const auto stalled = Clock::now();
    EXPECT_EQ(sane.read(handle, &byte, 1, &length), SANE_STATUS_GOOD);
    EXPECT_EQ(length, 0);
    sane.cancel(handle);
    EXPECT_EQ(sane.read(handle, &byte, 1, &length), SANE_STATUS_CANCELLED);
    EXPECT_LT(Clock::now() - stalled, std::chrono::seconds(1));
    ASSERT_EQ(::kill(daemon->pid(), SIGCONT), 0);

    ASSERT_EQ(sane.start(handle), SANE_STATUS_GOOD);  // and a whole one after it
    picture.clear();
    EXPECT_EQ(readAll(picture), SANE_STATUS_EOF);
    EXPECT_EQ(picture.size(), 640u * 480u * 3u);
    EXPECT_EQ(sane.read(handle, &byte, 1, &length), SANE_STATUS_EOF);
    sane.cancel(handle);
}

TEST_F(BackendOnCameras, UnpluggingDuringAScanEndsItWithAnIoErrorWithinASecond)
{
    SANE_Byte buffer[1000];
    SANE_Int length = 0;
    ASSERT_EQ(sane.start(handle), SANE_STATUS_GOOD);
    ASSERT_EQ(sane.read(handle, buffer, sizeof buffer, &length), SANE_STATUS_GOOD);
    ASSERT_EQ(daemon->runCommand({"--unplug", "0"}), 0);
    std::vector<SANE_Byte> rest;
    const auto unplugged = Clock::now();
    EXPECT_EQ(readAll(rest), SANE_STATUS_IO_ERROR);
    EXPECT_LT(Clock::now() - unplugged, std::chrono::seconds(1));
    sane.cancel(handle);

    // While it is away a scan does not start; back, it scans again.
    EXPECT_EQ(sane.start(handle), SANE_STATUS_IO_ERROR);
    ASSERT_EQ(daemon->runCommand({"--plug", "0"}), 0);
    ASSERT_EQ(sane.start(handle), SANE_STATUS_GOOD);
    std::vector<SANE_Byte> picture;
    EXPECT_EQ(readAll(picture), SANE_STATUS_EOF);
    EXPECT_EQ(picture.size(), 640u * 480u * 3u);
    sane.cancel(handle);
}
