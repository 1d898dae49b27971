// Renders canvas frames off the UI thread. The UI hands in plain value snapshots; at most one
// frame is in flight, a request made meanwhile replaces any older waiting one (stale frames are
// never drawn), and finished frames come back on the UI thread through `frameReady`.
#pragma once

#include "model/OrbValues.h"
#include "render/Parallel.h"
#include "render/StillLayers.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRect>

#include <memory>
#include <optional>
#include <vector>

namespace lumara::ui {

// One orb of a frame, centred in the canvas at its own size.
struct FrameLayer {
    OrbValues values;
    double opacity = 1.0;
};

struct FrameRequest {
    std::vector<FrameLayer> layers;
    double time = 0.0;           // seconds on the live clock
    double pixelsPerPoint = 1.0; // the screen's device pixel ratio
    QSize canvasPixels;          // the canvas in device pixels
    int threads = 0;             // renderer worker threads (0 = all cores)
    // Workers kept between frames (then `threads` is not used); null starts them for this frame.
    // FrameRenderer sets its own; only the one frame in flight uses them.
    std::shared_ptr<render::WorkerPool> workers{};
    // The layers that do not change with time, kept between frames of the same looks; null
    // computes them. FrameRenderer lends its own, as it lends its workers. The picture is the
    // same either way.
    std::shared_ptr<render::StillLayers> stillLayers{};
    QPoint offset{}; // the orbs' centre less the canvas's centre, in device pixels (a pan)
};

struct Frame {
    QImage image;      // premultiplied; empty when nothing is drawn
    QPoint topLeft;    // where `image` goes in the canvas, in device pixels
    double time = 0.0; // the live-clock time it shows
};

// How far an orb's drop shadow can reach beyond its square, in points, per side.
struct ShadowMargins {
    double left = 0, top = 0, right = 0, bottom = 0;
};
ShadowMargins shadowMargins(const OrbValues& values);

// The part of the canvas (device pixels) that a layer can paint: its square plus the shadow
// margins, centred and then moved by `offset`, cut to the canvas.
QRect layerPixelRect(const OrbValues& values, double pixelsPerPoint, QSize canvasPixels, QPoint offset = {});

// Renders a request synchronously (any thread): the layers composited back to front.
Frame renderFrame(const FrameRequest& request);

class FrameRenderer : public QObject {
    Q_OBJECT
public:
    explicit FrameRenderer(QObject* parent = nullptr);
    ~FrameRenderer() override;

    // Starts rendering now when idle, otherwise keeps the request until the current one ends
    // (replacing any request already waiting).
    void request(FrameRequest request);
    // From launch until its frame has been delivered (not merely computed).
    bool isBusy() const { return m_inFlight; }
    // Blocks until the frame in flight (if any) is done; for orderly shutdown and tests.
    void waitForIdle();
    // Whether the layers that do not change with time are kept between frames (the default), or
    // computed for every frame, for measuring what keeping them saves.
    void setKeepsStillLayers(bool keep);

signals:
    void frameReady(const lumara::ui::Frame& frame);

private:
    void launch(FrameRequest request);
    void finished();

    QFutureWatcher<Frame> m_watcher;
    std::optional<FrameRequest> m_waiting;
    // A frame that has finished on the worker but whose result the watcher has not yet delivered
    // still counts: launching another then would replace the watched future and lose it.
    bool m_inFlight = false;
    // Touched only by the one frame in flight.
    std::shared_ptr<render::StillLayers> m_stillLayers = std::make_shared<render::StillLayers>();
    // The renderer's workers, started for the first frame and kept while the thread count stays.
    std::shared_ptr<render::WorkerPool> m_workers;
    int m_workerThreads = -1;
};

} // namespace lumara::ui
