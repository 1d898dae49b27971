// The "Shape" section: the orb's size (a number field in the user's number format plus a stepper),
// corner radius, blob count and points, coloured blobs, blend mode and the blob sliders.
// UI thread only.
#pragma once

#include "ui/inspector/InspectorSection.h"

class QComboBox;
class QLineEdit;

namespace lumara::ui {

class LabeledSlider;
class ToggleSwitch;
class Stepper;

class ShapeSection : public InspectorSection {
    Q_OBJECT
public:
    explicit ShapeSection(OrbDocument* document, QWidget* parent = nullptr);

    QLineEdit* sizeField() const { return m_sizeField; }
    Stepper* sizeStepper() const { return m_sizeStepper; }
    Stepper* countStepper() const { return m_count; }
    Stepper* pointsStepper() const { return m_points; }
    ToggleSwitch* coloredBlobsToggle() const { return m_coloredBlobs; }
    QComboBox* blendPicker() const { return m_blend; }
    // The sliders in order: Corner Radius, Distortion, Scale, Spread, Opacity, Blur.
    const QList<LabeledSlider*>& sliders() const { return m_sliders; }

    // Takes the size field's text: a finite number is stored (one undo step when it differs),
    // anything else puts the shown size back.
    void submitSizeField();

private:
    QLineEdit* m_sizeField = nullptr;
    Stepper* m_sizeStepper = nullptr;
    Stepper* m_count = nullptr;
    Stepper* m_points = nullptr;
    ToggleSwitch* m_coloredBlobs = nullptr;
    QComboBox* m_blend = nullptr;
    QList<LabeledSlider*> m_sliders;
};

} // namespace lumara::ui
