// Per-pixel geometry along a row of pixels, written once over a double vector type (Wide.h) and
// compiled for each width the program can run, as the blur's loops are (BlurKernels.h): the
// distance of each pixel centre from a point, and a table position from a distance. Every width
// gives the bits of the plain double code in the comments. Pure; thread-safe.
#pragma once

#include <cmath>

namespace lumara::render {

struct RowKernels {
    // out[i] = sqrt(dx * dx + dy * dy) with dx = (x + i) - centre, for i in [0, n).
    void (*distances)(double x, double centre, double dy, int n, double* out);
    // out[i] = (in[i] - begin) / step, for i in [0, n).
    void (*positions)(const double* in, double begin, double step, int n, double* out);
    // out[i] = ((x + i) / size - offset) * c - rowTerm, for i in [0, n): a linear gradient's
    // parameter along a row whose own term is rowTerm.
    void (*linear)(double x, double size, double offset, double c, double rowTerm, int n, double* out);
    // out[i] = (t > 0 ? (t < 1 ? t : 1) : 0) * steps with t = in[i] (NaN gives 0), for i in [0, n).
    void (*clampedScaled)(const double* in, double steps, int n, double* out);
    const char* name;
};

// The kernels for the widest vectors this processor runs (AVX2 where it has it, else two lanes),
// picked once; LUMARA_VECTOR_PATH=baseline in the environment forces two lanes.
const RowKernels& rowKernels();
// Each compiled path, for tests that compare them: the baseline always, AVX2 where it was compiled
// in and this processor has it (else null).
const RowKernels& baselineRowKernels();
const RowKernels* avx2RowKernels();

// The loops themselves, instantiated per vector type D in exactly one file each.
template <class D>
void rowDistances(double x, double centre, double dy, int n, double* out)
{
    const double dy2 = dy * dy;
    int i = 0;
    if (n >= D::lanes) {
        double first[D::lanes];
        for (int k = 0; k < D::lanes; ++k) first[k] = k;
        D index = D::load(first);
        const D step = D::splat(D::lanes), from = D::splat(x), c = D::splat(centre), dySquared = D::splat(dy2);
        for (; i + D::lanes <= n; i += D::lanes) {
            const D dx = (from + index) - c;
            sqrt(dx * dx + dySquared).store(out + i);
            index = index + step;
        }
    }
    for (; i < n; ++i) {
        const double dx = (x + i) - centre;
        out[i] = std::sqrt(dx * dx + dy2);
    }
}

template <class D>
void rowPositions(const double* in, double begin, double step, int n, double* out)
{
    int i = 0;
    const D b = D::splat(begin), s = D::splat(step);
    for (; i + D::lanes <= n; i += D::lanes) ((D::load(in + i) - b) / s).store(out + i);
    for (; i < n; ++i) out[i] = (in[i] - begin) / step;
}

template <class D>
void rowLinear(double x, double size, double offset, double c, double rowTerm, int n, double* out)
{
    int i = 0;
    if (n >= D::lanes) {
        double first[D::lanes];
        for (int k = 0; k < D::lanes; ++k) first[k] = k;
        D index = D::load(first);
        const D step = D::splat(D::lanes), from = D::splat(x), s = D::splat(size), o = D::splat(offset),
                cs = D::splat(c), r = D::splat(rowTerm);
        for (; i + D::lanes <= n; i += D::lanes) {
            ((((from + index) / s) - o) * cs - r).store(out + i);
            index = index + step;
        }
    }
    for (; i < n; ++i) out[i] = ((x + i) / size - offset) * c - rowTerm;
}

template <class D>
void rowClampedScaled(const double* in, double steps, int n, double* out)
{
    int i = 0;
    // max(t, 0) is 0 for NaN and for either zero; min of that and 1 is then the clamp.
    const D zero = D::splat(0.0), one = D::splat(1.0), k = D::splat(steps);
    for (; i + D::lanes <= n; i += D::lanes) (min(max(D::load(in + i), zero), one) * k).store(out + i);
    for (; i < n; ++i) {
        const double t = in[i];
        out[i] = (t > 0.0 ? (t < 1.0 ? t : 1.0) : 0.0) * steps;
    }
}

} // namespace lumara::render
