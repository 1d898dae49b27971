// The "Colors" section: the gradient preview bar, the gradient's kind, angle and blur, one swatch
// per background colour with Add and Remove, and the glow colour. Swatches open the colour dialog
// (no alpha channel); the canvas follows the colour while the dialog is open. A picture dropped on
// the bar asks for its colours (the window reads it and reports a failure). UI thread only.
#pragma once

#include "ui/inspector/InspectorSection.h"

#include <QPointer>

#include <QColorDialog>
class QComboBox;
class QPushButton;

namespace lumara::ui {

class ColorSwatch;
class GradientPreviewBar;
class LabeledSlider;

// The background colour at `position`, or white when the list has no such position.
CodableColor backgroundColorAt(const OrbConfiguration& config, qsizetype position);
// Stores `color` at `position`; does nothing (and returns false) when the position does not exist.
bool setBackgroundColorAt(OrbConfiguration& config, qsizetype position, const CodableColor& color);

class ColorsSection : public InspectorSection {
    Q_OBJECT
public:
    // The colour a dialog edits: a background position from 0, or the glow colour.
    static constexpr qsizetype kGlow = -1;

    explicit ColorsSection(OrbDocument* document, QWidget* parent = nullptr);

    // Opens the colour dialog for a background position or kGlow (window-modal, returns at once).
    // The first colour change records one undo step; Cancel puts the colour from before back.
    QColorDialog* openColorDialog(qsizetype target);
    QColorDialog* colorDialog() const { return m_dialog; }

    // Appends a copy of the last colour (one undo step); nothing with an empty list.
    void addColor();
    // Drops the last colour (one undo step).
    void removeColor();

    QComboBox* gradientPicker() const { return m_gradient; }
    LabeledSlider* angleSlider() const { return m_angle; }
    LabeledSlider* blurSlider() const { return m_blur; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* removeButton() const { return m_remove; }
    // The swatches shown (one per background colour) and the glow swatch.
    QList<ColorSwatch*> colorSwatches() const;
    ColorSwatch* glowSwatch() const { return m_glowSwatch; }
    GradientPreviewBar* previewBar() const { return m_preview; }

signals:
    // A picture file was dropped on the gradient bar: its colours are wanted as the background's.
    void colorsFromPictureRequested(const QString& path);

private:
    CodableColor colorOf(qsizetype target) const;
    bool writeColor(qsizetype target, const CodableColor& color);
    void showColors(const std::vector<CodableColor>& colors);

    GradientPreviewBar* m_preview = nullptr;
    QComboBox* m_gradient = nullptr;
    LabeledSlider* m_angle = nullptr;
    LabeledSlider* m_blur = nullptr;
    QWidget* m_swatchRow = nullptr;
    QList<ColorSwatch*> m_swatches; // a pool: only the first `backgroundColors` count are shown
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    ColorSwatch* m_glowSwatch = nullptr;
    QPointer<QColorDialog> m_dialog;
};

} // namespace lumara::ui
