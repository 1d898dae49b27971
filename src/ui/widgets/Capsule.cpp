// The floating material capsule and its label. UI thread only.
#include "ui/widgets/Capsule.h"

#include "ui/style/Theme.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

namespace lumara::ui {

QColor materialColor() { return withAlpha(QApplication::palette().color(QPalette::Window), 0.82); }

void paintMaterialCapsule(QPainter& painter, const QRectF& rect, bool hairline)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = r.height() / 2.0;
    painter.setPen(hairline ? QPen(withAlpha(brandAccent(), 0.2), 0.5) : QPen(Qt::NoPen));
    painter.setBrush(materialColor());
    painter.drawRoundedRect(r, radius, radius);
    painter.restore();
}

CapsuleLabel::CapsuleLabel(int horizontalPadding, int verticalPadding, bool hairline, QWidget* parent)
    : QLabel(parent), m_hairline(hairline)
{
    setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    setAlignment(Qt::AlignCenter);
}

void CapsuleLabel::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    paintMaterialCapsule(painter, rect(), m_hairline);
    painter.end();
    QLabel::paintEvent(event);
}

} // namespace lumara::ui
