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
#include <vector>

#include "imaging/formats/picture.h"
#include "imaging/save_options.h"

namespace imaging {
namespace {

constexpr int kDefaultJpegQuality = 90;
constexpr int kBestQualityValue = 2;
constexpr int kWorstQualityValue = 255;
constexpr std::size_t kCopyChunkSize = 1 << 20;

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

bool writeAllAt(int fd, const std::uint8_t* data, std::size_t size, off_t offset, int& error) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Copies `size` bytes of `from` to offset 0 of `to`.
bool copyContents(int from, int to, off_t size, int& error) {
  std::vector<std::uint8_t> chunk(kCopyChunkSize);
  for (off_t at = 0; at < size;) {
    const ssize_t n = ::pread(from, chunk.data(), chunk.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;  // the file shrank under us
      return false;
    }
    if (!writeAllAt(to, chunk.data(), static_cast<std::size_t>(n), at, error)) return false;
    at += n;
  }
  return true;
}

// An unnamed file in the system's temporary folder, gone when closed.
int anonymousTemporaryFile() {
  std::error_code ignored;
  const std::string folder = std::filesystem::temp_directory_path(ignored).string();
  const std::string base = folder.empty() ? std::string("/tmp") : folder;
  int fd = ::open(base.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
  std::string pattern = base + "/.imaging-backup-XXXXXX";
  fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(pattern.c_str());
  return fd;
}

// Overwrites an existing file in place, for a folder that takes no new file
// while the file itself is writable. The guarantee: whatever fails (a full
// disk, a write error), the file ends up holding either the whole new
// picture or its old contents, never a truncated mix:
// - the old contents are first copied to an unnamed file in the system's
//   temporary folder (if that fails, the file is not touched);
// - the space the new contents need is reserved before the first byte is
//   overwritten, so a full disk shows before any change (the file is cut
//   back to its old size, its bytes untouched);
// - a write that fails after that restores the copy into blocks that are
//   already allocated, which a file system that overwrites in place always
//   takes. Only a copy-on-write file system that is full at that moment, or a
//   crash mid-write, can defeat this; the renaming path is used whenever the
//   folder allows it for that reason.
Status overwriteInPlace(const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(fileName.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return errnoStatus(errno, kCannotCreateFile);
  struct stat old {};
  if (::fstat(fd, &old) != 0 || !S_ISREG(old.st_mode)) {
    ::close(fd);
    return kCannotCreateFile;
  }
  const int backup = anonymousTemporaryFile();
  int error = 0;
  if (backup < 0 || !copyContents(fd, backup, old.st_size, error)) {
    const int saved = backup < 0 ? errno : error;
    if (backup >= 0) ::close(backup);
    ::close(fd);
    return errnoStatus(saved, kWriteFailed);
  }

  Status status = kSuccess;
  const off_t newSize = static_cast<off_t>(bytes.size());
  if (newSize > old.st_size) {
    const int reserve = ::posix_fallocate(fd, 0, newSize);
    if (reserve != 0) {
      (void)::ftruncate(fd, old.st_size);  // undoes any growth; never needs space
      status = errnoStatus(reserve, kWriteFailed);
    }
  }
  if (status == kSuccess) {
    bool written = writeAllAt(fd, bytes.data(), bytes.size(), 0, error);
    if (written && ::ftruncate(fd, newSize) != 0) {
      error = errno;
      written = false;
    }
    if (written && ::fsync(fd) != 0) {
      error = errno;
      written = false;
    }
    if (!written) {
      status = errnoStatus(error, kWriteFailed);
      int ignored = 0;
      if (copyContents(backup, fd, old.st_size, ignored)) (void)::ftruncate(fd, old.st_size);
      (void)::fsync(fd);
    }
  }
  ::close(backup);
  if (::close(fd) != 0 && status == kSuccess) status = errnoStatus(errno, kWriteFailed);
  return status;
}

// A file made by someone else keeps its owner and group when the writer may
// give them (root may; an owner may give a group of its own), then its
// permissions (changing the owner clears set-id bits, so those come after).
void keepOwnershipAndPermissions(int fd, const struct stat& previous) {
  if (::fchown(fd, previous.st_uid, previous.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), previous.st_gid);
  (void)::fchmod(fd, previous.st_mode & 07777);
}

// Whether a refusal to make or rename a file in the folder may be met by
// writing the existing file in place.
bool folderRefused(int error) { return error == EACCES || error == EPERM; }

// Writes `bytes` to a new file beside `fileName` and renames it into place;
// when the folder refuses that but the file is writable, writes it in place.
Status writeFileReplacing(const std::string& requestedName, const std::vector<std::uint8_t>& bytes) {
  // Saving over a link replaces the file it points to, not the link.
  std::string fileName = requestedName;
  std::error_code linkError;
  if (std::filesystem::is_symlink(requestedName, linkError)) {
    const std::filesystem::path target = std::filesystem::weakly_canonical(requestedName, linkError);
    if (!linkError) fileName = target.string();
  }
  struct stat previous {};
  const bool replacing = ::stat(fileName.c_str(), &previous) == 0 && S_ISREG(previous.st_mode);
  const auto inPlaceAllowed = [&](int error) {
    return replacing && folderRefused(error) && ::faccessat(AT_FDCWD, fileName.c_str(), W_OK, AT_EACCESS) == 0;
  };

  // A short hidden name in the same folder: the rename stays on one file
  // system, and a target name near the length limit still leaves room.
  static std::atomic<unsigned> counter{0};
  char name[64];
  std::snprintf(name, sizeof name, ".imaging-%ld-%u.part", static_cast<long>(getpid()), counter++);
  const std::size_t slash = fileName.find_last_of('/');
  const std::string temporary = slash == std::string::npos ? std::string(name) : fileName.substr(0, slash + 1) + name;

  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    if (inPlaceAllowed(error)) return overwriteInPlace(fileName, bytes);
    return errnoStatus(error, kCannotCreateFile);
  }
  if (replacing) keepOwnershipAndPermissions(fd, previous);

  int error = 0;
  Status status = writeAllAt(fd, bytes.data(), bytes.size(), 0, error) ? kSuccess : errnoStatus(error, kWriteFailed);
  if (::close(fd) != 0 && status == kSuccess) status = errnoStatus(errno, kWriteFailed);
  if (status == kSuccess && std::rename(temporary.c_str(), fileName.c_str()) != 0) {
    error = errno;
    ::unlink(temporary.c_str());
    // A folder with the sticky bit lets us make files but not replace another's.
    if (inPlaceAllowed(error)) return overwriteInPlace(fileName, bytes);
    return errnoStatus(error, kWriteFailed);
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
