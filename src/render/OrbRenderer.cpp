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
// Threading: each call owns a WorkerPool; every pass splits rows into fixed chunks whose results
// do not depend on which thread runs them, so any thread count gives the same bytes. No state
// outlives a call except the constant erfc table (a function-local static).
// Blur: a sampled Gaussian over +-3 deviations. Up to 6 px of deviation it runs on the pixel grid;
// wider blurs run on cells of about sigma / 3 pixels (the kernel then spans a fixed ~19 taps) and
// are read back bilinearly, with the deviation reduced by the cell's own spread.
// MEASURED-PLACEHOLDER
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
#include <list>
#include <memory>
#include <mutex>
#include <numbers>

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
    return {std::move(field), blurred};
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

template <typename Op>
void compositeGlow(std::vector<Px>& acc, const OrbSquare& sq, Px colour, double angle, const GlowSource& source,
                   WorkerPool& pool, Op op)
{
    const double theta = angle * std::numbers::pi / 180.0;
    const double c = std::cos(theta), s = std::sin(theta);
    const Field& field = *source.field;
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            const double dy = y + 0.5 - sq.centre;
            for (int x = sq.spanBegin[y]; x < sq.spanEnd[y]; ++x) {
                const double dx = x + 0.5 - sq.centre;
                // The picture turns by theta clockwise (y down): read the unturned glow at R(-theta) p.
                const double u = c * dx + s * dy, v = -s * dx + c * dy;
                float a = field.sample(0, sq.centre + u, sq.centre + v);
                if (!source.withDisc) a *= discCoverage(length(dx, dy), sq.radius, 1.0);
                if (a > 0.0f) row[x] = op(scaled(colour, a), row[x]);
            }
        }
    });
}

template <typename Op>
void drawGlows(std::vector<Px>& acc, const OrbSquare& sq, const std::vector<GlowLayer>& glows, WorkerPool& pool, Op op)
{
    for (const auto& glow : glows) {
        if (glow.colour.a <= 0.0f) continue;
        const GlowSource source = GlowSourceCache::instance().get(sq.side, glow.sigma, pool);
        compositeGlow(acc, sq, glow.colour, glow.angle, source, pool, op);
    }
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
    const double a = v.gradientAngle * std::numbers::pi / 180.0;
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
            double turn = (std::atan2(y - sq.centre, x - sq.centre) - start) / (2.0 * std::numbers::pi);
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
    if (!(sigma >= 0.5)) {
        pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
                for (int x = sq.spanBegin[y]; x < sq.spanEnd[y]; ++x) row[x] = ramp.at(param(x + 0.5, y + 0.5));
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
                const Px p = scaled(ramp.at(param(field.cellCentreX(i), y)), static_cast<float>(coverX * coverY));
                field.row(0, j)[i] = p.r;
                field.row(1, j)[i] = p.g;
                field.row(2, j)[i] = p.b;
                field.row(3, j)[i] = p.a;
            }
        }
    });
    field.blur(sigma, pool);
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            for (int x = sq.spanBegin[y]; x < sq.spanEnd[y]; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                row[x] = {field.sample(0, px, py), field.sample(1, px, py), field.sample(2, px, py),
                          field.sample(3, px, py)};
            }
        }
    });
}

template <typename Op>
void compositeBlob(std::vector<Px>& acc, const OrbSquare& sq, const Field& field, Px colour, WorkerPool& pool, Op op)
{
    const bool direct = field.cellSize() == 1 && field.left() == 0.0 && field.top() == 0.0;
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            const float* cells = direct && y < field.height() ? field.row(0, y) : nullptr;
            for (int x = sq.spanBegin[y]; x < sq.spanEnd[y]; ++x) {
                float a;
                if (direct) a = cells && x < field.width() ? cells[x] : 0.0f;
                else a = field.sample(0, x + 0.5, y + 0.5);
                if (a > 0.0f) row[x] = op(scaled(colour, a), row[x]);
            }
        }
    });
}

void drawBlobs(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double t, double ppp, WorkerPool& pool)
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
        Field field = Field::covering(0.0, 0.0, S, S, k, 1);
        const std::vector<float> cover =
            polygonCoverage(polygon, field.width(), field.height(), {field.left(), field.top()}, k);
        const double theta = glowAngle * std::numbers::pi / 180.0;
        const double c = std::cos(theta), s = std::sin(theta);
        const Field& mask = *crescent.field;
        // The glow, masked by the outline's alpha (then blurred, then blended).
        pool.forChunks(field.height(), kRowChunk, [&](int j0, int j1) {
            for (int j = j0; j < j1; ++j) {
                float* out = field.row(0, j);
                const float* m = cover.data() + static_cast<std::size_t>(j) * field.width();
                const double dy = field.cellCentreY(j) - sq.centre;
                for (int x = 0; x < field.width(); ++x) {
                    if (m[x] <= 0.0f) continue;
                    const double dx = field.cellCentreX(x) - sq.centre;
                    const float disc = discCoverage(length(dx, dy), sq.radius, k);
                    if (disc <= 0.0f) continue;
                    const double u = c * dx + s * dy, w = -s * dx + c * dy;
                    out[x] = m[x] * disc * mask.sample(0, sq.centre + u, sq.centre + w);
                }
            }
        });
        field.blur(sigma, pool);
        switch (v.blobBlendMode) {
        case BlobBlendMode::screen:
            compositeBlob(acc, sq, field, colour, pool, [](Px a, Px b) { return blendSeparable(a, b, ScreenFn{}); });
            break;
        case BlobBlendMode::overlay:
            compositeBlob(acc, sq, field, colour, pool, [](Px a, Px b) { return blendSeparable(a, b, OverlayFn{}); });
            break;
        case BlobBlendMode::colorDodge:
            compositeBlob(acc, sq, field, colour, pool, [](Px a, Px b) { return blendSeparable(a, b, ColorDodgeFn{}); });
            break;
        case BlobBlendMode::softLight:
            compositeBlob(acc, sq, field, colour, pool, [](Px a, Px b) { return blendSeparable(a, b, SoftLightFn{}); });
            break;
        case BlobBlendMode::plusLighter:
        default:
            compositeBlob(acc, sq, field, colour, pool, [](Px a, Px b) { return plusLighter(a, b); });
            break;
        }
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
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            const double dy = y + 0.5 - sq.centre;
            for (int x = sq.spanBegin[y]; x < sq.spanEnd[y]; ++x) {
                const double d = length(x + 0.5 - sq.centre, dy);
                const float a = static_cast<float>(ringA.value(d) * alphaA);
                const float b = hasB ? static_cast<float>(ringB.value(d) * alphaB) : 0.0f;
                // Ring B stacked over ring A, the pair added onto the group.
                const float pair = b + a * (1.0f - b);
                if (pair > 0.0f) row[x] = plusLighter(scaled(rgb, pair), row[x]);
            }
        }
    });
}

