// Stage 3, shading: colour ramps of the gradients, the soft crescent of a rotating glow, and the
// radial profile of a Gaussian-blurred ring. Values are immutable after construction; safe to
// share between threads.
#pragma once

#include "model/CodableColor.h"
#include "render/Blend.h"
#include "render/Coverage.h"

#include <algorithm>
#include <cmath>
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

    // at(t) read from a table of 1024 steps with linear interpolation between them, for per-pixel
    // use. Between two colour stops the colour is linear in t (quadratic only where opacity
    // changes), so the table differs from at() by rounding and by a kink smoothed over 1/1024.
    Px fast(double t) const
    {
        if (m_table.empty()) return {};
        const double pos = (t > 0.0 ? (t < 1.0 ? t : 1.0) : 0.0) * kTableSteps; // NaN reads as 0
        const int i = static_cast<int>(pos) < kTableSteps ? static_cast<int>(pos) : kTableSteps - 1;
        const float f = static_cast<float>(pos - i);
        const Px& a = m_table[static_cast<std::size_t>(i)];
        const Px& b = m_table[static_cast<std::size_t>(i) + 1];
        return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f};
    }

    // fast(t) on four lanes, bit for bit.
    Px4 fast4(double t) const
    {
        if (m_table.empty()) return _mm_setzero_ps();
        const double pos = (t > 0.0 ? (t < 1.0 ? t : 1.0) : 0.0) * kTableSteps;
        const int i = static_cast<int>(pos) < kTableSteps ? static_cast<int>(pos) : kTableSteps - 1;
        const Px4 a = load(m_table[static_cast<std::size_t>(i)]), b = load(m_table[static_cast<std::size_t>(i) + 1]);
        return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), _mm_set1_ps(static_cast<float>(pos - i))));
    }

    // fast(t[i]) into out[i] for i in [0, count), bit for bit, with the clamp and scale done several
    // lanes at a time: the form for a row of pixels (see linearAlong).
    void fastRow(const double* t, int count, Px* out) const;

    static Px premultiplied(const CodableColor& colour);

private:
    static constexpr int kTableSteps = 1024;
    struct Stop {
        float r, g, b, a;
    };
    std::vector<Stop> m_stops;
    std::vector<Px> m_table;
};

// atan2 within 1e-5 radians (a minimax polynomial on [0, 1] and the octant symmetries): the
// angular gradient needs one per pixel and a colour moves by far less than a level over 1e-5.
inline double fastAtan2(double y, double x)
{
    const double ax = std::abs(x), ay = std::abs(y);
    const double hi = ax > ay ? ax : ay, lo = ax > ay ? ay : ax;
    if (hi == 0.0) return 0.0;
    const double q = lo / hi, q2 = q * q;
    double r = q * (0.99997726 + q2 * (-0.33262347 + q2 * (0.19354346 + q2 * (-0.11643287 + q2 * (0.05265332 + q2 * -0.01172120)))));
    if (ay > ax) r = 1.57079632679489662 - r;
    if (x < 0.0) r = 3.14159265358979324 - r;
    return y < 0.0 ? -r : r;
}

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
    // Inline, as callers read it once or twice per pixel.
    float value(double distance) const
    {
        if (m_sharp) {
            const float outer = discCoverage(distance, m_rOut, 1.0);
            const float inner = m_rIn > 0.0 ? discCoverage(distance, m_rIn, 1.0) : 0.0f;
            return std::max(outer - inner, 0.0f);
        }
        if (m_table.empty()) return 0.0f;
        const double pos = (distance - m_begin) / m_step;
        if (!(pos >= 0.0) || pos >= static_cast<double>(m_table.size() - 1)) return 0.0f;
        const auto i = static_cast<std::size_t>(pos);
        const float f = static_cast<float>(pos - static_cast<double>(i));
        return m_table[i] + (m_table[i + 1] - m_table[i]) * f;
    }
    // value(distance[i]) into out[i] for i in [0, count), bit for bit, with the divisions done
    // several lanes at a time: the form for a row of pixels (see distancesAlong).
    void values(const double* distance, int count, float* out) const;
    // value(d) is exactly 0 for every d below this distance.
    double innerEdge() const;

private:
    double m_rIn, m_rOut;
    bool m_sharp;
    double m_begin = 0.0, m_step = 1.0;
    std::vector<float> m_table;
};

// The distances of the pixel centres x + i, i in [0, count), on a row dy below (or above) a point
// at `centre` along the row: out[i] = sqrt(dx * dx + dy * dy) with dx = (x + i) - centre, bit for
// bit, several lanes at a time. For a row of pixels x is the first pixel's left edge plus 0.5.
void distancesAlong(double x, double centre, double dy, int count, double* out);

// A radial gradient's parameter at the same pixel centres: out[i] = distance / end, the distance as
// distancesAlong gives it, bit for bit.
void radialAlong(double x, double centre, double dy, double end, int count, double* out);

// A linear gradient's parameter at the pixel centres x + i, i in [0, count), of a row: out[i] =
// ((x + i) / size - offset) * c - rowTerm, bit for bit, several lanes at a time. For the gradient
// from (0.5 - 0.5 cos a, 0.5 + 0.5 sin a) to (0.5 + 0.5 cos a, 0.5 - 0.5 sin a) of a square of
// `size` pixels: offset = 0.5 - 0.5 cos a, c = cos a, rowTerm = ((y + 0.5) / size - (0.5 + 0.5 sin a)) sin a.
void linearAlong(double x, double size, double offset, double c, double rowTerm, int count, double* out);

} // namespace lumara::render
