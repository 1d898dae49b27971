// The layers drawn row by row: background, blobs and rings (the glow pairs are a template in
// Reduced.h). Safe from any thread.
#include "render/Layers.h"

#include "render/Composite.h"
#include "render/Coverage.h"
#include "render/Geometry.h"
#include "render/Gradient.h"
#include "render/SmoothGrid.h"

#include <cmath>
#include <optional>
#include <type_traits>

namespace lumara::render {

namespace {

inline double length(double x, double y) { return std::sqrt(x * x + y * y); }

// Calls f with the separable blend function of a blob blend mode, or with nullptr for
// plus-lighter (also for unknown values).
template <typename F>
void withBlobBlend(BlobBlendMode mode, F&& f)
{
    switch (mode) {
    case BlobBlendMode::screen: return f(ScreenFn4{});
    case BlobBlendMode::overlay: return f(OverlayFn4{});
    case BlobBlendMode::colorDodge: return f(ColorDodgeFn4{});
    case BlobBlendMode::softLight: return f(SoftLightFn4{});
    case BlobBlendMode::plusLighter:
    default: return f(nullptr);
    }
}

// The colour scaled by alphas[x] composited onto row[x] with blendSeparable(s, d, fn), for x in
// [begin, end), skipping the pixels whose alpha is not above zero. Four pixels at a time, their
// channels transposed into one register each, every lane running blendSeparable's operations in
// the same order, so each pixel gets the same bits as one at a time.
template <typename Fn4>
void blendSeparableRun(Px* row, const float* alphas, int begin, int end, Px colour, Fn4 fn)
{
    const Px4 one = splat(1.0f), zero = _mm_setzero_ps();
    int x = begin;
    for (; x + 4 <= end; x += 4) {
        const Px4 alpha = _mm_loadu_ps(alphas + x);
        const Px4 live = _mm_cmpgt_ps(alpha, zero); // false for NaN, as !(a > 0) skips it
        if (_mm_movemask_ps(live) == 0) continue;
        Px4 dr = load(row[x]), dg = load(row[x + 1]), db = load(row[x + 2]), da = load(row[x + 3]);
        _MM_TRANSPOSE4_PS(dr, dg, db, da);
        const Px4 sr = _mm_mul_ps(splat(colour.r), alpha), sg = _mm_mul_ps(splat(colour.g), alpha);
        const Px4 sb = _mm_mul_ps(splat(colour.b), alpha), sa = _mm_mul_ps(splat(colour.a), alpha);
        const Px4 both = _mm_mul_ps(sa, da);
        const Px4 isa = _mm_div_ps(one, sa), ida = _mm_div_ps(one, da);
        const Px4 keepS = _mm_sub_ps(one, da), keepD = _mm_sub_ps(one, sa);
        const Px4 a = _mm_sub_ps(_mm_add_ps(sa, da), both);
        auto channel = [&](Px4 cs, Px4 cb) {
            const Px4 straightS = _mm_min_ps(one, _mm_mul_ps(cs, isa));
            const Px4 straightB = _mm_min_ps(one, _mm_mul_ps(cb, ida));
            const Px4 c = _mm_add_ps(_mm_add_ps(_mm_mul_ps(cs, keepS), _mm_mul_ps(cb, keepD)),
                                     _mm_mul_ps(both, fn(straightB, straightS)));
            return _mm_andnot_ps(_mm_cmplt_ps(c, zero), _mm_min_ps(a, c));
        };
        Px4 r = channel(sr, dr), g = channel(sg, dg), b = channel(sb, db), o = a;
        // No source: the backdrop; no backdrop: the source; and the backdrop where skipped.
        const Px4 noSource = _mm_cmple_ps(sa, zero), noBackdrop = _mm_cmple_ps(da, zero);
        r = select(live, select(noSource, dr, select(noBackdrop, sr, r)), dr);
        g = select(live, select(noSource, dg, select(noBackdrop, sg, g)), dg);
        b = select(live, select(noSource, db, select(noBackdrop, sb, b)), db);
        o = select(live, select(noSource, da, select(noBackdrop, sa, o)), da);
        _MM_TRANSPOSE4_PS(r, g, b, o);
        store(row[x], r);
        store(row[x + 1], g);
        store(row[x + 2], b);
        store(row[x + 3], o);
    }
    const Px4 c = load(colour);
    for (; x < end; ++x) {
        const float a = alphas[x];
        if (!(a > 0.0f)) continue;
        store(row[x], blendSeparable(scaled(c, a), load(row[x]), fn));
    }
}

} // namespace

BackgroundLayer::BackgroundLayer(const OrbSquare& sq, const OrbValues& v, double ppp, WorkerPool& pool)
    : m_sq(sq), m_type(v.gradientType), m_ramp([&] {
          std::vector<CodableColor> colours = v.backgroundColors;
          if (v.gradientType == GradientType::angular) {
              // The sweep closes on the first colour again, or on transparent when there are none.
              colours.push_back(colours.empty() ? CodableColor{0, 0, 0, 0} : colours.front());
          }
          return ColourRamp(colours);
      }())
{
    if (m_ramp.empty()) return;
    const double a = std::fmod(v.gradientAngle, 360.0) * std::numbers::pi / 180.0;
    m_cos = std::cos(a);
    m_sin = std::sin(a);
    m_radialEnd = 300.0 * ppp; // 300 points, whatever the orb's size
    m_start = std::fmod(v.gradientAngle, 360.0) * std::numbers::pi / 180.0;
    const double sigma = v.backgroundBlur * ppp;
    if (!(sigma >= 0.5)) return;
    const double S = sq.size;
    const int k = Field::cellSizeFor(sigma, S);
    Field& field = m_blurred.emplace(Field::covering(0.0, 0.0, S, S, k, 4));
    field.fillAndBlur(sigma, pool, [&](int j0, int j1) {
        for (int j = j0; j < j1; ++j) {
            const double y = field.cellCentreY(j);
            const double top = field.top() + j * k;
            const double coverY = std::clamp(std::min(top + k, S) - std::max(top, 0.0), 0.0, double(k)) / k;
            for (int i = 0; i < field.width(); ++i) {
                const double left = field.left() + i * k;
                const double coverX = std::clamp(std::min(left + k, S) - std::max(left, 0.0), 0.0, double(k)) / k;
                const Px p = scaled(m_ramp.fast(param(field.cellCentreX(i), y)), static_cast<float>(coverX * coverY));
                field.row(0, j)[i] = p.r;
                field.row(1, j)[i] = p.g;
                field.row(2, j)[i] = p.b;
                field.row(3, j)[i] = p.a;
            }
        }
    });
}

double BackgroundLayer::param(double x, double y) const
{
    switch (m_type) {
    case GradientType::radial:
        return length(x - m_sq.centre, y - m_sq.centre) / m_radialEnd;
    case GradientType::angular: {
        // Conic sweep clockwise (y down) from gradientAngle, 0 degrees pointing right.
        double turn = (fastAtan2(y - m_sq.centre, x - m_sq.centre) - m_start) / (2.0 * std::numbers::pi);
        turn -= std::floor(turn);
        return turn;
    }
    case GradientType::linear:
    default: {
        // From (0.5 - 0.5 cos a, 0.5 + 0.5 sin a) to (0.5 + 0.5 cos a, 0.5 - 0.5 sin a), y down.
        const double S = m_sq.size;
        const double ux = x / S - (0.5 - 0.5 * m_cos), uy = y / S - (0.5 + 0.5 * m_sin);
        return ux * m_cos - uy * m_sin; // projection on (cos a, -sin a), whose length is 1
    }
    }
}

void BackgroundLayer::drawRow(int y, Px* row, RowScratch& scratch) const
{
    if (m_ramp.empty()) return;
    const int begin = m_sq.spanBegin[static_cast<std::size_t>(y)], end = m_sq.spanEnd[static_cast<std::size_t>(y)];
    if (m_blurred) {
        const int side = m_sq.side;
        float* c[4];
        float* into[4];
        for (int ch = 0; ch < 4; ++ch) {
            c[ch] = scratch.channels.data() + static_cast<std::size_t>(ch) * side;
            into[ch] = c[ch] + begin;
        }
        m_blurred->sampleRows(0, 4, begin, y + 0.5, end - begin, into);
        for (int x = begin; x < end; ++x) row[x] = {c[0][x], c[1][x], c[2][x], c[3][x]};
        return;
    }
    // The parameters of a run of pixels at a time, then the ramp at each.
    double params[kParamRun];
    for (int x = begin; x < end; x += kParamRun) {
        const int count = std::min(kParamRun, end - x);
        paramsAlong(x, y, count, params);
        m_ramp.fastRow(params, count, row + x);
    }
}

void KeptBackgroundLayer::drawRow(int y, Px* row, RowScratch&) const
{
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(m_sq.side);
    const int begin = m_sq.spanBegin[static_cast<std::size_t>(y)], end = m_sq.spanEnd[static_cast<std::size_t>(y)];
    std::copy(m_pixels + at + begin, m_pixels + at + end, row + begin);
}

void BackgroundLayer::paramsAlong(int x0, int y, int count, double* out) const
{
    // Several pixels at once, each lane the operations of param() in the same order, so the same bits.
    const double cy = y + 0.5, S = m_sq.size;
    switch (m_type) {
    case GradientType::radial:
        radialAlong(x0 + 0.5, m_sq.centre, cy - m_sq.centre, m_radialEnd, count, out);
        return;
    case GradientType::angular: {
        // Two at a time.
        const __m128d step = _mm_set1_pd(2.0);
        __m128d x = _mm_setr_pd(x0 + 0.5, x0 + 1.5);
        int i = 0;
        const __m128d centre = _mm_set1_pd(m_sq.centre), zero = _mm_setzero_pd();
        const __m128d sign = _mm_set1_pd(-0.0);
        const double dyValue = cy - m_sq.centre;
        const __m128d ay = _mm_set1_pd(std::abs(dyValue));
        const __m128d turnScale = _mm_set1_pd(2.0 * std::numbers::pi), start = _mm_set1_pd(m_start);
        auto select = [](__m128d mask, __m128d a, __m128d b) { return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b)); };
        for (; i + 1 < count; i += 2, x = _mm_add_pd(x, step)) {
            // fastAtan2(dy, dx) in both lanes.
            const __m128d dx = _mm_sub_pd(x, centre);
            const __m128d ax = _mm_andnot_pd(sign, dx);
            const __m128d xWider = _mm_cmpgt_pd(ax, ay);
            const __m128d hi = select(xWider, ax, ay), lo = select(xWider, ay, ax);
            const __m128d q = _mm_div_pd(lo, hi), q2 = _mm_mul_pd(q, q);
            __m128d poly = _mm_mul_pd(q2, _mm_set1_pd(-0.01172120));
            poly = _mm_mul_pd(q2, _mm_add_pd(_mm_set1_pd(0.05265332), poly));
            poly = _mm_mul_pd(q2, _mm_add_pd(_mm_set1_pd(-0.11643287), poly));
            poly = _mm_mul_pd(q2, _mm_add_pd(_mm_set1_pd(0.19354346), poly));
            poly = _mm_mul_pd(q2, _mm_add_pd(_mm_set1_pd(-0.33262347), poly));
            __m128d r = _mm_mul_pd(q, _mm_add_pd(_mm_set1_pd(0.99997726), poly));
            r = select(_mm_cmpgt_pd(ay, ax), _mm_sub_pd(_mm_set1_pd(1.57079632679489662), r), r);
            r = select(_mm_cmplt_pd(dx, zero), _mm_sub_pd(_mm_set1_pd(3.14159265358979324), r), r);
            if (dyValue < 0.0) r = _mm_xor_pd(r, sign);
            r = select(_mm_cmpeq_pd(hi, zero), zero, r);
            const __m128d turn = _mm_div_pd(_mm_sub_pd(r, start), turnScale);
            // turn - floor(turn): r and the start angle both lie within a turn or two of zero, so
            // truncating to a 32-bit integer is exact, and one less where that rounded up.
            const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(turn));
            const __m128d below = _mm_sub_pd(whole, _mm_and_pd(_mm_cmpgt_pd(whole, turn), _mm_set1_pd(1.0)));
            _mm_storeu_pd(out + i, _mm_sub_pd(turn, below));
        }
        for (; i < count; ++i) out[i] = param(x0 + i + 0.5, cy);
        return;
    }
    case GradientType::linear:
    default:
        // ux * ca - uy * sa, with uy * sa the same for the whole row.
        linearAlong(x0 + 0.5, S, 0.5 - 0.5 * m_cos, m_cos, (cy / S - (0.5 + 0.5 * m_sin)) * m_sin, count, out);
        return;
    }
}

