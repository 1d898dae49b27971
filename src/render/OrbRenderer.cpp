// Orb renderer: the layer stack of one orb, drawn in software. Pure; safe from any thread.
//
// Design note.
// Stages, one file each, in pipeline order: Geometry (angles reduced modulo 360 in double, the
// wavy outline flattened to a polygon, the orb's outline), Coverage (exact-area polygon and
// circle coverage), Gradient (colour ramps, the glow crescent, blurred ring profiles), Blur
// (layers on a cell grid, separable Gaussian passes, bilinear read-back), Blend (the compositing
// operators). This file drives them: background, outer glows, blobs, inner glows, rings, then
// clip, edge feather and the drop shadow behind, and stores 8-bit premultiplied RGBA.
// Pixel format: premultiplied RGBA in 32-bit floats, gamma-encoded sRGB (the flattened layer is
// non-linear sRGB), one accumulator the size of the orb's square; only the last step narrows to
// 8 bits. Layers that are blurred and have one colour (glows, blobs) are blurred as one alpha plane.
// Threading: each call uses a WorkerPool, its own or one the caller keeps between frames; every pass splits rows into fixed chunks whose results
// do not depend on which thread runs them, so any thread count gives the same bytes. No state
// outlives a call except the constant erfc table, the glow-field cache below, whose entries
// are fixed functions of their keys, and each calling thread's working memory (FrameMemory),
// which is cleared or overwritten before it is read.
// Speed: the compositing operators run on the four channels at once with SSE2 (Blend.h), lane
// for lane the scalar operations in the same order, so they give the scalar results bit for bit;
// the glow reads skip positions that can only blend zero cells; the blur keeps its sums in
// registers over strips of columns.
// Blur: a sampled Gaussian over +-3 deviations. Up to 4 px of deviation it runs on the pixel grid;
// wider blurs run on cells of about sigma / 3 pixels (the kernel then spans about 19 taps) and
// are read back bilinearly, with the deviation reduced by the spread the cells add. Against an
// exact Gaussian (bench_render, BM_BlurError: a disc blurred by 1 to 72 px) the largest
// difference is 1.1 of an 8-bit level. Measured and rejected: cells of sigma / 2.5 (up to 1.5
// levels); cells of sigma / 4 (at most 1.03 levels) took about a third more time on the preset
// with the heaviest blobs ("Nebula") for a difference no one can see.
// Glows: every glow is the same crescent turned, so each blurred glow is computed once unturned
// (and kept in a small cache keyed by side and deviation) and read back at turned positions;
// the two glows of each pair are composited in one pass. Computing the two fields afresh every
// frame (a cache miss) was measured at about 3 ms more per 560 px frame on one core.
// Everything outside the inscribed circle ends transparent (edge feather), so the per-pixel passes
// of the orb's layers only visit the pixels whose centres lie inside it.
#include "render/OrbRenderer.h"

#include "render/Blend.h"
#include "render/Blur.h"
#include "render/Coverage.h"
#include "render/Geometry.h"
#include "render/Gradient.h"
#include "render/Parallel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <numbers>
#include <optional>

namespace lumara::render {

int orbPixelSize(const OrbValues& values, double pixelsPerPoint)
{
    const double side = values.orbSize * pixelsPerPoint;
    if (!std::isfinite(side) || side <= 0.0 || side > kMaxOrbPixels) return 0;
    return static_cast<int>(std::lround(side));
}

namespace {

constexpr int kRowChunk = 8;

inline double length(double x, double y) { return std::sqrt(x * x + y * y); }

// Values from an edited file reach the renderer unchanged: NaN falls back to the field's default,
// infinities become a large finite value that the limits below then bound.
double sane(double value, double fallback)
{
    if (std::isnan(value)) return fallback;
    return std::clamp(value, -1.0e12, 1.0e12);
}

OrbValues sanitised(const OrbValues& in)
{
    const OrbValues d;
    OrbValues v = in;
    v.gradientAngle = sane(in.gradientAngle, d.gradientAngle);
    v.backgroundBlur = sane(in.backgroundBlur, d.backgroundBlur);
    v.cornerRadius = sane(in.cornerRadius, d.cornerRadius);
    v.amplitude = sane(in.amplitude, d.amplitude);
    v.blobScale = sane(in.blobScale, d.blobScale);
    v.blobSpread = sane(in.blobSpread, d.blobSpread);
    v.blobOpacity = sane(in.blobOpacity, d.blobOpacity);
    v.blobBlur = sane(in.blobBlur, d.blobBlur);
    v.speed = sane(in.speed, d.speed);
    v.glowIntensity = sane(in.glowIntensity, d.glowIntensity);
    v.glowSoftness = sane(in.glowSoftness, d.glowSoftness);
    v.innerRingWidth = sane(in.innerRingWidth, d.innerRingWidth);
    v.shadowRadius = sane(in.shadowRadius, d.shadowRadius);
    v.edgeSoftness = sane(in.edgeSoftness, d.edgeSoftness);
    return v;
}

// The orb's square and the row spans of the pixels whose centres lie in its inscribed circle.
struct OrbSquare {
    int side = 0;
    double size = 0.0;   // side in pixels, as a double
    double centre = 0.0; // centre on both axes
    double radius = 0.0; // inscribed circle
    std::vector<int> spanBegin, spanEnd;

    explicit OrbSquare(int s) : side(s), size(s), centre(s / 2.0), radius(s / 2.0)
    {
        spanBegin.assign(static_cast<std::size_t>(s), 0);
        spanEnd.assign(static_cast<std::size_t>(s), 0);
        for (int y = 0; y < s; ++y) {
            const double dy = y + 0.5 - centre;
            if (std::abs(dy) > radius) continue;
            const double half = std::sqrt(radius * radius - dy * dy);
            const int b = std::max(0, static_cast<int>(std::ceil(centre - half - 0.5)));
            const int e = std::min(s, static_cast<int>(std::floor(centre + half - 0.5)) + 1);
            spanBegin[static_cast<std::size_t>(y)] = b;
            spanEnd[static_cast<std::size_t>(y)] = std::max(b, e);
        }
    }

