// Frames are rendered with QtConcurrent on the global pool; the renderer spreads each frame
// over worker threads this renderer keeps between frames.
#include "ui/canvas/FrameRenderer.h"

#include "render/LayerStack.h"
#include "render/OrbRenderer.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

namespace lumara::ui {

ShadowMargins shadowMargins(const OrbValues& values)
{
    if (!values.showShadow) return {};
    const double side = values.orbSize;
    const double scale = values.shadowRadius;
    if (!std::isfinite(side) || !std::isfinite(scale) || side <= 0 || scale <= 0) return {};
    // The far shadow: blur radius 3r and an offset of 0.75r down, with r = side * 0.08 * shadowRadius.
    // A Gaussian blur fades out by about twice its radius.
    const double r = side * 0.08 * scale;
    const double reach = 2.0 * 3.0 * r;
    return {reach, std::max(0.0, reach - 0.75 * r), reach, reach + 0.75 * r};
}

QRect layerPixelRect(const OrbValues& values, double pixelsPerPoint, QSize canvasPixels, QPoint offset)
{
    const int side = render::orbPixelSize(values, pixelsPerPoint);
    if (side <= 0 || canvasPixels.isEmpty()) return {};
    const ShadowMargins m = shadowMargins(values);
    const double x0 = (canvasPixels.width() - side) / 2.0 + offset.x();
    const double y0 = (canvasPixels.height() - side) / 2.0 + offset.y();
    const auto px = [&](double points) { return std::min(points * pixelsPerPoint, 1.0e6); };
    const QRectF wanted(QPointF(x0 - px(m.left), y0 - px(m.top)), QPointF(x0 + side + px(m.right), y0 + side + px(m.bottom)));
    return wanted.toAlignedRect().intersected(QRect(QPoint(0, 0), canvasPixels));
}

namespace {

// The orb's square is placed at whole device pixels so it stays crisp.
QPointF squareOrigin(const OrbValues& values, double pixelsPerPoint, QSize canvasPixels, QPoint offset)
{
    const int side = render::orbPixelSize(values, pixelsPerPoint);
    return QPointF(render::centredOrigin(canvasPixels.width(), side) + offset.x(),
                   render::centredOrigin(canvasPixels.height(), side) + offset.y());
}

QImage toQImage(render::Image&& image)
{
    if (image.width <= 0 || image.height <= 0) return {};
    auto* owned = new std::vector<std::uint8_t>(std::move(image.pixels));
    return QImage(owned->data(), image.width, image.height, image.width * 4, QImage::Format_RGBA8888_Premultiplied,
                  [](void* p) { delete static_cast<std::vector<std::uint8_t>*>(p); }, owned);
}

} // namespace

namespace {

render::RenderOptions optionsFor(const FrameLayer& layer, const FrameRequest& request, const QRect& target)
{
    const QPointF origin =
        squareOrigin(layer.values, request.pixelsPerPoint, request.canvasPixels, request.offset) - QPointF(target.topLeft());
    render::RenderOptions options;
    options.pixelsPerPoint = request.pixelsPerPoint;
    options.width = target.width();
    options.height = target.height();
    options.originX = origin.x();
    options.originY = origin.y();
    options.threads = request.threads;
    options.workers = request.workers.get();
    options.stillLayers = request.stillLayers.get();
    return options;
}

// The whole layer, shadow included, over `target`.
QImage renderDirect(const FrameLayer& layer, const FrameRequest& request, const QRect& target)
{
    return toQImage(render::renderOrb(layer.values, request.time, optionsFor(layer, request, target)));
}

QRect frameBounds(const FrameRequest& request)
{
    QRect bounds;
    for (const FrameLayer& layer : request.layers)
        if (layer.opacity > 0.0) bounds |= layerPixelRect(layer.values, request.pixelsPerPoint, request.canvasPixels, request.offset);
    return bounds;
}

} // namespace

Frame renderFrame(const FrameRequest& request)
{
    Frame frame;
    frame.time = request.time;
    const QRect bounds = frameBounds(request);
    if (bounds.isEmpty()) return frame;
    frame.topLeft = bounds.topLeft();
    std::vector<const FrameLayer*> visible;
    for (const FrameLayer& layer : request.layers)
        if (layer.opacity > 0.0) visible.push_back(&layer);
    if (visible.size() == 1 && visible.front()->opacity >= 1.0) {
        frame.image = renderDirect(*visible.front(), request, bounds);
        return frame;
    }
    QImage composite(bounds.size(), QImage::Format_RGBA8888_Premultiplied);
    composite.fill(Qt::transparent);
    for (const FrameLayer* layer : visible) {
        const QImage image = renderDirect(*layer, request, bounds);
        if (image.size() != composite.size() || image.format() != composite.format()) continue;
        for (int y = 0; y < composite.height(); ++y)
            render::drawOver(composite.scanLine(y), image.constScanLine(y), std::size_t(composite.width()), layer->opacity);
    }
    frame.image = std::move(composite);
    return frame;
}


FrameRenderer::FrameRenderer(QObject* parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<Frame>::finished, this, &FrameRenderer::finished);
}

FrameRenderer::~FrameRenderer() { waitForIdle(); }

void FrameRenderer::request(FrameRequest request)
{
    if (m_inFlight) {
        m_waiting = std::move(request);
        return;
    }
    launch(std::move(request));
}

void FrameRenderer::launch(FrameRequest request)
{
    m_inFlight = true;
    if (!request.workers) {
        if (!m_workers || m_workerThreads != request.threads) {
            m_workers = std::make_shared<render::WorkerPool>(request.threads);
            m_workerThreads = request.threads;
        }
        request.workers = m_workers;
    }
    if (!request.stillLayers) request.stillLayers = m_stillLayers;
    m_watcher.setFuture(QtConcurrent::run([request = std::move(request)] { return renderFrame(request); }));
}

void FrameRenderer::finished()
{
    m_inFlight = false;
    const QFuture<Frame> future = m_watcher.future();
    if (future.isValid() && future.resultCount() > 0) emit frameReady(future.result());
    if (m_waiting) {
        FrameRequest next = std::move(*m_waiting);
        m_waiting.reset();
        launch(std::move(next));
    }
}

void FrameRenderer::setKeepsStillLayers(bool keep)
{
    // A frame in flight keeps the cache it was lent alive until it ends.
    if (keep != bool(m_stillLayers)) m_stillLayers = keep ? std::make_shared<render::StillLayers>() : nullptr;
}

void FrameRenderer::waitForIdle()
{
    m_waiting.reset();
    m_watcher.waitForFinished();
    m_inFlight = false;
}

} // namespace lumara::ui
