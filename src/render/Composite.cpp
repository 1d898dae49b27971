// The compositing and store loops on SSE2, and the choice of path (Composite.h).
#include "render/Composite.h"

#include "render/Blend.h"
#include "render/VectorPath.h"

#include <cstdlib>
#include <cstring>

namespace lumara::render {

#if defined(LUMARA_AVX2_KERNELS)
extern const CompositeKernels kAvx2CompositeKernels; // CompositeAvx2.cpp
#endif

namespace {

// The narrowing of one pixel's four lanes:
//   a = clamp(p.a, 0, 1); out[c] = toByte(min(p[c], a)) for r, g, b and out[3] = toByte(a), where
//   toByte(v) = uint8(clamp(v, 0, 1) * 255 + 0.5), which rounds to the nearest level, half up;
// min(p.a, a) narrows to the same byte as a.
inline __m128i levels(const Px& p)
{
    const Px4 v = load(p);
    const Px4 a = clampUnit(alphaOf(v));
    return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(clampUnit(_mm_min_ps(a, v)), _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
}

void storeBytes(const Px* p, int count, std::uint8_t* out)
{
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(levels(p[x]), levels(p[x + 1])),
                                               _mm_packs_epi32(levels(p[x + 2]), levels(p[x + 3])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), bytes);
    }
    for (; x < count; ++x) {
        const __m128i words = _mm_packs_epi32(levels(p[x]), _mm_setzero_si128());
        const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        std::memcpy(out + 4 * x, &bytes, 4);
    }
}

void addScaled(Px* row, const float* alphas, int begin, int end, const Px& colour)
{
    const Px4 c = load(colour);
    for (int x = begin; x < end; ++x) {
        const float a = alphas[x];
        if (!(a > 0.0f)) continue;
        store(row[x], plusLighter(scaled(c, a), load(row[x])));
    }
}

void addScaledPair(Px* row, const float* alphasA, const float* alphasB, int begin, int end, const Px& a, const Px& b)
{
    const Px4 ca = load(a), cb = load(b);
    for (int x = begin; x < end; ++x) {
        if (alphasA[x] <= 0.0f && alphasB[x] <= 0.0f) continue;
        store(row[x], plusLighter(sum(scaled(ca, alphasA[x]), scaled(cb, alphasB[x])), load(row[x])));
    }
}

} // namespace

const CompositeKernels& baselineCompositeKernels()
{
    static const CompositeKernels kernels{&storeBytes, &addScaled, &addScaledPair, "baseline"};
    return kernels;
}

const CompositeKernels* avx2CompositeKernels()
{
#if defined(LUMARA_AVX2_KERNELS)
    if (processorHasAvx2()) return &kAvx2CompositeKernels;
#endif
    return nullptr;
}

const CompositeKernels& compositeKernels()
{
    static const CompositeKernels& chosen = chosenKernels(baselineCompositeKernels(), avx2CompositeKernels());
    return chosen;
}

} // namespace lumara::render