void clipAndFeather(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double ppp, WorkerPool& pool)
{
    const OrbOutline outline(sq.size, v.cornerRadius * 500.0 * ppp, v.cornerRadius >= 1.0);
    // Radial alpha mask: opaque to `stop` of the inscribed radius, linear to transparent at it.
    const double stop = std::clamp(1.0 - 0.4 * v.edgeSoftness, 0.0, 1.0);
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            const int b = sq.spanBegin[y], e = sq.spanEnd[y];
            std::fill(row, row + b, Px{});
            std::fill(row + e, row + sq.side, Px{});
            const double dy = y + 0.5 - sq.centre;
            for (int x = b; x < e; ++x) {
                const double rho = length(x + 0.5 - sq.centre, dy) / sq.radius;
                const double feather = rho <= stop ? 1.0 : (rho >= 1.0 ? 0.0 : (1.0 - rho) / (1.0 - stop));
                const float k = static_cast<float>(feather) * outline.coverage(x + 0.5, y + 0.5);
                row[x] = scaled(row[x], k);
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
            const Px colour = ramp.at((S - y) / S);
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

Px shadowAt(const ShadowPart& part, double x, double y)
{
    const double sy = y - part.shiftY;
    const Field& f = part.field;
    return scaled({f.sample(0, x, sy), f.sample(1, x, sy), f.sample(2, x, sy), f.sample(3, x, sy)}, part.opacity);
}

// Rounds to the nearest level (v is clamped first, so + 0.5 then truncation rounds half up).
inline std::uint8_t toByte(float v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

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

    WorkerPool pool(options.threads);
    const OrbSquare sq(side);
    const double S = sq.size;
    std::vector<Px> acc(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));

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
        drawGlows(acc, sq, {glow(0.6, 0.75, true, 0.02), glow(0.3, 0.25, false, 0.01)}, pool, [](Px a, Px b) { return destinationOver(a, b); });
    }
    if (v.showWavyBlobs) drawBlobs(acc, sq, v, t, ppp, pool);
    if (v.showGlowEffects) {
        drawGlows(acc, sq, {glow(0.8, 3.0, true, 0.02), glow(0.5, 2.3, false, 0.01)}, pool, [](Px a, Px b) { return plusLighter(a, b); });
        if (v.innerRingWidth > 0.0) drawRings(acc, sq, v, ppp, pool);
    }
    // 6-8: the flattened layer is clipped to the outline and feathered at its edge.
    clipAndFeather(acc, sq, v, ppp, pool);

    // 9: the two-part shadow behind the orb (absent when off, or with no colours to draw it).
    std::vector<ShadowPart> shadows;
    const ColourRamp shadowRamp(v.backgroundColors);
    if (v.showShadow && !shadowRamp.empty()) {
        const double r = std::max(S * 0.08 * v.shadowRadius, 0.0);
        shadows.push_back(makeShadow(sq, shadowRamp, r * 3.0, 0.3f, r * 0.75, ox, oy, image.width, image.height, pool));
        shadows.push_back(makeShadow(sq, shadowRamp, r * 0.75, 0.5f, r * 0.5, ox, oy, image.width, image.height, pool));
    }

    // Store: orb over shadow, narrowed to 8-bit premultiplied.
    const int ix = static_cast<int>(ox), iy = static_cast<int>(oy);
    pool.forChunks(image.height, kRowChunk, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            std::uint8_t* out = image.row(y);
            const int oyRow = y - iy;
            const bool rowInOrb = oyRow >= 0 && oyRow < side;
            const double py = oyRow + 0.5;
            for (int x = 0; x < image.width; ++x) {
                const int oxCol = x - ix;
                Px p = rowInOrb && oxCol >= 0 && oxCol < side
                           ? acc[static_cast<std::size_t>(oyRow) * side + static_cast<std::size_t>(oxCol)]
                           : Px{};
                if (!shadows.empty() && p.a < 1.0f) {
                    const double px = oxCol + 0.5;
                    // The near shadow lies directly behind the orb, the far one behind the near.
                    const Px shadow = sourceOver(shadowAt(shadows[1], px, py), shadowAt(shadows[0], px, py));
                    p = sourceOver(p, shadow);
                }
                const float a = std::clamp(p.a, 0.0f, 1.0f);
                out[4 * x + 0] = toByte(std::min(p.r, a));
                out[4 * x + 1] = toByte(std::min(p.g, a));
                out[4 * x + 2] = toByte(std::min(p.b, a));
                out[4 * x + 3] = toByte(a);
            }
        }
    });
    return image;
}

} // namespace lumara::render
