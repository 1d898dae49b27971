// The row kernels for AVX2, built with -mavx2 (and no FMA, no contraction) and run only where the
// processor has AVX2 (RowKernels.h). Nothing else belongs in this file: any inline function
// compiled here could be picked by the linker for the whole program.
#include "render/RowKernels.h"
#include "render/Wide.h"

namespace lumara::render {

extern const RowKernels kAvx2RowKernels;
const RowKernels kAvx2RowKernels{&rowDistances<F64x4>, &rowPositions<F64x4>, &rowLinear<F64x4>, &rowClampedScaled<F64x4>, "avx2"};

} // namespace lumara::render