std::vector<BlobShape> blobShapes(const OrbSquare& sq, const OrbValues& v, double t, double ppp)
{
    std::vector<BlobShape> shapes;
    if (v.blobCount <= 0 || v.complexity <= 0) return shapes;
    const long count = static_cast<long>(std::min<std::int64_t>(v.blobCount, kMaxBlobs));
    const double n = v.blobCount > 1 ? static_cast<double>(v.blobCount) : 1.0;
    const double S = sq.size;
    const double sigma = v.blobBlur * ppp;
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
        auto polygon = wavyBlobPolygon({sq.centre, sq.centre + offset}, radius,
                                       static_cast<long>(std::min<std::int64_t>(v.complexity, kMaxComplexity)),
                                       v.amplitude, wobble, 0.1);
        if (polygon.empty()) continue;
        shapes.push_back({colour, std::move(polygon), glowAngle, Field::cellSizeFor(sigma, std::max(2.0 * radius, 8.0))});
    }
    return shapes;
}

void coverBlob(const OrbSquare& sq, const BlobShape& blob, Field& field, std::vector<float>& cover)
{
    const int k = blob.cellSize;
    field.cover(0.0, 0.0, sq.size, sq.size, k, 1, false); // fillBlobField writes every cell
    polygonCoverage(blob.polygon, field.width(), field.height(), {field.left(), field.top()}, k, cover);
}