    // The pixels [begin, end) of row y whose centres lie closer than r to the centre (empty when
    // the row misses that circle).
    void within(int y, double r, int& begin, int& end) const
    {
        begin = end = spanBegin[static_cast<std::size_t>(y)];
        const double dy = y + 0.5 - centre;
        if (!(r > std::abs(dy))) return;
        const double half = std::sqrt(r * r - dy * dy);
        begin = std::max(spanBegin[static_cast<std::size_t>(y)], static_cast<int>(std::floor(centre - half - 0.5)) + 1);
        end = std::min(spanEnd[static_cast<std::size_t>(y)], static_cast<int>(std::ceil(centre + half - 0.5)));
        if (end < begin) end = begin;
    }
};

// A rotating glow of the orb's side: `angle` degrees clockwise, blurred by `sigma` pixels.
struct GlowLayer {
    Px colour;
    double angle;
    double sigma;
};

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

GlowSource makeGlowSource(int side, double sigma, WorkerPool& pool)
{
    const double size = side, centre = size / 2.0, inv = 1.0 / size;
    const bool blurred = sigma >= 0.5;
    const int k = blurred ? Field::cellSizeFor(sigma, size) : std::max(1, side / 256);
    auto field = std::make_shared<Field>(Field::covering(0.0, 0.0, size, size, k, 1));
    pool.forChunks(field->height(), kRowChunk, [&](int j0, int j1) {
        for (int j = j0; j < j1; ++j) {
            float* out = field->row(0, j);
            const double dy = field->cellCentreY(j) - centre;
            for (int i = 0; i < field->width(); ++i) {
                const double dx = field->cellCentreX(i) - centre;
                const float disc = blurred ? discCoverage(length(dx, dy), centre, k) : 1.0f;
                out[i] = disc > 0.0f ? disc * crescentMask(dx * inv, dy * inv) : 0.0f;
            }
        }
    });
    if (blurred) field->blur(sigma, pool);
    GlowSource source{field, blurred};
    int iMin = field->width(), iMax = -1, jMin = field->height(), jMax = -1;
    int iFirst = field->width(), iLast = -1, jFirst = field->height(), jLast = -1;
    for (int j = 0; j < field->height(); ++j) {
        const float* row = field->row(0, j);
        for (int i = 0; i < field->width(); ++i) {
            if (row[i] != 0.0f) {
                iFirst = std::min(iFirst, i);
                iLast = std::max(iLast, i);
                jFirst = std::min(jFirst, j);
                jLast = std::max(jLast, j);
            }
            if (row[i] > 2e-5f) { // below 1/200 of a level: nothing to draw
                iMin = std::min(iMin, i);
                iMax = std::max(iMax, i);
                jMin = std::min(jMin, j);
                jMax = std::max(jMax, j);
            }
        }
    }
    if (iLast >= 0) {
        // Cells iu and iu + 1 are read: zero unless iFirst - 1 <= iu <= iLast, and likewise for v.
        source.zeroBelowU = iFirst - 1.0;
        source.zeroFromU = iLast + 1.0;
        source.zeroBelowV = jFirst - 1.0;
        source.zeroFromV = jLast + 1.0;
    }
    if (iMax >= 0) {
        // A bilinear read is non-zero up to one cell beyond the last non-zero cell's centre.
        source.uMin = field->cellCentreX(iMin - 1) - centre;
        source.uMax = field->cellCentreX(iMax + 1) - centre;
        source.vMin = field->cellCentreY(jMin - 1) - centre;
        source.vMax = field->cellCentreY(jMax + 1) - centre;
    }
    return source;
}

// The range [first, last) of x in a row where a + b x lies in [lo, hi] (everything when b is 0
// and a lies in it, nothing when it does not).
void clipToSlab(double a, double b, double lo, double hi, double& first, double& last)
{
    if (b == 0.0) {
        if (a < lo || a > hi) last = first;
        return;
    }
    double x0 = (lo - a) / b, x1 = (hi - a) / b;
    if (x0 > x1) std::swap(x0, x1);
    first = std::max(first, x0);
    last = std::min(last, x1);
}

// Glow fields depend only on the orb's side and the blur, and the canvas asks for the same few
// every frame. This small process-wide cache keeps the most recent ones. An entry is computed by
// one fixed function of its key whatever thread or thread count computes it, so a hit returns
// exactly what a miss would compute: the cache can never change a picture.
class GlowSourceCache {
public:
    GlowSource get(int side, double sigma, WorkerPool& pool)
    {
        const Key key{side, sigma >= 0.5 ? sigma : 0.0};
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
                if (it->first == key) {
                    m_entries.splice(m_entries.begin(), m_entries, it);
                    return m_entries.front().second;
                }
            }
        }
        GlowSource source = makeGlowSource(side, key.sigma, pool);
        const std::size_t cells = static_cast<std::size_t>(source.field->width()) * source.field->height();
        if (cells <= kMaxCachedCells) {
            std::lock_guard lock(m_mutex);
            m_entries.emplace_front(key, source);
            if (m_entries.size() > kMaxEntries) m_entries.pop_back();
        }
        return source;
    }

