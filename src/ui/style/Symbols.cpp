// Line drawings on a 24-unit grid, painted at the requested size so they stay crisp at any scale.
#include "ui/style/Symbols.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace lumara::ui {

QPixmap PaintedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    painter.end();
    return QPixmap::fromImage(std::move(image));
}

namespace {

const char* themeName(Symbol symbol)
{
    switch (symbol) {
    case Symbol::undo: return "edit-undo";
    case Symbol::redo: return "edit-redo";
    case Symbol::copyCode: return "edit-copy";
    case Symbol::photo: return "image-x-generic";
    case Symbol::play: return "media-playback-start";
    case Symbol::pause: return "media-playback-pause";
    case Symbol::plus: return "list-add";
    case Symbol::open: return "document-open";
    case Symbol::save: return "document-save";
    case Symbol::help: return "help-contents";
    case Symbol::globe: return "applications-internet";
    case Symbol::textBubble: return "internet-group-chat";
    case Symbol::film: return "video-x-generic";
    case Symbol::package: return "package-x-generic";
    default: return nullptr; // no freedesktop name: always ours
    }
}

void drawSymbol(QPainter& p, Symbol symbol, const QColor& color)
{
    QPen pen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
    case Symbol::dice: {
        p.drawRoundedRect(QRectF(4, 4, 16, 16), 4, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        for (QPointF c : {QPointF(8.5, 8.5), QPointF(15.5, 8.5), QPointF(12, 12), QPointF(8.5, 15.5), QPointF(15.5, 15.5)})
            p.drawEllipse(c, 1.5, 1.5);
        break;
    }
    case Symbol::undo:
    case Symbol::redo: {
        if (symbol == Symbol::redo) {
            p.translate(24, 0);
            p.scale(-1, 1);
        }
        QPainterPath path;
        path.moveTo(9, 5);
        path.lineTo(4.5, 9.5);
        path.lineTo(9, 14);
        p.drawPath(path);
        QPainterPath arc;
        arc.moveTo(5, 9.5);
        arc.lineTo(14, 9.5);
        arc.cubicTo(17.5, 9.5, 20, 12, 20, 14.75);
        arc.cubicTo(20, 17.5, 17.5, 20, 14, 20);
        arc.lineTo(10, 20);
        p.drawPath(arc);
        break;
    }
    case Symbol::copyCode: {
        p.drawRoundedRect(QRectF(5, 5, 14, 16), 2.5, 2.5);
        p.setBrush(QApplication::palette().color(QPalette::Window));
        p.drawRoundedRect(QRectF(8.5, 3, 7, 4), 1.5, 1.5);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(8.5, 12), QPointF(15.5, 12));
        p.drawLine(QPointF(8.5, 16), QPointF(13.5, 16));
        break;
    }
    case Symbol::photo: {
        p.drawRoundedRect(QRectF(3.5, 5, 17, 14), 2.5, 2.5);
        QPainterPath hill;
        hill.moveTo(4, 17);
        hill.lineTo(9.5, 11.5);
        hill.lineTo(13.5, 15.5);
        hill.lineTo(16, 13);
        hill.lineTo(20, 17);
        p.drawPath(hill);
        p.drawEllipse(QPointF(15.5, 9), 1.4, 1.4);
        break;
    }
    case Symbol::sidebarLeading:
    case Symbol::sidebarTrailing: {
        p.drawRoundedRect(QRectF(3, 5, 18, 14), 2.5, 2.5);
        const double x = symbol == Symbol::sidebarLeading ? 9 : 15;
        p.drawLine(QPointF(x, 5), QPointF(x, 19));
        break;
    }
    case Symbol::play: {
        QPainterPath path;
        path.moveTo(7, 4.5);
        path.lineTo(19.5, 12);
        path.lineTo(7, 19.5);
        path.closeSubpath();
        p.setBrush(color);
        p.drawPath(path);
        break;
    }
    case Symbol::pause: {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawRoundedRect(QRectF(6, 4.5, 4, 15), 1, 1);
        p.drawRoundedRect(QRectF(14, 4.5, 4, 15), 1, 1);
        break;
    }
    case Symbol::plus: {
        pen.setWidthF(2.2);
        p.setPen(pen);
        p.drawLine(QPointF(12, 5), QPointF(12, 19));
        p.drawLine(QPointF(5, 12), QPointF(19, 12));
        break;
    }
    case Symbol::timer: {
        p.drawEllipse(QPointF(12, 13), 8, 8);
        p.drawLine(QPointF(12, 13), QPointF(12, 8.5));
        p.drawLine(QPointF(10, 2.5), QPointF(14, 2.5));
        break;
    }
    case Symbol::appearance: {
        p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
        QPainterPath half;
        half.moveTo(12, 3.5);
        half.arcTo(QRectF(3.5, 3.5, 17, 17), 90, 180);
        half.closeSubpath();
        p.setBrush(color);
        p.drawPath(half);
        break;
    }
    case Symbol::open: {
        QPainterPath path;
        path.moveTo(3.5, 18.5);
        path.lineTo(3.5, 6);
        path.lineTo(9, 6);
        path.lineTo(11, 8);
        path.lineTo(18, 8);
        path.lineTo(18, 10.5);
        p.drawPath(path);
        QPainterPath front;
        front.moveTo(3.5, 18.5);
        front.lineTo(6.5, 10.5);
        front.lineTo(21, 10.5);
        front.lineTo(18, 18.5);
        front.closeSubpath();
        p.drawPath(front);
        break;
    }
    case Symbol::save: {
        p.drawLine(QPointF(12, 4), QPointF(12, 15));
        QPainterPath head;
        head.moveTo(7.5, 10.5);
        head.lineTo(12, 15);
        head.lineTo(16.5, 10.5);
        p.drawPath(head);
        QPainterPath tray;
        tray.moveTo(4.5, 15);
        tray.lineTo(4.5, 19.5);
        tray.lineTo(19.5, 19.5);
        tray.lineTo(19.5, 15);
        p.drawPath(tray);
        break;
    }
    case Symbol::help: {
        p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
        QPainterPath q;
        q.moveTo(9.5, 9.8);
        q.cubicTo(9.5, 6.5, 14.5, 6.5, 14.5, 9.8);
        q.cubicTo(14.5, 12, 12, 12, 12, 14);
        p.drawPath(q);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QPointF(12, 17), 1.1, 1.1);
        break;
    }
    case Symbol::swift: {
        // A bird in flight: two swept wings and a forked tail.
        QPainterPath bird;
        bird.moveTo(3, 15);
        bird.cubicTo(8, 18, 14, 18, 18, 13);
        bird.cubicTo(19.5, 11, 20.5, 9, 21, 6);
        bird.cubicTo(19, 9, 16, 11, 12, 10);
        bird.cubicTo(9, 9, 6, 6, 5, 4);
        bird.cubicTo(6, 8, 8, 11, 11, 13);
        bird.cubicTo(8, 14, 5, 14.5, 3, 15);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPath(bird);
        break;
    }
    case Symbol::globe:
        p.drawEllipse(QRectF(3.5, 3.5, 17, 17));
        p.drawEllipse(QRectF(8, 3.5, 8, 17));
        p.drawLine(QPointF(3.5, 12), QPointF(20.5, 12));
        p.drawLine(QPointF(5, 7.5), QPointF(19, 7.5));
        p.drawLine(QPointF(5, 16.5), QPointF(19, 16.5));
        break;
    case Symbol::textBubble: {
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(3, 4, 18, 13), 4, 4);
        QPainterPath tail;
        tail.moveTo(7, 16);
        tail.lineTo(6, 21);
        tail.lineTo(11, 16.5);
        p.drawPath(bubble.united(tail));
        for (double y : {8.5, 12.5}) p.drawLine(QPointF(7, y), QPointF(y < 10 ? 17 : 14, y));
        break;
    }
    case Symbol::film:
        p.drawRoundedRect(QRectF(3.5, 4.5, 17, 15), 2.5, 2.5);
        p.drawLine(QPointF(7.5, 4.5), QPointF(7.5, 19.5));
        p.drawLine(QPointF(16.5, 4.5), QPointF(16.5, 19.5));
        p.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::RoundCap));
        for (double y : {8.0, 12.0, 16.0}) {
            p.drawLine(QPointF(4.8, y), QPointF(6.2, y));
            p.drawLine(QPointF(17.8, y), QPointF(19.2, y));
        }
        p.drawLine(QPointF(7.5, 12), QPointF(16.5, 12));
        break;
    case Symbol::package: {
        // A box seen from above a corner: its top face, the two sides and the seam of the lid.
        QPainterPath box;
        box.moveTo(12, 3);
        box.lineTo(20, 7.5);
        box.lineTo(20, 16.5);
        box.lineTo(12, 21);
        box.lineTo(4, 16.5);
        box.lineTo(4, 7.5);
        box.closeSubpath();
        p.drawPath(box);
        QPainterPath edges;
        edges.moveTo(4, 7.5);
        edges.lineTo(12, 12);
        edges.lineTo(20, 7.5);
        edges.moveTo(12, 12);
        edges.lineTo(12, 21);
        edges.moveTo(8, 5.25);
        edges.lineTo(16, 9.75);
        p.drawPath(edges);
        break;
    }
    }
}

class SymbolEngine : public PaintedIconEngine {
public:
    SymbolEngine(Symbol symbol, QColor color) : m_symbol(symbol), m_color(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        QColor color = m_color;
        if (!color.isValid())
            color = QApplication::palette().color(mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active,
                                                  QPalette::ButtonText);
        else if (mode == QIcon::Disabled)
            color.setAlphaF(0.35f);
        const double side = std::min(rect.width(), rect.height());
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 24.0, side / 24.0);
        drawSymbol(*painter, m_symbol, color);
        painter->restore();
    }

    QIconEngine* clone() const override { return new SymbolEngine(m_symbol, m_color); }

private:
    Symbol m_symbol;
    QColor m_color;
};

} // namespace

QIcon drawnSymbolIcon(Symbol symbol, QColor color) { return QIcon(new SymbolEngine(symbol, color)); }

QIcon symbolIcon(Symbol symbol)
{
    const char* name = themeName(symbol);
    if (name && QIcon::hasThemeIcon(QLatin1String(name))) return QIcon::fromTheme(QLatin1String(name));
    return drawnSymbolIcon(symbol);
}

} // namespace lumara::ui
