// The stack of orbs a frame shows: each centred in the frame at its own size and laid over the
// ones behind at its opacity. The canvas and the playback-loop export compose their frames with
// it, so both show the same pixels. Pure functions of plain values; any thread.
#pragma once

#include "render/OrbRenderer.h"

#include <cstddef>
#include <cstdint>

namespace lumara::render {

// Where a square of `side` pixels starts when centred in `extent` pixels: floor((extent - side) / 2),
// so the orb stays on whole pixels and crisp.
int centredOrigin(int extent, int side);

// Lays `count` premultiplied RGBA8 pixels of `layer` over `canvas` at `opacity` (clamped to 0 ... 1,
// NaN as 0): source-over with the layer scaled by the opacity first, each product rounded to the
// nearest level. Both must be premultiplied (no colour above its alpha), as the renderer draws them.
//   plain form, per channel: s' = round(s * a), out = s' + round(d * (1 - s'.alpha))
void drawOver(std::uint8_t* canvas, const std::uint8_t* layer, std::size_t count, double opacity);
// The same over whole images; images of different sizes are left as they are.
void drawOver(Image& canvas, const Image& layer, double opacity);

} // namespace lumara::render
