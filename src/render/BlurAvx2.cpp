// The blur's inner loops for AVX2, built with -mavx2 (and no FMA, no contraction) and run only
// where the processor has AVX2 (BlurKernels.h). Nothing else belongs in this file: any inline
// function compiled here could be picked by the linker for the whole program.
#include "render/BlurKernels.h"
#include "render/Wide.h"

namespace lumara::render {

extern const BlurKernels kAvx2BlurKernels;
const BlurKernels kAvx2BlurKernels{&blurAcross<F32x8>, &blurDown<F32x8>, "avx2"};

} // namespace lumara::render
