// The baseline glow read and grid read-back, and the choice of path (see GlowRead.h).
#include "render/GlowRead.h"

#include "render/Coverage.h"
#include "render/VectorPath.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace lumara::render {

#if defined(LUMARA_AVX2_KERNELS)
extern const GlowReadKernels kAvx2GlowReadKernels; // GlowReadAvx2.cpp
#endif

namespace {

#if defined(__SSE2__)
// Four samples at a time in SSE2: the AVX2 kernel's steps at half the width (see GlowReadAvx2.cpp).

// The low 32 bits of each 64-bit lane of two double vectors, as one vector of four.
inline __m128 narrow(__m128d low, __m128d high)
{
    return _mm_shuffle_ps(_mm_castpd_ps(low), _mm_castpd_ps(high), _MM_SHUFFLE(2, 0, 2, 0));
}

inline __m128d select(__m128d mask, __m128d yes, __m128d no)
{
    return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
}

// discCoverage(sqrt(d2), radius, width) of two lanes, as floats in the low half.
inline __m128 coverage(__m128d d2, __m128d radius, __m128d width)
{
    const __m128d c = _mm_add_pd(_mm_set1_pd(0.5), _mm_div_pd(_mm_sub_pd(radius, _mm_sqrt_pd(d2)), width));
    __m128d r = select(_mm_cmpgt_pd(c, _mm_set1_pd(1.0)), _mm_set1_pd(1.0), c);
    r = select(_mm_cmplt_pd(c, _mm_setzero_pd()), _mm_setzero_pd(), r);
    return _mm_cvtpd_ps(r);
}

inline __m128d within(__m128d x, __m128d low, __m128d high)
{
    return _mm_and_pd(_mm_cmpge_pd(x, low), _mm_cmplt_pd(x, high));
}

// float(x - int(x)) of two pairs of lanes, as one vector of four, and int(x) into at[0 .. 4).
inline __m128 fraction(__m128d low, __m128d high, int* at)
{
    const __m128i a = _mm_cvttpd_epi32(low), b = _mm_cvttpd_epi32(high);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_unpacklo_epi64(a, b));
    return _mm_movelh_ps(_mm_cvtpd_ps(_mm_sub_pd(low, _mm_cvtepi32_pd(a))), _mm_cvtpd_ps(_mm_sub_pd(high, _mm_cvtepi32_pd(b))));
}

// The cells base[at[k]] and base[at[k] + 1] of four lanes.
inline void pairs(const float* base, const int* at, __m128& left, __m128& right)
{
    auto two = [&](int a, int b) {
        const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at[a]));
        const __m128i y = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at[b]));
        return _mm_castsi128_ps(_mm_unpacklo_epi64(x, y));
    };
    const __m128 x = two(0, 1), y = two(2, 3);
    left = _mm_shuffle_ps(x, y, _MM_SHUFFLE(2, 0, 2, 0));
    right = _mm_shuffle_ps(x, y, _MM_SHUFFLE(3, 1, 3, 1));
}

struct Lanes {
    __m128d fu, du, fv, dv;
    __m128d dx0, step, dy2, inner2, radius, discWidth;
    __m128d readFromU, readBelowU, readFromV, readBelowV;
    __m128d zeroBelowU, zeroFromU, zeroBelowV, zeroFromV;
    const float* cells;
    int width;
    bool applyDisc;

    explicit Lanes(const GlowReadRow& r)
        : fu(_mm_set1_pd(r.fu)), du(_mm_set1_pd(r.du)), fv(_mm_set1_pd(r.fv)), dv(_mm_set1_pd(r.dv)),
          dx0(_mm_set1_pd(r.dx0)), step(_mm_set1_pd(r.step)), dy2(_mm_set1_pd(r.dy2)), inner2(_mm_set1_pd(r.inner2)),
          radius(_mm_set1_pd(r.radius)), discWidth(_mm_set1_pd(r.discWidth)), readFromU(_mm_set1_pd(r.readFromU)),
          readBelowU(_mm_set1_pd(r.readBelowU)), readFromV(_mm_set1_pd(r.readFromV)), readBelowV(_mm_set1_pd(r.readBelowV)),
          zeroBelowU(_mm_set1_pd(r.zeroBelowU)), zeroFromU(_mm_set1_pd(r.zeroFromU)), zeroBelowV(_mm_set1_pd(r.zeroBelowV)),
          zeroFromV(_mm_set1_pd(r.zeroFromV)), cells(r.cells), width(r.width), applyDisc(r.applyDisc)
    {
    }
};