void fillBlobField(const OrbSquare& sq, const BlobShape& blob, double sigma, const GlowSource& crescent,
                   const std::vector<float>& cover, Field& field, WorkerPool& pool)
{
    const int k = blob.cellSize;
    const TurnedGlow glow(sq, GlowLayer{blob.colour, blob.glowAngle, 0.0}, crescent);
    // The glow, masked by the outline's alpha (then blurred, then blended): read only over the
    // cells the outline covers, from its first to its last covered cell on each row; every other
    // cell is zero (the field is not cleared beforehand: each row is written whole here).
    field.fillAndBlur(sigma, pool, [&](int j0, int j1) {
        std::vector<float> lit(static_cast<std::size_t>(field.width()));
        for (int j = j0; j < j1; ++j) {
            const float* m = cover.data() + static_cast<std::size_t>(j) * field.width();
            float* out = field.row(0, j);
            int first = 0, last = field.width();
            while (first < last && m[first] <= 0.0f) ++first;
            while (last > first && m[last - 1] <= 0.0f) --last;
            std::fill(out, out + first, 0.0f);
            std::fill(out + last, out + field.width(), 0.0f);
            if (first == last) continue;
            glow.alphaAlong(field.cellCentreX(first), field.cellCentreY(j), k, last - first, k, lit.data());
            for (int x = first; x < last; ++x) out[x] = m[x] * lit[static_cast<std::size_t>(x - first)];
        }
    });
}

