// FlashPix: an image view in structured storage. The root holds the summary
// information, the global information and the source description; the
// storage "Data Object Store 000001" holds the image contents property set
// and one storage per resolution, from "Resolution 0000" (the smallest, at
// most 64 pixels across) to the full picture, each halving the one above by
// 2 x 2 averaging. Every resolution is cut into 64 x 64 tiles, stored
// uncompressed with pixels interleaved (monochrome, or NIF RGB), edge tiles
// padded by repeating the last column and line.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "imaging/formats/bytes.h"
#include "imaging/formats/compound_file.h"
#include "imaging/formats/picture.h"

namespace imaging::formats {
namespace {

// FlashPix class ids share their last three parts.
Clsid flashPixId(std::uint32_t data1) {
  return makeClsid(data1, 0xC154, 0x11CE, {0x85, 0x53, 0x00, 0xAA, 0x00, 0xA1, 0xF9, 0x5B});
}
const Clsid kImageViewClass = flashPixId(0x56616700);
const Clsid kImageObjectClass = flashPixId(0x56616000);
const Clsid kResolutionClass = flashPixId(0x56616100);
const Clsid kImageContentsFormat = flashPixId(0x56616400);
const Clsid kGlobalInfoFormat = flashPixId(0x56616F00);
const Clsid kImageDescriptionFormat = flashPixId(0x56616080);
const Clsid kSubimageHeaderClass = flashPixId(0x00010000);
const Clsid kSubimageDataClass = flashPixId(0x00010100);
const Clsid kSummaryInformationFormat =
    makeClsid(0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9});
// The id this library gives the one image of each file it writes.
const Clsid kSourceImageId =
    makeClsid(0x5A7E0C41, 0x2B6D, 0x4E0A, {0x9C, 0x31, 0x52, 0x5A, 0x34, 0x31, 0x30, 0x01});

constexpr char kStreamPrefix = '\005';
constexpr int kTileSide = 64;
constexpr std::uint32_t kTileHeaderLength = 16;
constexpr std::uint32_t kSubimageHeaderLength = 36;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kOsVersion = 0x00020006;

// Property types.
constexpr std::uint32_t kVtI2 = 2;
constexpr std::uint32_t kVtI4 = 3;
constexpr std::uint32_t kVtR4 = 4;
constexpr std::uint32_t kVtLpstr = 30;
constexpr std::uint32_t kVtUi1 = 17;
constexpr std::uint32_t kVtUi4 = 19;
constexpr std::uint32_t kVtBlob = 65;
constexpr std::uint32_t kVtClsid = 72;
constexpr std::uint32_t kVtVector = 0x1000;

// Summary information.
constexpr std::uint32_t kPidCodePage = 0x00000001;
constexpr std::uint32_t kPidAppName = 0x00000012;
constexpr std::int16_t kCodePageWindowsLatin1 = 1252;
// Global information.
constexpr std::uint32_t kPidVisibleOutputs = 0x00010100;
constexpr std::uint32_t kPidMaxImageIndex = 0x00010101;
constexpr std::uint32_t kPidMaxTransformIndex = 0x00010102;
constexpr std::uint32_t kPidMaxOperatorIndex = 0x00010103;
// Source description.
constexpr std::uint32_t kPidImageId = 0x00010000;
constexpr std::uint32_t kPidStatus = 0x00010100;
constexpr std::uint32_t kPidCreator = 0x00010101;
constexpr std::uint32_t kStatusCachedNotPurgeable = 0x00010001;
// Image contents.
constexpr std::uint32_t kPidResolutionCount = 0x01000000;
constexpr std::uint32_t kPidHighestWidth = 0x01000002;
constexpr std::uint32_t kPidHighestHeight = 0x01000003;
constexpr std::uint32_t kPidDisplayHeight = 0x01000004;
constexpr std::uint32_t kPidDisplayWidth = 0x01000005;
constexpr std::uint32_t kPidDisplayUnit = 0x01000006;
constexpr std::uint32_t kDisplayUnitInches = 0;
constexpr std::uint32_t kPidSubimageWidth = 0x02000000;
constexpr std::uint32_t kPidSubimageHeight = 0x02000001;
constexpr std::uint32_t kPidSubimageColour = 0x02000002;
constexpr std::uint32_t kPidSubimageFormat = 0x02000003;
constexpr std::uint32_t kPidDecimation = 0x02000004;
constexpr std::int32_t kDecimationNone = 0;
constexpr std::int32_t kDecimationAverage2x2 = 2;
// Channel colours: colour space in the high word, channel in the low one.
constexpr std::uint32_t kColourMonochrome = 0x00010000;
constexpr std::uint32_t kColourNifRed = 0x00030000;
constexpr std::uint32_t kColourNifGreen = 0x00030001;
constexpr std::uint32_t kColourNifBlue = 0x00030002;

// One property set (a single section) being put together.
class PropertySet {
 public:
  explicit PropertySet(const Clsid& format) : format_(format) {}

