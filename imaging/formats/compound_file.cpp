#include "imaging/formats/compound_file.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <new>

#include "imaging/formats/bytes.h"

namespace imaging::formats {
namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint16_t kMinorVersion = 0x003E;
constexpr std::uint16_t kMajorVersion = 3;
constexpr std::uint16_t kByteOrder = 0xFFFE;
constexpr std::uint16_t kSectorShift = 9;
constexpr std::uint16_t kMiniSectorShift = 6;
constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kMiniSectorSize = 64;
constexpr std::size_t kMiniStreamCutoff = 4096;
constexpr std::size_t kEntrySize = 128;
constexpr std::size_t kEntriesPerSector = kSectorSize / kEntrySize;
constexpr std::size_t kIdsPerSector = kSectorSize / 4;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kMaxNameLength = 31;

constexpr std::uint32_t kFreeSector = 0xFFFFFFFFu;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kFatSector = 0xFFFFFFFDu;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFCu;
constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;

constexpr std::uint8_t kTypeStorage = 1;
constexpr std::uint8_t kTypeStream = 2;
constexpr std::uint8_t kTypeRoot = 5;
constexpr std::uint8_t kRed = 0;
constexpr std::uint8_t kBlack = 1;

std::size_t sectorsFor(std::size_t bytes, std::size_t sectorSize) {
  return (bytes + sectorSize - 1) / sectorSize;
}

// Readers look siblings up by name length first, then by the upper-cased
// names character by character.
bool nameBefore(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int ca = std::toupper(static_cast<unsigned char>(a[i]));
    const int cb = std::toupper(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  return false;
}

}  // namespace

Clsid makeClsid(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3,
                std::array<std::uint8_t, 8> data4) {
  Clsid id{};
  for (int i = 0; i < 4; ++i) id[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
  id[4] = static_cast<std::uint8_t>(data2);
  id[5] = static_cast<std::uint8_t>(data2 >> 8);
  id[6] = static_cast<std::uint8_t>(data3);
  id[7] = static_cast<std::uint8_t>(data3 >> 8);
  std::copy(data4.begin(), data4.end(), id.begin() + 8);
  return id;
}

CompoundFile::CompoundFile(const Clsid& rootClass) {
  Node root;
  root.name = "Root Entry";
  root.type = kTypeRoot;
  root.clsid = rootClass;
  nodes_.push_back(std::move(root));
}

CompoundFile::Entry CompoundFile::add(Entry parent, Node node) {
  if (parent < 0 || parent >= static_cast<Entry>(nodes_.size()) || nodes_[parent].type == kTypeStream ||
      node.name.empty() || node.name.size() > kMaxNameLength) {
    return -1;
  }
  nodes_.push_back(std::move(node));
  const Entry entry = static_cast<Entry>(nodes_.size() - 1);
  nodes_[parent].children.push_back(entry);
  return entry;
}

CompoundFile::Entry CompoundFile::addStorage(Entry parent, const std::string& name,
                                             const Clsid& storageClass) {
  Node node;
  node.name = name;
  node.type = kTypeStorage;
  node.clsid = storageClass;
  return add(parent, std::move(node));
}

CompoundFile::Entry CompoundFile::addStream(Entry parent, const std::string& name,
                                            std::vector<std::uint8_t> data) {
  Node node;
  node.name = name;
  node.type = kTypeStream;
  node.data = std::move(data);
  return add(parent, std::move(node));
}

Status CompoundFile::write(std::vector<std::uint8_t>& out) const {
  std::vector<Node> nodes = nodes_;

  // Sibling trees: each storage's children, sorted, as a balanced tree whose
  // deepest level is red and every other node black.
  for (Node& parent : nodes) {
    if (parent.type == kTypeStream || parent.children.empty()) continue;
    std::vector<Entry> sorted = parent.children;
    std::sort(sorted.begin(), sorted.end(),
              [&](Entry a, Entry b) { return nameBefore(nodes[a].name, nodes[b].name); });
    std::vector<int> depth(nodes.size(), 0);
    int deepest = 0;
    std::function<std::uint32_t(int, int, int)> build = [&](int lo, int hi, int level) -> std::uint32_t {
      if (lo > hi) return kNoStream;
      const int mid = lo + (hi - lo) / 2;
      const Entry e = sorted[mid];
      depth[e] = level;
      deepest = std::max(deepest, level);
      nodes[e].left = build(lo, mid - 1, level + 1);
      nodes[e].right = build(mid + 1, hi, level + 1);
      return static_cast<std::uint32_t>(e);
    };
    parent.child = build(0, static_cast<int>(sorted.size()) - 1, 0);
    for (Entry e : sorted) nodes[e].colour = (depth[e] == deepest && deepest > 0) ? kRed : kBlack;
  }

  // Where every stream goes: small ones into the mini stream, the others into
  // whole sectors after it.
  std::vector<std::uint32_t> miniFat;
  std::size_t miniStreamBytes = 0;
  for (Node& node : nodes) {
    if (node.type != kTypeStream || node.data.empty() || node.data.size() >= kMiniStreamCutoff) continue;
    const std::size_t count = sectorsFor(node.data.size(), kMiniSectorSize);
    node.start = static_cast<std::uint32_t>(miniFat.size());
    for (std::size_t i = 0; i < count; ++i) {
      miniFat.push_back(i + 1 < count ? static_cast<std::uint32_t>(miniFat.size() + 1) : kEndOfChain);
    }
    miniStreamBytes += count * kMiniSectorSize;
  }

  std::vector<std::uint32_t> chainLengths;  // in sector order: streams, mini stream, directory, mini FAT
  std::size_t sector = 0;
  for (Node& node : nodes) {
    if (node.type != kTypeStream || node.data.size() < kMiniStreamCutoff) continue;
    node.start = static_cast<std::uint32_t>(sector);
    const std::size_t count = sectorsFor(node.data.size(), kSectorSize);
    chainLengths.push_back(static_cast<std::uint32_t>(count));
    sector += count;
  }
  const std::size_t miniStreamStart = sector;
  const std::size_t miniStreamSectors = sectorsFor(miniStreamBytes, kSectorSize);
  if (miniStreamSectors > 0) chainLengths.push_back(static_cast<std::uint32_t>(miniStreamSectors));
  sector += miniStreamSectors;
  const std::size_t directoryStart = sector;
  const std::size_t directorySectors = sectorsFor(nodes.size(), kEntriesPerSector);
  chainLengths.push_back(static_cast<std::uint32_t>(directorySectors));
  sector += directorySectors;
  const std::size_t miniFatStart = sector;
  const std::size_t miniFatSectors = sectorsFor(miniFat.size(), kIdsPerSector);
  if (miniFatSectors > 0) chainLengths.push_back(static_cast<std::uint32_t>(miniFatSectors));
  sector += miniFatSectors;

  // The FAT describes itself and the DIFAT sectors too: grow both until they
  // cover everything.
  std::size_t fatSectors = 0;
  std::size_t difatSectors = 0;
  for (;;) {
    const std::size_t total = sector + fatSectors + difatSectors;
    const std::size_t neededFat = sectorsFor(total, kIdsPerSector);
    const std::size_t neededDifat =
        neededFat > kHeaderDifatEntries ? sectorsFor(neededFat - kHeaderDifatEntries, kIdsPerSector - 1) : 0;
    if (neededFat == fatSectors && neededDifat == difatSectors) break;
    fatSectors = neededFat;
    difatSectors = neededDifat;
  }
  const std::size_t fatStart = sector;
  const std::size_t difatStart = fatStart + fatSectors;
  const std::size_t totalSectors = difatStart + difatSectors;
  if (totalSectors >= kDifatSector) return kTooLarge;

  std::vector<std::uint32_t> fat(fatSectors * kIdsPerSector, kFreeSector);
  std::size_t at = 0;
  for (std::uint32_t length : chainLengths) {
    for (std::uint32_t i = 0; i < length; ++i, ++at) {
      fat[at] = i + 1 < length ? static_cast<std::uint32_t>(at + 1) : kEndOfChain;
    }
  }
  for (std::size_t i = 0; i < fatSectors; ++i) fat[fatStart + i] = kFatSector;
  for (std::size_t i = 0; i < difatSectors; ++i) fat[difatStart + i] = kDifatSector;

  const std::size_t fileStart = out.size();
  try {
    out.reserve(fileStart + kSectorSize * (1 + totalSectors));
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  ByteWriter w(out);

  // Header.
  w.bytes(kSignature, sizeof kSignature);
  w.zeros(16);                                   // header class id
  w.u16le(kMinorVersion);
  w.u16le(kMajorVersion);
  w.u16le(kByteOrder);
  w.u16le(kSectorShift);
  w.u16le(kMiniSectorShift);
  w.zeros(6);                                    // reserved
  w.u32le(0);                                    // directory sectors (0 in version 3)
  w.u32le(static_cast<std::uint32_t>(fatSectors));
  w.u32le(static_cast<std::uint32_t>(directoryStart));
  w.u32le(0);                                    // transaction signature
  w.u32le(static_cast<std::uint32_t>(kMiniStreamCutoff));
  w.u32le(miniFatSectors > 0 ? static_cast<std::uint32_t>(miniFatStart) : kEndOfChain);
  w.u32le(static_cast<std::uint32_t>(miniFatSectors));
  w.u32le(difatSectors > 0 ? static_cast<std::uint32_t>(difatStart) : kEndOfChain);
  w.u32le(static_cast<std::uint32_t>(difatSectors));
  for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) {
    w.u32le(i < fatSectors ? static_cast<std::uint32_t>(fatStart + i) : kFreeSector);
  }

  auto padToSector = [&] {
    const std::size_t used = (out.size() - fileStart) % kSectorSize;
    if (used != 0) w.zeros(kSectorSize - used);
  };

  // Large streams.
  for (const Node& node : nodes) {
    if (node.type != kTypeStream || node.data.size() < kMiniStreamCutoff) continue;
    w.bytes(node.data.data(), node.data.size());
    padToSector();
  }
  // The mini stream.
  for (const Node& node : nodes) {
    if (node.type != kTypeStream || node.data.empty() || node.data.size() >= kMiniStreamCutoff) continue;
    w.bytes(node.data.data(), node.data.size());
    const std::size_t used = node.data.size() % kMiniSectorSize;
    if (used != 0) w.zeros(kMiniSectorSize - used);
  }
  padToSector();

  // Directory.
  for (std::size_t i = 0; i < directorySectors * kEntriesPerSector; ++i) {
    if (i >= nodes.size()) {
      w.zeros(64 + 2 + 2);                       // name, name length, type, colour
      w.u32le(kNoStream);
      w.u32le(kNoStream);
      w.u32le(kNoStream);
      w.zeros(16 + 4 + 8 + 8 + 4 + 8);
      continue;
    }
    const Node& node = nodes[i];
    for (std::size_t c = 0; c < 32; ++c) {
      w.u16le(c < node.name.size() ? static_cast<std::uint8_t>(node.name[c]) : 0);
    }
    w.u16le(static_cast<std::uint16_t>((node.name.size() + 1) * 2));  // with the terminating zero
    w.u8(node.type);
    w.u8(i == 0 ? kBlack : node.colour);
    w.u32le(i == 0 ? kNoStream : node.left);
    w.u32le(i == 0 ? kNoStream : node.right);
    w.u32le(node.child);
    w.bytes(node.clsid.data(), node.clsid.size());
    w.u32le(0);                                  // state bits
    w.u64le(0);                                  // creation time
    w.u64le(0);                                  // modification time
    if (node.type == kTypeRoot) {
      w.u32le(miniStreamBytes > 0 ? static_cast<std::uint32_t>(miniStreamStart) : kEndOfChain);
      w.u64le(miniStreamBytes);
    } else if (node.type == kTypeStream) {
      w.u32le(node.data.empty() ? kEndOfChain : node.start);
      w.u64le(node.data.size());
    } else {
      w.u32le(0);
      w.u64le(0);
    }
  }

  // Mini FAT, FAT, DIFAT.
  for (std::size_t i = 0; i < miniFatSectors * kIdsPerSector; ++i) {
    w.u32le(i < miniFat.size() ? miniFat[i] : kFreeSector);
  }
  for (std::uint32_t id : fat) w.u32le(id);
  for (std::size_t d = 0; d < difatSectors; ++d) {
    for (std::size_t i = 0; i < kIdsPerSector - 1; ++i) {
      const std::size_t listed = kHeaderDifatEntries + d * (kIdsPerSector - 1) + i;
      w.u32le(listed < fatSectors ? static_cast<std::uint32_t>(fatStart + listed) : kFreeSector);
    }
    w.u32le(d + 1 < difatSectors ? static_cast<std::uint32_t>(difatStart + d + 1) : kEndOfChain);
  }
  return kSuccess;
}

}  // namespace imaging::formats
