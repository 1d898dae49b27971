// Compositing by opacity and centring: the arithmetic the canvas and the playback-loop export share.
#include "render/LayerStack.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

using namespace lumara::render;

TEST(LayerStack, CentresOnWholePixelsRoundingTowardTheTopLeft)
{
    const struct {
        int extent, side, origin;
    } table[] = {{20, 20, 0}, {20, 14, 3}, {20, 13, 3}, {10, 13, -2}, {10, 14, -2}, {0, 5, -3}};
    for (const auto& row : table) EXPECT_EQ(centredOrigin(row.extent, row.side), row.origin) << row.extent << " " << row.side;
}

TEST(LayerStack, LaysALayerOverAtItsOpacity)
{
    using Px = std::array<int, 4>;
    const struct {
        Px canvas, layer;
        double opacity;
        Px result;
    } table[] = {
        {{0, 0, 0, 0}, {200, 100, 50, 255}, 1.0, {200, 100, 50, 255}},   // over nothing: the layer itself
        {{0, 0, 255, 255}, {200, 100, 50, 255}, 1.0, {200, 100, 50, 255}}, // opaque: covers
        {{0, 0, 0, 255}, {255, 255, 255, 255}, 0.5, {128, 128, 128, 255}}, // half white over black
        {{0, 0, 0, 0}, {100, 0, 0, 128}, 0.5, {50, 0, 0, 64}},             // premultiplied stays premultiplied
        {{10, 20, 30, 40}, {255, 255, 255, 255}, 0.0, {10, 20, 30, 40}},   // invisible: untouched
        {{10, 20, 30, 40}, {255, 255, 255, 255}, NAN, {10, 20, 30, 40}},
        {{10, 20, 30, 40}, {255, 255, 255, 255}, 7.0, {255, 255, 255, 255}}, // clamped to 1
        {{90, 60, 30, 200}, {40, 80, 120, 160}, 0.75, {78, 92, 106, 226}},   // both translucent
    };
    for (const auto& row : table) {
        std::uint8_t canvas[4], layer[4];
        for (int c = 0; c < 4; ++c) canvas[c] = std::uint8_t(row.canvas[c]), layer[c] = std::uint8_t(row.layer[c]);
        drawOver(canvas, layer, 1, row.opacity);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(canvas[c], row.result[c]) << "channel " << c << " at opacity " << row.opacity;
    }
    Image small{2, 2, std::vector<std::uint8_t>(16, 9)};
    const Image other{3, 1, std::vector<std::uint8_t>(12, 200)};
    drawOver(small, other, 1.0);
    EXPECT_EQ(small.pixels, std::vector<std::uint8_t>(16, 9)) << "images of different sizes are left alone";
}
