// twacquire: acquires one picture from a TWAIN source through the source
// manager and saves it. Scripts and tests use it to drive a source without
// a person: --press clicks a key of the source's window (by its control id,
// as a person would), --transfer-after asks the window for the transfer.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include "platform/twain/acquisition.h"
#include "platform/twain/scanner_module.h"
#include "platform/ui/window_message.h"

namespace {

constexpr const char* kUsage =
    "usage: twacquire --source NAME --output PATH [--mech native|file|memory]\n"
    "                 [--buffers pointer|handle] [--format tiff|bmp|jfif] [--no-ui]\n"
    "                 [--press ID] [--transfer-after MS] [--no-callback] [--timeout MS]\n"
    "Acquires one picture from the TWAIN source NAME and saves it to PATH: a native\n"
    "transfer as a BMP file, memory strips as the picture PATH's extension names, a\n"
    "file transfer as the source writes it. --transfer-after asks the source's window\n"
    "for the transfer after MS milliseconds; with --press ID the key whose control id is\n"
    "ID (the window's take-picture key, say) is clicked first, as a person would.\n";

bool parseInt(const char* text, int& value)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 3600000)
        return false;
    value = static_cast<int>(v);
    return true;
}

const char* pixelTypeName(int type)
{
    switch (type) {
    case TWPT_BW: return "black-and-white";
    case TWPT_GRAY: return "gray";
    case TWPT_RGB: return "RGB";
    default: return "other";
    }
}

// Clicks the visible, enabled control named `controlId` in a shown window of
// the source: a press and a release at its centre. False when there is none yet.
bool pressControl(const QString& controlId)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        QWidget* key = window->findChild<QWidget*>(controlId);
        if (key == nullptr || !key->isVisible() || !key->isEnabled())
            continue;
        const QPointF centre(key->width() / 2.0, key->height() / 2.0);
        const QPointF global = key->mapToGlobal(centre);
        QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(key, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(key, &release);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    twain::AcquireOptions options;
    int transferAfterMs = -1;
    QString pressId;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto need = [&]() {
            if (!value) {
                std::fprintf(stderr, "twacquire: %s needs a value\n%s", arg.c_str(), kUsage);
                std::exit(2);
            }
            ++i;
            return std::string(value);
        };
        if (arg == "--source") {
            options.sourceName = need();
        } else if (arg == "--output") {
            options.outputPath = need();
        } else if (arg == "--mech") {
            const std::string m = need();
            if (m == "native") options.mechanism = twain::Mechanism::Native;
            else if (m == "file") options.mechanism = twain::Mechanism::File;
            else if (m == "memory") options.mechanism = twain::Mechanism::Memory;
            else { std::fprintf(stderr, "twacquire: unknown mechanism %s\n", m.c_str()); return 2; }
        } else if (arg == "--buffers") {
            const std::string b = need();
            if (b == "pointer") options.buffers = twain::BufferKind::Pointer;
            else if (b == "handle") options.buffers = twain::BufferKind::Handle;
            else { std::fprintf(stderr, "twacquire: unknown buffer kind %s\n", b.c_str()); return 2; }
        } else if (arg == "--format") {
            const std::string f = need();
            if (f == "tiff") options.fileFormat = TWFF_TIFF;
            else if (f == "bmp") options.fileFormat = TWFF_BMP;
            else if (f == "jfif") options.fileFormat = TWFF_JFIF;
            else { std::fprintf(stderr, "twacquire: unknown format %s\n", f.c_str()); return 2; }
        } else if (arg == "--no-ui") {
            options.showUi = false;
        } else if (arg == "--no-callback") {
            options.useCallback = false;
        } else if (arg == "--press") {
            pressId = QString::fromStdString(need());
            if (pressId.isEmpty()) { std::fputs(kUsage, stderr); return 2; }
        } else if (arg == "--transfer-after") {
            if (!parseInt(need().c_str(), transferAfterMs)) { std::fputs(kUsage, stderr); return 2; }
        } else if (arg == "--timeout") {
            if (!parseInt(need().c_str(), options.timeoutMs)) { std::fputs(kUsage, stderr); return 2; }
        } else if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "twacquire: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (options.sourceName.empty() || options.outputPath.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // A window system only when the source's window is wanted.
    std::unique_ptr<QApplication> app;
    if (options.showUi)
        app = std::make_unique<QApplication>(argc, argv);
    twain::EventPump pump;
    const auto start = std::chrono::steady_clock::now();
    bool asked = transferAfterMs < 0;
    bool pressed = pressId.isEmpty();
    if (app) {
        pump = [&]() {
            QApplication::processEvents();
            // The key is pressed as soon as the window shows it, the transfer
            // asked for once the delay has passed.
            if (!pressed)
                pressed = pressControl(pressId);
            if (pressed && !asked &&
                std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(transferAfterMs)) {
                asked = true;
                for (QWidget* w : QApplication::topLevelWidgets())
                    platform::ui::sendMessage(w, scanner_module::kFrameTransferMessage, 0, 0);
            }
        };
    }

    const twain::AcquireResult result = twain::acquire(options, pump);
    if (!result.ok) {
        std::fprintf(stderr, "twacquire: %s\n", result.error.c_str());
        return 1;
    }
    const TW_IMAGEINFO& info = result.info;
    std::printf("width %d\nheight %d\nbits per pixel %d\nsamples per pixel %d\npixel type %d (%s)\n"
                "resolution %d x %d\ncompression %u\n",
                info.ImageWidth, info.ImageLength, info.BitsPerPixel, info.SamplesPerPixel, info.PixelType,
                pixelTypeName(info.PixelType), info.XResolution.Whole, info.YResolution.Whole, info.Compression);
    if (options.mechanism == twain::Mechanism::Memory)
        std::printf("strips %d\n", result.strips);
    std::printf("saved %s\n", options.outputPath.c_str());
    return 0;
}
