#include "imaging/formats/colour_quantiser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace imaging::formats {

bool exactPalette(const Picture& picture, int maxColours, QuantisedPicture& result) {
  std::unordered_map<std::uint32_t, std::uint8_t> index;
  index.reserve(static_cast<std::size_t>(maxColours) * 2);
  const int width = picture.width();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
  result.indices.resize(static_cast<std::size_t>(width) * picture.height());
  for (int y = 0; y < picture.height(); ++y) {
    picture.lineRgb(y, rgb.data());
    std::uint8_t* out = result.indices.data() + static_cast<std::size_t>(y) * width;
    std::uint32_t lastKey = 0xFFFFFFFFu;
    std::uint8_t lastIndex = 0;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t key = (rgb[3 * x] << 16) | (rgb[3 * x + 1] << 8) | rgb[3 * x + 2];
      if (key == lastKey) {  // runs of one colour are common in such pictures
        out[x] = lastIndex;
        continue;
      }
      auto found = index.find(key);
      if (found == index.end()) {
        if (static_cast<int>(index.size()) == maxColours) return false;
        const auto next = static_cast<std::uint8_t>(index.size());
        result.palette[next] = PaletteEntry{rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]};
        found = index.emplace(key, next).first;
      }
      out[x] = found->second;
      lastKey = key;
      lastIndex = found->second;
    }
  }
  result.colours = static_cast<int>(index.size());
  result.exact = true;
  return true;
}

