// Small controls of the inspector: the stepper, the colour swatch, the gradient preview bar, the
// collapsible section and the export row. Each shows what it is given and never clamps a shown
// value; only user actions emit signals. UI thread only.
#pragma once

#include "model/CodableColor.h"

#include <QAbstractButton>
#include <QIcon>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QMimeData;
class QToolButton;
class QVariantAnimation;

namespace lumara::ui {

// Minus and plus buttons over a closed range, with an optional value text beside them. A shown
// value outside the range is displayed as it is; a step from it lands inside the range. Up and
// Down keys step when the stepper has focus.
class Stepper : public QWidget {
    Q_OBJECT
public:
    using Format = std::function<QString(double)>;
    // A null `format` shows no text (the stepper beside the size field).
    Stepper(const QString& accessibleName, double minimum, double maximum, double step, Format format,
            QWidget* parent = nullptr);

    void setValue(double value);
    double value() const { return m_value; }
    QString text() const;
    QToolButton* decrementButton() const { return m_minus; }
    QToolButton* incrementButton() const { return m_plus; }

    // The value one step up (+1) or down (-1), inside the range.
    double steppedValue(int direction) const;

signals:
    void stepped(double newValue);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void step(int direction);

    double m_minimum, m_maximum, m_step;
    Format m_format;
    double m_value = 0.0;
    QLabel* m_text = nullptr;
    QToolButton* m_minus = nullptr;
    QToolButton* m_plus = nullptr;
};

// An on/off row: the caption at the leading edge, a switch at the trailing one. The whole row
// is the button; Space toggles it when focused.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(const QString& text, QWidget* parent = nullptr);
    // 200 points wide, or as wide as the caption and the switch need.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A rounded square filled with a colour; clicking it asks for a colour dialog.
class ColorSwatch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ColorSwatch(const QString& accessibleName, QWidget* parent = nullptr);
    void setColor(const CodableColor& color);
    CodableColor color() const { return m_color; }
    QSize sizeHint() const override { return {28, 28}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CodableColor m_color;
};

// The background colours as a left-to-right linear gradient, whatever the gradient's kind. It takes
// the drop of one local picture file (a name ending in a format Qt's image readers know), drawing
// an accent outline while one hovers; any other drag passes on to the window.
class GradientPreviewBar : public QWidget {
    Q_OBJECT
public:
    explicit GradientPreviewBar(QWidget* parent = nullptr);
    void setColors(const std::vector<CodableColor>& colors);
    bool isDropTarget() const { return m_dropTarget; }

    // The local picture file that `mime` holds alone, or an empty text.
    static QString droppablePicture(const QMimeData* mime);

signals:
    // A picture file was dropped on the bar.
    void pictureDropped(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setDropTarget(bool target);

    std::vector<CodableColor> m_colors;
    bool m_dropTarget = false;
};

// The title row of a collapsible section: a disclosure chevron and the title; checked while the
// section is expanded.
class SectionHeader : public QAbstractButton {
    Q_OBJECT
public:
    explicit SectionHeader(const QString& title, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {200, 30}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A titled section whose body expands and collapses with a short spring (response 0.5 s,
// damping 0.85). The title is a focusable button: Space or Enter toggles it.
class CollapsibleSection : public QWidget {
    Q_OBJECT
public:
    CollapsibleSection(const QString& title, QWidget* body, QWidget* parent = nullptr);

    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded, bool animated = true);
    QAbstractButton* header() const;
    QWidget* body() const { return m_body; }
    // The animation in progress, if any (tests wait for it).
    bool isAnimating() const;

    // The spring's progress over the animation's normalised time (0 to 1).
    static double springProgress(double t);
    static constexpr int kAnimationMilliseconds = 600;

signals:
    void expandedChanged(bool expanded);

private:
    SectionHeader* m_header = nullptr;
    QWidget* m_clip = nullptr;
    QWidget* m_body = nullptr;
    QVariantAnimation* m_animation = nullptr;
    bool m_expanded = true;
};

// The padlock of an inspector row: checked while the row's parameter is locked, so Randomize keeps
// it. Focusable by Tab; Space toggles it, as a click does.
class ParameterLock : public QAbstractButton {
    Q_OBJECT
public:
    explicit ParameterLock(const QString& parameterName, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Every change of the checked state, also one made with signals blocked, renews the tooltip.
    void checkStateSet() override;

private:
    QString m_parameterName;
};

// An inspector row with a padlock at its trailing edge. The padlock shows while the pointer is over
// the row, while the focus is inside it, and always while it is locked; hidden, it keeps its room,
// so the rows do not shift. `fieldKey` names the configuration field (OrbFields.h).
class LockableRow : public QWidget {
    Q_OBJECT
public:
    LockableRow(const QString& fieldKey, const QString& parameterName, QWidget* content, QWidget* parent = nullptr);

    QString fieldKey() const { return m_fieldKey; }
    ParameterLock* lock() const { return m_lock; }
    QWidget* content() const { return m_content; }
    // Shows the document's state; emits nothing.
    void setLocked(bool locked);

signals:
    // The user toggled the padlock.
    void lockToggled(bool locked);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateLockVisibility();

    QString m_fieldKey;
    QWidget* m_content = nullptr;
    ParameterLock* m_lock = nullptr;
    bool m_hovered = false;
    bool m_focusInside = false;
};

// One export row: a symbol in a 24-point box, the title in medium weight, the subtitle below it
// in caption size and the secondary colour. The whole row is the button.
class ExportButton : public QAbstractButton {
    Q_OBJECT
public:
    ExportButton(const QString& title, const QString& subtitle, const QIcon& icon, QWidget* parent = nullptr);
    QString title() const { return text(); }
    QString subtitle() const { return m_subtitle; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_subtitle;
    bool m_hovered = false;
};

} // namespace lumara::ui
