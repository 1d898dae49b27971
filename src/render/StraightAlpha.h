// Conversion of the renderer's premultiplied RGBA8 rows to straight (un-premultiplied) alpha, for
// the file formats that store it. Pure; thread-safe.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace lumara::render {

// Rounds each colour channel to the nearest straight value; fully transparent pixels become 0.
// `src` and `dst` hold `width` RGBA pixels each and may be the same row.
inline void unpremultiplyRow(const std::uint8_t* src, std::uint8_t* dst, int width)
{
    for (int x = 0; x < width; ++x, src += 4, dst += 4) {
        const int a = src[3];
        if (a == 0) {
            std::memset(dst, 0, 4);
            continue;
        }
        for (int c = 0; c < 3; ++c) dst[c] = static_cast<std::uint8_t>(std::min(255, (src[c] * 255 + a / 2) / a));
        dst[3] = static_cast<std::uint8_t>(a);
    }
}

} // namespace lumara::render
