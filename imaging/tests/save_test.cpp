// Every format code, written by us and read back by ImageMagick.

#include "imaging/save.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "imaging/formats/bytes.h"
#include "imaging/save_options.h"
#include "imaging/tests/test_support.h"

namespace imaging {
namespace {

namespace fs = std::filesystem;
using testing::makeScene;
using testing::run;
using testing::scratchDirectory;

constexpr int kAlbumJpegQuality = 2;
constexpr int kModuleJpegQuality = 50;
constexpr double kJpegMinimumPsnr = 35.0;

struct Identity {
  std::string magick;
  int width = 0;
  int height = 0;
  std::string colourspace;
};

Identity identify(const std::string& path) {
  const auto result = run({"identify", "-format", "%m %w %h %[colorspace]", path});
  Identity id;
  std::istringstream in(result.output);
  in >> id.magick >> id.width >> id.height >> id.colourspace;
  return id;
}

// Pixels that differ between two files; -1 when the comparison failed.
long differingPixels(const std::string& a, const std::string& b) {
  const auto result = run({"compare", "-metric", "AE", a, b, "null:"});
  if (result.exitCode != 0 && result.exitCode != 1) return -1;
  return std::atol(result.output.c_str());
}

double psnr(const std::string& a, const std::string& b) {
  const auto result = run({"compare", "-metric", "PSNR", a, b, "null:"});
  if (result.output.rfind("inf", 0) == 0) return 1000.0;
  return std::atof(result.output.c_str());
}

struct FormatCase {
  int code;
  const char* extension;
  const char* magick;  // what ImageMagick must recognise
  int quality;
  bool greyByPalette;  // the format stores grey as a grey palette
};

std::string caseName(const ::testing::TestParamInfo<FormatCase>& info) {
  return std::string(info.param.extension) + "_code" + std::to_string(info.param.code);
}

class EveryFormat : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override {
    SaveOptions options;
    options.fields[0] = 72;
    options.fields[1] = 72;
    options.fields[4] = 1;
    setSaveOptions(options);
  }

