#include "imaging/save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <new>
#include <optional>

#include "imaging/formats/picture.h"
#include "imaging/save_options.h"

namespace imaging {
namespace {

constexpr int kDefaultJpegQuality = 90;
constexpr int kBestQualityValue = 2;
constexpr int kWorstQualityValue = 255;

// What each format can take as it is.
bool takesPalette(int formatCode) {
  return formatCode == kFormatBmp || formatCode == kFormatPcx || formatCode == kFormatGif;
}

// Luminance with the weights of ITU-R BT.601, in eighths of 1/32.
std::uint8_t luminance(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<std::uint8_t>((77 * r + 150 * g + 29 * b + 128) >> 8);
}

// A copy of `source` at the depth the file needs, when it differs.
Status convertForWriting(const Bitmap& source, int bitsPerPixel, int formatCode,
                         std::optional<Bitmap>& converted) {
  const bool colouredPalette = source.bitsPerPixel() == 8 && !source.hasGreyPalette();
  int target = bitsPerPixel;
  if (target == 8 && colouredPalette && !takesPalette(formatCode)) target = 24;
  if (target == source.bitsPerPixel()) return kSuccess;

  converted.emplace();
  Bitmap& out = *converted;
  Status status = allocate(out, source.width(), source.height(), target);
  if (status != kSuccess) return status;
  out.setResolution(source.xResolution(), source.yResolution());
  const bool bgr = source.colourOrder() == ColourOrder::Bgr;
  for (int y = 0; y < source.height(); ++y) {
    const std::uint8_t* in = source.line(y);
    std::uint8_t* line = out.line(y);
    for (int x = 0; x < source.width(); ++x) {
      if (target == 8) {
        const std::uint8_t* p = in + 3 * x;
        line[x] = bgr ? luminance(p[2], p[1], p[0]) : luminance(p[0], p[1], p[2]);
      } else {
        const PaletteEntry& e = source.palette()[in[x]];
        line[3 * x] = e.blue;
        line[3 * x + 1] = e.green;
        line[3 * x + 2] = e.red;
      }
    }
  }
  return kSuccess;
}

Status encodePicture(const formats::Picture& picture, int formatCode, int quality,
                     std::vector<std::uint8_t>& out) {
  switch (formatCode) {
    case kFormatPcx: return formats::writePcx(picture, out);
    case kFormatGif: return formats::writeGif(picture, out);
    case kFormatTif: return formats::writeTiff(picture, out);
    case kFormatTga: return formats::writeTga(picture, out);
    case kFormatCmp: return formats::writePng(picture, out);
    case kFormatBmp: return formats::writeBmp(picture, out);
    case kFormatJpeg:
    case kFormatJpegAlt: return formats::writeJpeg(picture, jpegQualityFor(quality), out);
    case kFormatPng: return formats::writePng(picture, out);
    case kFormatPsd: return formats::writePsd(picture, out);
    case kFormatFpx: return formats::writeFpx(picture, out);
    default: return kUnknownFormat;
  }
}

Status errnoStatus(int error, Status otherwise) {
  return (error == ENOSPC || error == EDQUOT) ? kDiskFull : otherwise;
}

// Writes `bytes` to a new file beside `fileName` and renames it into place.
Status writeFileReplacing(const std::string& requestedName, const std::vector<std::uint8_t>& bytes) {
  // Saving over a link replaces the file it points to, not the link; a file
  // that is replaced keeps its permissions.
  std::string fileName = requestedName;
  std::error_code linkError;
  if (std::filesystem::is_symlink(requestedName, linkError)) {
    const std::filesystem::path target = std::filesystem::weakly_canonical(requestedName, linkError);
    if (!linkError) fileName = target.string();
  }
  struct stat previous {};
  const bool replacing = ::stat(fileName.c_str(), &previous) == 0 && S_ISREG(previous.st_mode);

  // A short hidden name in the same folder: the rename stays on one file
  // system, and a target name near the length limit still leaves room.
  static std::atomic<unsigned> counter{0};
  char name[64];
  std::snprintf(name, sizeof name, ".imaging-%ld-%u.part", static_cast<long>(getpid()), counter++);
  const std::size_t slash = fileName.find_last_of('/');
  const std::string temporary = slash == std::string::npos ? std::string(name) : fileName.substr(0, slash + 1) + name;

  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errnoStatus(errno, kCannotCreateFile);
  if (replacing) ::fchmod(fd, previous.st_mode & 07777);

  Status status = kSuccess;
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      status = errnoStatus(n < 0 ? errno : ENOSPC, kWriteFailed);
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && status == kSuccess) status = errnoStatus(errno, kWriteFailed);
  if (status == kSuccess && std::rename(temporary.c_str(), fileName.c_str()) != 0) {
    status = errnoStatus(errno, kWriteFailed);
  }
  if (status != kSuccess) ::unlink(temporary.c_str());
  return status;
}

}  // namespace

bool isKnownFormat(int formatCode) {
  switch (formatCode) {
    case kFormatPcx: case kFormatGif: case kFormatTif: case kFormatTga: case kFormatCmp:
    case kFormatBmp: case kFormatJpeg: case kFormatJpegAlt: case kFormatPng: case kFormatPsd:
    case kFormatFpx:
      return true;
    default:
      return false;
  }
}

int jpegQualityFor(int quality) {
  if (quality <= 0) return kDefaultJpegQuality;
  if (quality <= kBestQualityValue) return 100;
  if (quality >= kWorstQualityValue) return 1;
  const double step = 99.0 / (kWorstQualityValue - kBestQualityValue);
  return static_cast<int>(std::lround(100.0 - (quality - kBestQualityValue) * step));
}

Status encode(const Bitmap& bitmap, int formatCode, int bitsPerPixel, int quality,
              std::vector<std::uint8_t>& out) {
  if (!isKnownFormat(formatCode)) return kUnknownFormat;
  if (bitsPerPixel != 8 && bitsPerPixel != 24) return kUnsupportedDepth;
  if (!bitmap.allocated()) return kNoBitmap;

  const std::size_t start = out.size();
  try {
    std::optional<Bitmap> converted;
    Status status = convertForWriting(bitmap, bitsPerPixel, formatCode, converted);
    if (status != kSuccess) return status;

    const SaveOptions options = saveOptions();
    formats::Picture picture;
    picture.bitmap = converted ? &*converted : &bitmap;
    const bool known = bitmap.xResolution() > 0 && bitmap.yResolution() > 0;
    picture.xDpi = known ? bitmap.xResolution() : options.defaultResolutionX();
    picture.yDpi = known ? bitmap.yResolution() : options.defaultResolutionY();

    status = encodePicture(picture, formatCode, quality, out);
    if (status != kSuccess) out.resize(start);
    return status;
  } catch (const std::bad_alloc&) {
    out.resize(start);
    return kNoMemory;
  }
}

Status save(const std::string& fileName, const Bitmap& bitmap, int formatCode, int bitsPerPixel,
            int quality) {
  if (fileName.empty()) return kCannotCreateFile;
  std::vector<std::uint8_t> bytes;
  const Status status = encode(bitmap, formatCode, bitsPerPixel, quality, bytes);
  if (status != kSuccess) return status;
  return writeFileReplacing(fileName, bytes);
}

}  // namespace imaging
