// The compositing and store loops for AVX2, built with -mavx2 (and no FMA, no contraction) and run
// only where the processor has AVX2 (Composite.h): two pixels to a register, each lane running
// the SSE2 form's operations in the same order. Only intrinsics and functions of this file's own
// are used here: an inline function of a shared header compiled in this file could be picked by
// the linker for the whole program.
#include "render/Composite.h"

#include "render/Blend.h" // for Px alone: none of its functions may be called here

#include <immintrin.h>

#include <cstring>

namespace lumara::render {

namespace {

// Both pixels of v narrowed as the SSE2 form narrows one: clamp(min(a, c), 0, 1) * 255 + 0.5.
__m256i levels2(__m256 v)
{
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 a = _mm256_max_ps(zero, _mm256_min_ps(one, _mm256_shuffle_ps(v, v, 0xFF)));
    const __m256 c = _mm256_max_ps(zero, _mm256_min_ps(one, _mm256_min_ps(a, v)));
    return _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(c, _mm256_set1_ps(255.0f)), _mm256_set1_ps(0.5f)));
}

__m128i levels1(const float* p)
{
    const __m128 v = _mm_loadu_ps(p), zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 a = _mm_max_ps(zero, _mm_min_ps(one, _mm_shuffle_ps(v, v, 0xFF)));
    const __m128 c = _mm_max_ps(zero, _mm_min_ps(one, _mm_min_ps(a, v)));
    return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(c, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
}

void storeBytesAvx2(const Px* pixels, int count, std::uint8_t* out)
{
    const float* p = &pixels->r;
    // The packs work within each 128-bit half, which leaves the eight pixels in the order
    // 0 2 4 6 1 3 5 7; one permute puts them back.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const float* q = p + 4 * x;
        const __m256i l0 = levels2(_mm256_loadu_ps(q)), l1 = levels2(_mm256_loadu_ps(q + 8));
        const __m256i l2 = levels2(_mm256_loadu_ps(q + 16)), l3 = levels2(_mm256_loadu_ps(q + 24));
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(l0, l1), _mm256_packs_epi32(l2, l3));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x), _mm256_permutevar8x32_epi32(bytes, order));
    }
    for (; x < count; ++x) {
        const __m128i words = _mm_packs_epi32(levels1(p + 4 * x), _mm_setzero_si128());
        const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        std::memcpy(out + 4 * x, &bytes, 4);
    }
}

void addScaledAvx2(Px* row, const float* alphas, int begin, int end, const Px& colour)
{
    const __m256 c = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(&colour.r));
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    float* r = &row->r;
    int x = begin;
    for (; x + 2 <= end; x += 2) {
        const float a0 = alphas[x], a1 = alphas[x + 1];
        if (!(a0 > 0.0f) && !(a1 > 0.0f)) continue;
        const __m256 a = _mm256_setr_m128(_mm_set1_ps(a0), _mm_set1_ps(a1));
        const __m256 d = _mm256_loadu_ps(r + 4 * x);
        const __m256 sum = _mm256_min_ps(one, _mm256_add_ps(_mm256_mul_ps(c, a), d));
        _mm256_storeu_ps(r + 4 * x, _mm256_blendv_ps(d, sum, _mm256_cmp_ps(a, zero, _CMP_GT_OQ)));
    }
    for (; x < end; ++x) {
        const float a = alphas[x];
        if (!(a > 0.0f)) continue;
        const __m128 d = _mm_loadu_ps(r + 4 * x);
        const __m128 s = _mm_mul_ps(_mm256_castps256_ps128(c), _mm_set1_ps(a));
        _mm_storeu_ps(r + 4 * x, _mm_min_ps(_mm_set1_ps(1.0f), _mm_add_ps(s, d)));
    }
}

void addScaledPairAvx2(Px* row, const float* alphasA, const float* alphasB, int begin, int end, const Px& a, const Px& b)
{
    const __m256 ca = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(&a.r));
    const __m256 cb = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(&b.r));
    const __m256 one = _mm256_set1_ps(1.0f);
    float* r = &row->r;
    int x = begin;
    for (; x + 2 <= end; x += 2) {
        // A pixel is left where both its alphas are zero or less (or NaN).
        const bool skip0 = alphasA[x] <= 0.0f && alphasB[x] <= 0.0f;
        const bool skip1 = alphasA[x + 1] <= 0.0f && alphasB[x + 1] <= 0.0f;
        if (skip0 && skip1) continue;
        const __m256 wa = _mm256_setr_m128(_mm_set1_ps(alphasA[x]), _mm_set1_ps(alphasA[x + 1]));
        const __m256 wb = _mm256_setr_m128(_mm_set1_ps(alphasB[x]), _mm_set1_ps(alphasB[x + 1]));
        const __m256 d = _mm256_loadu_ps(r + 4 * x);
        const __m256 sum = _mm256_min_ps(one, _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(ca, wa), _mm256_mul_ps(cb, wb)), d));
        const __m256 keep = _mm256_castsi256_ps(_mm256_setr_epi32(-skip0, -skip0, -skip0, -skip0, -skip1, -skip1, -skip1, -skip1));
        _mm256_storeu_ps(r + 4 * x, _mm256_blendv_ps(sum, d, keep));
    }
    for (; x < end; ++x) {
        if (alphasA[x] <= 0.0f && alphasB[x] <= 0.0f) continue;
        const __m128 s = _mm_add_ps(_mm_mul_ps(_mm256_castps256_ps128(ca), _mm_set1_ps(alphasA[x])),
                                    _mm_mul_ps(_mm256_castps256_ps128(cb), _mm_set1_ps(alphasB[x])));
        _mm_storeu_ps(r + 4 * x, _mm_min_ps(_mm_set1_ps(1.0f), _mm_add_ps(s, _mm_loadu_ps(r + 4 * x))));
    }
}

} // namespace

extern const CompositeKernels kAvx2CompositeKernels;
const CompositeKernels kAvx2CompositeKernels{&storeBytesAvx2, &addScaledAvx2, &addScaledPairAvx2, "avx2"};

} // namespace lumara::render