  void uint32(std::uint32_t id, std::uint32_t v) { begin(id, kVtUi4); value_.u32le(v); }
  void int32(std::uint32_t id, std::int32_t v) { begin(id, kVtI4); value_.i32le(v); }
  void int16(std::uint32_t id, std::int16_t v) {
    begin(id, kVtI2);
    value_.u16le(static_cast<std::uint16_t>(v));
    value_.u16le(0);
  }
  void real(std::uint32_t id, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    begin(id, kVtR4);
    value_.u32le(bits);
  }
  void clsid(std::uint32_t id, const Clsid& v) { begin(id, kVtClsid); value_.bytes(v.data(), v.size()); }
  void text(std::uint32_t id, const std::string& v) {
    begin(id, kVtLpstr);
    value_.u32le(static_cast<std::uint32_t>(v.size() + 1));
    value_.bytes(v.data(), v.size());
    value_.u8(0);
    pad();
  }
  void blob(std::uint32_t id, const std::vector<std::uint8_t>& v) {
    begin(id, kVtBlob);
    value_.u32le(static_cast<std::uint32_t>(v.size()));
    value_.bytes(v.data(), v.size());
    pad();
  }
  void uint32Vector(std::uint32_t id, const std::vector<std::uint32_t>& v) {
    begin(id, kVtVector | kVtUi4);
    value_.u32le(static_cast<std::uint32_t>(v.size()));
    for (std::uint32_t e : v) value_.u32le(e);
  }

  std::vector<std::uint8_t> bytes() const {
    std::vector<std::uint8_t> out;
    ByteWriter w(out);
    w.u16le(0xFFFE);                 // byte order
    w.u16le(0);                      // format
    w.u32le(kOsVersion);
    w.zeros(16);                     // class id
    w.u32le(1);                      // sections
    w.bytes(format_.data(), format_.size());
    w.u32le(48);                     // offset of the section
    const std::uint32_t table = 8 + 8 * static_cast<std::uint32_t>(ids_.size());
    w.u32le(table + static_cast<std::uint32_t>(values_.size()));  // section size
    w.u32le(static_cast<std::uint32_t>(ids_.size()));
    for (std::size_t i = 0; i < ids_.size(); ++i) {
      w.u32le(ids_[i]);
      w.u32le(table + offsets_[i]);
    }
    w.bytes(values_.data(), values_.size());
    return out;
  }

 private:
  void begin(std::uint32_t id, std::uint32_t type) {
    ids_.push_back(id);
    offsets_.push_back(static_cast<std::uint32_t>(values_.size()));
    value_.u32le(type);
  }
  void pad() {
    while (values_.size() % 4 != 0) value_.u8(0);
  }

  Clsid format_;
  std::vector<std::uint32_t> ids_;
  std::vector<std::uint32_t> offsets_;
  std::vector<std::uint8_t> values_;
  ByteWriter value_{values_};
};

// The 28 bytes that open each subimage stream.
void streamPrefix(ByteWriter& w, const Clsid& streamClass) {
  w.u16le(0xFFFE);
  w.u16le(0);
  w.u32le(kOsVersion);
  w.bytes(streamClass.data(), streamClass.size());
  w.u32le(1);
}

struct Level {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // top line first, channels interleaved, no padding
};

Level halve(const Level& from, int channels) {
  Level to;
  to.width = std::max(1, from.width / 2);
  to.height = std::max(1, from.height / 2);
  to.pixels.resize(static_cast<std::size_t>(to.width) * to.height * channels);
  for (int y = 0; y < to.height; ++y) {
    const int y0 = std::min(2 * y, from.height - 1);
    const int y1 = std::min(2 * y + 1, from.height - 1);
    for (int x = 0; x < to.width; ++x) {
      const int x0 = std::min(2 * x, from.width - 1);
      const int x1 = std::min(2 * x + 1, from.width - 1);
      for (int c = 0; c < channels; ++c) {
        auto at = [&](int xx, int yy) {
          return from.pixels[(static_cast<std::size_t>(yy) * from.width + xx) * channels + c];
        };
        const int sum = at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1);
        to.pixels[(static_cast<std::size_t>(y) * to.width + x) * channels + c] =
            static_cast<std::uint8_t>((sum + 2) / 4);
      }
    }
  }
  return to;
}