BlobLayer::BlobLayer(const OrbSquare& sq, const Field& field, Px colour, BlobBlendMode mode)
    : m_sq(sq), m_field(field), m_colour(colour), m_mode(mode),
      // Cells of one pixel on the pixel grid are read directly; coarser cells bilinearly.
      m_direct(field.cellSize() == 1 && field.left() == std::floor(field.left()) &&
               field.top() == std::floor(field.top()))
{
    // Coarse cells are read back only where they can be non-zero; elsewhere the reads are zero
    // and would be skipped anyway.
    if (!m_direct) m_nonZero.emplace(field, 0);
}

void BlobLayer::drawRow(int y, Px* row, RowScratch& scratch) const
{
    int begin = m_sq.spanBegin[static_cast<std::size_t>(y)], end = m_sq.spanEnd[static_cast<std::size_t>(y)];
    if (m_nonZero) m_nonZero->pixels(y, begin, end, begin, end);
    if (begin >= end) return;
    const Field& field = m_field;
    const float* alphas;
    if (m_direct) {
        const int left = static_cast<int>(field.left()), top = static_cast<int>(field.top());
        const int j = y - top, i = begin - left;
        if (j < 0 || j >= field.height() || i < 0 || end - left > field.width()) return;
        alphas = field.row(0, j) + i - begin;
    } else {
        field.sampleRow(0, begin, y + 0.5, end - begin, scratch.line.data() + begin);
        alphas = scratch.line.data();
    }
    withBlobBlend(m_mode, [&](auto fn) {
        if constexpr (std::is_same_v<decltype(fn), std::nullptr_t>) {
            compositeKernels().addScaled(row, alphas, begin, end, m_colour);
        } else {
            blendSeparableRun(row, alphas, begin, end, m_colour, fn);
        }
    });
}

