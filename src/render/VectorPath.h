// The choice of vector path, made once per set of kernels at start-up: AVX2 where it is compiled
// in and the processor runs it, unless LUMARA_VECTOR_PATH=baseline in the environment forces the
// baseline. Used only by the files that pick kernels, never by the AVX2 builds themselves.
#pragma once

#include <cstdlib>
#include <string_view>

namespace lumara::render {

// Whether this processor runs the AVX2 kernels (never where none are compiled in).
inline bool processorHasAvx2()
{
#if defined(LUMARA_AVX2_KERNELS)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

// The kernels to run of a baseline set and an AVX2 set (null where there is none).
template <typename Kernels>
const Kernels& chosenKernels(const Kernels& baseline, const Kernels* avx2)
{
    const char* forced = std::getenv("LUMARA_VECTOR_PATH");
    return avx2 && !(forced && std::string_view(forced) == "baseline") ? *avx2 : baseline;
}

} // namespace lumara::render
