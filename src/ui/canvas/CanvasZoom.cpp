// Zoom and pan arithmetic of the canvas.
#include "ui/canvas/CanvasZoom.h"

#include "render/OrbRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumara::ui {

namespace {

constexpr double kFitMargin = 24.0;
constexpr double kKeptInView = 40.0;
constexpr std::array<double, 11> kSteps{0.25, 1.0 / 3.0, 0.5, 2.0 / 3.0, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0};

bool positive(double value) { return std::isfinite(value) && value > 0.0; }

} // namespace

double fitZoomFactor(double orbSize, QSizeF canvas)
{
    if (!positive(orbSize)) return 1.0;
    const double room = std::min(canvas.width(), canvas.height()) - 2.0 * kFitMargin;
    return std::clamp(room / orbSize, 0.01, 1.0);
}

double effectiveZoomFactor(const CanvasZoom& zoom, double orbSize, double largestOrbSize, QSizeF canvas,
                           double pixelsPerPoint)
{
    double factor = zoom.fit ? fitZoomFactor(orbSize, canvas)
                             : std::clamp(std::isfinite(zoom.factor) ? zoom.factor : 1.0, CanvasZoom::kMinimum, CanvasZoom::kMaximum);
    // Zooming never makes an orb too large to draw; one already too large at 100 % stays so.
    if (positive(largestOrbSize) && positive(pixelsPerPoint) && factor > 1.0)
        factor = std::max(1.0, std::min(factor, render::kMaxOrbPixels / (largestOrbSize * pixelsPerPoint)));
    return factor;
}

CanvasZoom zoomedAbout(const CanvasZoom& zoom, double drawnFactor, double drawnNewFactor, QPointF anchor)
{
    CanvasZoom next;
    next.fit = false;
    next.pan = zoom.fit ? QPointF() : zoom.pan;
    next.factor = drawnNewFactor;
    if (!positive(drawnFactor) || !positive(drawnNewFactor)) return next;
    // The orb point under the anchor, in the orb's own points, stays under it.
    const QPointF orbPoint = (anchor - next.pan) / drawnFactor;
    next.pan = anchor - orbPoint * drawnNewFactor;
    return next;
}

QPointF reachablePan(QPointF pan, double drawnSide, QSizeF canvas)
{
    if (!std::isfinite(pan.x()) || !std::isfinite(pan.y())) return {};
    const double side = positive(drawnSide) ? drawnSide : 0.0;
    const double kept = std::min(side, kKeptInView);
    const double x = std::max(0.0, (canvas.width() + side) / 2.0 - kept);
    const double y = std::max(0.0, (canvas.height() + side) / 2.0 - kept);
    return {std::clamp(pan.x(), -x, x), std::clamp(pan.y(), -y, y)};
}

double steppedZoomFactor(double factor, int direction)
{
    constexpr double tolerance = 1e-6;
    if (direction > 0) {
        for (double step : kSteps)
            if (step > factor + tolerance) return step;
        return kSteps.back();
    }
    for (auto it = kSteps.rbegin(); it != kSteps.rend(); ++it)
        if (*it < factor - tolerance) return *it;
    return kSteps.front();
}

QString zoomPercentText(double factor)
{
    const long long percent = std::isfinite(factor) ? std::llround(std::clamp(factor, 0.0, 1.0e6) * 100.0) : 0;
    return QString::asprintf("%lld %%", percent);
}

} // namespace lumara::ui
