// Stage 3, shading: colour ramps of the gradients, the soft crescent of a rotating glow, and the
// radial profile of a Gaussian-blurred ring. Values are immutable after construction; safe to
// share between threads.
#pragma once

#include "model/CodableColor.h"
#include "render/Blend.h"

#include <vector>

namespace lumara::render {

// Colours spaced evenly from t = 0 to t = 1, interpolated on straight (unpremultiplied) sRGB
// components and returned premultiplied. Components are clamped to 0..1; NaN reads as 0.
class ColourRamp {
public:
    explicit ColourRamp(const std::vector<CodableColor>& colours);
    bool empty() const { return m_stops.empty(); }
    // t is clamped to 0..1; an empty ramp gives transparent.
    Px at(double t) const;

    static Px premultiplied(const CodableColor& colour);

private:
    struct Stop {
        float r, g, b, a;
    };
    std::vector<Stop> m_stops;
};

// 0.5 erfc(z / sqrt 2): the coverage of a straight edge blurred by a unit Gaussian, at z standard
// deviations outside it. Tabulated once (a function-local constant); error below 1e-5.
float blurredEdge(double z);

// Mask of a rotating glow before its own blur, in units of the glow's side s with the centre at
// (0, 0) and y down: a circle of diameter s blurred by 0.16 s, minus the same blur of a circle of
// diameter 1.31 s moved down by 0.31 s, floored at 0. The disc the glow fills is applied apart.
inline float crescentMask(double u, double v)
{
    const double d1 = std::sqrt(u * u + v * v);
    const double dv = v - 0.31;
    const double d2 = std::sqrt(u * u + dv * dv);
    const float m = blurredEdge((d1 - 0.5) / 0.16) - blurredEdge((d2 - 0.655) / 0.16);
    return m > 0.0f ? m : 0.0f;
}

// Radial profile of a ring (inner radius rIn, outer radius rOut, in pixels) blurred by a true 2-D
// Gaussian of deviation sigma, tabulated over the distances up to `maxDistance` that a caller will
// ask for. value(d) is the blurred coverage at distance d from the centre. Below a quarter pixel of
// deviation the ring is drawn sharp with a one-pixel antialiased rim.
class RingProfile {
public:
    RingProfile(double rIn, double rOut, double sigma, double maxDistance);
    float value(double distance) const;

private:
    double m_rIn, m_rOut;
    bool m_sharp;
    double m_begin = 0.0, m_step = 1.0;
    std::vector<float> m_table;
};

} // namespace lumara::render
