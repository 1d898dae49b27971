// The canvas's zoom and pan as a plain value: Fit (the orb at its own size, smaller when the canvas
// cannot hold it) or a chosen factor from 25 % to 800 %, and where the orb's centre lies. The
// arithmetic of zooming about a point and of keeping the orb in reach lives here, apart from the
// widget. Any thread.
#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>

namespace lumara::ui {

struct CanvasZoom {
    static constexpr double kMinimum = 0.25;
    static constexpr double kMaximum = 8.0;

    bool fit = true;
    double factor = 1.0; // the chosen factor, when not at Fit
    QPointF pan;         // the orb's centre less the canvas's centre, in points; none at Fit

    friend bool operator==(const CanvasZoom&, const CanvasZoom&) = default;
};

// Fit's factor: 1, or less so that an orb of `orbSize` points and a margin of 24 points around it
// fit in `canvas` (points); never below 1 %. An orb size that is not a positive finite number gives 1.
double fitZoomFactor(double orbSize, QSizeF canvas);

// The factor the orbs are drawn at: Fit's or the chosen one, lowered where needed so that the
// largest orb (`largestOrbSize` points) stays within the renderer's largest square at
// `pixelsPerPoint`, so a zoom never asks for an unbounded picture.
double effectiveZoomFactor(const CanvasZoom& zoom, double orbSize, double largestOrbSize, QSizeF canvas,
                           double pixelsPerPoint);

// The zoom at `newFactor` (clamped to kMinimum...kMaximum) such that the orb point under `anchor`
// (points from the canvas's centre) stays under it; `drawnFactor` is the factor drawn now and
// `drawnNewFactor` the one that will be drawn (effectiveZoomFactor of the result).
CanvasZoom zoomedAbout(const CanvasZoom& zoom, double drawnFactor, double drawnNewFactor, QPointF anchor);

// `pan` limited so that at least 40 points of an orb of `drawnSide` points (or all of a smaller
// one) stay inside `canvas`.
QPointF reachablePan(QPointF pan, double drawnSide, QSizeF canvas);

// The next factor of the menu's steps (25, 33, 50, 67, 100, 150, 200, 300, 400, 600, 800 %)
// above (+1) or below (-1) `factor`.
double steppedZoomFactor(double factor, int direction);

// "200 %": whole percent, the same in every locale.
QString zoomPercentText(double factor);

} // namespace lumara::ui
