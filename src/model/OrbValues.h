// The 26 visual parameters of one orb as a plain value: the snapshot that the renderer,
// the exporters and worker threads take. No Qt, no shared state; copy freely across threads.
#pragma once

#include "CodableColor.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace lumara {

enum class GradientType : int { linear = 0, radial = 1, angular = 2 };
inline constexpr std::array kAllGradientTypes{GradientType::linear, GradientType::radial, GradientType::angular};

enum class BlobBlendMode : int { plusLighter = 0, screen = 1, overlay = 2, colorDodge = 3, softLight = 4 };
inline constexpr std::array kAllBlobBlendModes{BlobBlendMode::plusLighter, BlobBlendMode::screen, BlobBlendMode::overlay,
                                               BlobBlendMode::colorDodge, BlobBlendMode::softLight};

// Raw-value conversions; an integer outside the table yields nothing.
std::optional<GradientType> gradientTypeFromRaw(std::int64_t raw);
std::optional<BlobBlendMode> blobBlendModeFromRaw(std::int64_t raw);

// The platform's standard green, blue and pink, in sRGB (see defaultBackgroundColors()).
std::vector<CodableColor> defaultBackgroundColors();

struct OrbValues {
    std::vector<CodableColor> backgroundColors = defaultBackgroundColors();
    CodableColor glowColor{1.0, 1.0, 1.0, 1.0};
    bool coloredBlobs = false;
    GradientType gradientType = GradientType::linear;
    double gradientAngle = 0.0;
    double backgroundBlur = 0.0;
    double orbSize = 280.0;
    double cornerRadius = 1.0;
    std::int64_t blobCount = 2;
    std::int64_t complexity = 6;
    double amplitude = 0.15;
    double blobScale = 1.0;
    double blobSpread = 0.25;
    double blobOpacity = 0.75;
    double blobBlur = 1.0;
    BlobBlendMode blobBlendMode = BlobBlendMode::plusLighter;
    double speed = 60.0;
    double glowIntensity = 1.0;
    double glowSoftness = 1.0;
    double innerRingWidth = 1.0;
    double shadowRadius = 1.0;
    double edgeSoftness = 0.0;
    bool showBackground = true;
    bool showWavyBlobs = true;
    bool showGlowEffects = true;
    bool showShadow = true;

    // Field-wise equality; doubles compare with ==, so NaN is never equal to itself.
    friend bool operator==(const OrbValues&, const OrbValues&) = default;
};

} // namespace lumara
