// Hashing of colours.
#include "model/CodableColor.h"

#include <functional>

namespace lumara {

std::size_t qHashCodableColor(const CodableColor& color, std::size_t seed) noexcept
{
    std::size_t h = seed;
    for (double component : {color.red, color.green, color.blue, color.opacity}) {
        if (component == 0.0) component = 0.0; // folds -0.0 into +0.0
        h ^= std::hash<double>{}(component) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    }
    return h;
}

} // namespace lumara
