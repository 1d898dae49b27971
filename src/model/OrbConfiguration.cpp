// Field setters of the observable configuration.
#include "model/OrbConfiguration.h"

namespace lumara {

OrbConfiguration::OrbConfiguration(QObject* parent) : QObject(parent) {}

OrbConfiguration::OrbConfiguration(OrbValues values, QObject* parent) : QObject(parent), m_values(std::move(values)) {}

OrbConfiguration* OrbConfiguration::copy(QObject* parent) const { return new OrbConfiguration(m_values, parent); }

void OrbConfiguration::setValues(const OrbValues& v)
{
    setBackgroundColors(v.backgroundColors);
    setGlowColor(v.glowColor);
    setColoredBlobs(v.coloredBlobs);
    setGradientType(v.gradientType);
    setGradientAngle(v.gradientAngle);
    setBackgroundBlur(v.backgroundBlur);
    setOrbSize(v.orbSize);
    setCornerRadius(v.cornerRadius);
    setBlobCount(v.blobCount);
    setComplexity(v.complexity);
    setAmplitude(v.amplitude);
    setBlobScale(v.blobScale);
    setBlobSpread(v.blobSpread);
    setBlobOpacity(v.blobOpacity);
    setBlobBlur(v.blobBlur);
    setBlobBlendMode(v.blobBlendMode);
    setSpeed(v.speed);
    setGlowIntensity(v.glowIntensity);
    setGlowSoftness(v.glowSoftness);
    setInnerRingWidth(v.innerRingWidth);
    setShadowRadius(v.shadowRadius);
    setEdgeSoftness(v.edgeSoftness);
    setShowBackground(v.showBackground);
    setShowWavyBlobs(v.showWavyBlobs);
    setShowGlowEffects(v.showGlowEffects);
    setShowShadow(v.showShadow);
}

// Stores `value` into `field` and emits `signal` only when it differs. Doubles compare with ==,
// so writing NaN over NaN notifies (NaN is never equal), which is harmless.
#define LUMARA_SETTER(Cap, name, Type)                                                                              \
    void OrbConfiguration::set##Cap(Type value)                                                                     \
    {                                                                                                               \
        if (m_values.name == value) return;                                                                         \
        m_values.name = value;                                                                                      \
        emit name##Changed();                                                                                       \
        emit changed();                                                                                             \
    }

LUMARA_SETTER(BackgroundColors, backgroundColors, const std::vector<CodableColor>&)
LUMARA_SETTER(GlowColor, glowColor, const CodableColor&)
LUMARA_SETTER(ColoredBlobs, coloredBlobs, bool)
LUMARA_SETTER(GradientType, gradientType, GradientType)
LUMARA_SETTER(GradientAngle, gradientAngle, double)
LUMARA_SETTER(BackgroundBlur, backgroundBlur, double)
LUMARA_SETTER(OrbSize, orbSize, double)
LUMARA_SETTER(CornerRadius, cornerRadius, double)
LUMARA_SETTER(BlobCount, blobCount, std::int64_t)
LUMARA_SETTER(Complexity, complexity, std::int64_t)
LUMARA_SETTER(Amplitude, amplitude, double)
LUMARA_SETTER(BlobScale, blobScale, double)
LUMARA_SETTER(BlobSpread, blobSpread, double)
LUMARA_SETTER(BlobOpacity, blobOpacity, double)
LUMARA_SETTER(BlobBlur, blobBlur, double)
LUMARA_SETTER(BlobBlendMode, blobBlendMode, BlobBlendMode)
LUMARA_SETTER(Speed, speed, double)
LUMARA_SETTER(GlowIntensity, glowIntensity, double)
LUMARA_SETTER(GlowSoftness, glowSoftness, double)
LUMARA_SETTER(InnerRingWidth, innerRingWidth, double)
LUMARA_SETTER(ShadowRadius, shadowRadius, double)
LUMARA_SETTER(EdgeSoftness, edgeSoftness, double)
LUMARA_SETTER(ShowBackground, showBackground, bool)
LUMARA_SETTER(ShowWavyBlobs, showWavyBlobs, bool)
LUMARA_SETTER(ShowGlowEffects, showGlowEffects, bool)
LUMARA_SETTER(ShowShadow, showShadow, bool)

#undef LUMARA_SETTER

} // namespace lumara