    static GlowSourceCache& instance()
    {
        static GlowSourceCache cache;
        return cache;
    }

private:
    struct Key {
        int side;
        double sigma;
        bool operator==(const Key&) const = default;
    };
    // At most 8 fields of at most 4M cells each (128 MiB in the worst case; an 800-point orb at
    // 2x needs 2.6M cells for its unblurred mask and far fewer for its blurred glows).
    static constexpr std::size_t kMaxEntries = 8;
    static constexpr std::size_t kMaxCachedCells = std::size_t{1} << 22;
    std::mutex m_mutex;
    std::list<std::pair<Key, GlowSource>> m_entries;
};

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
    // moves by a fixed step, so it is advanced instead of recomputed (the plain form:
    // out[i] = field.sample(0, centre + u(x_i), centre + v(x_i)), u and v as in span()).
    void alphaAlong(double x0, double y, double step, int count, double discWidth, float* out) const
    {
        const Field& f = *m_source.field;
        const double inv = 1.0 / f.cellSize();
        const double dy = y - m_sq.centre;
        const double dx0 = x0 - m_sq.centre;
        const double fu = (m_sq.centre + m_cos * dx0 + m_sin * dy - f.left()) * inv - 0.5;
        const double fv = (m_sq.centre - m_sin * dx0 + m_cos * dy - f.top()) * inv - 0.5;
        const double du = m_cos * step * inv, dv = -m_sin * step * inv;
        const float* cells = f.plane(0);
        const int w = f.width(), h = f.height();
        const double innerRadius = std::max(m_sq.radius - discWidth, 0.0), inner2 = innerRadius * innerRadius;
        // (fu, fv) advance together in the two lanes of an SSE2 register, each lane by the same
        // additions as before. Positions inside both the field's interior and the box of non-zero
        // cells take the direct bilinear read; the others the full tests below.
        const __m128d advance = _mm_setr_pd(du, dv);
        const __m128d fastLow = _mm_setr_pd(std::max(0.0, m_source.zeroBelowU), std::max(0.0, m_source.zeroBelowV));
        const __m128d fastHigh = _mm_setr_pd(std::min(static_cast<double>(w - 1), m_source.zeroFromU),
                                             std::min(static_cast<double>(h - 1), m_source.zeroFromV));
        __m128d position = _mm_setr_pd(fu, fv);
        for (int i = 0; i < count; ++i, position = _mm_add_pd(position, advance)) {
            // Outside the disc (when it is applied here) the alpha is zero whatever the field holds.
            float disc = 1.0f;
            bool rim = false;
            if (!m_source.withDisc) {
                // The disc is fully covering more than one cell width inside its rim.
                const double dx = dx0 + i * step, d2 = dx * dx + dy * dy;
                rim = d2 > inner2;
                if (rim) disc = discCoverage(std::sqrt(d2), m_sq.radius, discWidth);
                if (disc == 0.0f) {
                    out[i] = 0.0f;
                    continue;
                }
            }
            float a = 0.0f;
            const int fast = _mm_movemask_pd(_mm_and_pd(_mm_cmpge_pd(position, fastLow), _mm_cmplt_pd(position, fastHigh)));
            if (fast == 3) {
                // iu = int(fu), tu = float(fu - iu), and the same for v, in both lanes at once.
                const __m128i cell = _mm_cvttpd_epi32(position);
                const __m128 t = _mm_cvtpd_ps(_mm_sub_pd(position, _mm_cvtepi32_pd(cell)));
                const int iu = _mm_cvtsi128_si32(cell), iv = _mm_cvtsi128_si32(_mm_shuffle_epi32(cell, 1));
                const float tu = _mm_cvtss_f32(t), tv = _mm_cvtss_f32(_mm_shuffle_ps(t, t, 1));
                const float* p = cells + static_cast<std::ptrdiff_t>(iv) * w + iu;
                const float top = p[0] + (p[1] - p[0]) * tu;
                const float bottom = p[w] + (p[w + 1] - p[w]) * tu;
                a = top + (bottom - top) * tv;
                if (rim) a *= disc;
                out[i] = a;
                continue;
            }
            const double fu = _mm_cvtsd_f64(position), fv = _mm_cvtsd_f64(_mm_unpackhi_pd(position, position));
            if (fu < m_source.zeroBelowU || fu >= m_source.zeroFromU || fv < m_source.zeroBelowV ||
                fv >= m_source.zeroFromV) {
                out[i] = 0.0f; // four zero cells, whatever the disc
                continue;
            }
            if (fu >= 0.0 && fv >= 0.0 && fu < w - 1 && fv < h - 1) {
                const int iu = static_cast<int>(fu), iv = static_cast<int>(fv);
                const float tu = static_cast<float>(fu - iu), tv = static_cast<float>(fv - iv);
                const float* p = cells + static_cast<std::ptrdiff_t>(iv) * w + iu;
                const float top = p[0] + (p[1] - p[0]) * tu;
                const float bottom = p[w] + (p[w + 1] - p[w]) * tu;
                a = top + (bottom - top) * tv;
            } else {
                a = f.sample(0, f.left() + (fu + 0.5) * f.cellSize(), f.top() + (fv + 0.5) * f.cellSize());
            }
            if (rim) a *= disc;
            out[i] = a;
        }
    }

private:
    const OrbSquare& m_sq;
    Px m_colour;
    GlowSource m_source;
    double m_cos = 1.0, m_sin = 0.0;
};

