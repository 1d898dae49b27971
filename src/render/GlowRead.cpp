// The baseline glow read and grid read-back, and the choice of path (see GlowRead.h).
#include "render/GlowRead.h"

#include "render/Coverage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace lumara::render {

#if defined(LUMARA_AVX2_KERNELS)
extern const GlowReadKernels kAvx2GlowReadKernels; // GlowReadAvx2.cpp
#endif

namespace {

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

} // namespace

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
    static const GlowReadKernels kernels{&turnedBaseline, &blendRowsBaseline, &betweenBaseline, "baseline"};
    return kernels;
}

const GlowReadKernels* avx2GlowReadKernels()
{
#if defined(LUMARA_AVX2_KERNELS)
    if (__builtin_cpu_supports("avx2")) return &kAvx2GlowReadKernels;
#endif
    return nullptr;
}

const GlowReadKernels& glowReadKernels()
{
    static const GlowReadKernels& chosen = []() -> const GlowReadKernels& {
        const char* forced = std::getenv("LUMARA_VECTOR_PATH");
        const GlowReadKernels* avx2 = avx2GlowReadKernels();
        if (avx2 && !(forced && std::string_view(forced) == "baseline")) return *avx2;
        return baselineGlowReadKernels();
    }();
    return chosen;
}

} // namespace lumara::render