  // Saves a scene at `bits` and returns the file and the reference beside it.
  std::pair<std::string, std::string> saveScene(int width, int height, int bits) {
    const FormatCase& f = GetParam();
    const std::string base = scratchDirectory() + "/scene" + std::to_string(f.code) + "_" +
                             std::to_string(bits) + "_" + std::to_string(width);
    const std::string file = base + "." + f.extension;
    const std::string reference = base + (bits == 24 ? ".ppm" : ".pgm");
    const Bitmap scene = makeScene(width, height, bits);
    testing::writeNetpbm(scene, reference);
    EXPECT_EQ(save(file, scene, f.code, bits, f.quality), kSuccess);
    return {file, reference};
  }
};

TEST_P(EveryFormat, ColourPictureReadsBackAsWritten) {
  const FormatCase& f = GetParam();
  const auto [file, reference] = saveScene(157, 101, 24);
  const Identity id = identify(file);
  EXPECT_EQ(id.magick, f.magick);
  EXPECT_EQ(id.width, 157);
  EXPECT_EQ(id.height, 101);
  EXPECT_EQ(id.colourspace, "sRGB");
  if (f.code == kFormatJpeg || f.code == kFormatJpegAlt) {
    EXPECT_GE(psnr(reference, file), kJpegMinimumPsnr);
  } else if (f.code == kFormatGif) {
    EXPECT_GE(psnr(reference, file), 30.0) << "256 well-chosen colours";
  } else {
    EXPECT_EQ(differingPixels(reference, file), 0);
  }
}

TEST_P(EveryFormat, GreyPictureStaysGreyAndReadsBackAsWritten) {
  const FormatCase& f = GetParam();
  const auto [file, reference] = saveScene(157, 101, 8);
  const Identity id = identify(file);
  EXPECT_EQ(id.magick, f.magick);
  EXPECT_EQ(id.width, 157);
  if (f.greyByPalette) {
    // One byte per pixel through a palette, and the palette is grey.
    EXPECT_EQ(run({"identify", "-format", "%r", file}).output, "PseudoClass Gray ");
  } else {
    EXPECT_EQ(id.colourspace, "Gray");
  }
  if (f.code == kFormatJpeg || f.code == kFormatJpegAlt) {
    EXPECT_GE(psnr(reference, file), kJpegMinimumPsnr);
  } else {
    EXPECT_EQ(differingPixels(reference, file), 0);
  }
}

TEST_P(EveryFormat, CameraSizedPictureAtTheCallersQuality) {
  const FormatCase& f = GetParam();
  const auto [file, reference] = saveScene(640, 480, 24);
  if (f.code == kFormatJpeg || f.code == kFormatJpegAlt) {
    EXPECT_GE(psnr(reference, file), kJpegMinimumPsnr);
  } else if (f.code != kFormatGif) {
    EXPECT_EQ(differingPixels(reference, file), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, EveryFormat,
    ::testing::Values(FormatCase{kFormatPcx, "pcx", "PCX", 0, true},
                      FormatCase{kFormatGif, "gif", "GIF", 0, true},
                      FormatCase{kFormatTif, "tif", "TIFF", 0, false},
                      FormatCase{kFormatTga, "tga", "TGA", 0, false},
                      FormatCase{kFormatCmp, "cmp", "PNG", 0, false},
                      FormatCase{kFormatBmp, "bmp", "BMP3", 0, true},  // a version 3 (Windows) BMP
                      FormatCase{kFormatJpeg, "jpg", "JPEG", kAlbumJpegQuality, false},
                      FormatCase{kFormatJpegAlt, "jpg", "JPEG", kModuleJpegQuality, false},
                      FormatCase{kFormatPng, "png", "PNG", 0, false},
                      FormatCase{kFormatPsd, "psd", "PSD", 0, false}),
    caseName);

TEST(Save, FewColourPicturesKeepThemExactlyThroughAPalette) {
  Bitmap bitmap;
  ASSERT_EQ(allocate(bitmap, 200, 50, 24), kSuccess);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 200; ++x) {
      std::uint8_t* p = bitmap.line(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x);  // 200 colours
      p[1] = static_cast<std::uint8_t>(255 - x);
      p[2] = static_cast<std::uint8_t>(y >= 25 && x % 4 == 1 ? 91 : 90);  // and 50 more below
    }
  }
  const std::string reference = scratchDirectory() + "/few.ppm";
  testing::writeNetpbm(bitmap, reference);
  for (const char* name : {"/few.gif", "/few.png"}) {
    const std::string file = scratchDirectory() + name;
    ASSERT_EQ(save(file, bitmap, std::string(name) == "/few.gif" ? kFormatGif : kFormatPng, 24, 0), kSuccess);
    EXPECT_EQ(differingPixels(reference, file), 0) << name;
  }
  const auto png = testing::readFile(scratchDirectory() + "/few.png");
  ASSERT_GT(png.size(), 26u);
  EXPECT_EQ(png[25], 3) << "PNG colour type 3: palette";
}

TEST(Save, ReplacingAFileKeepsItsPermissionsAndWritesThroughLinks) {
  const Bitmap scene = makeScene(16, 12, 24);
  const std::string real = scratchDirectory() + "/kept.bmp";
  const std::string link = scratchDirectory() + "/link.bmp";
  ASSERT_EQ(save(real, scene, kFormatBmp, 24, 0), kSuccess);
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(real, link);

  const Bitmap other = makeScene(20, 10, 24);
  ASSERT_EQ(save(link, other, kFormatBmp, 24, 0), kSuccess);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const auto bytes = testing::readFile(real);
  ASSERT_GE(bytes.size(), 26u);
  EXPECT_EQ(bytes[18], 20);  // the new picture's width is in the linked file
}

TEST(Save, ReplacingAFileKeepsItsOwnerAndGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another owner needs root";
  const std::string path = scratchDirectory() + "/owned.bmp";
  ASSERT_EQ(save(path, makeScene(16, 12, 24), kFormatBmp, 24, 0), kSuccess);
  constexpr uid_t kOtherUser = 12345;
  constexpr gid_t kOtherGroup = 23456;
  ASSERT_EQ(chown(path.c_str(), kOtherUser, kOtherGroup), 0);
  ASSERT_EQ(save(path, makeScene(20, 10, 24), kFormatBmp, 24, 0), kSuccess);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kOtherUser);
  EXPECT_EQ(st.st_gid, kOtherGroup);
}

