// Stage of the layer stack: the glow field. Every glow is the same crescent turned, so each blurred
// glow is computed once unturned, kept in a small process-wide cache keyed by side and deviation,
// and read back at turned positions. Safe from any thread: cache entries are fixed functions of
// their keys, so a hit returns exactly what a miss would compute.
#pragma once

#include "render/Blur.h"
#include "render/OrbSquare.h"
#include "render/Parallel.h"

#include <cmath>
#include <memory>
#include <numbers>

namespace lumara::render {

// The unturned glow of an orb of `side` pixels, as a field read back at turned positions.
// Unblurred (sigma below half a pixel): the crescent mask alone on cells of side/256 or finer,
// multiplied by the disc when read. Blurred: the disc times the mask, blurred by sigma.
struct GlowSource {
    std::shared_ptr<const Field> field;
    bool withDisc = false; // the field already holds the disc
    // Bounds of the non-zero cells, relative to the orb's centre in pixels (a crescent along the
    // top covers well under half of the square, so rows only visit this box turned).
    double uMin = 0.0, uMax = 0.0, vMin = 0.0, vMax = 0.0;
    // Cell indices of the box around every cell that is not exactly zero: a bilinear read at cell
    // position (fu, fv) outside [zeroBelowU, zeroFromU) x [zeroBelowV, zeroFromV) blends four zero
    // cells and is exactly zero. An empty field makes the box empty.
    double zeroBelowU = 0.0, zeroFromU = 0.0, zeroBelowV = 0.0, zeroFromV = 0.0;
};

// The glow source of an orb of `side` pixels blurred by `sigma` (below half a pixel: unblurred),
// from the cache, computed on `pool` on a miss.
GlowSource cachedGlowSource(int side, double sigma, WorkerPool& pool);

// The range [first, last) of x in a row where a + b x lies in [lo, hi] (everything when b is 0
// and a lies in it, nothing when it does not).
void clipToSlab(double a, double b, double lo, double hi, double& first, double& last);

// One turned glow read row by row: its field, its turn, and the part of each row it can reach.
class TurnedGlow {
public:
    TurnedGlow(const OrbSquare& sq, const GlowLayer& layer, GlowSource source)
        : m_sq(sq), m_colour(layer.colour), m_source(std::move(source))
    {
        const double theta = layer.angle * std::numbers::pi / 180.0;
        m_cos = std::cos(theta);
        m_sin = std::sin(theta);
    }

    Px colour() const { return m_colour; }

    // Pixels [begin, end) of row y where the glow can be non-zero: the picture turns by theta
    // clockwise (y down), so pixel p reads the unturned glow at R(-theta) p, that is
    // u = cos dx + sin dy and v = -sin dx + cos dy; outside the field's box it reads zero.
    void span(int y, int& begin, int& end) const
    {
        const double dy = y + 0.5 - m_sq.centre;
        double first = m_sq.spanBegin[y], last = m_sq.spanEnd[y];
        const double x0 = 0.5 - m_sq.centre; // dx = x0 + x
        clipToSlab(m_cos * x0 + m_sin * dy, m_cos, m_source.uMin, m_source.uMax, first, last);
        clipToSlab(-m_sin * x0 + m_cos * dy, -m_sin, m_source.vMin, m_source.vMax, first, last);
        begin = std::max(m_sq.spanBegin[y], static_cast<int>(std::floor(first)));
        end = std::min(m_sq.spanEnd[y], static_cast<int>(std::ceil(last)) + 1);
    }

    // Alphas of pixels [begin, end) of row y into out[begin..end).
    void alphaRow(int y, int begin, int end, float* out) const
    {
        alphaAlong(begin + 0.5, y + 0.5, 1.0, end - begin, 1.0, out + begin);
    }

    // Alphas at (x0 + i * step, y) for i in [0, count), in the orb square's pixel coordinates, with
    // the disc (when it is applied apart) antialiased over `discWidth` pixels. The read position
    // moves by a fixed step, so it is the first one plus i steps in cell units, read by the vector
    // kernels of GlowRead.h (the plain form:
    // out[i] = field.sample(0, centre + u(x_i), centre + v(x_i)), u and v as in span()).
    void alphaAlong(double x0, double y, double step, int count, double discWidth, float* out) const;
    // The same alphas, each read position computed afresh and read by the general field lookup:
    // the form the fast path above must agree with (to float rounding of the stepped position).
    void alphaAlongPlain(double x0, double y, double step, int count, double discWidth, float* out) const;

private:
    const OrbSquare& m_sq;
    Px m_colour;
    GlowSource m_source;
    double m_cos = 1.0, m_sin = 0.0;
};

} // namespace lumara::render
