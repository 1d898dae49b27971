// Compositing by opacity in 8-bit integers, rounded to nearest.
#include "render/LayerStack.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumara::render {

int centredOrigin(int extent, int side)
{
    const int difference = extent - side;
    return difference >= 0 ? difference / 2 : -((-difference + 1) / 2);
}

namespace {

// Each byte of `x` times a / 255, rounded to nearest, two bytes at a time in 16-bit lanes
// (v = byte * a is at most 65025, so v + 128 and the correction stay inside their lane).
//   plain form, per byte: (v + 128 + ((v + 128) >> 8)) >> 8, which is round(v / 255)
std::uint32_t byteMul(std::uint32_t x, std::uint32_t a)
{
    std::uint32_t low = (x & 0xff00ffu) * a + 0x800080u;
    low = ((low + ((low >> 8) & 0xff00ffu)) >> 8) & 0xff00ffu;
    std::uint32_t high = ((x >> 8) & 0xff00ffu) * a + 0x800080u;
    high = (high + ((high >> 8) & 0xff00ffu)) & 0xff00ff00u;
    return low | high;
}

} // namespace

// A pixel at a time as one 32-bit word (alpha in the top byte, whatever the machine's byte order
// makes of the colours: every byte is treated alike). Measured at 600 x 600, two layers: 1.1 ms;
// a loop over bytes with separate divisions took 13 ms or more, QPainter's SIMD blend 0.3 ms.
void drawOver(std::uint8_t* canvas, const std::uint8_t* layer, std::size_t count, double opacity)
{
    const std::uint32_t a = opacity > 0.0 ? static_cast<std::uint32_t>(std::lround(std::min(opacity, 1.0) * 255.0)) : 0;
    if (a == 0) return;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t source, destination;
        std::memcpy(&source, layer + 4 * i, 4);
        std::memcpy(&destination, canvas + 4 * i, 4);
        source = byteMul(source, a);
        // Premultiplied colours never exceed their alpha, so no byte of the sum carries over.
        const std::uint32_t out = source + byteMul(destination, 255 - (source >> 24));
        std::memcpy(canvas + 4 * i, &out, 4);
    }
}

void drawOver(Image& canvas, const Image& layer, double opacity)
{
    if (canvas.width != layer.width || canvas.height != layer.height || canvas.pixels.size() != layer.pixels.size()) return;
    drawOver(canvas.pixels.data(), layer.pixels.data(), canvas.pixels.size() / 4, opacity);
}

} // namespace lumara::render
