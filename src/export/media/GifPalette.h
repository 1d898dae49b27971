// Palette for GIF export: a colour histogram gathered over the frames, reduced to at most 256
// colours by median cut, and a mapper that indexes frames with a fixed ordered dither (the same
// pattern every frame, so still areas do not shimmer). Plain values; one thread per object.
#pragma once

#include "render/OrbRenderer.h"

#include <array>
#include <cstdint>
#include <vector>

namespace lumara::exporting {

using PaletteColor = std::array<std::uint8_t, 3>; // r, g, b

class ColorHistogram {
public:
    ColorHistogram();
    // Counts the colours of an opaque frame `weight` times (its alpha is ignored).
    void add(const render::Image& frame, std::uint64_t weight = 1);
    // At most `maxColors` colours (1 ... 256) that represent the counted pixels; one black entry
    // when nothing was counted. Deterministic for the same counts.
    std::vector<PaletteColor> palette(int maxColors = 256) const;

private:
    struct Bin {
        std::uint64_t count = 0;
        std::uint64_t sum[3] = {0, 0, 0};
    };
    std::vector<Bin> m_bins; // 5 bits per channel
};

class PaletteMapper {
public:
    // `palette` must hold 1 ... 256 colours.
    explicit PaletteMapper(std::vector<PaletteColor> palette);
    const std::vector<PaletteColor>& palette() const { return m_palette; }
    // Writes one palette index per pixel of the opaque `frame` (rows `stride` bytes apart).
    void map(const render::Image& frame, std::uint8_t* indices, int stride);

private:
    std::uint8_t nearest(int r6, int g6, int b6);

    std::vector<PaletteColor> m_palette;
    std::vector<std::int16_t> m_lookup; // 6 bits per channel, -1 until first asked
    double m_ditherAmplitude = 0.0;
};

} // namespace lumara::exporting
