// The Gaussian blur's inner loops, written once over a vector type (Wide.h) and compiled for
// each width the program can run: Blur.cpp takes the set chosen at start-up. Every width gives
// the same bits: each output is w0 c + (w1 r1 + w1 l1) ... added in the same order as the plain
// loop in the comments. Pure; thread-safe.
#pragma once

namespace lumara::render {

struct BlurKernels {
    // Across a row, for n outputs whose taps all lie in the row:
    //   out[i] = w[0] c[i]; then for j = 1..radius: out[i] = out[i] + w[j] c[i + j] + w[j] c[i - j]
    void (*across)(float* out, const float* c, const float* w, int radius, int n);
    // Down a column block: rows of `stride` floats, `mid` the centre row, `above` rows above it
    // and `below` rows below it available (taps beyond them left out), for n outputs:
    //   out[i] = w[0] mid[i]; then for j = 1..radius: + w[j] up[i] + w[j] down[i] (those that exist)
    void (*down)(float* out, const float* mid, long stride, int above, int below, const float* w, int radius, int n);
    const char* name;
};

// The kernels for the widest vectors this processor runs (AVX2 where it has it, else F32x4),
// picked once; LUMARA_VECTOR_PATH=baseline in the environment forces F32x4.
const BlurKernels& blurKernels();
// Each compiled path, for tests that compare them: the baseline always, AVX2 where it was
// compiled in and this processor has it (else null).
const BlurKernels& baselineBlurKernels();
const BlurKernels* avx2BlurKernels();

// The loops themselves, instantiated per vector type V in exactly one file each.
template <class V>
void blurAcross(float* out, const float* c, const float* w, int radius, int n)
{
    int i = 0;
    for (; i + V::lanes <= n; i += V::lanes) {
        V sum = V::splat(w[0]) * V::load(c + i);
        for (int j = 1; j <= radius; ++j) {
            const V wj = V::splat(w[j]);
            sum = sum + wj * V::load(c + i + j) + wj * V::load(c + i - j);
        }
        sum.store(out + i);
    }
    for (; i < n; ++i) {
        float sum = w[0] * c[i];
        for (int j = 1; j <= radius; ++j) sum = sum + w[j] * c[i + j] + w[j] * c[i - j];
        out[i] = sum;
    }
}

template <class V>
void blurDown(float* out, const float* mid, long stride, int above, int below, const float* w, int radius, int n)
{
    int i = 0;
    for (; i + V::lanes <= n; i += V::lanes) {
        V sum = V::splat(w[0]) * V::load(mid + i);
        for (int j = 1; j <= radius; ++j) {
            const bool up = j <= above, down = j <= below;
            if (!up && !down) break;
            const V wj = V::splat(w[j]);
            if (up && down)
                sum = sum + wj * V::load(mid + i - j * stride) + wj * V::load(mid + i + j * stride);
            else if (up)
                sum = sum + wj * V::load(mid + i - j * stride);
            else
                sum = sum + wj * V::load(mid + i + j * stride);
        }
        sum.store(out + i);
    }
    for (; i < n; ++i) {
        float sum = w[0] * mid[i];
        for (int j = 1; j <= radius; ++j) {
            const bool up = j <= above, down = j <= below;
            if (!up && !down) break;
            if (up && down)
                sum = sum + w[j] * mid[i - j * stride] + w[j] * mid[i + j * stride];
            else if (up)
                sum = sum + w[j] * mid[i - j * stride];
            else
                sum = sum + w[j] * mid[i + j * stride];
        }
        out[i] = sum;
    }
}

} // namespace lumara::render
