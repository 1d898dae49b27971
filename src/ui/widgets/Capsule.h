// Small shared pieces of the window's look: the translucent "material" fill behind floating
// controls, and a text label on a capsule of it (the size label, the copied toast). UI thread only.
#pragma once

#include <QLabel>

class QPainter;

namespace lumara::ui {

// The floating-control fill: the window colour, mostly opaque, so it reads over any backdrop.
QColor materialColor();
// A capsule of material filling `rect`, outlined by a hairline of the brand accent at 0.2.
void paintMaterialCapsule(QPainter& painter, const QRectF& rect, bool hairline);

class CapsuleLabel : public QLabel {
    Q_OBJECT
public:
    // Padding left/right and top/bottom in points.
    CapsuleLabel(int horizontalPadding, int verticalPadding, bool hairline, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_hairline;
};

} // namespace lumara::ui
