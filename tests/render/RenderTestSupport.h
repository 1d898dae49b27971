// Small helpers for the renderer's tests: configurations with chosen layers, pixel access and
// comparisons of whole images.
#pragma once

#include "render/OrbRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lumara::test {

// Every layer off and no ring: the empty orb that each test switches layers on in.
inline OrbValues layersOff()
{
    OrbValues v;
    v.showBackground = false;
    v.showWavyBlobs = false;
    v.showGlowEffects = false;
    v.showShadow = false;
    v.innerRingWidth = 0.0;
    return v;
}

struct Rgba {
    int r, g, b, a;
};

inline Rgba pixel(const render::Image& image, int x, int y)
{
    const std::uint8_t* p = image.row(y) + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

// Largest difference of any byte of two images of the same size (-1 if the sizes differ).
inline int maxDifference(const render::Image& a, const render::Image& b)
{
    if (a.width != b.width || a.height != b.height) return -1;
    int worst = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) worst = std::max(worst, std::abs(a.pixels[i] - b.pixels[i]));
    return worst;
}

inline bool allTransparent(const render::Image& image)
{
    return std::all_of(image.pixels.begin(), image.pixels.end(), [](std::uint8_t v) { return v == 0; });
}

// Options for a target of width x height with the orb's square at (originX, originY).
inline render::RenderOptions framed(double scale, int width, int height, double originX, double originY, int threads = 1)
{
    render::RenderOptions options;
    options.pixelsPerPoint = scale;
    options.width = width;
    options.height = height;
    options.originX = originX;
    options.originY = originY;
    options.threads = threads;
    return options;
}

inline render::Image renderAt(const OrbValues& v, double t, double scale = 1.0, int threads = 1)
{
    render::RenderOptions options;
    options.pixelsPerPoint = scale;
    options.threads = threads;
    return render::renderOrb(v, t, options);
}

} // namespace lumara::test