// A pair of glows composited one after the other with the same operator, in one pass: the pair
// is first combined with `pairOp` (first glow, second glow) into the single source that has the
// same effect. For plus-lighter that is the sum, since min(s1 + min(s2 + d, 1), 1) equals
// min(s1 + s2 + d, 1) for non-negative values; for destination-over it is the first over the
// second, since d + (1 - da) s1 + (1 - da)(1 - s1a) s2 = d + (1 - da)(s1 over s2).
// `behind`: the pair is drawn behind what the square holds (destination-over), so it leaves
// exactly opaque pixels exactly as they are (d + s (1 - 1) = d) and rows that are opaque across
// the pair's span are skipped. A row is skipped whole or drawn whole: each glow's read position
// is advanced from the start of its span, so a shorter span would round differently.
template <typename Op, typename PairOp>
void drawGlowPair(std::vector<Px>& acc, const OrbSquare& sq, const GlowLayer& first, const GlowLayer& second,
                  WorkerPool& pool, bool behind, Op op, PairOp pairOp)
{
    auto& cache = GlowSourceCache::instance();
    const TurnedGlow a(sq, first, cache.get(sq.side, first.sigma, pool));
    const TurnedGlow b(sq, second, cache.get(sq.side, second.sigma, pool));
    const bool hasA = first.colour.a > 0.0f, hasB = second.colour.a > 0.0f;
    if (!hasA && !hasB) return;
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        std::vector<float> alphaA(static_cast<std::size_t>(sq.side)), alphaB(static_cast<std::size_t>(sq.side));
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            int aBegin = 0, aEnd = 0, bBegin = 0, bEnd = 0;
            if (hasA) a.span(y, aBegin, aEnd);
            if (hasB) b.span(y, bBegin, bEnd);
            if (aBegin >= aEnd) aBegin = aEnd = bBegin;
            if (bBegin >= bEnd) bBegin = bEnd = aBegin;
            const int begin = std::min(aBegin, bBegin), end = std::max(aEnd, bEnd);
            if (behind && std::all_of(row + begin, row + end, [](const Px& p) { return p.a == 1.0f; })) continue;
            std::fill(alphaA.begin() + begin, alphaA.begin() + end, 0.0f);
            std::fill(alphaB.begin() + begin, alphaB.begin() + end, 0.0f);
            a.alphaRow(y, aBegin, aEnd, alphaA.data());
            b.alphaRow(y, bBegin, bEnd, alphaB.data());
            const Px4 ca = load(a.colour()), cb = load(b.colour());
            for (int x = begin; x < end; ++x) {
                if (alphaA[x] <= 0.0f && alphaB[x] <= 0.0f) continue;
                store(row[x], op(pairOp(scaled(ca, alphaA[x]), scaled(cb, alphaB[x])), load(row[x])));
            }
        }
    });
}

void drawBackground(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double ppp, WorkerPool& pool)
{
    std::vector<CodableColor> colours = v.backgroundColors;
    if (v.gradientType == GradientType::angular) {
        // The sweep closes on the first colour again, or on transparent when there are none.
        colours.push_back(colours.empty() ? CodableColor{0, 0, 0, 0} : colours.front());
    }
    const ColourRamp ramp(colours);
    if (ramp.empty()) return;
    const double a = std::fmod(v.gradientAngle, 360.0) * std::numbers::pi / 180.0;
    const double ca = std::cos(a), sa = std::sin(a);
    const double radialEnd = 300.0 * ppp; // 300 points, whatever the orb's size
    const double start = std::fmod(v.gradientAngle, 360.0) * std::numbers::pi / 180.0;
    const double S = sq.size;
    // Parameter t of the gradient at pixel coordinates (x, y).
    auto param = [&](double x, double y) -> double {
        switch (v.gradientType) {
        case GradientType::radial:
            return length(x - sq.centre, y - sq.centre) / radialEnd;
        case GradientType::angular: {
            // Conic sweep clockwise (y down) from gradientAngle, 0 degrees pointing right.
            double turn = (fastAtan2(y - sq.centre, x - sq.centre) - start) / (2.0 * std::numbers::pi);
            turn -= std::floor(turn);
            return turn;
        }
        case GradientType::linear:
        default: {
            // From (0.5 - 0.5 cos a, 0.5 + 0.5 sin a) to (0.5 + 0.5 cos a, 0.5 - 0.5 sin a), y down.
            const double ux = x / S - (0.5 - 0.5 * ca), uy = y / S - (0.5 + 0.5 * sa);
            return ux * ca - uy * sa; // projection on (cos a, -sin a), whose length is 1
        }
        }
    };
    const double sigma = v.backgroundBlur * ppp;
    const bool linear = v.gradientType != GradientType::radial && v.gradientType != GradientType::angular;
    if (!(sigma >= 0.5)) {
        pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
                int x = sq.spanBegin[y];
                if (linear) {
                    // param() for two pixels at once: each lane computes ux * ca - uy * sa as above,
                    // with uy * sa, the same for the whole row, computed once.
                    const double uySa = ((y + 0.5) / S - (0.5 + 0.5 * sa)) * sa;
                    const __m128d size = _mm_set1_pd(S), offset = _mm_set1_pd(0.5 - 0.5 * ca);
                    const __m128d cosine = _mm_set1_pd(ca), rowTerm = _mm_set1_pd(uySa);
                    for (; x + 1 < sq.spanEnd[y]; x += 2) {
                        const __m128d ux = _mm_sub_pd(_mm_div_pd(_mm_setr_pd(x + 0.5, x + 1.5), size), offset);
                        const __m128d t = _mm_sub_pd(_mm_mul_pd(ux, cosine), rowTerm);
                        store(row[x], ramp.fast4(_mm_cvtsd_f64(t)));
                        store(row[x + 1], ramp.fast4(_mm_cvtsd_f64(_mm_unpackhi_pd(t, t))));
                    }
                }
                for (; x < sq.spanEnd[y]; ++x) store(row[x], ramp.fast4(param(x + 0.5, y + 0.5)));
            }
        });
        return;
    }
    const int k = Field::cellSizeFor(sigma, S);
    Field field = Field::covering(0.0, 0.0, S, S, k, 4);
    pool.forChunks(field.height(), kRowChunk, [&](int j0, int j1) {
        for (int j = j0; j < j1; ++j) {
            const double y = field.cellCentreY(j);
            const double top = field.top() + j * k;
            const double coverY = std::clamp(std::min(top + k, S) - std::max(top, 0.0), 0.0, double(k)) / k;
            for (int i = 0; i < field.width(); ++i) {
                const double left = field.left() + i * k;
                const double coverX = std::clamp(std::min(left + k, S) - std::max(left, 0.0), 0.0, double(k)) / k;
                const Px p = scaled(ramp.fast(param(field.cellCentreX(i), y)), static_cast<float>(coverX * coverY));
                field.row(0, j)[i] = p.r;
                field.row(1, j)[i] = p.g;
                field.row(2, j)[i] = p.b;
                field.row(3, j)[i] = p.a;
            }
        }
    });
    field.blur(sigma, pool);
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        std::vector<float> channels(static_cast<std::size_t>(sq.side) * 4);
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            const int begin = sq.spanBegin[y], end = sq.spanEnd[y];
            float* c[4];
            float* into[4];
            for (int ch = 0; ch < 4; ++ch) {
                c[ch] = channels.data() + static_cast<std::size_t>(ch) * sq.side;
                into[ch] = c[ch] + begin;
            }
            field.sampleRows(0, 4, begin, y + 0.5, end - begin, into);
            for (int x = begin; x < end; ++x) row[x] = {c[0][x], c[1][x], c[2][x], c[3][x]};
        }
    });
}

