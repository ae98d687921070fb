#pragma once
// Pictures inside the virtual camera: 8-bit RGB, rows top to bottom.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::ousbdrv {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes

    void resize(int w, int h)
    {
        width = w;
        height = h;
        rgb.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3, 0);
    }
    std::uint8_t* pixel(int x, int y) { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
    const std::uint8_t* pixel(int x, int y) const
    {
        return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
    void set(int x, int y, Rgb c)
    {
        std::uint8_t* p = pixel(x, y);
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }
};

} // namespace platform::ousbdrv
