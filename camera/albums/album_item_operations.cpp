// What a user does with an album item: open, save elsewhere, delete, print.

#include <cmath>
#include <filesystem>

#include "camera/albums/album_save_names.h"
#include "camera/albums/album_strip.h"
#include "camera/albums/save_as_dialog.h"
#include "camera/core/string_table.h"
#include "imaging/dib.h"
#include "imaging/print.h"
#include "imaging/save.h"
#include "platform/print/printer_device.h"
#include "platform/shell/desktop_associations.h"
#include "platform/shell/file_operations.h"
#include "platform/shell/process.h"

namespace lumoset {

namespace {

constexpr std::size_t kAppPathBuffer = 2048;
constexpr int kPrintLeftPixels = 10;
constexpr int kPrintTopPixels = 10;
constexpr double kMetresPerInch = 0.0254;
// A picture that records no resolution prints at 72 pixels per inch, the
// resolution the camera program gives its own photos.
constexpr std::int32_t kFallbackPelsPerMeter = 2835;

int printedExtent(int printerDotsPerInch, int pixels, std::int32_t pelsPerMeter)
{
    if (pelsPerMeter <= 0)
        pelsPerMeter = kFallbackPelsPerMeter;
    return static_cast<int>(std::lround(printerDotsPerInch * static_cast<double>(pixels) /
                                        (pelsPerMeter * kMetresPerInch)));
}

std::string joinPath(const std::string& directory, const std::string& file)
{
    return directory.empty() ? file : directory + "/" + file;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

} // namespace

void AlbumStrip::findOpenProgram()
{
    openProgram_.clear();
    const platform::shell::DesktopAssociations& desktop = services_.associations;
    std::optional<std::string> program;
    if (kind_ == kPhoto) {
        // The image editor's application path wins; only when it is not
        // registered at all is the .bmp file type asked.
        const platform::shell::Lookup appPath =
            desktop.applicationPath(loadString(kStrImageEditorAppPath), kAppPathBuffer);
        if (appPath.status == platform::shell::LookupStatus::Found)
            program = appPath.value;
        else if (appPath.status == platform::shell::LookupStatus::KeyMissing)
            program = platform::shell::fileTypeProgram(desktop, loadString(kStrBmpExtension),
                                                       loadString(kStrOpenCommandVerb));
    } else {
        program = platform::shell::fileTypeProgram(desktop, loadString(kStrAviExtension),
                                                   loadString(kStrPlayCommandVerb));
    }
    if (program)
        openProgram_ = *program;
}

int AlbumStrip::openSelected()
{
    const int noProgram = kind_ == kPhoto ? kStrNoProgramForBmp : kStrNoProgramForAvi;
    if (selected_ < 0 || selected_ >= count_)
        return 0;
    // The program's own words, then the item's file as one argument: a
    // folder with blanks stays one path.
    std::vector<std::string> argv = platform::shell::splitCommandLine(openProgram_);
    if (argv.empty()) {
        reportError(noProgram);
        return 0;
    }
    argv.push_back(itemPath(selected_, kind_ == kPhoto ? ".bmp" : ".avi"));
    if (!platform::shell::startProgram(argv)) {
        reportError(noProgram);
        return 0;
    }
    return 1;
}

int AlbumStrip::saveSelected()
{
    keepFileAfterSave_ = false;
    if (selected_ < 0 || selected_ >= count_)
        return 0;
    SaveAsRequest request;
    request.defaultExtension = kind_ == kPhoto ? "bmp" : "avi";
    request.initialName = kind_ == kPhoto ? "*.bmp" : "*.avi";
    request.filter = loadString(kind_ == kPhoto ? kStrPhotoSaveFilter : kStrVideoSaveFilter);
    request.confirmOverwrite = kind_ == kVideo;
    const std::optional<std::string> chosen = services_.saveAsDialog.chooseSavePath(this, request);
    if (!chosen)
        return 0;
    const ChosenSaveName name = splitChosenSaveName(*chosen);

    if (kind_ == kVideo) {
        // A clip keeps its .avi extension whatever was typed.
        const std::string target = joinPath(name.directory, name.baseName + ".avi");
        if (!platform::shell::moveFileNoReplace(itemPath(selected_, ".avi"), target)) {
            showText("Can't save this file \"" + name.baseName + ".avi\"");
            return 0;
        }
        return 1;
    }

    if (name.extension.empty()) {
        reportError(kStrInvalidFileName);
        return 0;
    }
    // Only the eight formats of the dialog can be written.
    const std::optional<SaveFormat> format = saveFormatForExtension(name.extension);
    if (!format) {
        reportError(kStrInvalidFileName);
        return 0;
    }
    const std::string target = joinPath(name.directory, name.baseName + "." + name.extension);
    const std::string source = itemPath(selected_, ".bmp");
    // Saved onto its own file, the picture must not be deleted afterwards.
    const bool ontoOwnFile = sameFile(source, target);

    picture_.clear();
    if (!readPicture(source))
        return 0;
    const std::vector<std::uint8_t> dib = picture_.packedDib();
    const int bitsPerPixel = picture_.header().bitCount;
    picture_.clear();
    imaging::Bitmap bitmap;
    int result = imaging::fromDib(bitmap, dib.data(), dib.size());
    if (result == imaging::kSuccess)
        result = imaging::save(target, bitmap, format->formatCode, bitsPerPixel, format->quality);
    imaging::release(bitmap);

    if (result == imaging::kSuccess) {
        keepFileAfterSave_ = ontoOwnFile;
        return 1;
    }
    if (result == imaging::kDiskFull)
        reportError(kStrInsufficientDiskSpace);
    else if (result >= imaging::kTooLarge && result <= imaging::kNoMemory)
        reportError(kStrMemoryInsufficient);
    else
        showText("Error saving!!\nReturn value:" + std::to_string(result));
    return 0;
}

bool AlbumStrip::deleteThumbnailFile()
{
    const std::string bmp = itemPath(selected_, ".bmp");
    if (!platform::shell::deleteFile(bmp)) {
        showText("Can't delete file \"" + bmp + "\"!");
        return false;
    }
    return true;
}

int AlbumStrip::deleteSelected()
{
    if (selected_ < 0 || selected_ >= count_)
        return 0;
    if (!deleteThumbnailFile())
        return 0;
    if (kind_ == kVideo) {
        const std::string avi = itemPath(selected_, ".avi");
        if (!platform::shell::deleteFile(avi)) {
            showText("Can't delete file \"" + avi + "\"!");
            return 0;
        }
    }
    return 1;
}

int AlbumStrip::printSelected()
{
    if (selected_ < 0 || selected_ >= count_)
        return 0;
    picture_.clear();
    if (!readPicture(itemPath(selected_, ".bmp")))
        return 0;
    const std::vector<std::uint8_t> dib = picture_.packedDib();
    const imaging::BitmapInfoHeader header = picture_.header();
    picture_.clear();
    imaging::Bitmap bitmap;
    if (imaging::fromDib(bitmap, dib.data(), dib.size()) != imaging::kSuccess) {
        reportError(kStrInvalidBitmapFormat);
        return 0;
    }
    std::unique_ptr<platform::print::PrinterDevice> printer = services_.printers.openDefaultPrinter();
    if (!printer) {
        reportError(kStrPrinterJobFailed);
        return 0;
    }
    const int width = printedExtent(printer->dotsPerInchX(), header.width, header.xPelsPerMeter);
    const int height = printedExtent(printer->dotsPerInchY(), header.height, header.yPelsPerMeter);
    const int result = imaging::print(*printer, bitmap, kPrintLeftPixels, kPrintTopPixels, width, height);
    imaging::release(bitmap);
    if (result != imaging::kSuccess) {
        reportError(kStrPrinterJobFailed);
        return 0;
    }
    return 1;
}

} // namespace lumoset
