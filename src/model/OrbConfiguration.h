// The observable configuration of one orb: one Qt property and one change signal per field.
// Lives on the UI thread. Writing a value equal to the current one (colours component by
// component, colour lists element by element) stores nothing new and notifies nobody.
// `values()` takes a plain snapshot for the renderer, exporters and worker threads.
#pragma once

#include "model/OrbValues.h"

#include <QObject>

namespace lumara {

class OrbConfiguration : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::vector<lumara::CodableColor> backgroundColors READ backgroundColors WRITE setBackgroundColors NOTIFY backgroundColorsChanged)
    Q_PROPERTY(lumara::CodableColor glowColor READ glowColor WRITE setGlowColor NOTIFY glowColorChanged)
    Q_PROPERTY(bool coloredBlobs READ coloredBlobs WRITE setColoredBlobs NOTIFY coloredBlobsChanged)
    Q_PROPERTY(lumara::GradientType gradientType READ gradientType WRITE setGradientType NOTIFY gradientTypeChanged)
    Q_PROPERTY(double gradientAngle READ gradientAngle WRITE setGradientAngle NOTIFY gradientAngleChanged)
    Q_PROPERTY(double backgroundBlur READ backgroundBlur WRITE setBackgroundBlur NOTIFY backgroundBlurChanged)
    Q_PROPERTY(double orbSize READ orbSize WRITE setOrbSize NOTIFY orbSizeChanged)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY cornerRadiusChanged)
    Q_PROPERTY(qint64 blobCount READ blobCount WRITE setBlobCount NOTIFY blobCountChanged)
    Q_PROPERTY(qint64 complexity READ complexity WRITE setComplexity NOTIFY complexityChanged)
    Q_PROPERTY(double amplitude READ amplitude WRITE setAmplitude NOTIFY amplitudeChanged)
    Q_PROPERTY(double blobScale READ blobScale WRITE setBlobScale NOTIFY blobScaleChanged)
    Q_PROPERTY(double blobSpread READ blobSpread WRITE setBlobSpread NOTIFY blobSpreadChanged)
    Q_PROPERTY(double blobOpacity READ blobOpacity WRITE setBlobOpacity NOTIFY blobOpacityChanged)
    Q_PROPERTY(double blobBlur READ blobBlur WRITE setBlobBlur NOTIFY blobBlurChanged)
    Q_PROPERTY(lumara::BlobBlendMode blobBlendMode READ blobBlendMode WRITE setBlobBlendMode NOTIFY blobBlendModeChanged)
    Q_PROPERTY(double speed READ speed WRITE setSpeed NOTIFY speedChanged)
    Q_PROPERTY(double glowIntensity READ glowIntensity WRITE setGlowIntensity NOTIFY glowIntensityChanged)
    Q_PROPERTY(double glowSoftness READ glowSoftness WRITE setGlowSoftness NOTIFY glowSoftnessChanged)
    Q_PROPERTY(double innerRingWidth READ innerRingWidth WRITE setInnerRingWidth NOTIFY innerRingWidthChanged)
    Q_PROPERTY(double shadowRadius READ shadowRadius WRITE setShadowRadius NOTIFY shadowRadiusChanged)
    Q_PROPERTY(double edgeSoftness READ edgeSoftness WRITE setEdgeSoftness NOTIFY edgeSoftnessChanged)
    Q_PROPERTY(bool showBackground READ showBackground WRITE setShowBackground NOTIFY showBackgroundChanged)
    Q_PROPERTY(bool showWavyBlobs READ showWavyBlobs WRITE setShowWavyBlobs NOTIFY showWavyBlobsChanged)
    Q_PROPERTY(bool showGlowEffects READ showGlowEffects WRITE setShowGlowEffects NOTIFY showGlowEffectsChanged)
    Q_PROPERTY(bool showShadow READ showShadow WRITE setShowShadow NOTIFY showShadowChanged)

