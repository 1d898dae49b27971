// Colour record of the orb model: four sRGB components as doubles, never clamped.
// A plain value type; safe to copy across threads.
#pragma once

#include <cstddef>

namespace lumara {

struct CodableColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double opacity = 1.0;

    friend bool operator==(const CodableColor&, const CodableColor&) = default;

    // The colour with its alpha multiplied by k.
    CodableColor withOpacityFactor(double k) const { return {red, green, blue, opacity * k}; }
};

// Combines the four components in field order; negative zero hashes as zero so that
// equal colours (-0.0 == 0.0) always hash alike.
std::size_t qHashCodableColor(const CodableColor& color, std::size_t seed = 0) noexcept;

struct CodableColorHash {
    std::size_t operator()(const CodableColor& color) const noexcept { return qHashCodableColor(color); }
};

} // namespace lumara
