// The glow read and grid read-back for AVX2, eight samples at a time, built with -mavx2 (and no
// FMA, no contraction) and run only where the processor has it (GlowRead.h). Each lane computes
// what the baseline loop computes for its sample, operation for operation. Nothing here may be an
// inline function shared with other files (the linker could pick this copy for the whole program):
// the helpers have internal linkage and no standard-library template is used.
#include "render/GlowRead.h"

#include <immintrin.h>

#include <cstddef>

namespace lumara::render {

namespace {

// The low 32 bits of each 64-bit lane of two double vectors, as one vector of eight (for the
// masks of comparisons this is the mask itself).
inline __m256 narrow(__m256d low, __m256d high)
{
    const __m256i pick = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const __m256 a = _mm256_permutevar8x32_ps(_mm256_castpd_ps(low), pick);
    const __m256 b = _mm256_permutevar8x32_ps(_mm256_castpd_ps(high), pick);
    return _mm256_permute2f128_ps(a, b, 0x20);
}

// discCoverage(sqrt(d2), radius, width) of four lanes, as floats: c = 0.5 + (radius - d) / width,
// 0 below 0, 1 above 1 (a lane that is not a number stays so, as in the scalar form).
inline __m128 coverage(__m256d d2, __m256d radius, __m256d width)
{
    const __m256d c = _mm256_add_pd(_mm256_set1_pd(0.5), _mm256_div_pd(_mm256_sub_pd(radius, _mm256_sqrt_pd(d2)), width));
    __m256d r = _mm256_blendv_pd(c, _mm256_set1_pd(1.0), _mm256_cmp_pd(c, _mm256_set1_pd(1.0), _CMP_GT_OQ));
    r = _mm256_blendv_pd(r, _mm256_setzero_pd(), _mm256_cmp_pd(c, _mm256_setzero_pd(), _CMP_LT_OQ));
    return _mm256_cvtpd_ps(r);
}

// Whether each lane lies in [low, high), as a mask.
inline __m256d within(__m256d x, __m256d low, __m256d high)
{
    return _mm256_and_pd(_mm256_cmp_pd(x, low, _CMP_GE_OQ), _mm256_cmp_pd(x, high, _CMP_LT_OQ));
}

// The 64-bit pair of cells at base + at[k] of each of eight lanes, split into the first cells
// (left) and the second ones (right).
inline void pairs(const float* base, const int* at, __m256& left, __m256& right)
{
    auto two = [&](int a, int b) {
        const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at[a]));
        const __m128i y = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at[b]));
        return _mm_castsi128_ps(_mm_unpacklo_epi64(x, y));
    };
    const __m256 x = _mm256_setr_m128(two(0, 1), two(4, 5)), y = _mm256_setr_m128(two(2, 3), two(6, 7));
    left = _mm256_shuffle_ps(x, y, _MM_SHUFFLE(2, 0, 2, 0));
    right = _mm256_shuffle_ps(x, y, _MM_SHUFFLE(3, 1, 3, 1));
}

// Eight bilinear reads at (u, v), in cells, given as two four-lane halves: the index of each
// read's top-left cell (row-major, `width` cells to a row) and, in tu and tv, the weights of the
// cells to its right and below it.
__attribute__((always_inline)) inline __m256i cellsAt(__m256d uLow, __m256d uHigh, __m256d vLow, __m256d vHigh,
                                                      __m256i width, __m256& tu, __m256& tv)
{
    const __m128i iuLow = _mm256_cvttpd_epi32(uLow), iuHigh = _mm256_cvttpd_epi32(uHigh);
    const __m128i ivLow = _mm256_cvttpd_epi32(vLow), ivHigh = _mm256_cvttpd_epi32(vHigh);
    tu = _mm256_setr_m128(_mm256_cvtpd_ps(_mm256_sub_pd(uLow, _mm256_cvtepi32_pd(iuLow))),
                          _mm256_cvtpd_ps(_mm256_sub_pd(uHigh, _mm256_cvtepi32_pd(iuHigh))));
    tv = _mm256_setr_m128(_mm256_cvtpd_ps(_mm256_sub_pd(vLow, _mm256_cvtepi32_pd(ivLow))),
                          _mm256_cvtpd_ps(_mm256_sub_pd(vHigh, _mm256_cvtepi32_pd(ivHigh))));
    return _mm256_add_epi32(_mm256_mullo_epi32(_mm256_setr_m128i(ivLow, ivHigh), width), _mm256_setr_m128i(iuLow, iuHigh));
}

