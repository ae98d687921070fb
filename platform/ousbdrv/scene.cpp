#include "platform/ousbdrv/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace platform::ousbdrv {
namespace {

// 5 x 7 glyphs, one row per byte, bit 4 the leftmost pixel.
struct Glyph {
    char c;
    std::uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
};

const Glyph* glyphFor(char c)
{
    for (const Glyph& g : kGlyphs)
        if (g.c == c)
            return &g;
    return nullptr;
}

void fillRect(Picture& p, int x0, int y0, int x1, int y1, Rgb c)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, p.width);
    y1 = std::min(y1, p.height);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            p.set(x, y, c);
}

void drawText(Picture& p, int x, int y, int scale, std::string_view text, Rgb c)
{
    for (const char ch : text) {
        if (const Glyph* g = glyphFor(ch)) {
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if ((g->rows[row] >> (4 - col)) & 1)
                        fillRect(p, x + col * scale, y + row * scale, x + (col + 1) * scale,
                                 y + (row + 1) * scale, c);
        }
        x += 6 * scale;
    }
}

void fillDisc(Picture& p, int cx, int cy, int radius, Rgb c)
{
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x) {
            const int dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy <= radius * radius && x >= 0 && y >= 0 && x < p.width && y < p.height)
                p.set(x, y, c);
        }
}

// A dial at (cx, cy) whose hand turns once per `periodMs`.
void drawDial(Picture& p, int cx, int cy, int radius, std::int64_t ms, std::int64_t periodMs)
{
    const double angle = static_cast<double>(ms % periodMs) / static_cast<double>(periodMs) * 6.283185307179586;
    const double hx = std::sin(angle), hy = -std::cos(angle);
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x) {
            if (x < 0 || y < 0 || x >= p.width || y >= p.height)
                continue;
            const double dx = x - cx, dy = y - cy;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d > radius)
                continue;
            // Distance from the hand (the segment from the centre outwards).
            const double along = dx * hx + dy * hy;
            const double across = std::abs(dx * hy - dy * hx);
            if (d > radius - 4)
                p.set(x, y, {255, 255, 255});
            else if (along >= 0 && along <= radius - 6 && across <= 2.0)
                p.set(x, y, {220, 30, 30});
            else
                p.set(x, y, {24, 24, 24});
        }
}

// Position in 0 .. span that goes there and back once per period.
int bounce(std::int64_t ms, std::int64_t periodMs, int span)
{
    const std::int64_t phase = ms % periodMs;
    const std::int64_t half = periodMs / 2;
    const std::int64_t along = phase < half ? phase : periodMs - phase;
    return static_cast<int>(along * span / half);
}

} // namespace

const Rgb TestPattern::kBarColours[kBarCount] = {
    {191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
    {191, 0, 191},   {191, 0, 0},   {0, 0, 191},   {16, 16, 16},
};

TestPattern::TestPattern()
{
    background_.resize(kSceneWidth, kSceneHeight);
    const int barWidth = kSceneWidth / kBarCount;
    for (int i = 0; i < kBarCount; ++i)
        fillRect(background_, i * barWidth, 0, (i + 1) * barWidth, kBarsBottom, kBarColours[i]);
    for (int x = 0; x < kSceneWidth; ++x) {
        const auto level = static_cast<std::uint8_t>(x * 255 / (kSceneWidth - 1));
        fillRect(background_, x, kBarsBottom, x + 1, kRampBottom, {level, level, level});
    }
    fillRect(background_, 0, kRampBottom, kSceneWidth, kSceneHeight, kPanelColour);
    fillRect(background_, 368, 348, 632, 472, {0, 0, 0});
}

void TestPattern::render(const SceneTime& time, Picture& scene) const
{
    std::memcpy(scene.rgb.data(), background_.rgb.data(), std::min(scene.rgb.size(), background_.rgb.size()));
    const std::int64_t ms = time.sincePlug.count();

    // The ball crosses the left part of the panel in two seconds and back,
    // bobbing up and down.
    constexpr int kRadius = 26;
    const int cx = 16 + kRadius + bounce(ms, 4000, 352 - 2 * (16 + kRadius));
    const int cy = 408 + static_cast<int>(std::lround(30 * std::sin(static_cast<double>(ms % 1500) / 1500 * 6.283185307179586)));
    fillDisc(scene, cx, cy, kRadius, {255, 160, 32});
    fillDisc(scene, cx - 8, cy - 8, 7, {255, 240, 200});

    // A marker sweeping along the top of the bars, one pass per second.
    const int marker = bounce(ms, 2000, kSceneWidth - 16);
    fillRect(scene, marker, 0, marker + 16, 12, {255, 255, 255});

    // A dial in the middle of the scene, so zoomed frames show motion too.
    drawDial(scene, kSceneWidth / 2, kSceneHeight / 2, 40, ms, 2000);

    const std::int64_t day = time.timeOfDay.count() % (24LL * 3600 * 1000);
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d.%d", static_cast<int>(day / 3600000),
                  static_cast<int>(day / 60000 % 60), static_cast<int>(day / 1000 % 60),
                  static_cast<int>(day / 100 % 10));
    drawText(scene, 380, 360, 4, clock, {255, 255, 255});
    char frame[32];
    std::snprintf(frame, sizeof frame, "#%06u", static_cast<unsigned>(time.frameNumber % 1000000));
    drawText(scene, 380, 420, 4, frame, {64, 255, 64});
}

