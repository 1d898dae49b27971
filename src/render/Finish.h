// The finishing stages of the layer stack: the clip to the orb's outline with its edge feather,
// the two-part drop shadow behind it, and the store that narrows orb over shadow to 8-bit
// premultiplied RGBA. Safe from any thread.
#pragma once

#include "model/OrbValues.h"
#include "render/Blend.h"
#include "render/Blur.h"
#include "render/Geometry.h"
#include "render/Gradient.h"
#include "render/Layers.h"
#include "render/OrbRenderer.h"
#include "render/OrbSquare.h"
#include "render/Parallel.h"
#include "render/SmoothGrid.h"
#include "render/StillLayers.h"

#include <vector>

namespace lumara::render {

// The clip of the flattened layer to the orb's outline, with its edge feathered: the last layer
// of the square's rows; everything outside the inscribed circle ends transparent.
class ClipLayer final : public RowLayer {
public:
    ClipLayer(const OrbSquare& sq, const OrbValues& v, double ppp);
    void drawRow(int y, Px* row, RowScratch& scratch) const override;

private:
    const OrbSquare& m_sq;
    OrbOutline m_outline;
    double m_stop;      // the feather's opaque part, as a fraction of the inscribed radius
    double m_untouched; // inside this radius the mask and the outline leave pixels as they are
};

// One blurred shadow: the orb's circle filled with the bottom-to-top gradient, blurred, faded and
// moved down, in pixel coordinates of the target.
struct ShadowPart {
    Field field;
    float opacity = 0.0f;
    double shiftY = 0.0;
    double sigma = 0.0; // the blur, in pixels
    // When not empty, several parts stacked on a coarse grid (Reduced.h), read instead of field.
    SmoothGrid stack;
};
ShadowPart makeShadow(const OrbSquare& sq, const ColourRamp& ramp, double sigma, float opacity, double shiftY,
                      double ox, double oy, int width, int height, WorkerPool& pool);

// The parts of the orb's shadow for a target of width x height with the square at (ox, oy): none
// when the shadow is off or has no colours, and a part is left out when too faint to show.
std::vector<ShadowPart> makeShadows(const OrbSquare& sq, const OrbValues& v, double ox, double oy, int width,
                                    int height, WorkerPool& pool);

// Row y of `image`: the orb's row `orb` (row y - oy of its square, whose top-left corner sits at
// (ox, oy) of the target; null when the row misses the square) over the shadow parts, narrowed
// to 8 bits. With `kept` (the same parts' pixels, from keptShadow) the shadow is read from it
// instead, for the same bytes.
void storeRow(Image& image, int y, const Px* orb, const OrbSquare& sq, const std::vector<ShadowPart>& shadows,
              const StillLayers::ShadowPixels* kept, double ox, double oy, RowScratch& scratch);

// The pixels of non-empty `shadows` for a target of width x height with the square at (ox, oy),
// for storeRow to read instead of the parts: what storeRow would compute of them at every pixel.
StillLayers::ShadowPixels keptShadow(StillLayers::ShadowKey key, const OrbSquare& sq,
                                     const std::vector<ShadowPart>& shadows, WorkerPool& pool);

} // namespace lumara::render
