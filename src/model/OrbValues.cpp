// Enumeration raw values and the default background colours.
#include "model/OrbValues.h"

namespace lumara {

std::optional<GradientType> gradientTypeFromRaw(std::int64_t raw)
{
    if (raw < 0 || raw >= static_cast<std::int64_t>(kAllGradientTypes.size())) return std::nullopt;
    return static_cast<GradientType>(raw);
}

std::optional<BlobBlendMode> blobBlendModeFromRaw(std::int64_t raw)
{
    if (raw < 0 || raw >= static_cast<std::int64_t>(kAllBlobBlendModes.size())) return std::nullopt;
    return static_cast<BlobBlendMode>(raw);
}

std::vector<CodableColor> defaultBackgroundColors()
{
    // Standard system green, blue and pink, as sRGB components (#34C759, #007AFF, #FF2D55).
    return {
        {52.0 / 255.0, 199.0 / 255.0, 89.0 / 255.0, 1.0},
        {0.0, 122.0 / 255.0, 1.0, 1.0},
        {1.0, 45.0 / 255.0, 85.0 / 255.0, 1.0},
    };
}

} // namespace lumara