// Four samples from i0 on into out[0 .. 4); returns the mask of the lanes on the field's border.
__attribute__((always_inline)) inline int turnedBlock(const Lanes& r, int i0, float* out)
{
    const __m128d base = _mm_set1_pd(static_cast<double>(i0));
    const __m128d iLow = _mm_add_pd(base, _mm_setr_pd(0.0, 1.0)), iHigh = _mm_add_pd(base, _mm_setr_pd(2.0, 3.0));

    __m128 disc = _mm_set1_ps(1.0f);
    __m128 discZero = _mm_setzero_ps();
    if (r.applyDisc) {
        const __m128d dxLow = _mm_add_pd(r.dx0, _mm_mul_pd(iLow, r.step)), dxHigh = _mm_add_pd(r.dx0, _mm_mul_pd(iHigh, r.step));
        const __m128d d2Low = _mm_add_pd(_mm_mul_pd(dxLow, dxLow), r.dy2), d2High = _mm_add_pd(_mm_mul_pd(dxHigh, dxHigh), r.dy2);
        const __m128 rim = narrow(_mm_cmpgt_pd(d2Low, r.inner2), _mm_cmpgt_pd(d2High, r.inner2));
        if (_mm_movemask_ps(rim) != 0) {
            const __m128 cover = _mm_movelh_ps(coverage(d2Low, r.radius, r.discWidth), coverage(d2High, r.radius, r.discWidth));
            disc = _mm_or_ps(_mm_and_ps(rim, cover), _mm_andnot_ps(rim, disc));
            discZero = _mm_cmpeq_ps(disc, _mm_setzero_ps());
        }
    }

    const __m128d uLow = _mm_add_pd(r.fu, _mm_mul_pd(iLow, r.du)), uHigh = _mm_add_pd(r.fu, _mm_mul_pd(iHigh, r.du));
    const __m128d vLow = _mm_add_pd(r.fv, _mm_mul_pd(iLow, r.dv)), vHigh = _mm_add_pd(r.fv, _mm_mul_pd(iHigh, r.dv));
    const __m128 inner = narrow(_mm_and_pd(within(uLow, r.readFromU, r.readBelowU), within(vLow, r.readFromV, r.readBelowV)),
                                _mm_and_pd(within(uHigh, r.readFromU, r.readBelowU), within(vHigh, r.readFromV, r.readBelowV)));
    const __m128 read = _mm_andnot_ps(discZero, inner);
    int borderLanes = 0;
    if (_mm_movemask_ps(inner) != 0xf) {
        const __m128 live = narrow(_mm_and_pd(within(uLow, r.zeroBelowU, r.zeroFromU), within(vLow, r.zeroBelowV, r.zeroFromV)),
                                   _mm_and_pd(within(uHigh, r.zeroBelowU, r.zeroFromU), within(vHigh, r.zeroBelowV, r.zeroFromV)));
        borderLanes = _mm_movemask_ps(_mm_andnot_ps(discZero, _mm_andnot_ps(inner, live)));
    }

    __m128 a = _mm_setzero_ps();
    const int readLanes = _mm_movemask_ps(read);
    if (readLanes != 0) {
        int iu[4], iv[4], at[4];
        const __m128 tu = fraction(uLow, uHigh, iu), tv = fraction(vLow, vHigh, iv);
        // Lanes not read load cell 0, which exists when any lane is read.
        for (int k = 0; k < 4; ++k) at[k] = (readLanes >> k & 1) ? iv[k] * r.width + iu[k] : 0;
        __m128 p00, p01, p10, p11;
        pairs(r.cells, at, p00, p01);
        pairs(r.cells + r.width, at, p10, p11);
        const __m128 top = _mm_add_ps(p00, _mm_mul_ps(_mm_sub_ps(p01, p00), tu));
        const __m128 bottom = _mm_add_ps(p10, _mm_mul_ps(_mm_sub_ps(p11, p10), tu));
        a = _mm_and_ps(_mm_mul_ps(_mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bottom, top), tv)), disc), read);
    }
    _mm_storeu_ps(out, a);
    return borderLanes;
}

int interiorBaseline(const GlowReadRow& row, int first, int count, float* out)
{
    const Lanes r(row);
    const int end = first + (count & ~3);
    for (int i = first; i < end; i += 4) {
        const __m128d base = _mm_set1_pd(static_cast<double>(i));
        const __m128d iLow = _mm_add_pd(base, _mm_setr_pd(0.0, 1.0)), iHigh = _mm_add_pd(base, _mm_setr_pd(2.0, 3.0));
        const __m128d uLow = _mm_add_pd(r.fu, _mm_mul_pd(iLow, r.du)), uHigh = _mm_add_pd(r.fu, _mm_mul_pd(iHigh, r.du));
        const __m128d vLow = _mm_add_pd(r.fv, _mm_mul_pd(iLow, r.dv)), vHigh = _mm_add_pd(r.fv, _mm_mul_pd(iHigh, r.dv));
        int iu[4], iv[4], at[4];
        const __m128 tu = fraction(uLow, uHigh, iu), tv = fraction(vLow, vHigh, iv);
        for (int k = 0; k < 4; ++k) at[k] = iv[k] * r.width + iu[k];
        __m128 p00, p01, p10, p11;
        pairs(r.cells, at, p00, p01);
        pairs(r.cells + r.width, at, p10, p11);
        const __m128 top = _mm_add_ps(p00, _mm_mul_ps(_mm_sub_ps(p01, p00), tu));
        const __m128 bottom = _mm_add_ps(p10, _mm_mul_ps(_mm_sub_ps(p11, p10), tu));
        _mm_storeu_ps(out + i, _mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bottom, top), tv)));
    }
    return end - first;
}

