// The row kernels' two-lane build, and the choice of path made once at start-up.
#include "render/RowKernels.h"

#include "render/Wide.h"

#include <cstdlib>
#include <string_view>

namespace lumara::render {

#if defined(LUMARA_AVX2_KERNELS)
extern const RowKernels kAvx2RowKernels; // RowKernelsAvx2.cpp
#endif

const RowKernels& baselineRowKernels()
{
    static const RowKernels kernels{&rowDistances<F64x2>, &rowPositions<F64x2>, &rowLinear<F64x2>, &rowClampedScaled<F64x2>, "baseline"};
    return kernels;
}

const RowKernels* avx2RowKernels()
{
#if defined(LUMARA_AVX2_KERNELS)
    if (__builtin_cpu_supports("avx2")) return &kAvx2RowKernels;
#endif
    return nullptr;
}

const RowKernels& rowKernels()
{
    static const RowKernels& chosen = []() -> const RowKernels& {
        const char* forced = std::getenv("LUMARA_VECTOR_PATH");
        const RowKernels* avx2 = avx2RowKernels();
        if (avx2 && !(forced && std::string_view(forced) == "baseline")) return *avx2;
        return baselineRowKernels();
    }();
    return chosen;
}

} // namespace lumara::render