constexpr uid_t kNobody = 65534;

// Names in `folder` other than the `expected` ones.
std::vector<std::string> strayFiles(const std::string& folder, const std::vector<std::string>& expected);

// Runs `body` in a child that is not root (root writes anywhere), so that
// folder permissions apply; false when it cannot become another user.
bool asUnprivilegedUser(int (*body)(const std::string&), const std::string& folder, int* exitCode) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(77);
    _exit(body(folder));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 77) return false;
  *exitCode = WEXITSTATUS(status);
  return true;
}

std::vector<std::uint8_t> bmpBytes(const Bitmap& bitmap) {
  std::vector<std::uint8_t> out;
  encode(bitmap, kFormatBmp, 24, 0, out);
  return out;
}

bool holds(const std::string& path, const Bitmap& bitmap) {
  return testing::readFile(path) == bmpBytes(bitmap);
}

int saveIntoFoldersThatTakeNoNewFile(const std::string& base) {
  const Bitmap larger = makeScene(64, 48, 24);
  const Bitmap smaller = makeScene(8, 6, 24);
  for (const char* folderName : {"/read-only", "/sticky"}) {
    const std::string folder = base + folderName;
    if (save(folder + "/photo.bmp", larger, kFormatBmp, 24, 0) != kSuccess) return 10;
    if (!holds(folder + "/photo.bmp", larger)) return 11;
    if (save(folder + "/photo.bmp", smaller, kFormatBmp, 24, 0) != kSuccess) return 12;
    if (!holds(folder + "/photo.bmp", smaller)) return 13;  // cut to the new length
    if (!strayFiles(folder, {"photo.bmp"}).empty()) return 14;
  }
  if (save(base + "/read-only/new.bmp", smaller, kFormatBmp, 24, 0) != kCannotCreateFile) return 15;
  return 0;
}