RingsLayer::RingsLayer(const OrbSquare& sq, const OrbValues& v, double ppp)
    : RingsLayer(sq, v, ppp, v.innerRingWidth * ppp, sq.radius - 2.0 * ppp)
{
}

RingsLayer::RingsLayer(const OrbSquare& sq, const OrbValues& v, double ppp, double w, double rB)
    : m_sq(sq),
      // Ring A on the orb's outline; ring B on a circle inset by 2 points, 0.4 times as wide.
      m_ringA(sq.radius - w / 2, sq.radius + w / 2, v.glowSoftness * 3.0 * ppp, sq.radius),
      m_ringB(rB - 0.2 * w, rB + 0.2 * w, v.glowSoftness * ppp, sq.radius),
      m_alphaA(std::clamp(v.glowColor.opacity * v.glowIntensity * 0.3, 0.0, 1.0)),
      m_alphaB(std::clamp(v.glowColor.opacity * v.glowIntensity * 0.15, 0.0, 1.0)),
      m_rgb(ColourRamp::premultiplied({v.glowColor.red, v.glowColor.green, v.glowColor.blue, 1.0})),
      m_hasB(rB >= 0.0),
      m_hole(m_hasB ? std::min(m_ringA.innerEdge(), m_ringB.innerEdge()) : m_ringA.innerEdge())
{
}

void RingsLayer::drawRow(int y, Px* row, RowScratch&) const
{
    const double dy = y + 0.5 - m_sq.centre;
    const int spanBegin = m_sq.spanBegin[static_cast<std::size_t>(y)], spanEnd = m_sq.spanEnd[static_cast<std::size_t>(y)];
    int holeBegin, holeEnd;
    m_sq.within(y, m_hole, holeBegin, holeEnd);
    const Px4 rgb = load(m_rgb);
    // The row's pixels around the hole, a run at a time: distances and both profiles along the run,
    // then the pair added per pixel.
    constexpr int kRun = 64;
    double d[kRun];
    float a[kRun], b[kRun];
    auto drawPiece = [&](int from, int to) {
        for (int x0 = from; x0 < to; x0 += kRun) {
            const int n = std::min(kRun, to - x0);
            distancesAlong(x0 + 0.5, m_sq.centre, dy, n, d);
            m_ringA.values(d, n, a);
            if (m_hasB) m_ringB.values(d, n, b);
            for (int i = 0; i < n; ++i) {
                const float ringA = static_cast<float>(a[i] * m_alphaA);
                const float ringB = m_hasB ? static_cast<float>(b[i] * m_alphaB) : 0.0f;
                // Ring B stacked over ring A, the pair added onto the group.
                const float pair = ringB + ringA * (1.0f - ringB);
                if (pair > 0.0f) store(row[x0 + i], plusLighter(scaled(rgb, pair), load(row[x0 + i])));
            }
        }
    };
    drawPiece(spanBegin, std::clamp(holeBegin, spanBegin, spanEnd));
    drawPiece(std::clamp(std::max(holeEnd, holeBegin), spanBegin, spanEnd), spanEnd);
}

} // namespace lumara::render