// The eight reads whose top-left cells are at[0 .. 8) of `cells` (`down` cells to the next row).
// The two cells side by side in each row are read as one 64-bit load per lane and row (this is
// quicker than the gathers on the processors measured), then split into the left and right cells.
__attribute__((always_inline)) inline __m256 bilinear(const float* cells, std::ptrdiff_t down, const int* at, __m256 tu,
                                                      __m256 tv)
{
    __m256 p00, p01, p10, p11;
    pairs(cells, at, p00, p01);
    pairs(cells + down, at, p10, p11);
    const __m256 top = _mm256_add_ps(p00, _mm256_mul_ps(_mm256_sub_ps(p01, p00), tu));
    const __m256 bottom = _mm256_add_ps(p10, _mm256_mul_ps(_mm256_sub_ps(p11, p10), tu));
    return _mm256_add_ps(top, _mm256_mul_ps(_mm256_sub_ps(bottom, top), tv));
}

// A row's values in every lane, set up once per call.
struct Lanes {
    __m256d fu, du, fv, dv;
    __m256d dx0, step, dy2, inner2, radius, discWidth;
    __m256d readFromU, readBelowU, readFromV, readBelowV;
    __m256d zeroBelowU, zeroFromU, zeroBelowV, zeroFromV;
    __m256i width;
    const float* cells;
    std::ptrdiff_t down; // from a cell to the one below it
    bool applyDisc;

    explicit Lanes(const GlowReadRow& r)
        : fu(_mm256_set1_pd(r.fu)), du(_mm256_set1_pd(r.du)), fv(_mm256_set1_pd(r.fv)), dv(_mm256_set1_pd(r.dv)),
          dx0(_mm256_set1_pd(r.dx0)), step(_mm256_set1_pd(r.step)), dy2(_mm256_set1_pd(r.dy2)),
          inner2(_mm256_set1_pd(r.inner2)), radius(_mm256_set1_pd(r.radius)), discWidth(_mm256_set1_pd(r.discWidth)),
          readFromU(_mm256_set1_pd(r.readFromU)), readBelowU(_mm256_set1_pd(r.readBelowU)),
          readFromV(_mm256_set1_pd(r.readFromV)), readBelowV(_mm256_set1_pd(r.readBelowV)),
          zeroBelowU(_mm256_set1_pd(r.zeroBelowU)), zeroFromU(_mm256_set1_pd(r.zeroFromU)),
          zeroBelowV(_mm256_set1_pd(r.zeroBelowV)), zeroFromV(_mm256_set1_pd(r.zeroFromV)),
          width(_mm256_set1_epi32(r.width)), cells(r.cells), down(r.width), applyDisc(r.applyDisc)
    {
    }
};