void addResolution(CompoundFile& file, CompoundFile::Entry store, int number, const Level& level,
                   int channels) {
  const int tilesAcross = (level.width + kTileSide - 1) / kTileSide;
  const int tilesDown = (level.height + kTileSide - 1) / kTileSide;
  const std::uint32_t tileBytes = static_cast<std::uint32_t>(kTileSide * kTileSide * channels);
  const std::uint32_t tileCount = static_cast<std::uint32_t>(tilesAcross * tilesDown);

  std::vector<std::uint8_t> header;
  ByteWriter h(header);
  streamPrefix(h, kSubimageHeaderClass);
  h.u32le(kSubimageHeaderLength);
  h.u32le(static_cast<std::uint32_t>(level.width));
  h.u32le(static_cast<std::uint32_t>(level.height));
  h.u32le(tileCount);
  h.u32le(kTileSide);                           // tile width
  h.u32le(kTileSide);                           // tile height
  h.u32le(static_cast<std::uint32_t>(channels));
  h.u32le(kSubimageHeaderLength);               // offset of the tile header table
  h.u32le(kTileHeaderLength);
  for (std::uint32_t t = 0; t < tileCount; ++t) {
    h.u32le(t * tileBytes);                      // offset in the data stream
    h.u32le(tileBytes);                          // size
    h.u32le(kCompressionNone);
    h.u32le(0);                                  // compression subtype
  }

  std::vector<std::uint8_t> data;
  data.reserve(28 + static_cast<std::size_t>(tileCount) * tileBytes);
  ByteWriter d(data);
  streamPrefix(d, kSubimageDataClass);
  for (int ty = 0; ty < tilesDown; ++ty) {
    for (int tx = 0; tx < tilesAcross; ++tx) {
      for (int y = 0; y < kTileSide; ++y) {
        const int sy = std::min(ty * kTileSide + y, level.height - 1);
        for (int x = 0; x < kTileSide; ++x) {
          const int sx = std::min(tx * kTileSide + x, level.width - 1);
          d.bytes(&level.pixels[(static_cast<std::size_t>(sy) * level.width + sx) * channels], channels);
        }
      }
    }
  }

  char name[32];
  std::snprintf(name, sizeof name, "Resolution %04d", number);
  const CompoundFile::Entry storage = file.addStorage(store, name, kResolutionClass);
  file.addStream(storage, "Subimage 0000 Header", std::move(header));
  file.addStream(storage, "Subimage 0000 Data", std::move(data));
}

std::vector<std::uint8_t> compObj() {
  std::vector<std::uint8_t> out;
  ByteWriter w(out);
  static const char kUserType[] = "FlashPix Image View";
  w.u16le(1);                                   // version
  w.u16le(0xFFFE);                              // byte order
  w.u32le(0x00000A03);                          // format
  w.u32le(0xFFFFFFFFu);                         // reserved
  w.bytes(kImageViewClass.data(), kImageViewClass.size());
  w.u32le(sizeof kUserType);
  w.bytes(kUserType, sizeof kUserType);
  w.u32le(0);                                   // no clipboard format
  w.u32le(0);                                   // no program id
  w.u32le(0x71B239F4);                          // Unicode marker
  w.u32le(0);                                   // no Unicode user type
  w.u32le(0);                                   // no Unicode clipboard format
  w.u32le(0);                                   // reserved
  return out;
}

}  // namespace

