// The drawing stages of the layer stack: background, blobs and rings (the glow pairs are a
// template in Layers.h). Safe from any thread.
#include "render/Layers.h"

#include "render/Coverage.h"
#include "render/Geometry.h"
#include "render/Gradient.h"
#include "render/SmoothGrid.h"

#include <cmath>
#include <optional>

namespace lumara::render {

namespace {

inline double length(double x, double y) { return std::sqrt(x * x + y * y); }

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
    // Coarse cells are read back only where they can be non-zero; elsewhere the reads are zero
    // and would be skipped below anyway.
    std::optional<NonZeroCells> nonZero;
    if (!direct) nonZero.emplace(field, 0);
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        std::vector<float> line(static_cast<std::size_t>(sq.side));
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            int begin = sq.spanBegin[y], end = sq.spanEnd[y];
            if (nonZero) nonZero->pixels(y, sq.spanBegin[y], sq.spanEnd[y], begin, end);
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

} // namespace

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
    field.fillAndBlur(sigma, pool, [&](int j0, int j1) {
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

void drawBlobs(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double t, double ppp, WorkerPool& pool,
               Field& field, std::vector<float>& cover)
{
    if (v.blobCount <= 0 || v.complexity <= 0) return;
    const long count = static_cast<long>(std::min<std::int64_t>(v.blobCount, kMaxBlobs));
    const double n = v.blobCount > 1 ? static_cast<double>(v.blobCount) : 1.0;
    const double S = sq.size;
    const double sigma = v.blobBlur * ppp;
    const GlowSource crescent = cachedGlowSource(sq.side, 0.0, pool);
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
        field.fillAndBlur(sigma, pool, [&](int j0, int j1) {
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

} // namespace lumara::render
