// Backdrop choices, their preference and the checkerboards. UI thread (QSettings); the drawing
// helpers only touch the painter they are given.
#include "ui/canvas/CanvasBackground.h"

#include <QCoreApplication>
#include <QPainter>
#include <QSettings>

#include <cmath>

namespace lumara::ui {

QString canvasBackgroundName(CanvasBackground background)
{
    switch (background) {
    case CanvasBackground::checkerboard: return QCoreApplication::translate("lumara::ui::MainCanvasView", "Checkerboard");
    case CanvasBackground::white: return QCoreApplication::translate("lumara::ui::MainCanvasView", "White");
    case CanvasBackground::black: return QCoreApplication::translate("lumara::ui::MainCanvasView", "Black");
    case CanvasBackground::lightGray: return QCoreApplication::translate("lumara::ui::MainCanvasView", "Light Gray");
    case CanvasBackground::darkGray: return QCoreApplication::translate("lumara::ui::MainCanvasView", "Dark Gray");
    }
    return {};
}

std::optional<QColor> canvasBackgroundColor(CanvasBackground background)
{
    switch (background) {
    case CanvasBackground::checkerboard: return std::nullopt;
    case CanvasBackground::white: return QColor(Qt::white);
    case CanvasBackground::black: return QColor(Qt::black);
    case CanvasBackground::lightGray: return QColor::fromRgbF(0.75f, 0.75f, 0.75f);
    case CanvasBackground::darkGray: return QColor::fromRgbF(0.25f, 0.25f, 0.25f);
    }
    return std::nullopt;
}

std::optional<CanvasBackground> canvasBackgroundFromRaw(int raw)
{
    if (raw < 0 || raw >= int(kAllCanvasBackgrounds.size())) return std::nullopt;
    return CanvasBackground(raw);
}

CanvasBackground canvasBackgroundForRaw(int raw)
{
    return canvasBackgroundFromRaw(raw).value_or(CanvasBackground::checkerboard);
}

int storedCanvasBackground(const QSettings& settings)
{
    bool ok = false;
    const int value = settings.value(kCanvasBackgroundKey, 0).toInt(&ok);
    return ok ? value : 0;
}

void storeCanvasBackground(QSettings& settings, CanvasBackground background)
{
    settings.setValue(kCanvasBackgroundKey, int(background));
    settings.sync();
}

std::pair<int, int> checkerboardGrid(double width, double height, double square)
{
    if (!(square > 0) || !(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height)) return {0, 0};
    return {int(std::ceil(width / square)), int(std::ceil(height / square))};
}

void drawCheckerboard(QPainter& painter, const QRectF& rect, double square, const QColor& even, const QColor& odd)
{
    const auto [columns, rows] = checkerboardGrid(rect.width(), rect.height(), square);
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.fillRect(rect, even);
    for (int r = 0; r < rows; ++r)
        for (int c = (r + 1) % 2; c < columns; c += 2)
            painter.fillRect(QRectF(rect.x() + c * square, rect.y() + r * square, square, square), odd);
    painter.restore();
}

void drawCanvasCheckerboard(QPainter& painter, const QRectF& rect)
{
    drawCheckerboard(painter, rect, 12.0, QColor::fromRgbF(0.18f, 0.18f, 0.18f), QColor::fromRgbF(0.14f, 0.14f, 0.14f));
}

void drawCanvasBackdrop(QPainter& painter, const QRectF& rect, CanvasBackground background)
{
    if (auto color = canvasBackgroundColor(background))
        painter.fillRect(rect, *color);
    else
        drawCanvasCheckerboard(painter, rect);
}

void drawMiniCheckerboard(QPainter& painter, const QRectF& rect)
{
    drawCheckerboard(painter, rect, 4.0, QColor::fromRgbF(0.85f, 0.85f, 0.85f), QColor::fromRgbF(0.55f, 0.55f, 0.55f));
}

QString orbSizeLabel(double orbSize)
{
    // Toward zero, like an integer conversion; values no 64-bit integer holds read 0.
    const long long side = std::isfinite(orbSize) && std::fabs(orbSize) < 9.0e18 ? static_cast<long long>(orbSize) : 0;
    return QString::asprintf("%lld \u00d7 %lld", side, side);
}

} // namespace lumara::ui
