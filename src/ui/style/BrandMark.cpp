// Painting the brand mark and the icon made of it. UI thread only.
#include "ui/style/BrandMark.h"

#include "ui/style/Theme.h"

#include <QPainter>
#include <QPixmap>

namespace lumara::ui {

void paintBrandMark(QPainter& p, const QPointF& topLeft, double s)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(brandAccent());
    const QRectF outer(topLeft, QSizeF(s, s));
    p.drawEllipse(outer);
    p.setBrush(withAlpha(brandAccentPale(), 0.55));
    p.drawEllipse(outer.center() - QPointF(0.1 * s, 0.1 * s), 0.225 * s, 0.225 * s);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 64), 0.5));
    p.drawEllipse(outer.adjusted(0.25, 0.25, -0.25, -0.25));
    p.restore();
}

QIcon brandIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintBrandMark(painter, QPointF(0, 0), size);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace lumara::ui
