// Shared look of the in-window sheets and cards: the rounded translucent panel with its soft
// shadow, the hairline divider, the prominent button and the indeterminate spinner.
// UI thread only.
#pragma once

#include <QFrame>
#include <QIcon>

class QPushButton;
class QTimer;

namespace lumara::ui {

// A panel of the window's material, clipped to a rounded rectangle with a soft black shadow
// (opacity 0.33, radius 20). Its contents margins leave room for the shadow: lay out inside.
class SheetPanel : public QFrame {
    Q_OBJECT
public:
    explicit SheetPanel(double cornerRadius = 12, QWidget* parent = nullptr);
    static constexpr int kShadowMargin = 20;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_cornerRadius;
};

// A one-pixel separator across the panel.
QWidget* makeDivider();

// Gives a sheet's main button the prominent look: filled with the brand accent, white text, at the
// height the plain buttons beside it have.
void makeProminent(QPushButton* button);

// A rotating arc: the indeterminate progress spinner.
class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(int diameter, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {m_diameter, m_diameter}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_diameter;
    int m_step = 0;
    QTimer* m_timer;
};

} // namespace lumara::ui
