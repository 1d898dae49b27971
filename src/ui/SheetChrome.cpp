// Panels, dividers, header symbols and the spinner of the in-window sheets. UI thread only.
#include "ui/SheetChrome.h"

#include "ui/Capsule.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace lumara::ui {

SheetPanel::SheetPanel(double cornerRadius, QWidget* parent) : QFrame(parent), m_cornerRadius(cornerRadius)
{
    setContentsMargins(kShadowMargin, kShadowMargin, kShadowMargin, kShadowMargin);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SheetPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).adjusted(kShadowMargin, kShadowMargin, -kShadowMargin, -kShadowMargin);
    // The shadow: rings of falling opacity out to the radius, about 0.33 at the panel's edge.
    p.setPen(Qt::NoPen);
    constexpr int kRings = 10;
    for (int i = kRings; i >= 1; --i) {
        const double grow = kShadowMargin * double(i) / kRings;
        p.setBrush(QColor(0, 0, 0, qRound(0.33 * 255 * 0.16 * (1.0 - double(i - 1) / kRings))));
        p.drawRoundedRect(panel.adjusted(-grow, -grow, grow, grow), m_cornerRadius + grow, m_cornerRadius + grow);
    }
    QColor fill = QApplication::palette().color(QPalette::Window);
    p.setBrush(fill);
    p.setPen(QPen(withAlpha(QApplication::palette().color(QPalette::WindowText), 0.12), 0.5));
    p.drawRoundedRect(panel, m_cornerRadius, m_cornerRadius);
}

namespace {

class Divider : public QWidget {
public:
    Divider() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), withAlpha(QApplication::palette().color(QPalette::WindowText), 0.14));
    }
};

void drawSheetSymbol(QPainter& p, SheetSymbol symbol, const QColor& color)
{
    QPen pen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
    case SheetSymbol::swift: {
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
    case SheetSymbol::globe:
        p.drawEllipse(QRectF(3.5, 3.5, 17, 17));
        p.drawEllipse(QRectF(8, 3.5, 8, 17));
        p.drawLine(QPointF(3.5, 12), QPointF(20.5, 12));
        p.drawLine(QPointF(5, 7.5), QPointF(19, 7.5));
        p.drawLine(QPointF(5, 16.5), QPointF(19, 16.5));
        break;
    case SheetSymbol::textBubble: {
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
    case SheetSymbol::film:
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
    }
}

class SheetSymbolEngine : public QIconEngine {
public:
    SheetSymbolEngine(SheetSymbol symbol, QColor color) : m_symbol(symbol), m_color(color) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 24.0, rect.height() / 24.0);
        drawSheetSymbol(*painter, m_symbol, m_color);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new SheetSymbolEngine(m_symbol, m_color); }

private:
    SheetSymbol m_symbol;
    QColor m_color;
};

} // namespace

QWidget* makeDivider() { return new Divider; }

QIcon sheetSymbolIcon(SheetSymbol symbol, const QColor& color) { return QIcon(new SheetSymbolEngine(symbol, color)); }

Spinner::Spinner(int diameter, QWidget* parent) : QWidget(parent), m_diameter(diameter), m_timer(new QTimer(this))
{
    setFixedSize(diameter, diameter);
    m_timer->setInterval(1000 / 30);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 30;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double stroke = std::max(2.0, m_diameter / 10.0);
    const QRectF r = QRectF(rect()).adjusted(stroke, stroke, -stroke, -stroke);
    const QColor color = QApplication::palette().color(QPalette::WindowText);
    p.setPen(QPen(withAlpha(color, 0.15), stroke));
    p.drawEllipse(r);
    p.setPen(QPen(withAlpha(color, 0.7), stroke, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(r, -m_step * 12 * 16, 100 * 16);
}

void Spinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_timer->start();
}

void Spinner::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}

} // namespace lumara::ui