// Calls f with the compositing operator of a blob blend mode (plus-lighter for unknown values).
template <typename F>
void withBlobBlend(BlobBlendMode mode, F&& f)
{
    switch (mode) {
    case BlobBlendMode::screen: return f([](Px4 s, Px4 d) { return blendSeparable(s, d, ScreenFn4{}); });
    case BlobBlendMode::overlay: return f([](Px4 s, Px4 d) { return blendSeparable(s, d, OverlayFn4{}); });
    case BlobBlendMode::colorDodge: return f([](Px4 s, Px4 d) { return blendSeparable(s, d, ColorDodgeFn4{}); });
    case BlobBlendMode::softLight: return f([](Px4 s, Px4 d) { return blendSeparable(s, d, SoftLightFn4{}); });
    case BlobBlendMode::plusLighter:
    default: return f([](Px4 s, Px4 d) { return plusLighter(s, d); });
    }
}

template <typename Op>
void compositeBlob(std::vector<Px>& acc, const OrbSquare& sq, const Field& field, Px colour, WorkerPool& pool, Op op)
{
    // Cells of one pixel on the pixel grid are read directly; coarser cells bilinearly.
    const bool direct = field.cellSize() == 1 && field.left() == std::floor(field.left()) &&
                        field.top() == std::floor(field.top());
    const int left = static_cast<int>(field.left()), top = static_cast<int>(field.top());
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        std::vector<float> line(static_cast<std::size_t>(sq.side));
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            const int begin = sq.spanBegin[y], end = sq.spanEnd[y];
            if (begin >= end) continue;
            const float* cells;
            if (direct) {
                const int j = y - top, i = begin - left;
                if (j < 0 || j >= field.height() || i < 0 || end - left > field.width()) continue;
                cells = field.row(0, j) + i - begin;
            } else {
                field.sampleRow(0, begin, y + 0.5, end - begin, line.data() + begin);
                cells = line.data();
            }
            for (int x = begin; x < end; ++x) {
                const float a = cells[x];
                if (!(a > 0.0f)) continue;
                if constexpr (requires { op(load(colour), load(colour)); }) store(row[x], op(scaled(load(colour), a), load(row[x])));
                else row[x] = op(scaled(colour, a), row[x]);
            }
        }
    });
}

void drawBlobs(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double t, double ppp, WorkerPool& pool,
               Field& field, std::vector<float>& cover)
{
    if (v.blobCount <= 0 || v.complexity <= 0) return;
    const long count = static_cast<long>(std::min<std::int64_t>(v.blobCount, kMaxBlobs));
    const double n = v.blobCount > 1 ? static_cast<double>(v.blobCount) : 1.0;
    const double S = sq.size;
    const double sigma = v.blobBlur * ppp;
    const GlowSource crescent = GlowSourceCache::instance().get(sq.side, 0.0, pool);
    for (long i = 0; i < count; ++i) {
        const double f = static_cast<double>(i) / n;
        const bool even = i % 2 == 0;
        // Colour: the background colour at i (when coloured blobs are on and there is one), else glow.
        const bool fromBackground = v.coloredBlobs && !v.backgroundColors.empty();
        const CodableColor base =
            fromBackground ? v.backgroundColors[static_cast<std::size_t>(i) % v.backgroundColors.size()] : v.glowColor;
        const Px colour = ColourRamp::premultiplied(base.withOpacityFactor(v.blobOpacity * v.glowIntensity));
        if (colour.a <= 0.0f) continue;
        const double glowAngle = rotationDegrees(t, (f * 1.2 + 0.6) * v.speed * (even ? 1.0 : -1.0));
        const double wobble = loopAngle(t, (f + 1.5) * (60.0 / v.speed));
        const double blobSize = S * (1.0 - 0.2 * f) * v.blobScale * 1.5;
        const double radius = 0.45 * std::min(S, blobSize);
        const double offset = (f * 0.5 + 0.5) * S * v.blobSpread * (even ? 1.0 : -1.0);
        const auto polygon = wavyBlobPolygon({sq.centre, sq.centre + offset}, radius,
                                             static_cast<long>(std::min<std::int64_t>(v.complexity, kMaxComplexity)),
                                             v.amplitude, wobble, 0.1);
        if (polygon.empty()) continue;

        const int k = Field::cellSizeFor(sigma, std::max(2.0 * radius, 8.0));
        field.cover(0.0, 0.0, S, S, k, 1);
        polygonCoverage(polygon, field.width(), field.height(), {field.left(), field.top()}, k, cover);
        const TurnedGlow glow(sq, GlowLayer{colour, glowAngle, 0.0}, crescent);
        // The glow, masked by the outline's alpha (then blurred, then blended): only the cells the
        // outline covers, from its first to its last covered cell on each row.
        pool.forChunks(field.height(), kRowChunk, [&](int j0, int j1) {
            std::vector<float> lit(static_cast<std::size_t>(field.width()));
            for (int j = j0; j < j1; ++j) {
                const float* m = cover.data() + static_cast<std::size_t>(j) * field.width();
                int first = 0, last = field.width();
                while (first < last && m[first] <= 0.0f) ++first;
                while (last > first && m[last - 1] <= 0.0f) --last;
                if (first == last) continue;
                glow.alphaAlong(field.cellCentreX(first), field.cellCentreY(j), k, last - first, k, lit.data());
                float* out = field.row(0, j);
                for (int x = first; x < last; ++x) out[x] = m[x] * lit[static_cast<std::size_t>(x - first)];
            }
        });
        field.blur(sigma, pool);
        withBlobBlend(v.blobBlendMode, [&](auto op) { compositeBlob(acc, sq, field, colour, pool, op); });
    }
}

