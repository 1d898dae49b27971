// Placeholder renderer: fills the inscribed circle with the first background colour.
// Replaced by the layered renderer.
#include "render/OrbRenderer.h"

#include <algorithm>
#include <cmath>

namespace lumara::render {

int orbPixelSize(const OrbValues& values, double pixelsPerPoint)
{
    const double side = values.orbSize * pixelsPerPoint;
    if (!std::isfinite(side) || side <= 0.0 || side > 16384.0) return 0;
    return static_cast<int>(std::lround(side));
}

Image renderOrb(const OrbValues& values, double, const RenderOptions& options)
{
    Image image;
    const int side = orbPixelSize(values, options.pixelsPerPoint);
    image.width = options.width > 0 ? options.width : side;
    image.height = options.height > 0 ? options.height : side;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height * 4, 0);
    if (side == 0 || values.backgroundColors.empty()) return image;
    const CodableColor c = values.backgroundColors.front();
    const double r = side / 2.0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double dx = x + 0.5 - options.originX - r, dy = y + 0.5 - options.originY - r;
            if (dx * dx + dy * dy > r * r) continue;
            auto* p = image.row(y) + x * 4;
            const double a = std::clamp(c.opacity, 0.0, 1.0);
            p[0] = static_cast<std::uint8_t>(std::lround(std::clamp(c.red, 0.0, 1.0) * a * 255));
            p[1] = static_cast<std::uint8_t>(std::lround(std::clamp(c.green, 0.0, 1.0) * a * 255));
            p[2] = static_cast<std::uint8_t>(std::lround(std::clamp(c.blue, 0.0, 1.0) * a * 255));
            p[3] = static_cast<std::uint8_t>(std::lround(a * 255));
        }
    }
    return image;
}

} // namespace lumara::render