namespace {

// --- Wu's quantiser ---------------------------------------------------------

constexpr int kSide = 33;  // 32 histogram cells per channel, plus the zero row
constexpr int kCells = kSide * kSide * kSide;

int cell(int r, int g, int b) { return (r * kSide + g) * kSide + b; }

struct Moments {
  std::vector<std::int64_t> weight = std::vector<std::int64_t>(kCells);
  std::vector<std::int64_t> red = std::vector<std::int64_t>(kCells);
  std::vector<std::int64_t> green = std::vector<std::int64_t>(kCells);
  std::vector<std::int64_t> blue = std::vector<std::int64_t>(kCells);
  std::vector<double> square = std::vector<double>(kCells);
};

struct Box {
  int r0, r1, g0, g1, b0, b1;  // lower bounds exclusive, upper inclusive
  int volume;
};

enum Axis { kRed, kGreen, kBlue };

template <typename T>
T volume(const Box& c, const std::vector<T>& m) {
  return m[cell(c.r1, c.g1, c.b1)] - m[cell(c.r1, c.g1, c.b0)] - m[cell(c.r1, c.g0, c.b1)] +
         m[cell(c.r1, c.g0, c.b0)] - m[cell(c.r0, c.g1, c.b1)] + m[cell(c.r0, c.g1, c.b0)] +
         m[cell(c.r0, c.g0, c.b1)] - m[cell(c.r0, c.g0, c.b0)];
}

// The part of volume() that does not depend on where the box is cut along `axis`.
std::int64_t bottom(const Box& c, Axis axis, const std::vector<std::int64_t>& m) {
  switch (axis) {
    case kRed:
      return -m[cell(c.r0, c.g1, c.b1)] + m[cell(c.r0, c.g1, c.b0)] + m[cell(c.r0, c.g0, c.b1)] -
             m[cell(c.r0, c.g0, c.b0)];
    case kGreen:
      return -m[cell(c.r1, c.g0, c.b1)] + m[cell(c.r1, c.g0, c.b0)] + m[cell(c.r0, c.g0, c.b1)] -
             m[cell(c.r0, c.g0, c.b0)];
    case kBlue:
      return -m[cell(c.r1, c.g1, c.b0)] + m[cell(c.r1, c.g0, c.b0)] + m[cell(c.r0, c.g1, c.b0)] -
             m[cell(c.r0, c.g0, c.b0)];
  }
  return 0;
}

// The rest of volume() for a cut at `position` along `axis`.
std::int64_t top(const Box& c, Axis axis, int position, const std::vector<std::int64_t>& m) {
  switch (axis) {
    case kRed:
      return m[cell(position, c.g1, c.b1)] - m[cell(position, c.g1, c.b0)] -
             m[cell(position, c.g0, c.b1)] + m[cell(position, c.g0, c.b0)];
    case kGreen:
      return m[cell(c.r1, position, c.b1)] - m[cell(c.r1, position, c.b0)] -
             m[cell(c.r0, position, c.b1)] + m[cell(c.r0, position, c.b0)];
    case kBlue:
      return m[cell(c.r1, c.g1, position)] - m[cell(c.r1, c.g0, position)] -
             m[cell(c.r0, c.g1, position)] + m[cell(c.r0, c.g0, position)];
  }
  return 0;
}

double variance(const Box& c, const Moments& m) {
  const double dr = static_cast<double>(volume(c, m.red));
  const double dg = static_cast<double>(volume(c, m.green));
  const double db = static_cast<double>(volume(c, m.blue));
  const double w = static_cast<double>(volume(c, m.weight));
  if (w <= 0) return 0;
  return volume(c, m.square) - (dr * dr + dg * dg + db * db) / w;
}

struct Whole {
  std::int64_t r, g, b, w;
};

double maximise(const Box& c, Axis axis, int first, int last, int* cut, const Whole& whole,
                const Moments& m) {
  const std::int64_t baseR = bottom(c, axis, m.red);
  const std::int64_t baseG = bottom(c, axis, m.green);
  const std::int64_t baseB = bottom(c, axis, m.blue);
  const std::int64_t baseW = bottom(c, axis, m.weight);
  double best = 0;
  *cut = -1;
  for (int i = first; i < last; ++i) {
    double halfR = static_cast<double>(baseR + top(c, axis, i, m.red));
    double halfG = static_cast<double>(baseG + top(c, axis, i, m.green));
    double halfB = static_cast<double>(baseB + top(c, axis, i, m.blue));
    double halfW = static_cast<double>(baseW + top(c, axis, i, m.weight));
    if (halfW == 0) continue;
    double score = (halfR * halfR + halfG * halfG + halfB * halfB) / halfW;
    halfR = whole.r - halfR;
    halfG = whole.g - halfG;
    halfB = whole.b - halfB;
    halfW = whole.w - halfW;
    if (halfW == 0) continue;
    score += (halfR * halfR + halfG * halfG + halfB * halfB) / halfW;
    if (score > best) {
      best = score;
      *cut = i;
    }
  }
  return best;
}

int boxVolume(const Box& c) { return (c.r1 - c.r0) * (c.g1 - c.g0) * (c.b1 - c.b0); }

bool cutBox(Box& a, Box& b, const Moments& m) {
  const Whole whole{volume(a, m.red), volume(a, m.green), volume(a, m.blue), volume(a, m.weight)};
  int cutR, cutG, cutB;
  const double maxR = maximise(a, kRed, a.r0 + 1, a.r1, &cutR, whole, m);
  const double maxG = maximise(a, kGreen, a.g0 + 1, a.g1, &cutG, whole, m);
  const double maxB = maximise(a, kBlue, a.b0 + 1, a.b1, &cutB, whole, m);
  Axis axis;
  if (maxR >= maxG && maxR >= maxB) {
    axis = kRed;
    if (cutR < 0) return false;
  } else if (maxG >= maxR && maxG >= maxB) {
    axis = kGreen;
  } else {
    axis = kBlue;
  }
  b.r1 = a.r1;
  b.g1 = a.g1;
  b.b1 = a.b1;
  switch (axis) {
    case kRed:
      b.r0 = a.r1 = cutR;
      b.g0 = a.g0;
      b.b0 = a.b0;
      break;
    case kGreen:
      b.g0 = a.g1 = cutG;
      b.r0 = a.r0;
      b.b0 = a.b0;
      break;
    case kBlue:
      b.b0 = a.b1 = cutB;
      b.r0 = a.r0;
      b.g0 = a.g0;
      break;
  }
  a.volume = boxVolume(a);
  b.volume = boxVolume(b);
  return true;
}

void buildHistogram(const Picture& picture, Moments& m) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(picture.width()) * 3);
  for (int y = 0; y < picture.height(); ++y) {
    picture.lineRgb(y, rgb.data());
    for (int x = 0; x < picture.width(); ++x) {
      const int r = rgb[3 * x], g = rgb[3 * x + 1], b = rgb[3 * x + 2];
      const int i = cell((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1);
      ++m.weight[i];
      m.red[i] += r;
      m.green[i] += g;
      m.blue[i] += b;
      m.square[i] += static_cast<double>(r * r + g * g + b * b);
    }
  }
}

// Turns the histogram into cumulative moments, so any box's sums take eight
// lookups.
void accumulate(Moments& m) {
  for (int r = 1; r < kSide; ++r) {
    std::array<std::int64_t, kSide> area{}, areaR{}, areaG{}, areaB{};
    std::array<double, kSide> area2{};
    for (int g = 1; g < kSide; ++g) {
      std::int64_t line = 0, lineR = 0, lineG = 0, lineB = 0;
      double line2 = 0;
      for (int b = 1; b < kSide; ++b) {
        const int i = cell(r, g, b);
        line += m.weight[i];
        lineR += m.red[i];
        lineG += m.green[i];
        lineB += m.blue[i];
        line2 += m.square[i];
        area[b] += line;
        areaR[b] += lineR;
        areaG[b] += lineG;
        areaB[b] += lineB;
        area2[b] += line2;
        const int previous = cell(r - 1, g, b);
        m.weight[i] = m.weight[previous] + area[b];
        m.red[i] = m.red[previous] + areaR[b];
        m.green[i] = m.green[previous] + areaG[b];
        m.blue[i] = m.blue[previous] + areaB[b];
        m.square[i] = m.square[previous] + area2[b];
      }
    }
  }
}