// Eight samples from i0 on into out[0 .. 8); returns the mask of the lanes on the field's border.
__attribute__((always_inline)) inline int turnedBlock(const Lanes& r, int i0, float* out)
{
    const __m256d base = _mm256_set1_pd(static_cast<double>(i0));
    const __m256d iLow = _mm256_add_pd(base, _mm256_setr_pd(0.0, 1.0, 2.0, 3.0));
    const __m256d iHigh = _mm256_add_pd(base, _mm256_setr_pd(4.0, 5.0, 6.0, 7.0));

    __m256 disc = _mm256_set1_ps(1.0f);
    __m256 discZero = _mm256_setzero_ps();
    if (r.applyDisc) {
        const __m256d dx0 = r.dx0, step = r.step, dy2 = r.dy2, inner2 = r.inner2;
        const __m256d dxLow = _mm256_add_pd(dx0, _mm256_mul_pd(iLow, step));
        const __m256d dxHigh = _mm256_add_pd(dx0, _mm256_mul_pd(iHigh, step));
        const __m256d d2Low = _mm256_add_pd(_mm256_mul_pd(dxLow, dxLow), dy2);
        const __m256d d2High = _mm256_add_pd(_mm256_mul_pd(dxHigh, dxHigh), dy2);
        const __m256 rim = narrow(_mm256_cmp_pd(d2Low, inner2, _CMP_GT_OQ), _mm256_cmp_pd(d2High, inner2, _CMP_GT_OQ));
        if (_mm256_movemask_ps(rim) != 0) {
            const __m256 cover = _mm256_setr_m128(coverage(d2Low, r.radius, r.discWidth), coverage(d2High, r.radius, r.discWidth));
            disc = _mm256_blendv_ps(disc, cover, rim);
            discZero = _mm256_cmp_ps(disc, _mm256_setzero_ps(), _CMP_EQ_OQ);
        }
    }

    const __m256d fu = r.fu, du = r.du, fv = r.fv, dv = r.dv;
    const __m256d uLow = _mm256_add_pd(fu, _mm256_mul_pd(iLow, du)), uHigh = _mm256_add_pd(fu, _mm256_mul_pd(iHigh, du));
    const __m256d vLow = _mm256_add_pd(fv, _mm256_mul_pd(iLow, dv)), vHigh = _mm256_add_pd(fv, _mm256_mul_pd(iHigh, dv));

    // Lanes read directly: inside the box of cells that are not all zero and inside the field's
    // interior. Only when some are not is the box tested alone, for the lanes on the border.
    const __m256d lowU = r.readFromU, highU = r.readBelowU, lowV = r.readFromV, highV = r.readBelowV;
    const __m256 inner = narrow(_mm256_and_pd(within(uLow, lowU, highU), within(vLow, lowV, highV)),
                                _mm256_and_pd(within(uHigh, lowU, highU), within(vHigh, lowV, highV)));
    const __m256 read = _mm256_andnot_ps(discZero, inner);
    int borderLanes = 0;
    if (_mm256_movemask_ps(inner) != 0xff) {
        const __m256d zbu = r.zeroBelowU, zfu = r.zeroFromU, zbv = r.zeroBelowV, zfv = r.zeroFromV;
        const __m256 live = narrow(_mm256_and_pd(within(uLow, zbu, zfu), within(vLow, zbv, zfv)),
                                   _mm256_and_pd(within(uHigh, zbu, zfu), within(vHigh, zbv, zfv)));
        borderLanes = _mm256_movemask_ps(_mm256_andnot_ps(discZero, _mm256_andnot_ps(inner, live)));
    }

    __m256 a = _mm256_setzero_ps();
    if (_mm256_movemask_ps(read) != 0) {
        __m256 tu, tv;
        const __m256i index = cellsAt(uLow, uHigh, vLow, vHigh, r.width, tu, tv);
        // Lanes not read load cell 0, which exists when any lane is read.
        alignas(32) int at[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), _mm256_and_si256(index, _mm256_castps_si256(read)));
        a = _mm256_mul_ps(bilinear(r.cells, r.down, at, tu, tv), disc);
        a = _mm256_and_ps(a, read);
    }
    _mm256_storeu_ps(out, a);
    return borderLanes;
}