void drawRings(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double ppp, WorkerPool& pool)
{
    const double w = v.innerRingWidth * ppp;
    const double R = sq.radius;
    const double alphaA = std::clamp(v.glowColor.opacity * v.glowIntensity * 0.3, 0.0, 1.0);
    const double alphaB = std::clamp(v.glowColor.opacity * v.glowIntensity * 0.15, 0.0, 1.0);
    const Px rgb = ColourRamp::premultiplied({v.glowColor.red, v.glowColor.green, v.glowColor.blue, 1.0});
    // Ring A on the orb's outline; ring B on a circle inset by 2 points, 0.4 times as wide.
    const RingProfile ringA(R - w / 2, R + w / 2, v.glowSoftness * 3.0 * ppp, R);
    const double rB = R - 2.0 * ppp;
    const RingProfile ringB(rB - 0.2 * w, rB + 0.2 * w, v.glowSoftness * ppp, R);
    const bool hasB = rB >= 0.0;
    // Both rings are zero closer to the centre than this: those pixels are skipped.
    const double hole = hasB ? std::min(ringA.innerEdge(), ringB.innerEdge()) : ringA.innerEdge();
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            const double dy = y + 0.5 - sq.centre;
            int holeBegin, holeEnd;
            sq.within(y, hole, holeBegin, holeEnd);
            for (int x = sq.spanBegin[y]; x < sq.spanEnd[y]; ++x) {
                if (x == holeBegin) x = holeEnd;
                if (x >= sq.spanEnd[y]) break;
                const double d = length(x + 0.5 - sq.centre, dy);
                const float a = static_cast<float>(ringA.value(d) * alphaA);
                const float b = hasB ? static_cast<float>(ringB.value(d) * alphaB) : 0.0f;
                // Ring B stacked over ring A, the pair added onto the group.
                const float pair = b + a * (1.0f - b);
                if (pair > 0.0f) store(row[x], plusLighter(scaled(load(rgb), pair), load(row[x])));
            }
        }
    });
}

void clipAndFeather(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double ppp, WorkerPool& pool)
{
    const OrbOutline outline(sq.size, v.cornerRadius * 500.0 * ppp, v.cornerRadius >= 1.0);
    // Radial alpha mask: opaque to `stop` of the inscribed radius, linear to transparent at it.
    const double stop = std::clamp(1.0 - 0.4 * v.edgeSoftness, 0.0, 1.0);
    // Inside this radius both the mask and the outline (which always contains the inscribed
    // circle) are fully opaque, so the pixels keep their values.
    const double untouched = std::min(stop * sq.radius, sq.radius - 2.0);
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            const int b = sq.spanBegin[y], e = sq.spanEnd[y];
            std::fill(row, row + b, Px{});
            std::fill(row + e, row + sq.side, Px{});
            const double dy = y + 0.5 - sq.centre;
            int keepBegin, keepEnd; // fully opaque mask: left as they are
            sq.within(y, untouched, keepBegin, keepEnd);
            for (int x = b; x < e; ++x) {
                if (x == keepBegin) x = keepEnd;
                if (x >= e) break;
                const double rho = length(x + 0.5 - sq.centre, dy) / sq.radius;
                const double feather = rho <= stop ? 1.0 : (rho >= 1.0 ? 0.0 : (1.0 - rho) / (1.0 - stop));
                const float k = static_cast<float>(feather) * outline.coverage(x + 0.5, y + 0.5);
                store(row[x], scaled(load(row[x]), k));
            }
        }
    });
}

// One blurred shadow: the orb's circle filled with the bottom-to-top gradient, blurred, faded and
// moved down, in pixel coordinates of the target.
struct ShadowPart {
    Field field;
    float opacity = 0.0f;
    double shiftY = 0.0;
};

