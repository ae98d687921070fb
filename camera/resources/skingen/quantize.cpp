#include "quantize.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace skingen {
namespace {

struct Entry {
  QRgb color;
  int count;
};

struct Box {
  std::vector<Entry> entries;
  int range(int channel) const {
    int lo = 255, hi = 0;
    for (const Entry& e : entries) {
      const int v = channel == 0 ? qRed(e.color) : channel == 1 ? qGreen(e.color) : qBlue(e.color);
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    return hi - lo;
  }
  long weight() const {
    long w = 0;
    for (const Entry& e : entries) w += e.count;
    return w;
  }
};

int channelOf(QRgb c, int ch) { return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c); }

QRgb average(const Box& box) {
  long r = 0, g = 0, b = 0, n = 0;
  for (const Entry& e : box.entries) {
    r += long(qRed(e.color)) * e.count;
    g += long(qGreen(e.color)) * e.count;
    b += long(qBlue(e.color)) * e.count;
    n += e.count;
  }
  if (n == 0) return qRgb(0, 0, 0);
  return qRgb(int((r + n / 2) / n), int((g + n / 2) / n), int((b + n / 2) / n));
}

} // namespace

QImage toIndexed8(const QImage& source) {
  const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
  std::unordered_map<QRgb, int> histogram;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) ++histogram[line[x] | 0xFF000000u];
  }
  std::vector<QRgb> palette;
  if (histogram.size() <= 256) {
    for (const auto& [color, count] : histogram) palette.push_back(color);
    std::sort(palette.begin(), palette.end());
  } else {
    std::vector<Box> boxes(1);
    for (const auto& [color, count] : histogram) boxes[0].entries.push_back({color, count});
    while (boxes.size() < 256) {
      // Split the box with the widest weighted spread.
      int best = -1;
      double bestScore = 0;
      for (size_t i = 0; i < boxes.size(); ++i) {
        if (boxes[i].entries.size() < 2) continue;
        const int spread = std::max({boxes[i].range(0), boxes[i].range(1), boxes[i].range(2)});
        const double score = double(spread) * std::sqrt(double(boxes[i].weight()));
        if (score > bestScore) {
          bestScore = score;
          best = int(i);
        }
      }
      if (best < 0) break;
      Box& box = boxes[size_t(best)];
      const std::array<int, 3> ranges{box.range(0), box.range(1), box.range(2)};
      const int ch = int(std::max_element(ranges.begin(), ranges.end()) - ranges.begin());
      std::sort(box.entries.begin(), box.entries.end(), [ch](const Entry& a, const Entry& b) {
        return channelOf(a.color, ch) < channelOf(b.color, ch);
      });
      const long half = box.weight() / 2;
      long run = 0;
      size_t cut = 1;
      for (size_t i = 0; i + 1 < box.entries.size(); ++i) {
        run += box.entries[i].count;
        cut = i + 1;
        if (run >= half) break;
      }
      Box upper;
      upper.entries.assign(box.entries.begin() + long(cut), box.entries.end());
      box.entries.resize(cut);
      boxes.push_back(std::move(upper));
    }
    for (const Box& box : boxes) palette.push_back(average(box));
  }
  QImage out(rgb.size(), QImage::Format_Indexed8);
  QList<QRgb> table(palette.begin(), palette.end());
  out.setColorTable(table);
  std::unordered_map<QRgb, uchar> nearest;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    uchar* dst = out.scanLine(y);
    for (int x = 0; x < rgb.width(); ++x) {
      const QRgb c = line[x] | 0xFF000000u;
      auto it = nearest.find(c);
      if (it == nearest.end()) {
        int bestIndex = 0;
        long bestDistance = -1;
        for (size_t i = 0; i < palette.size(); ++i) {
          const long dr = qRed(c) - qRed(palette[i]);
          const long dg = qGreen(c) - qGreen(palette[i]);
          const long db = qBlue(c) - qBlue(palette[i]);
          const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
          if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            bestIndex = int(i);
          }
        }
        it = nearest.emplace(c, uchar(bestIndex)).first;
      }
      dst[x] = it->second;
    }
  }
  return out;
}

} // namespace skingen