int turnedBaseline(const GlowReadRow& row, int first, int count, float* out, int* border)
{
    const Lanes r(row);
    int borders = 0;
    const int end = first + count;
    int i = first;
    for (; i + 4 <= end; i += 4) {
        for (int lanes = turnedBlock(r, i, out + i); lanes != 0; lanes &= lanes - 1)
            border[borders++] = i + __builtin_ctz(static_cast<unsigned>(lanes));
    }
    if (i < end) {
        // The last few samples: a whole block computed aside, the lanes past the end dropped.
        float rest[4];
        int lanes = turnedBlock(r, i, rest) & ((1 << (end - i)) - 1);
        for (int k = 0; k < end - i; ++k) out[i + k] = rest[k];
        for (; lanes != 0; lanes &= lanes - 1) border[borders++] = i + __builtin_ctz(static_cast<unsigned>(lanes));
    }
    return borders;
}
#else
// Other architectures: one sample at a time.
int turnedBaseline(const GlowReadRow& r, int first, int count, float* out, int* border)
{
    const int w = r.width;
    int borders = 0;
    for (int i = first; i < first + count; ++i) {
        float disc = 1.0f;
        if (r.applyDisc) {
            const double dx = r.dx0 + i * r.step, d2 = dx * dx + r.dy2;
            if (d2 > r.inner2) disc = discCoverage(std::sqrt(d2), r.radius, r.discWidth);
            if (disc == 0.0f) {
                out[i] = 0.0f;
                continue;
            }
        }
        const double u = r.fu + i * r.du, v = r.fv + i * r.dv;
        if (!(u >= r.readFromU && u < r.readBelowU && v >= r.readFromV && v < r.readBelowV)) {
            // Four zero cells, or a sample on the field's border for the caller.
            if (u >= r.zeroBelowU && u < r.zeroFromU && v >= r.zeroBelowV && v < r.zeroFromV) border[borders++] = i;
            out[i] = 0.0f;
            continue;
        }
        const int iu = static_cast<int>(u), iv = static_cast<int>(v);
        const float tu = static_cast<float>(u - iu), tv = static_cast<float>(v - iv);
        const float* p = r.cells + static_cast<std::ptrdiff_t>(iv) * w + iu;
        const float top = p[0] + (p[1] - p[0]) * tu;
        const float bottom = p[w] + (p[w + 1] - p[w]) * tu;
        out[i] = (top + (bottom - top) * tv) * disc;
    }
    return borders;
}

int interiorBaseline(const GlowReadRow&, int, int, float*)
{
    return 0; // one sample at a time: turnedBaseline reads them all
}
#endif

void blendRowsBaseline(const float* upper, const float* lower, float s, int count, float* out)
{
    for (int i = 0; i < count; ++i) out[i] = upper[i] + (lower[i] - upper[i]) * s;
}

void betweenBaseline(const float* c, const int* index, const float* weight, int count, float* out)
{
    for (int p = 0; p < count; ++p) {
        const float a = c[index[p]], b = c[index[p] + 1];
        out[p] = a + (b - a) * weight[p];
    }
}

// The first i in [lo, hi) where `holds` is true, hi if none, for a test that is false up to some i
// and true from there on. `guess` (any value) is tried first: when it or its neighbour is the answer
// that takes two tests, else the range is bisected.
template <class Test>
int firstWhere(int lo, int hi, double guess, Test holds)
{
    if (lo < hi && !std::isnan(guess)) {
        const int g = static_cast<int>(std::clamp(std::ceil(guess), static_cast<double>(lo), static_cast<double>(hi)));
        if (g == hi || holds(g)) {
            if (g == lo || !holds(g - 1)) return g;
            hi = g - 1; // holds(g - 1): the answer is at most g - 1
        } else {
            lo = g + 1; // the answer is above g
            if (lo == hi || holds(lo)) return lo;
        }
    }
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (holds(mid)) hi = mid;
        else lo = mid + 1;
    }
    return lo;
}

