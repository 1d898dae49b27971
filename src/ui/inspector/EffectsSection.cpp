// The effects section.
#include "ui/inspector/EffectsSection.h"

#include "ui/inspector/InspectorControls.h"
#include "ui/inspector/InspectorText.h"
#include "ui/inspector/LabeledSlider.h"
#include "ui/style/Theme.h"

#include <QBoxLayout>
#include <QPainter>

namespace lumara::ui {

namespace {

// A faint one-pixel line in the text colour of the present appearance.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), withAlpha(palette().color(QPalette::WindowText), 0.12));
    }
};

QString p50(double v) { return percentText(v, 50); }
QString p100(double v) { return percentText(v, 100); }
QString d1(double v) { return decimalText(v, 1); }

} // namespace

EffectsSection::EffectsSection(OrbDocument* document, QWidget* parent) : InspectorSection(document, parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    m_speed = new LabeledSlider(tr("Speed"), 10, 120, integerPartText, this);
    // A drag only moves the draft; keys and the wheel change the speed at once, one undo step
    // per burst of steps.
    m_speed->onCommit = [this] {
        if (!m_speed->isDragging()) recordUndoStep();
    };
    connect(m_speed, &LabeledSlider::valueEdited, this, &EffectsSection::speedEdited);
    connect(m_speed, &LabeledSlider::dragFinished, this, &EffectsSection::speedReleased);
    follow(&OrbConfiguration::speedChanged, [this](const OrbConfiguration& config) {
        if (!m_speedDraft) m_speed->setValue(config.speed());
    });
    addLockable(column, m_speed, fieldKeyOf(&OrbConfiguration::speedChanged), tr("Speed"));

    column->addWidget(new Divider(this));

    const SliderField fields[] = {
        {tr("Intensity"), 0, 2, p50, &OrbConfiguration::glowIntensity, &OrbConfiguration::setGlowIntensity,
         &OrbConfiguration::glowIntensityChanged},
        {tr("Softness"), 0, 2, d1, &OrbConfiguration::glowSoftness, &OrbConfiguration::setGlowSoftness,
         &OrbConfiguration::glowSoftnessChanged},
        {tr("Ring"), 0, 3, d1, &OrbConfiguration::innerRingWidth, &OrbConfiguration::setInnerRingWidth,
         &OrbConfiguration::innerRingWidthChanged},
        {tr("Outer Glow"), 0, 2, p50, &OrbConfiguration::shadowRadius, &OrbConfiguration::setShadowRadius,
         &OrbConfiguration::shadowRadiusChanged},
        {tr("Edge Fade"), 0, 1, p100, &OrbConfiguration::edgeSoftness, &OrbConfiguration::setEdgeSoftness,
         &OrbConfiguration::edgeSoftnessChanged},
    };
    for (const SliderField& field : fields) m_sliders << addSlider(column, field);

    m_toggles << addToggle(column, tr("Background"), &OrbConfiguration::showBackground,
                           &OrbConfiguration::setShowBackground, &OrbConfiguration::showBackgroundChanged);
    m_toggles << addToggle(column, tr("Blobs"), &OrbConfiguration::showWavyBlobs,
                           &OrbConfiguration::setShowWavyBlobs, &OrbConfiguration::showWavyBlobsChanged);
    m_toggles << addToggle(column, tr("Glow"), &OrbConfiguration::showGlowEffects,
                           &OrbConfiguration::setShowGlowEffects, &OrbConfiguration::showGlowEffectsChanged);
    m_toggles << addToggle(column, tr("Shadow"), &OrbConfiguration::showShadow, &OrbConfiguration::setShowShadow,
                           &OrbConfiguration::showShadowChanged);
}

void EffectsSection::speedEdited(double speed)
{
    if (m_speed->isDragging()) {
        m_speedDraft = speed;
        m_speed->setValue(speed); // the header shows the draft
        return;
    }
    if (OrbConfiguration* config = configuration()) config->setSpeed(speed);
}

void EffectsSection::speedReleased()
{
    // One undo step per release, even when the handle did not move.
    recordUndoStep();
    OrbConfiguration* config = configuration();
    const std::optional<double> draft = std::exchange(m_speedDraft, std::nullopt);
    if (config) {
        const double speed = draft.value_or(config->speed());
        if (speed != config->speed()) config->setSpeed(speed);
        m_speed->setValue(config->speed());
    }
}

} // namespace lumara::ui