int interiorAvx2(const GlowReadRow& row, int first, int count, float* out)
{
    const Lanes r(row);
    const int end = first + (count & ~7);
    for (int i = first; i < end; i += 8) {
        const __m256d base = _mm256_set1_pd(static_cast<double>(i));
        const __m256d iLow = _mm256_add_pd(base, _mm256_setr_pd(0.0, 1.0, 2.0, 3.0));
        const __m256d iHigh = _mm256_add_pd(base, _mm256_setr_pd(4.0, 5.0, 6.0, 7.0));
        const __m256d uLow = _mm256_add_pd(r.fu, _mm256_mul_pd(iLow, r.du)), uHigh = _mm256_add_pd(r.fu, _mm256_mul_pd(iHigh, r.du));
        const __m256d vLow = _mm256_add_pd(r.fv, _mm256_mul_pd(iLow, r.dv)), vHigh = _mm256_add_pd(r.fv, _mm256_mul_pd(iHigh, r.dv));
        __m256 tu, tv;
        alignas(32) int at[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), cellsAt(uLow, uHigh, vLow, vHigh, r.width, tu, tv));
        _mm256_storeu_ps(out + i, bilinear(r.cells, r.down, at, tu, tv));
    }
    return end - first;
}

int turnedAvx2(const GlowReadRow& row, int first, int count, float* out, int* border)
{
    const Lanes r(row);
    int borders = 0;
    const int end = first + count;
    int i = first;
    for (; i + 8 <= end; i += 8) {
        int lanes = turnedBlock(r, i, out + i);
        for (; lanes != 0; lanes &= lanes - 1) border[borders++] = i + __builtin_ctz(static_cast<unsigned>(lanes));
    }
    if (i < end) {
        // The last few samples: a whole block computed aside, the lanes past the end dropped.
        alignas(32) float rest[8];
        int lanes = turnedBlock(r, i, rest) & ((1 << (end - i)) - 1);
        for (int k = 0; k < end - i; ++k) out[i + k] = rest[k];
        for (; lanes != 0; lanes &= lanes - 1) border[borders++] = i + __builtin_ctz(static_cast<unsigned>(lanes));
    }
    return borders;
}

void blendRowsAvx2(const float* upper, const float* lower, float s, int count, float* out)
{
    const __m256 weight = _mm256_set1_ps(s);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 a = _mm256_loadu_ps(upper + i), b = _mm256_loadu_ps(lower + i);
        _mm256_storeu_ps(out + i, _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), weight)));
    }
    for (; i < count; ++i) out[i] = upper[i] + (lower[i] - upper[i]) * s;
}

void betweenAvx2(const float* c, const int* index, const float* weight, int count, float* out)
{
    const __m256i seven = _mm256_set1_epi32(7), none = _mm256_set1_epi32(-1);
    int p = 0;
    for (; p + 8 <= count; p += 8) {
        // Eight neighbouring reads mostly fall between a few neighbouring values: those are loaded
        // as one vector and each lane picks its own from it.
        const __m256i k = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(index + p));
        const int first = index[p];
        const __m256i offset = _mm256_sub_epi32(k, _mm256_set1_epi32(first));
        const __m256i outside = _mm256_or_si256(_mm256_cmpgt_epi32(offset, seven), _mm256_cmpgt_epi32(offset, none) ^ none);
        __m256 a, b;
        if (_mm256_testz_si256(outside, outside)) {
            a = _mm256_permutevar8x32_ps(_mm256_loadu_ps(c + first), offset);
            b = _mm256_permutevar8x32_ps(_mm256_loadu_ps(c + first + 1), offset);
        } else {
            a = _mm256_i32gather_ps(c, k, 4);
            b = _mm256_i32gather_ps(c + 1, k, 4);
        }
        _mm256_storeu_ps(out + p, _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), _mm256_loadu_ps(weight + p))));
    }
    for (; p < count; ++p) {
        const float a = c[index[p]], b = c[index[p] + 1];
        out[p] = a + (b - a) * weight[p];
    }
}

} // namespace

extern const GlowReadKernels kAvx2GlowReadKernels;
const GlowReadKernels kAvx2GlowReadKernels{&turnedAvx2, &interiorAvx2, &blendRowsAvx2, &betweenAvx2, "avx2"};

} // namespace lumara::render
