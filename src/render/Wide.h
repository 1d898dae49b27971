// The renderer's one vector type: `F32x4` (SSE2 on x86-64, plain floats elsewhere) and, in
// translation units built for AVX2, `F32x8`. Only lane-wise add, multiply, load, store and splat:
// each lane computes exactly what the plain float code would, so every width gives the same bits
// as long as the compiler contracts nothing into fused multiply-adds (files using these types
// are built with -ffp-contract=off). Header-only; no state.
#pragma once

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace lumara::render {

#if defined(__SSE2__)
struct F32x4 {
    static constexpr int lanes = 4;
    __m128 v;
    static F32x4 splat(float x) { return {_mm_set1_ps(x)}; }
    static F32x4 load(const float* p) { return {_mm_loadu_ps(p)}; }
    void store(float* p) const { _mm_storeu_ps(p, v); }
    friend F32x4 operator+(F32x4 a, F32x4 b) { return {_mm_add_ps(a.v, b.v)}; }
    friend F32x4 operator*(F32x4 a, F32x4 b) { return {_mm_mul_ps(a.v, b.v)}; }
};
#else
// Other architectures: four plain floats, which their compilers vectorise as they can.
struct F32x4 {
    static constexpr int lanes = 4;
    float v[4];
    static F32x4 splat(float x) { return {{x, x, x, x}}; }
    static F32x4 load(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
    void store(float* p) const
    {
        for (int i = 0; i < 4; ++i) p[i] = v[i];
    }
    friend F32x4 operator+(F32x4 a, F32x4 b) { return {{a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]}}; }
    friend F32x4 operator*(F32x4 a, F32x4 b) { return {{a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]}}; }
};
#endif

#if defined(__AVX2__)
// Only in the files compiled for AVX2 (see BlurAvx2.cpp); the program picks them at run time.
struct F32x8 {
    static constexpr int lanes = 8;
    __m256 v;
    static F32x8 splat(float x) { return {_mm256_set1_ps(x)}; }
    static F32x8 load(const float* p) { return {_mm256_loadu_ps(p)}; }
    void store(float* p) const { _mm256_storeu_ps(p, v); }
    friend F32x8 operator+(F32x8 a, F32x8 b) { return {_mm256_add_ps(a.v, b.v)}; }
    friend F32x8 operator*(F32x8 a, F32x8 b) { return {_mm256_mul_ps(a.v, b.v)}; }
};
#endif

// Tests used by the coverage and blur passes to skip runs of empty cells: whether every lane is
// exactly zero (either sign; NaN is not zero).
#if defined(__SSE2__)
inline bool allZero(F32x4 a) { return _mm_movemask_ps(_mm_cmpeq_ps(a.v, _mm_setzero_ps())) == 0xF; }
#else
inline bool allZero(F32x4 a) { return a.v[0] == 0.0f && a.v[1] == 0.0f && a.v[2] == 0.0f && a.v[3] == 0.0f; }
#endif
#if defined(__AVX2__)
inline bool allZero(F32x8 a) { return _mm256_movemask_ps(_mm256_cmp_ps(a.v, _mm256_setzero_ps(), _CMP_EQ_OQ)) == 0xFF; }
#endif

// Lane-wise subtraction, and the transpose of four vectors of four (rows to columns), for reads
// that blend four channels of a pixel at once and store them to four planes.
#if defined(__SSE2__)
inline F32x4 operator-(F32x4 a, F32x4 b) { return {_mm_sub_ps(a.v, b.v)}; }
inline void transpose(F32x4& a, F32x4& b, F32x4& c, F32x4& d) { _MM_TRANSPOSE4_PS(a.v, b.v, c.v, d.v); }
#else
inline F32x4 operator-(F32x4 a, F32x4 b) { return {{a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3]}}; }
inline void transpose(F32x4& a, F32x4& b, F32x4& c, F32x4& d)
{
    F32x4* rows[4] = {&a, &b, &c, &d};
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j) {
            const float t = rows[i]->v[j];
            rows[i]->v[j] = rows[j]->v[i];
            rows[j]->v[i] = t;
        }
}
#endif