// Narrows [a, b) to the samples whose x = f + i d lies in [low, high). f + i d is evaluated as the
// kernels evaluate it, and it never moves back along the row (rounding is monotonic), so those
// samples are one run.
void clipRun(double f, double d, double low, double high, int& a, int& b)
{
    auto x = [&](int i) { return f + i * d; };
    int from = a, to = b;
    if (d > 0.0) {
        from = firstWhere(a, b, (low - f) / d, [&](int i) { return x(i) >= low; });
        to = firstWhere(from, b, (high - f) / d, [&](int i) { return x(i) >= high; });
    } else if (d < 0.0) {
        from = firstWhere(a, b, (high - f) / d, [&](int i) { return x(i) < high; });
        to = firstWhere(from, b, (low - f) / d, [&](int i) { return x(i) < low; });
    } else if (!(x(a) >= low && x(a) < high)) {
        to = from;
    }
    a = std::max(a, from);
    b = std::max(a, std::min(b, to));
}

// Narrows [a, b) to the samples inside the disc's rim (d2 <= inner2). dx = dx0 + i step moves one
// way, so d2 = dx dx + dy2 falls up to where dx changes sign and rises after it: one run.
void clipToRim(const GlowReadRow& r, int& a, int& b)
{
    auto dx = [&](int i) { return r.dx0 + i * r.step; };
    auto inside = [&](int i) {
        const double x = dx(i), d2 = x * x + r.dy2;
        return !(d2 > r.inner2);
    };
    const double centre = -r.dx0 / r.step, reach = std::sqrt(std::max(r.inner2 - r.dy2, 0.0)) / std::abs(r.step);
    const int turn = firstWhere(a, b, centre, [&](int i) { return r.step > 0.0 ? dx(i) >= 0.0 : dx(i) <= 0.0; });
    const int from = firstWhere(a, turn, centre - reach, inside);
    const int to = firstWhere(turn, b, centre + reach, [&](int i) { return !inside(i); });
    a = from < turn ? from : turn;
    b = std::max(a, to);
}

} // namespace

int readTurned(const GlowReadKernels& kernels, const GlowReadRow& r, int first, int count, float* out, int* border)
{
    if (count <= 0) return 0;
    const int end = first + count;
    // Positions that are not numbers (absurd input) take the full tests everywhere.
    const bool finite = std::isfinite(r.fu) && std::isfinite(r.du) && std::isfinite(r.fv) && std::isfinite(r.dv) &&
                        std::isfinite(r.dx0) && std::isfinite(r.step) && std::isfinite(r.dy2);
    if (!finite) return kernels.turned(r, first, count, out, border);
    // Samples outside the box of non-zero cells are zero whatever the disc.
    int liveFrom = first, liveTo = end;
    clipRun(r.fu, r.du, r.zeroBelowU, r.zeroFromU, liveFrom, liveTo);
    clipRun(r.fv, r.dv, r.zeroBelowV, r.zeroFromV, liveFrom, liveTo);
    // Inside it, those read directly and inside the rim take the interior kernel.
    int fastFrom = liveFrom, fastTo = liveTo;
    clipRun(r.fu, r.du, r.readFromU, r.readBelowU, fastFrom, fastTo);
    clipRun(r.fv, r.dv, r.readFromV, r.readBelowV, fastFrom, fastTo);
    if (r.applyDisc && fastFrom < fastTo) clipToRim(r, fastFrom, fastTo);
    if (fastFrom >= fastTo) fastFrom = fastTo = liveTo;

    std::fill(out + first, out + liveFrom, 0.0f);
    int borders = kernels.turned(r, liveFrom, fastFrom - liveFrom, out, border);
    const int done = kernels.interior(r, fastFrom, fastTo - fastFrom, out);
    borders += kernels.turned(r, fastFrom + done, liveTo - fastFrom - done, out, border + borders);
    std::fill(out + liveTo, out + end, 0.0f);
    return borders;
}

GlowReadRow GlowReadRow::withBounds() const
{
    GlowReadRow r = *this;
    r.readFromU = std::max(0.0, zeroBelowU);
    r.readBelowU = std::min(width - 1.0, zeroFromU);
    r.readFromV = std::max(0.0, zeroBelowV);
    r.readBelowV = std::min(height - 1.0, zeroFromV);
    return r;
}

const GlowReadKernels& baselineGlowReadKernels()
{
    static const GlowReadKernels kernels{&turnedBaseline, &interiorBaseline, &blendRowsBaseline, &betweenBaseline, "baseline"};
    return kernels;
}

const GlowReadKernels* avx2GlowReadKernels()
{
#if defined(LUMARA_AVX2_KERNELS)
    if (processorHasAvx2()) return &kAvx2GlowReadKernels;
#endif
    return nullptr;
}

const GlowReadKernels& glowReadKernels()
{
    static const GlowReadKernels& chosen = chosenKernels(baselineGlowReadKernels(), avx2GlowReadKernels());
    return chosen;
}

} // namespace lumara::render
