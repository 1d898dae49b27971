// The export section and the symbols of its rows: the desktop icon theme's icon where the
// freedesktop naming has one, else a line drawing of ours in the palette's text colour.
#include "ui/ExportSection.h"

#include "ui/InspectorControls.h"
#include "ui/Symbols.h"

#include <QApplication>
#include <QBoxLayout>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace lumara::ui {

namespace {

using Drawing = void (*)(QPainter&);

// Drawings on a 24-unit grid with the pen already set.
void drawCode(QPainter& p)
{
    p.drawPolyline(QPolygonF({QPointF(8, 7), QPointF(3, 12), QPointF(8, 17)}));
    p.drawPolyline(QPolygonF({QPointF(16, 7), QPointF(21, 12), QPointF(16, 17)}));
    p.drawLine(QPointF(13.5, 5), QPointF(10.5, 19));
}

void drawGlobe(QPainter& p)
{
    p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
    p.drawEllipse(QPointF(12, 12), 3.8, 8.5);
    p.drawLine(QPointF(3.5, 12), QPointF(20.5, 12));
    p.drawLine(QPointF(5, 7.5), QPointF(19, 7.5));
    p.drawLine(QPointF(5, 16.5), QPointF(19, 16.5));
}

void drawTextBubble(QPainter& p)
{
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(3, 4, 18, 13), 4, 4);
    QPainterPath tail;
    tail.moveTo(7, 16);
    tail.lineTo(6, 21);
    tail.lineTo(11.5, 16);
    p.drawPath(bubble.united(tail).simplified());
    p.drawLine(QPointF(7, 9), QPointF(17, 9));
    p.drawLine(QPointF(7, 12.5), QPointF(14, 12.5));
}

void drawPhoto(QPainter& p)
{
    p.drawRoundedRect(QRectF(3.5, 5, 17, 14), 2.5, 2.5);
    p.drawPolyline(QPolygonF({QPointF(4, 17), QPointF(9.5, 11.5), QPointF(13.5, 15.5), QPointF(16, 13), QPointF(20, 17)}));
    p.drawEllipse(QPointF(15.5, 9), 1.4, 1.4);
}

void drawFilm(QPainter& p)
{
    p.drawRoundedRect(QRectF(4, 3.5, 16, 17), 2, 2);
    p.drawLine(QPointF(8, 3.5), QPointF(8, 20.5));
    p.drawLine(QPointF(16, 3.5), QPointF(16, 20.5));
    p.drawLine(QPointF(8, 12), QPointF(16, 12));
    for (double y : {7.0, 12.0, 17.0}) {
        p.drawLine(QPointF(4, y), QPointF(8, y));
        p.drawLine(QPointF(16, y), QPointF(20, y));
    }
}

class DrawingEngine : public PaintedIconEngine {
public:
    explicit DrawingEngine(Drawing drawing) : m_drawing(drawing) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const QColor color = QApplication::palette().color(mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active,
                                                           QPalette::WindowText);
        const double side = std::min(rect.width(), rect.height());
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 24.0, side / 24.0);
        painter->setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        m_drawing(*painter);
        painter->restore();
    }

    QIconEngine* clone() const override { return new DrawingEngine(m_drawing); }

private:
    Drawing m_drawing;
};

QIcon rowIcon(const char* themeName, Drawing drawing)
{
    if (QIcon::hasThemeIcon(QLatin1String(themeName))) return QIcon::fromTheme(QLatin1String(themeName));
    return QIcon(new DrawingEngine(drawing));
}

} // namespace

ExportSection::ExportSection(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    struct Row {
        QString title;
        QString subtitle;
        const char* themeName;
        Drawing drawing;
        std::function<void()> action;
    };
    using exporting::ExportFormat;
    const Row rows[] = {
        {QStringLiteral("SwiftUI Code"), QStringLiteral("Copy-paste ready view code"), "text-x-script", drawCode,
         [this] { emit textExportRequested(ExportFormat::swiftUI); }},
        {QStringLiteral("HTML"), QStringLiteral("Self-contained web file"), "applications-internet", drawGlobe,
         [this] { emit textExportRequested(ExportFormat::html); }},
        {QStringLiteral("Prompt"), QStringLiteral("Language-agnostic AI prompt"), "internet-group-chat", drawTextBubble,
         [this] { emit textExportRequested(ExportFormat::prompt); }},
        {QStringLiteral("PNG Image"), QStringLiteral("High-resolution @2x export"), "image-x-generic", drawPhoto,
         [this] { emit pngExportRequested(); }},
        {QStringLiteral("Animation"), QStringLiteral("Looping MP4, GIF, or transparent video"), "video-x-generic", drawFilm,
         [this] { emit animationExportRequested(); }},
    };
    for (const Row& row : rows) {
        auto* button = new ExportButton(row.title, row.subtitle, rowIcon(row.themeName, row.drawing), this);
        connect(button, &QAbstractButton::clicked, this, row.action);
        column->addWidget(button);
        m_rows.append(button);
    }
}

} // namespace lumara::ui
