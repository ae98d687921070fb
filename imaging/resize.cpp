#include "imaging/resize.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

namespace imaging {
namespace {

// For each target pixel along one direction: the first source pixel it reads
// and the weight of each source pixel from there on (weights sum to 1).
struct Contributions {
  std::vector<int> first;
  std::vector<int> offset;  // into weights; offset[i + 1] - offset[i] taps
  std::vector<float> weights;
};

Contributions areaAverage(int source, int target) {
  Contributions c;
  const double scale = static_cast<double>(source) / target;
  c.offset.push_back(0);
  for (int i = 0; i < target; ++i) {
    const double start = i * scale;
    const double end = (i + 1) * scale;
    const int firstPixel = static_cast<int>(std::floor(start));
    const int lastPixel = std::min(source - 1, static_cast<int>(std::ceil(end)) - 1);
    c.first.push_back(firstPixel);
    for (int j = firstPixel; j <= lastPixel; ++j) {
      const double covered = std::min(end, j + 1.0) - std::max(start, static_cast<double>(j));
      c.weights.push_back(static_cast<float>(covered / scale));
    }
    c.offset.push_back(static_cast<int>(c.weights.size()));
  }
  return c;
}

Contributions linear(int source, int target) {
  Contributions c;
  const double scale = static_cast<double>(source) / target;
  c.offset.push_back(0);
  for (int i = 0; i < target; ++i) {
    const double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, source - 1.0);
    const int j0 = static_cast<int>(std::floor(centre));
    const int j1 = std::min(j0 + 1, source - 1);
    const double f = centre - j0;
    c.first.push_back(j0);
    c.weights.push_back(static_cast<float>(1.0 - f));
    if (j1 != j0) c.weights.push_back(static_cast<float>(f));
    c.offset.push_back(static_cast<int>(c.weights.size()));
  }
  return c;
}

Contributions identity(int size) {
  Contributions c;
  c.offset.push_back(0);
  for (int i = 0; i < size; ++i) {
    c.first.push_back(i);
    c.weights.push_back(1.0f);
    c.offset.push_back(i + 1);
  }
  return c;
}

Contributions contributions(int source, int target) {
  if (source == target) return identity(source);
  return target < source ? areaAverage(source, target) : linear(source, target);
}

std::uint8_t toByte(float v) {
  return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
}

void resample(const Bitmap& source, Bitmap& target, int channels) {
  const int sw = source.width();
  const int sh = source.height();
  const int tw = target.width();
  const int th = target.height();
  const Contributions cx = contributions(sw, tw);
  const Contributions cy = contributions(sh, th);

  // Across first, into a float picture of the target width and source height.
  std::vector<float> across(static_cast<std::size_t>(tw) * channels * sh);
  for (int y = 0; y < sh; ++y) {
    const std::uint8_t* in = source.line(y);
    float* out = across.data() + static_cast<std::size_t>(y) * tw * channels;
    for (int x = 0; x < tw; ++x) {
      for (int ch = 0; ch < channels; ++ch) {
        float sum = 0;
        const int first = cx.first[x];
        for (int k = cx.offset[x]; k < cx.offset[x + 1]; ++k) {
          sum += cx.weights[k] * in[(first + k - cx.offset[x]) * channels + ch];
        }
        out[x * channels + ch] = sum;
      }
    }
  }
  // Then down.
  const std::size_t acrossLine = static_cast<std::size_t>(tw) * channels;
  for (int y = 0; y < th; ++y) {
    std::uint8_t* out = target.line(y);
    const int first = cy.first[y];
    for (std::size_t i = 0; i < acrossLine; ++i) {
      float sum = 0;
      for (int k = cy.offset[y]; k < cy.offset[y + 1]; ++k) {
        sum += cy.weights[k] * across[static_cast<std::size_t>(first + k - cy.offset[y]) * acrossLine + i];
      }
      out[i] = toByte(sum);
    }
  }
}

void nearest(const Bitmap& source, Bitmap& target) {
  for (int y = 0; y < target.height(); ++y) {
    const int sy = static_cast<int>((static_cast<std::int64_t>(y) * source.height()) / target.height());
    const std::uint8_t* in = source.line(sy);
    std::uint8_t* out = target.line(y);
    for (int x = 0; x < target.width(); ++x) {
      out[x] = in[(static_cast<std::int64_t>(x) * source.width()) / target.width()];
    }
  }
}

}  // namespace

Status resize(Bitmap& bitmap, int newWidth, int newHeight) {
  if (!bitmap.allocated()) return kNoBitmap;
  if (newWidth <= 0 || newHeight <= 0) return kInvalidArgument;
  if (newWidth == bitmap.width() && newHeight == bitmap.height()) return kSuccess;

  Bitmap result;
  Status status = initialise(result, newWidth, newHeight, bitmap.bitsPerPixel());
  if (status != kSuccess) return status;
  result.setRowOrder(bitmap.rowOrder());
  result.setPalette(bitmap.palette());
  result.setResolution(bitmap.xResolution(), bitmap.yResolution());
  if (bitmap.colourOrder() == ColourOrder::Rgb) setAttribute(result, kAttributeColourOrderRgb);
  status = allocateStorage(result);
  if (status != kSuccess) return status;

  try {
    if (bitmap.bitsPerPixel() == 8 && !bitmap.hasGreyPalette()) {
      nearest(bitmap, result);
    } else {
      resample(bitmap, result, bitmap.bitsPerPixel() / 8);
    }
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  bitmap = std::move(result);
  return kSuccess;
}

}  // namespace imaging