ShadowPart makeShadow(const OrbSquare& sq, const ColourRamp& ramp, double sigma, float opacity, double shiftY,
                      double ox, double oy, int width, int height, WorkerPool& pool)
{
    ShadowPart part;
    part.opacity = opacity;
    part.shiftY = shiftY;
    const double S = sq.size;
    // The grid holds the circle (shape coordinates, before the shift) and the part of the target
    // the blur reaches; what it cannot reach stays zero.
    const double reach = 3.0 * sigma + 1.0;
    const double tx0 = std::max(-ox, -reach), ty0 = std::max(-oy - shiftY, -reach);
    const double tx1 = std::min(width - ox, S + reach), ty1 = std::min(height - oy - shiftY, S + reach);
    const double x0 = std::min(0.0, tx0), y0 = std::min(0.0, ty0);
    const double x1 = std::max(S, tx1), y1 = std::max(S, ty1);
    int k = Field::cellSizeFor(sigma, S);
    const double span = std::max(x1 - x0, y1 - y0);
    k = std::max(k, static_cast<int>(std::ceil(span / kMaxFieldCells)));
    part.field = Field::covering(x0, y0, x1, y1, k, 4);
    Field& field = part.field;
    pool.forChunks(field.height(), kRowChunk, [&](int j0, int j1) {
        for (int j = j0; j < j1; ++j) {
            const double y = field.cellCentreY(j);
            const double dy = y - sq.centre;
            if (std::abs(dy) > sq.radius + k) continue;
            // First colour at the bottom edge, last at the top.
            const Px colour = ramp.fast((S - y) / S);
            for (int i = 0; i < field.width(); ++i) {
                const float cover = discCoverage(length(field.cellCentreX(i) - sq.centre, dy), sq.radius, k);
                if (cover <= 0.0f) continue;
                field.row(0, j)[i] = colour.r * cover;
                field.row(1, j)[i] = colour.g * cover;
                field.row(2, j)[i] = colour.b * cover;
                field.row(3, j)[i] = colour.a * cover;
            }
        }
    });
    field.blur(sigma, pool);
    return part;
}

// The shadow along one row of the target, x from 0: the parts stacked, the last (near) one on top.
void shadowRow(const std::vector<ShadowPart>& parts, double x0, double y, int count, std::vector<float>& scratch,
               Px* out)
{
    if (count <= 0) return;
    scratch.resize(static_cast<std::size_t>(count) * 4);
    for (const auto& part : parts) {
        float* channel[4];
        for (int c = 0; c < 4; ++c) channel[c] = scratch.data() + static_cast<std::size_t>(c) * count;
        part.field.sampleRows(0, 4, x0, y - part.shiftY, count, channel);
        for (int i = 0; i < count; ++i) {
            const Px4 p = scaled(_mm_setr_ps(channel[0][i], channel[1][i], channel[2][i], channel[3][i]), part.opacity);
            store(out[i], sourceOver(p, load(out[i])));
        }
    }
}

// The store's narrowing on the four channels at once with SSE2, lane for lane the scalar form
//   a = clamp(p.a, 0, 1); out[c] = toByte(min(p[c], a)) for r, g, b and out[3] = toByte(a), where
//   toByte(v) = uint8(clamp(v, 0, 1) * 255 + 0.5), which rounds to the nearest level, half up;
// min(p.a, a) narrows to the same byte as a.
inline void storeBytes(const Px& p, std::uint8_t* out)
{
    const Px4 v = load(p);
    const Px4 a = clampUnit(alphaOf(v));
    const Px4 level = _mm_add_ps(_mm_mul_ps(clampUnit(_mm_min_ps(a, v)), _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f));
    const __m128i words = _mm_packs_epi32(_mm_cvttps_epi32(level), _mm_setzero_si128());
    const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out, &bytes, 4);
}

// Working memory of the calling thread, kept between its renders so that a steady stream of frames
// (the live canvas) does not map, fault in and unmap fresh pages every frame. Every buffer is
// cleared or overwritten before it is read, so what it held before never reaches a picture. Only
// buffers up to the size a 2048 px orb needs are kept.
struct FrameMemory {
    std::vector<Px> acc;
    Field blobField;
    std::vector<float> blobCover;

    static constexpr std::size_t kKeptFloats = std::size_t{2048} * 2048 * 4;

    void trim()
    {
        if (acc.capacity() * 4 > kKeptFloats) std::vector<Px>().swap(acc);
        if (blobField.capacity() > kKeptFloats) blobField.release();
        if (blobCover.capacity() > kKeptFloats) std::vector<float>().swap(blobCover);
    }
};

FrameMemory& frameMemory()
{
    thread_local FrameMemory memory;
    return memory;
}
} // namespace

