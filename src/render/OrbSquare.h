// What every stage of the layer stack shares: the orb's square with the row spans inside its
// inscribed circle, the row chunk of the parallel passes, and a glow layer's description.
// Plain values; safe from any thread.
#pragma once

#include "render/Blend.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumara::render {

inline constexpr int kRowChunk = 8;

// The orb's square and the row spans of the pixels whose centres lie in its inscribed circle.
struct OrbSquare {
    int side = 0;
    double size = 0.0;   // side in pixels, as a double
    double centre = 0.0; // centre on both axes
    double radius = 0.0; // inscribed circle
    std::vector<int> spanBegin, spanEnd;

    explicit OrbSquare(int s) : side(s), size(s), centre(s / 2.0), radius(s / 2.0)
    {
        spanBegin.assign(static_cast<std::size_t>(s), 0);
        spanEnd.assign(static_cast<std::size_t>(s), 0);
        for (int y = 0; y < s; ++y) {
            const double dy = y + 0.5 - centre;
            if (std::abs(dy) > radius) continue;
            const double half = std::sqrt(radius * radius - dy * dy);
            const int b = std::max(0, static_cast<int>(std::ceil(centre - half - 0.5)));
            const int e = std::min(s, static_cast<int>(std::floor(centre + half - 0.5)) + 1);
            spanBegin[static_cast<std::size_t>(y)] = b;
            spanEnd[static_cast<std::size_t>(y)] = std::max(b, e);
        }
    }

    // The pixels [begin, end) of row y whose centres lie closer than r to the centre (empty when
    // the row misses that circle).
    void within(int y, double r, int& begin, int& end) const
    {
        begin = end = spanBegin[static_cast<std::size_t>(y)];
        const double dy = y + 0.5 - centre;
        if (!(r > std::abs(dy))) return;
        const double half = std::sqrt(r * r - dy * dy);
        begin = std::max(spanBegin[static_cast<std::size_t>(y)], static_cast<int>(std::floor(centre - half - 0.5)) + 1);
        end = std::min(spanEnd[static_cast<std::size_t>(y)], static_cast<int>(std::ceil(centre + half - 0.5)));
        if (end < begin) end = begin;
    }
};

// A rotating glow of the orb's side: `angle` degrees clockwise, blurred by `sigma` pixels.
struct GlowLayer {
    Px colour;
    double angle;
    double sigma;
};

} // namespace lumara::render
