// The inner loops of the turned glow read (TurnedGlow::alphaAlong) and of the coarse grid's
// read-back (SmoothGrid::readRow), compiled once for the baseline (SSE2 on x86-64, plain code
// elsewhere) and once for AVX2, and chosen at start-up like the blur's (BlurKernels.h). Every path
// gives the same bits: each sample is computed by the same float and double operations in the same
// order, with no fused multiply-adds. Pure; thread-safe.
#pragma once

namespace lumara::render {

// One row of a turned glow read in plain values. Sample i reads the field at cell position
//   u = fu + i du, v = fv + i dv
// (cell (0, 0)'s centre at (0, 0)). With `applyDisc`, the disc is applied first:
//   dx = dx0 + i step, d2 = dx dx + dy2; rim when d2 > inner2, where
//   disc = discCoverage(sqrt(d2), radius, discWidth), else disc = 1; disc == 0 gives 0.
// Then u < zeroBelowU, u >= zeroFromU, v < zeroBelowV or v >= zeroFromV (four zero cells) gives 0;
// 0 <= u < width - 1 and 0 <= v < height - 1 gives the bilinear read with iu = int(u),
// tu = float(u - iu) (and the same for v):
//   top = p[0] + (p[1] - p[0]) tu, bottom = p[w] + (p[w + 1] - p[w]) tu, a = top + (bottom - top) tv
// times disc; any other sample lies on the field's border and is left to the caller.
struct GlowReadRow {
    const float* cells = nullptr;
    int width = 0, height = 0;
    double fu = 0.0, fv = 0.0, du = 0.0, dv = 0.0;
    bool applyDisc = false;
    double dx0 = 0.0, step = 0.0, dy2 = 0.0, inner2 = 0.0, radius = 0.0, discWidth = 1.0;
    double zeroBelowU = 0.0, zeroFromU = 0.0, zeroBelowV = 0.0, zeroFromV = 0.0;
    // The samples read directly, both inside the box above and inside the field's interior:
    // readFromU <= u < readBelowU and readFromV <= v < readBelowV (see withBounds()).
    double readFromU = 0.0, readBelowU = 0.0, readFromV = 0.0, readBelowV = 0.0;

    // The row with the bounds of the direct reads worked out from the box and the field's size.
    GlowReadRow withBounds() const;
};

struct GlowReadKernels {
    // Samples [first, first + count) of `row` (its read bounds set by withBounds()) into
    // out[first ..]; the indices of the samples on the field's border (for which it holds zero)
    // into border[0 ..], their number returned.
    int (*turned)(const GlowReadRow& row, int first, int count, float* out, int* border);
    // Samples [first, first + count) of `row` known to be read directly, with no disc to apply:
    // as many as a whole number of vectors holds, into out[first ..]; returns how many.
    int (*interior)(const GlowReadRow& row, int first, int count, float* out);
    // Blends two rows: out[i] = upper[i] + (lower[i] - upper[i]) s for i in [0, count).
    void (*blendRows)(const float* upper, const float* lower, float s, int count, float* out);
    // Reads between neighbouring values: out[p] = c[k] + (c[k + 1] - c[k]) weight[p], k = index[p].
    // c must be readable 8 values past each k + 1 (the reads load vectors of neighbours).
    void (*between)(const float* c, const int* index, const float* weight, int count, float* out);
    const char* name;
};

// Samples [first, first + count) of `row` (its read bounds set) with `kernels`, the indices of those
// on the field's border into border[0 ..], their number returned: what kernels.turned gives, but
// each row split first into the runs it can take faster. Along a row the positions move one way
// (rounding keeps fu + i du monotonic in i), so the samples inside each bound, and those inside
// the disc's rim, are runs found by bisection with the very expressions the kernels evaluate:
// samples outside the box of non-zero cells are zero, samples read directly with no rim take
// kernels.interior, and the others kernels.turned.
int readTurned(const GlowReadKernels& kernels, const GlowReadRow& row, int first, int count, float* out, int* border);

// The kernels for the widest vectors this processor runs, picked once; LUMARA_VECTOR_PATH=baseline
// in the environment forces the baseline.
const GlowReadKernels& glowReadKernels();
// Each compiled path, for tests that compare them: the baseline always, AVX2 where it was compiled
// in and this processor has it (else null).
const GlowReadKernels& baselineGlowReadKernels();
const GlowReadKernels* avx2GlowReadKernels();

} // namespace lumara::render
