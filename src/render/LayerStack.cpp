// Compositing by opacity in 8-bit integers, rounded to nearest.
#include "render/LayerStack.h"

#include <algorithm>
#include <cmath>

namespace lumara::render {

int centredOrigin(int extent, int side)
{
    const int difference = extent - side;
    return difference >= 0 ? difference / 2 : -((-difference + 1) / 2);
}

void drawOver(std::uint8_t* canvas, const std::uint8_t* layer, std::size_t count, double opacity)
{
    const int a = opacity > 0.0 ? static_cast<int>(std::lround(std::min(opacity, 1.0) * 255.0)) : 0;
    if (a == 0) return;
    for (std::size_t i = 0; i < count; ++i, canvas += 4, layer += 4) {
        int s[4];
        for (int c = 0; c < 4; ++c) s[c] = (layer[c] * a + 127) / 255;
        const int inverse = 255 - s[3];
        for (int c = 0; c < 4; ++c) canvas[c] = static_cast<std::uint8_t>(std::min(255, s[c] + (canvas[c] * inverse + 127) / 255));
    }
}

void drawOver(Image& canvas, const Image& layer, double opacity)
{
    if (canvas.width != layer.width || canvas.height != layer.height || canvas.pixels.size() != layer.pixels.size()) return;
    drawOver(canvas.pixels.data(), layer.pixels.data(), canvas.pixels.size() / 4, opacity);
}

} // namespace lumara::render