// Doubles, two lanes (four in translation units built for AVX2), for per-pixel geometry that
// needs double precision: lane-wise add, subtract, multiply, divide and square root, each
// correctly rounded as the plain double code is.
#if defined(__SSE2__)
struct F64x2 {
    static constexpr int lanes = 2;
    __m128d v;
    static F64x2 splat(double x) { return {_mm_set1_pd(x)}; }
    static F64x2 load(const double* p) { return {_mm_loadu_pd(p)}; }
    void store(double* p) const { _mm_storeu_pd(p, v); }
    friend F64x2 operator+(F64x2 a, F64x2 b) { return {_mm_add_pd(a.v, b.v)}; }
    friend F64x2 operator-(F64x2 a, F64x2 b) { return {_mm_sub_pd(a.v, b.v)}; }
    friend F64x2 operator*(F64x2 a, F64x2 b) { return {_mm_mul_pd(a.v, b.v)}; }
    friend F64x2 operator/(F64x2 a, F64x2 b) { return {_mm_div_pd(a.v, b.v)}; }
    friend F64x2 sqrt(F64x2 a) { return {_mm_sqrt_pd(a.v)}; }
    // a > b ? a : b and a < b ? a : b: b when either is NaN.
    friend F64x2 max(F64x2 a, F64x2 b) { return {_mm_max_pd(a.v, b.v)}; }
    friend F64x2 min(F64x2 a, F64x2 b) { return {_mm_min_pd(a.v, b.v)}; }
};
#else
struct F64x2 {
    static constexpr int lanes = 2;
    double v[2];
    static F64x2 splat(double x) { return {{x, x}}; }
    static F64x2 load(const double* p) { return {{p[0], p[1]}}; }
    void store(double* p) const { p[0] = v[0], p[1] = v[1]; }
    friend F64x2 operator+(F64x2 a, F64x2 b) { return {{a.v[0] + b.v[0], a.v[1] + b.v[1]}}; }
    friend F64x2 operator-(F64x2 a, F64x2 b) { return {{a.v[0] - b.v[0], a.v[1] - b.v[1]}}; }
    friend F64x2 operator*(F64x2 a, F64x2 b) { return {{a.v[0] * b.v[0], a.v[1] * b.v[1]}}; }
    friend F64x2 operator/(F64x2 a, F64x2 b) { return {{a.v[0] / b.v[0], a.v[1] / b.v[1]}}; }
    friend F64x2 sqrt(F64x2 a) { return {{__builtin_sqrt(a.v[0]), __builtin_sqrt(a.v[1])}}; }
    friend F64x2 max(F64x2 a, F64x2 b) { return {{a.v[0] > b.v[0] ? a.v[0] : b.v[0], a.v[1] > b.v[1] ? a.v[1] : b.v[1]}}; }
    friend F64x2 min(F64x2 a, F64x2 b) { return {{a.v[0] < b.v[0] ? a.v[0] : b.v[0], a.v[1] < b.v[1] ? a.v[1] : b.v[1]}}; }
};
#endif
#if defined(__AVX2__)
struct F64x4 {
    static constexpr int lanes = 4;
    __m256d v;
    static F64x4 splat(double x) { return {_mm256_set1_pd(x)}; }
    static F64x4 load(const double* p) { return {_mm256_loadu_pd(p)}; }
    void store(double* p) const { _mm256_storeu_pd(p, v); }
    friend F64x4 operator+(F64x4 a, F64x4 b) { return {_mm256_add_pd(a.v, b.v)}; }
    friend F64x4 operator-(F64x4 a, F64x4 b) { return {_mm256_sub_pd(a.v, b.v)}; }
    friend F64x4 operator*(F64x4 a, F64x4 b) { return {_mm256_mul_pd(a.v, b.v)}; }
    friend F64x4 operator/(F64x4 a, F64x4 b) { return {_mm256_div_pd(a.v, b.v)}; }
    friend F64x4 sqrt(F64x4 a) { return {_mm256_sqrt_pd(a.v)}; }
    friend F64x4 max(F64x4 a, F64x4 b) { return {_mm256_max_pd(a.v, b.v)}; }
    friend F64x4 min(F64x4 a, F64x4 b) { return {_mm256_min_pd(a.v, b.v)}; }
};
#endif

} // namespace lumara::render