TEST(Save, AWritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace) {
  std::string base = "/tmp/imaging-in-place.XXXXXX";
  ASSERT_NE(mkdtemp(base.data()), nullptr);
  fs::permissions(base, fs::perms::all);
  struct stat before[2] {};
  const char* folders[] = {"/read-only", "/sticky"};
  for (int i = 0; i < 2; ++i) {
    const std::string folder = base + folders[i];
    fs::create_directory(folder);
    ASSERT_EQ(save(folder + "/photo.bmp", makeScene(16, 12, 24), kFormatBmp, 24, 0), kSuccess);
    fs::permissions(folder + "/photo.bmp", fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
    ASSERT_EQ(stat((folder + "/photo.bmp").c_str(), &before[i]), 0);
  }
  fs::permissions(base + "/read-only", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                           fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(base + "/sticky", fs::perms::all | fs::perms::sticky_bit);

  int exitCode = -1;
  const bool ran = asUnprivilegedUser(saveIntoFoldersThatTakeNoNewFile, base, &exitCode);
  for (int i = 0; i < 2; ++i) {
    struct stat after {};
    ASSERT_EQ(stat((base + folders[i] + "/photo.bmp").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before[i].st_ino) << folders[i];
    EXPECT_EQ(after.st_uid, before[i].st_uid) << folders[i];
  }
  fs::permissions(base + "/read-only", fs::perms::all);
  fs::remove_all(base);
  ASSERT_TRUE(ran) << "could not run as another user";
  EXPECT_EQ(exitCode, 0) << "10-13: saving over the file failed or wrote other bytes, 14: file left "
                            "behind, 15: a new file was made in a read-only folder";
}

TEST(Save, DepthIsTheOneAskedFor) {
  const Bitmap colour = makeScene(64, 48, 24);
  const std::string grey = scratchDirectory() + "/asked8.png";
  ASSERT_EQ(save(grey, colour, kFormatPng, 8, 0), kSuccess);
  EXPECT_EQ(identify(grey).colourspace, "Gray");

  const Bitmap greyScene = makeScene(64, 48, 8);
  const std::string expanded = scratchDirectory() + "/asked24.tif";
  ASSERT_EQ(save(expanded, greyScene, kFormatTif, 24, 0), kSuccess);
  const auto result = run({"identify", "-format", "%[channels]", expanded});
  EXPECT_EQ(result.output, "srgb");
}

TEST(Save, BmpRecordsTheResolutionFromTheOptionsWhenThePictureHasNone) {
  SaveOptions options;
  options.fields[0] = 72;
  options.fields[1] = 72;
  setSaveOptions(options);
  Bitmap bitmap = makeScene(60, 45, 24);
  const std::string file = scratchDirectory() + "/res.bmp";
  ASSERT_EQ(save(file, bitmap, kFormatBmp, 24, 0), kSuccess);
  auto bytes = testing::readFile(file);
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(formats::readI32le(bytes.data() + 38), 2835) << "72 pixels per inch";

  bitmap.setResolution(300, 300);
  ASSERT_EQ(save(file, bitmap, kFormatBmp, 24, 0), kSuccess);
  bytes = testing::readFile(file);
  EXPECT_EQ(formats::readI32le(bytes.data() + 38), 11811) << "the picture's own resolution wins";
}

TEST(Save, JpegQualityScale) {
  EXPECT_EQ(jpegQualityFor(0), 90);
  EXPECT_EQ(jpegQualityFor(1), 100);
  EXPECT_EQ(jpegQualityFor(kAlbumJpegQuality), 100);
  EXPECT_EQ(jpegQualityFor(kModuleJpegQuality), 81);
  EXPECT_EQ(jpegQualityFor(255), 1);
  EXPECT_EQ(jpegQualityFor(1000), 1);

  // Smaller values mean better pictures and bigger files.
  const Bitmap scene = makeScene(320, 240, 24);
  std::vector<std::uint8_t> best, module, worst;
  ASSERT_EQ(encode(scene, kFormatJpeg, 24, kAlbumJpegQuality, best), kSuccess);
  ASSERT_EQ(encode(scene, kFormatJpeg, 24, kModuleJpegQuality, module), kSuccess);
  ASSERT_EQ(encode(scene, kFormatJpeg, 24, 200, worst), kSuccess);
  EXPECT_GT(best.size(), module.size());
  EXPECT_GT(module.size(), worst.size());
}

TEST(Save, RefusalsWriteNothing) {
  const Bitmap scene = makeScene(16, 16, 24);
  const std::string file = scratchDirectory() + "/refused.bmp";
  EXPECT_EQ(save(file, scene, 7, 24, 0), kUnknownFormat);
  EXPECT_EQ(save(file, scene, kFormatBmp, 16, 0), kUnsupportedDepth);
  EXPECT_EQ(save(file, Bitmap{}, kFormatBmp, 24, 0), kNoBitmap);
  EXPECT_EQ(save("", scene, kFormatBmp, 24, 0), kCannotCreateFile);
  EXPECT_EQ(save(scratchDirectory() + "/no/such/folder/x.bmp", scene, kFormatBmp, 24, 0), kCannotCreateFile);
  EXPECT_FALSE(fs::exists(file));
}

// Files in a folder other than the ones named.
std::vector<std::string> strayFiles(const std::string& folder, const std::vector<std::string>& expected) {
  std::vector<std::string> stray;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (std::find(expected.begin(), expected.end(), name) == expected.end()) stray.push_back(name);
  }
  return stray;
}

TEST(Save, AFailedSaveKeepsThePreviousFileAndLeavesNothingBehind) {
  const std::string folder = scratchDirectory() + "/replace";
  fs::create_directories(folder + "/taken.png");  // a folder where the file should go
  const Bitmap scene = makeScene(32, 32, 24);
  EXPECT_EQ(save(folder + "/taken.png", scene, kFormatPng, 24, 0), kWriteFailed);
  EXPECT_TRUE(fs::is_directory(folder + "/taken.png"));

  ASSERT_EQ(save(folder + "/day1.BMP", scene, kFormatBmp, 24, 0), kSuccess);
  const auto first = testing::readFile(folder + "/day1.BMP");
  const Bitmap other = makeScene(64, 64, 24);
  ASSERT_EQ(save(folder + "/day1.BMP", other, kFormatBmp, 24, 0), kSuccess) << "saving over a file";
  EXPECT_NE(testing::readFile(folder + "/day1.BMP"), first);
  const std::string longest = std::string(251, 'a') + ".bmp";  // the longest name a folder holds
  EXPECT_EQ(save(folder + "/" + longest, scene, kFormatBmp, 24, 0), kSuccess);
  EXPECT_EQ(strayFiles(folder, {"taken.png", "day1.BMP", longest}), std::vector<std::string>{});
}

// Runs `body` in a child with a private 64 KiB file system mounted at
// `folder`; false when this machine does not allow that (no namespaces).
bool inTinyFileSystem(const std::string& folder, int (*body)(const std::string&), int* exitCode) {
  fs::create_directories(folder);
  const pid_t pid = fork();
  if (pid == 0) {
    if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) _exit(77);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(77);
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) _exit(77);
    _exit(body(folder));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 77) return false;
  *exitCode = WEXITSTATUS(status);
  return true;
}