int wuPalette(const Picture& picture, int maxColours, Palette& palette) {
  Moments m;
  buildHistogram(picture, m);
  accumulate(m);

  std::vector<Box> boxes(static_cast<std::size_t>(maxColours));
  std::vector<double> scores(static_cast<std::size_t>(maxColours), 0.0);
  boxes[0] = Box{0, kSide - 1, 0, kSide - 1, 0, kSide - 1, 0};
  boxes[0].volume = boxVolume(boxes[0]);
  int count = maxColours;
  int next = 0;
  for (int i = 1; i < count; ++i) {
    if (cutBox(boxes[next], boxes[i], m)) {
      scores[next] = boxes[next].volume > 1 ? variance(boxes[next], m) : 0.0;
      scores[i] = boxes[i].volume > 1 ? variance(boxes[i], m) : 0.0;
    } else {
      scores[next] = 0.0;  // this box cannot be split further
      --i;
    }
    next = 0;
    double best = scores[0];
    for (int k = 1; k <= i; ++k) {
      if (scores[k] > best) {
        best = scores[k];
        next = k;
      }
    }
    if (best <= 0.0) {
      count = i + 1;
      break;
    }
  }

  int used = 0;
  for (int k = 0; k < count; ++k) {
    const std::int64_t w = volume(boxes[k], m.weight);
    if (w <= 0) continue;
    palette[used++] = PaletteEntry{static_cast<std::uint8_t>((volume(boxes[k], m.red) + w / 2) / w),
                                   static_cast<std::uint8_t>((volume(boxes[k], m.green) + w / 2) / w),
                                   static_cast<std::uint8_t>((volume(boxes[k], m.blue) + w / 2) / w)};
  }
  return used;
}

// --- Mapping with error diffusion -----------------------------------------

class NearestColour {
 public:
  NearestColour(const Palette& palette, int colours)
      : palette_(palette), colours_(colours), cache_(1 << 18, -1) {}

  int find(int r, int g, int b) {
    const int key = ((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2);
    if (cache_[key] >= 0) return cache_[key];
    // Search from the centre of the 4 x 4 x 4 cell the key stands for.
    const int cr = (r & ~3) + 2, cg = (g & ~3) + 2, cb = (b & ~3) + 2;
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < colours_; ++i) {
      const int dr = palette_[i].red - cr, dg = palette_[i].green - cg, db = palette_[i].blue - cb;
      const int distance = dr * dr + dg * dg + db * db;
      if (distance < bestDistance) {
        bestDistance = distance;
        best = i;
      }
    }
    cache_[key] = static_cast<std::int16_t>(best);
    return best;
  }

 private:
  const Palette& palette_;
  int colours_;
  std::vector<std::int16_t> cache_;
};

void diffuse(const Picture& picture, QuantisedPicture& result) {
  const int width = picture.width();
  NearestColour nearest(result.palette, result.colours);
  // Errors of this line and the next, three channels, with a pixel of margin
  // on each side.
  std::vector<int> current(static_cast<std::size_t>(width + 2) * 3, 0);
  std::vector<int> below(current.size(), 0);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
  result.indices.resize(static_cast<std::size_t>(width) * picture.height());

  for (int y = 0; y < picture.height(); ++y) {
    picture.lineRgb(y, rgb.data());
    std::uint8_t* out = result.indices.data() + static_cast<std::size_t>(y) * width;
    const bool leftToRight = (y % 2) == 0;
    const int step = leftToRight ? 1 : -1;
    std::fill(below.begin(), below.end(), 0);
    for (int n = 0; n < width; ++n) {
      const int x = leftToRight ? n : width - 1 - n;
      const int e = (x + 1) * 3;
      int want[3];
      for (int ch = 0; ch < 3; ++ch) {
        want[ch] = std::clamp(rgb[3 * x + ch] + (current[e + ch] + 8) / 16, 0, 255);
      }
      const int index = nearest.find(want[0], want[1], want[2]);
      out[x] = static_cast<std::uint8_t>(index);
      const PaletteEntry& got = result.palette[index];
      const int error[3] = {want[0] - got.red, want[1] - got.green, want[2] - got.blue};
      const int ahead = e + step * 3;
      const int behindBelow = e - step * 3;
      for (int ch = 0; ch < 3; ++ch) {
        current[ahead + ch] += error[ch] * 7;
        below[behindBelow + ch] += error[ch] * 3;
        below[e + ch] += error[ch] * 5;
        below[ahead + ch] += error[ch] * 1;
      }
    }
    std::swap(current, below);
  }
}

}  // namespace

QuantisedPicture quantise(const Picture& picture, int maxColours) {
  maxColours = std::clamp(maxColours, 2, 256);
  QuantisedPicture result;
  if (exactPalette(picture, maxColours, result)) return result;
  result = QuantisedPicture{};
  result.colours = wuPalette(picture, maxColours, result.palette);
  diffuse(picture, result);
  return result;
}

}  // namespace imaging::formats
