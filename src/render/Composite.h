// The row loops of the compositing and the store that every frame runs over most of its pixels,
// compiled for each vector width the program can run and chosen once at start-up, as the blur's
// are (BlurKernels.h): AVX2 where the processor has it, else SSE2. Each lane of every path runs
// the operations of the one-pixel form in the same order, so every path gives the same bits.
// Pure; thread-safe.
#pragma once

#include <cstdint>

namespace lumara::render {

struct Px;

struct CompositeKernels {
    // The store's narrowing of pixels [0, count) to 8-bit premultiplied RGBA: a = clamp(p.a, 0, 1),
    // out = toByte(min(p.c, a)) for r, g, b and toByte(a), toByte(v) = uint8(clamp(v, 0, 1) * 255 + 0.5).
    void (*storeBytes)(const Px* pixels, int count, std::uint8_t* out);
    // Plus-lighter of `colour` scaled by alphas[x] onto row[x], min(colour * a + row[x], 1) per
    // channel, for x in [begin, end) where alphas[x] > 0 (the others, NaN included, are left).
    void (*addScaled)(Px* row, const float* alphas, int begin, int end, const Px& colour);
    // The same for a pair of colours added together first: min((a * alphasA[x] + b * alphasB[x]) +
    // row[x], 1), where either alpha is above zero.
    void (*addScaledPair)(Px* row, const float* alphasA, const float* alphasB, int begin, int end, const Px& a,
                          const Px& b);
    const char* name;
};

// The kernels for the widest vectors this processor runs, picked once; LUMARA_VECTOR_PATH=baseline
// in the environment forces SSE2.
const CompositeKernels& compositeKernels();
// Each compiled path, for tests that compare them: the baseline always, AVX2 where it was compiled
// in and this processor has it (else null).
const CompositeKernels& baselineCompositeKernels();
const CompositeKernels* avx2CompositeKernels();

} // namespace lumara::render