Status writeFpx(const Picture& picture, std::vector<std::uint8_t>& out) {
  const int channels = picture.colour() ? 3 : 1;

  std::vector<Level> levels(1);
  levels[0].width = picture.width();
  levels[0].height = picture.height();
  levels[0].pixels.resize(static_cast<std::size_t>(picture.width()) * picture.height() * channels);
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* line = levels[0].pixels.data() + static_cast<std::size_t>(y) * picture.width() * channels;
    if (channels == 3) {
      picture.lineRgb(y, line);
    } else {
      std::memcpy(line, picture.line(y), static_cast<std::size_t>(picture.width()));
    }
  }
  while (std::max(levels.back().width, levels.back().height) > kTileSide) {
    levels.push_back(halve(levels.back(), channels));
  }
  const int count = static_cast<int>(levels.size());

  CompoundFile file(kImageViewClass);

  PropertySet summary(kSummaryInformationFormat);
  summary.int16(kPidCodePage, kCodePageWindowsLatin1);
  summary.text(kPidAppName, "RZ-410 imaging");
  file.addStream(CompoundFile::kRoot, std::string(1, kStreamPrefix) + "SummaryInformation", summary.bytes());
  file.addStream(CompoundFile::kRoot, "\001CompObj", compObj());

  PropertySet global(kGlobalInfoFormat);
  global.uint32Vector(kPidVisibleOutputs, {1});  // "Data Object 000001"
  global.uint32(kPidMaxImageIndex, 1);
  global.uint32(kPidMaxTransformIndex, 0);
  global.uint32(kPidMaxOperatorIndex, 0);
  file.addStream(CompoundFile::kRoot, std::string(1, kStreamPrefix) + "Global Info", global.bytes());

  PropertySet source(kImageDescriptionFormat);
  source.clsid(kPidImageId, kSourceImageId);
  source.uint32(kPidStatus, kStatusCachedNotPurgeable);
  source.uint32(kPidCreator, 0);                 // a source image, made by no transform
  file.addStream(CompoundFile::kRoot, std::string(1, kStreamPrefix) + "Data Object 000001", source.bytes());

  const CompoundFile::Entry store = file.addStorage(CompoundFile::kRoot, "Data Object Store 000001", kImageObjectClass);

  PropertySet contents(kImageContentsFormat);
  contents.uint32(kPidResolutionCount, static_cast<std::uint32_t>(count));
  contents.uint32(kPidHighestWidth, static_cast<std::uint32_t>(picture.width()));
  contents.uint32(kPidHighestHeight, static_cast<std::uint32_t>(picture.height()));
  if (picture.xDpi > 0 && picture.yDpi > 0) {
    contents.real(kPidDisplayHeight, static_cast<float>(picture.height()) / picture.yDpi);
    contents.real(kPidDisplayWidth, static_cast<float>(picture.width()) / picture.xDpi);
    contents.uint32(kPidDisplayUnit, kDisplayUnitInches);
  }
  std::vector<std::uint8_t> colour;
  ByteWriter c(colour);
  c.u32le(1);                                    // subimages per resolution
  c.u32le(static_cast<std::uint32_t>(channels));
  if (channels == 3) {
    c.u32le(kColourNifRed);
    c.u32le(kColourNifGreen);
    c.u32le(kColourNifBlue);
  } else {
    c.u32le(kColourMonochrome);
  }
  for (int number = 0; number < count; ++number) {
    const Level& level = levels[count - 1 - number];  // number 0 is the smallest
    const std::uint32_t r = static_cast<std::uint32_t>(number) << 16;
    contents.uint32(kPidSubimageWidth | r, static_cast<std::uint32_t>(level.width));
    contents.uint32(kPidSubimageHeight | r, static_cast<std::uint32_t>(level.height));
    contents.blob(kPidSubimageColour | r, colour);
    contents.uint32Vector(kPidSubimageFormat | r, {kVtUi1});
    contents.int32(kPidDecimation | r, number == count - 1 ? kDecimationNone : kDecimationAverage2x2);
  }
  file.addStream(store, std::string(1, kStreamPrefix) + "Image Contents", contents.bytes());

  for (int number = 0; number < count; ++number) {
    addResolution(file, store, number, levels[count - 1 - number], channels);
  }
  return file.write(out);
}

}  // namespace imaging::formats
