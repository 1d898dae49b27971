// The "Effects" section: the animation speed (held in a draft while its slider is dragged, so
// the orb keeps its pace until release), the glow, ring, outer glow and edge sliders, and the four
// layer toggles. UI thread only.
#pragma once

#include "ui/inspector/InspectorSection.h"

#include <optional>


namespace lumara::ui {

class LabeledSlider;
class ToggleSwitch;

class EffectsSection : public InspectorSection {
    Q_OBJECT
public:
    explicit EffectsSection(OrbDocument* document, QWidget* parent = nullptr);

    // The speed being dragged; absent outside a drag.
    const std::optional<double>& speedDraft() const { return m_speedDraft; }
    LabeledSlider* speedSlider() const { return m_speed; }
    // In order: Intensity, Softness, Ring, Outer Glow, Edge Fade.
    const QList<LabeledSlider*>& sliders() const { return m_sliders; }
    // In order: Background, Blobs, Glow, Shadow.
    const QList<ToggleSwitch*>& toggles() const { return m_toggles; }

private:
    void speedEdited(double speed);
    void speedReleased();

    LabeledSlider* m_speed = nullptr;
    std::optional<double> m_speedDraft;
    QList<LabeledSlider*> m_sliders;
    QList<ToggleSwitch*> m_toggles;
};

} // namespace lumara::ui