StillImage::StillImage(const Picture& picture)
{
    fitted_.resize(kSceneWidth, kSceneHeight);
    if (picture.width <= 0 || picture.height <= 0 || picture.rgb.size() < static_cast<std::size_t>(picture.width) * picture.height * 3)
        return;
    // Fit inside the scene keeping the aspect ratio.
    const double scale = std::min(static_cast<double>(kSceneWidth) / picture.width,
                                  static_cast<double>(kSceneHeight) / picture.height);
    const int w = std::clamp(static_cast<int>(std::lround(picture.width * scale)), 1, kSceneWidth);
    const int h = std::clamp(static_cast<int>(std::lround(picture.height * scale)), 1, kSceneHeight);
    const int x0 = (kSceneWidth - w) / 2;
    const int y0 = (kSceneHeight - h) / 2;
    // Each target pixel averages the source pixels it covers (or takes the
    // nearest one when enlarging).
    for (int y = 0; y < h; ++y) {
        const int sy0 = static_cast<int>(static_cast<std::int64_t>(y) * picture.height / h);
        const int sy1 = std::max(sy0 + 1, static_cast<int>(static_cast<std::int64_t>(y + 1) * picture.height / h));
        for (int x = 0; x < w; ++x) {
            const int sx0 = static_cast<int>(static_cast<std::int64_t>(x) * picture.width / w);
            const int sx1 = std::max(sx0 + 1, static_cast<int>(static_cast<std::int64_t>(x + 1) * picture.width / w));
            std::uint64_t sum[3] = {0, 0, 0};
            for (int sy = sy0; sy < sy1; ++sy)
                for (int sx = sx0; sx < sx1; ++sx) {
                    const std::uint8_t* p = picture.pixel(sx, sy);
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            const std::uint64_t n = static_cast<std::uint64_t>(sy1 - sy0) * static_cast<std::uint64_t>(sx1 - sx0);
            fitted_.set(x0 + x, y0 + y,
                        {static_cast<std::uint8_t>(sum[0] / n), static_cast<std::uint8_t>(sum[1] / n),
                         static_cast<std::uint8_t>(sum[2] / n)});
        }
    }
}

void StillImage::render(const SceneTime&, Picture& scene) const
{
    std::memcpy(scene.rgb.data(), fitted_.rgb.data(), std::min(scene.rgb.size(), fitted_.rgb.size()));
}

void cutFrame(const Picture& scene, const FrameFormat& format, Picture& frame)
{
    if (frame.width != format.width || frame.height != format.height)
        frame.resize(format.width, format.height);
    const int areaWidth = format.zoomed ? scene.width / 2 : scene.width;
    const int areaHeight = format.zoomed ? scene.height / 2 : scene.height;
    const int left = (scene.width - areaWidth) / 2;
    const int top = (scene.height - areaHeight) / 2;
    for (int y = 0; y < format.height; ++y) {
        // The centre of the area this frame row covers.
        const int sy = top + static_cast<int>((2LL * y + 1) * areaHeight / (2LL * format.height));
        std::uint8_t* out = frame.pixel(0, y);
        for (int x = 0; x < format.width; ++x, out += 3) {
            const int sx = left + static_cast<int>((2LL * x + 1) * areaWidth / (2LL * format.width));
            const std::uint8_t* in = scene.pixel(sx, sy);
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
}

} // namespace platform::ousbdrv