public:
    explicit OrbConfiguration(QObject* parent = nullptr);
    explicit OrbConfiguration(OrbValues values, QObject* parent = nullptr);

    // Plain snapshot of all 26 fields.
    const OrbValues& values() const { return m_values; }
    // Writes every field through its setter, so only the fields that change notify.
    void setValues(const OrbValues& values);

    // A new, independent configuration with equal fields (the colour list is copied too).
    OrbConfiguration* copy(QObject* parent = nullptr) const;

    const std::vector<CodableColor>& backgroundColors() const { return m_values.backgroundColors; }
    const CodableColor& glowColor() const { return m_values.glowColor; }
    bool coloredBlobs() const { return m_values.coloredBlobs; }
    GradientType gradientType() const { return m_values.gradientType; }
    double gradientAngle() const { return m_values.gradientAngle; }
    double backgroundBlur() const { return m_values.backgroundBlur; }
    double orbSize() const { return m_values.orbSize; }
    double cornerRadius() const { return m_values.cornerRadius; }
    std::int64_t blobCount() const { return m_values.blobCount; }
    std::int64_t complexity() const { return m_values.complexity; }
    double amplitude() const { return m_values.amplitude; }
    double blobScale() const { return m_values.blobScale; }
    double blobSpread() const { return m_values.blobSpread; }
    double blobOpacity() const { return m_values.blobOpacity; }
    double blobBlur() const { return m_values.blobBlur; }
    BlobBlendMode blobBlendMode() const { return m_values.blobBlendMode; }
    double speed() const { return m_values.speed; }
    double glowIntensity() const { return m_values.glowIntensity; }
    double glowSoftness() const { return m_values.glowSoftness; }
    double innerRingWidth() const { return m_values.innerRingWidth; }
    double shadowRadius() const { return m_values.shadowRadius; }
    double edgeSoftness() const { return m_values.edgeSoftness; }
    bool showBackground() const { return m_values.showBackground; }
    bool showWavyBlobs() const { return m_values.showWavyBlobs; }
    bool showGlowEffects() const { return m_values.showGlowEffects; }
    bool showShadow() const { return m_values.showShadow; }

    void setBackgroundColors(const std::vector<CodableColor>& value);
    void setGlowColor(const CodableColor& value);
    void setColoredBlobs(bool value);
    void setGradientType(GradientType value);
    void setGradientAngle(double value);
    void setBackgroundBlur(double value);
    void setOrbSize(double value);
    void setCornerRadius(double value);
    void setBlobCount(std::int64_t value);
    void setComplexity(std::int64_t value);
    void setAmplitude(double value);
    void setBlobScale(double value);
    void setBlobSpread(double value);
    void setBlobOpacity(double value);
    void setBlobBlur(double value);
    void setBlobBlendMode(BlobBlendMode value);
    void setSpeed(double value);
    void setGlowIntensity(double value);
    void setGlowSoftness(double value);
    void setInnerRingWidth(double value);
    void setShadowRadius(double value);
    void setEdgeSoftness(double value);
    void setShowBackground(bool value);
    void setShowWavyBlobs(bool value);
    void setShowGlowEffects(bool value);
    void setShowShadow(bool value);

signals:
    void backgroundColorsChanged();
    void glowColorChanged();
    void coloredBlobsChanged();
    void gradientTypeChanged();
    void gradientAngleChanged();
    void backgroundBlurChanged();
    void orbSizeChanged();
    void cornerRadiusChanged();
    void blobCountChanged();
    void complexityChanged();
    void amplitudeChanged();
    void blobScaleChanged();
    void blobSpreadChanged();
    void blobOpacityChanged();
    void blobBlurChanged();
    void blobBlendModeChanged();
    void speedChanged();
    void glowIntensityChanged();
    void glowSoftnessChanged();
    void innerRingWidthChanged();
    void shadowRadiusChanged();
    void edgeSoftnessChanged();
    void showBackgroundChanged();
    void showWavyBlobsChanged();
    void showGlowEffectsChanged();
    void showShadowChanged();
    // Emitted after any field changed, once per changed field, for observers that redraw on any change.
    void changed();

private:
    OrbValues m_values;
};

} // namespace lumara

Q_DECLARE_METATYPE(lumara::CodableColor)
Q_DECLARE_METATYPE(lumara::GradientType)
Q_DECLARE_METATYPE(lumara::BlobBlendMode)