int saveIntoFullDisk(const std::string& folder) {
  const Bitmap small = makeScene(40, 30, 24);
  if (save(folder + "/photo.bmp", small, kFormatBmp, 24, 0) != kSuccess) return 10;
  const auto before = testing::readFile(folder + "/photo.bmp");
  const Bitmap large = makeScene(640, 480, 24);  // 900 KiB does not fit in 64 KiB
  const Status status = save(folder + "/photo.bmp", large, kFormatBmp, 24, 0);
  if (status != kDiskFull) return 11;
  if (testing::readFile(folder + "/photo.bmp") != before) return 12;
  if (!strayFiles(folder, {"photo.bmp"}).empty()) return 13;
  return 0;
}

// The same on a full disk, with the folder closed to new files: the file
// is written in place, so the space must be there before a byte changes.
int saveInPlaceIntoFullDisk(const std::string& folder) {
  const Bitmap small = makeScene(40, 30, 24);
  if (save(folder + "/photo.bmp", small, kFormatBmp, 24, 0) != kSuccess) return 10;
  const auto before = testing::readFile(folder + "/photo.bmp");
  if (chmod((folder + "/photo.bmp").c_str(), 0666) != 0 || chmod(folder.c_str(), 0555) != 0) return 10;
  // From inside: the folders above are closed to the other user.
  if (chdir(folder.c_str()) != 0) return 10;
  if (setgid(kNobody) != 0 || setuid(kNobody) != 0) return 77;  // user namespace: no other user
  const Bitmap large = makeScene(640, 480, 24);
  if (save("photo.bmp", large, kFormatBmp, 24, 0) != kDiskFull) return 11;
  if (testing::readFile("photo.bmp") != before) return 12;
  if (!strayFiles(".", {"photo.bmp"}).empty()) return 13;
  const Bitmap other = makeScene(30, 40, 24);
  if (save("photo.bmp", other, kFormatBmp, 24, 0) != kSuccess || !holds("photo.bmp", other)) return 14;
  return 0;
}

TEST(Save, AFullDiskIsReportedAsSuchAndThePreviousFileSurvives) {
  int exitCode = -1;
  if (!inTinyFileSystem(scratchDirectory() + "/tiny", saveIntoFullDisk, &exitCode)) {
    GTEST_SKIP() << "no private mount namespace on this machine";
  }
  EXPECT_EQ(exitCode, 0) << "10: first save failed, 11: not kDiskFull, 12: old file changed, "
                            "13: temporary file left";
}

TEST(Save, AFullDiskInPlaceIsReportedAsSuchAndThePreviousFileSurvives) {
  int exitCode = -1;
  if (!inTinyFileSystem(scratchDirectory() + "/tiny-in-place", saveInPlaceIntoFullDisk, &exitCode)) {
    GTEST_SKIP() << "no private mount namespace with a second user on this machine";
  }
  EXPECT_EQ(exitCode, 0) << "10: setup failed, 11: not kDiskFull, 12: old file changed, "
                            "13: temporary file left, 14: a fitting save failed";
}

}  // namespace
}  // namespace imaging