Image renderOrb(const OrbValues& rawValues, double timeSeconds, const RenderOptions& options)
{
    Image image;
    const int side = orbPixelSize(rawValues, options.pixelsPerPoint);
    long long width = options.width > 0 ? options.width : side;
    long long height = options.height > 0 ? options.height : side;
    width = std::min<long long>(width, kMaxTargetSide);
    height = std::min<long long>(height, kMaxTargetSide);
    if (width * height > kMaxTargetPixels) height = kMaxTargetPixels / std::max(width, 1LL);
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.assign(static_cast<std::size_t>(width * height * 4), 0);
    if (side <= 0 || width <= 0 || height <= 0) return image;

    const OrbValues v = sanitised(rawValues);
    const double ppp = options.pixelsPerPoint;
    const double t = std::isfinite(timeSeconds) ? timeSeconds : 0.0;
    const double ox = std::isfinite(options.originX) ? std::round(std::clamp(options.originX, -1.0e9, 1.0e9)) : 0.0;
    const double oy = std::isfinite(options.originY) ? std::round(std::clamp(options.originY, -1.0e9, 1.0e9)) : 0.0;

    std::optional<WorkerPool> ownPool;
    WorkerPool& pool = options.workers ? *options.workers : ownPool.emplace(options.threads);
    const OrbSquare sq(side);
    const double S = sq.size;
    FrameMemory& memory = frameMemory();
    std::vector<Px>& acc = memory.acc;
    acc.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), Px{});

    // 1-5: the group of background, glows and blobs, and the ring pair over it.
    if (v.showBackground) drawBackground(acc, sq, v, ppp, pool);
    const Px glowRgb = ColourRamp::premultiplied({v.glowColor.red, v.glowColor.green, v.glowColor.blue, 1.0});
    auto glow = [&](double alphaFactor, double speedFactor, bool clockwise, double blurFactor) {
        const double alpha = std::clamp(v.glowColor.opacity * v.glowIntensity * alphaFactor, 0.0, 1.0);
        const double speed = v.speed * speedFactor * (clockwise ? 1.0 : -1.0);
        return GlowLayer{scaled(glowRgb, static_cast<float>(alpha)), rotationDegrees(t, speed),
                         S * blurFactor * v.glowSoftness};
    };
    if (v.showGlowEffects) {
        drawGlowPair(acc, sq, glow(0.6, 0.75, true, 0.02), glow(0.3, 0.25, false, 0.01), pool, true,
                     [](Px4 s, Px4 d) { return destinationOver(s, d); }, [](Px4 a, Px4 b) { return sourceOver(a, b); });
    }
    if (v.showWavyBlobs) drawBlobs(acc, sq, v, t, ppp, pool, memory.blobField, memory.blobCover);
    if (v.showGlowEffects) {
        drawGlowPair(acc, sq, glow(0.8, 3.0, true, 0.02), glow(0.5, 2.3, false, 0.01), pool, false,
                     [](Px4 s, Px4 d) { return plusLighter(s, d); }, [](Px4 a, Px4 b) { return sum(a, b); });
        if (v.innerRingWidth > 0.0) drawRings(acc, sq, v, ppp, pool);
    }
    // 6-8: the flattened layer is clipped to the outline and feathered at its edge.
    clipAndFeather(acc, sq, v, ppp, pool);

    // 9: the two-part shadow behind the orb (absent when off, or with no colours to draw it).
    std::vector<ShadowPart> shadows;
    const ColourRamp shadowRamp(v.backgroundColors);
    if (v.showShadow && !shadowRamp.empty()) {
        const double r = std::max(S * 0.08 * v.shadowRadius, 0.0);
        // A blur of sigma spreads the circle's area so that no point exceeds R^2 / (2 sigma^2) of
        // its colour; below 1e-4 (0.03 of a level) the part is skipped instead of computed.
        const auto visible = [&](double sigma) { return sq.radius * sq.radius / (2.0 * sigma * sigma) >= 1e-4; };
        if (visible(r * 3.0))
            shadows.push_back(makeShadow(sq, shadowRamp, r * 3.0, 0.3f, r * 0.75, ox, oy, image.width, image.height, pool));
        if (visible(r * 0.75))
            shadows.push_back(makeShadow(sq, shadowRamp, r * 0.75, 0.5f, r * 0.5, ox, oy, image.width, image.height, pool));
    }

    // Store: orb over shadow, narrowed to 8-bit premultiplied.
    const int ix = static_cast<int>(ox), iy = static_cast<int>(oy);
    pool.forChunks(image.height, kRowChunk, [&](int y0, int y1) {
        std::vector<Px> line(static_cast<std::size_t>(image.width));
        std::vector<float> scratch;
        for (int y = y0; y < y1; ++y) {
            const int orbRow = y - iy;
            const bool inOrb = orbRow >= 0 && orbRow < side;
            const Px* orb = inOrb ? acc.data() + static_cast<std::size_t>(orbRow) * side : nullptr;
            const int end = inOrb ? static_cast<int>(std::clamp<long long>(static_cast<long long>(ix) + side, 0, image.width)) : 0;
            const int begin = inOrb ? std::clamp(ix, 0, end) : 0;
            // The run of the row where the orb is opaque hides the shadow: it is not computed there.
            // (Opaque within 1e-6, which moves no value by more than 0.0003 of a level.)
            int opaqueBegin = begin, opaqueEnd = begin;
            if (inOrb && begin < end) {
                const int middle = std::clamp(ix + side / 2, begin, end - 1);
                if (orb[middle - ix].a >= 1.0f - 1e-6f) {
                    opaqueBegin = middle;
                    opaqueEnd = middle + 1;
                    while (opaqueBegin > begin && orb[opaqueBegin - 1 - ix].a >= 1.0f - 1e-6f) --opaqueBegin;
                    while (opaqueEnd < end && orb[opaqueEnd - ix].a >= 1.0f - 1e-6f) ++opaqueEnd;
                }
            }
            // The opaque run is the orb alone (the orb over nothing is the orb: s + 0 (1 - sa) = s);
            // the rest of the row is the shadow with the orb over it.
            std::fill(line.begin(), line.begin() + opaqueBegin, Px{});
            std::fill(line.begin() + opaqueEnd, line.end(), Px{});
            if (!shadows.empty()) {
                shadowRow(shadows, -ix, orbRow + 0.5, opaqueBegin, scratch, line.data());
                shadowRow(shadows, opaqueEnd - ix, orbRow + 0.5, image.width - opaqueEnd, scratch,
                          line.data() + opaqueEnd);
            }
            for (int x = begin; x < end; ++x) {
                if (x == opaqueBegin) x = opaqueEnd;
                if (x >= end) break;
                Px& d = line[static_cast<std::size_t>(x)];
                store(d, sourceOver(load(orb[x - ix]), load(d)));
            }
            std::uint8_t* out = image.row(y);
            for (int x = 0; x < opaqueBegin; ++x) storeBytes(line[static_cast<std::size_t>(x)], out + 4 * x);
            for (int x = opaqueBegin; x < opaqueEnd; ++x) storeBytes(orb[x - ix], out + 4 * x);
            for (int x = opaqueEnd; x < image.width; ++x) storeBytes(line[static_cast<std::size_t>(x)], out + 4 * x);
        }
    });
    memory.trim();
    return image;
}

} // namespace lumara::render
