// The row kernels' two-lane build, and the choice of path made once at start-up.
#include "render/RowKernels.h"

#include "render/VectorPath.h"
#include "render/Wide.h"

#include <cstdlib>

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
    if (processorHasAvx2()) return &kAvx2RowKernels;
#endif
    return nullptr;
}

const RowKernels& rowKernels()
{
    static const RowKernels& chosen = chosenKernels(baselineRowKernels(), avx2RowKernels());
    return chosen;
}

} // namespace lumara::render
