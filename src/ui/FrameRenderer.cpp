// Frames are rendered with QtConcurrent on the global pool; the renderer spreads each frame
// over its own worker threads.
#include "ui/FrameRenderer.h"

#include "render/OrbRenderer.h"

#include <QPainter>
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

QRect layerPixelRect(const OrbValues& values, double pixelsPerPoint, QSize canvasPixels)
{
    const int side = render::orbPixelSize(values, pixelsPerPoint);
    if (side <= 0 || canvasPixels.isEmpty()) return {};
    const ShadowMargins m = shadowMargins(values);
    const double x0 = (canvasPixels.width() - side) / 2.0;
    const double y0 = (canvasPixels.height() - side) / 2.0;
    const auto px = [&](double points) { return std::min(points * pixelsPerPoint, 1.0e6); };
    const QRectF wanted(QPointF(x0 - px(m.left), y0 - px(m.top)), QPointF(x0 + side + px(m.right), y0 + side + px(m.bottom)));
    return wanted.toAlignedRect().intersected(QRect(QPoint(0, 0), canvasPixels));
}

namespace {

// The orb's square is placed at whole device pixels so it stays crisp.
QPointF squareOrigin(const OrbValues& values, double pixelsPerPoint, QSize canvasPixels)
{
    const int side = render::orbPixelSize(values, pixelsPerPoint);
    return QPointF(std::floor((canvasPixels.width() - side) / 2.0), std::floor((canvasPixels.height() - side) / 2.0));
}

QImage toQImage(render::Image&& image)
{
    if (image.width <= 0 || image.height <= 0) return {};
    auto* owned = new std::vector<std::uint8_t>(std::move(image.pixels));
    return QImage(owned->data(), image.width, image.height, image.width * 4, QImage::Format_RGBA8888_Premultiplied,
                  [](void* p) { delete static_cast<std::vector<std::uint8_t>*>(p); }, owned);
}

} // namespace

Frame renderFrame(const FrameRequest& request)
{
    Frame frame;
    frame.time = request.time;
    QRect bounds;
    for (const FrameLayer& layer : request.layers)
        if (layer.opacity > 0.0) bounds |= layerPixelRect(layer.values, request.pixelsPerPoint, request.canvasPixels);
    if (bounds.isEmpty()) return frame;
    frame.topLeft = bounds.topLeft();

    const auto renderLayer = [&](const FrameLayer& layer) {
        const QPointF origin = squareOrigin(layer.values, request.pixelsPerPoint, request.canvasPixels) - QPointF(bounds.topLeft());
        render::RenderOptions options;
        options.pixelsPerPoint = request.pixelsPerPoint;
        options.width = bounds.width();
        options.height = bounds.height();
        options.originX = origin.x();
        options.originY = origin.y();
        options.threads = request.threads;
        return toQImage(render::renderOrb(layer.values, request.time, options));
    };

    std::vector<const FrameLayer*> visible;
    for (const FrameLayer& layer : request.layers)
        if (layer.opacity > 0.0) visible.push_back(&layer);
    if (visible.size() == 1 && visible.front()->opacity >= 1.0) {
        frame.image = renderLayer(*visible.front());
        return frame;
    }
    QImage composite(bounds.size(), QImage::Format_RGBA8888_Premultiplied);
    composite.fill(Qt::transparent);
    QPainter painter(&composite);
    for (const FrameLayer* layer : visible) {
        painter.setOpacity(std::clamp(layer->opacity, 0.0, 1.0));
        painter.drawImage(QPoint(0, 0), renderLayer(*layer));
    }
    painter.end();
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
    if (m_watcher.isRunning()) {
        m_waiting = std::move(request);
        return;
    }
    launch(std::move(request));
}

void FrameRenderer::launch(FrameRequest request)
{
    m_watcher.setFuture(QtConcurrent::run([request = std::move(request)] { return renderFrame(request); }));
}

void FrameRenderer::finished()
{
    const QFuture<Frame> future = m_watcher.future();
    if (future.isValid() && future.resultCount() > 0) emit frameReady(future.result());
    if (m_waiting) {
        FrameRequest next = std::move(*m_waiting);
        m_waiting.reset();
        launch(std::move(next));
    }
}

void FrameRenderer::waitForIdle()
{
    m_waiting.reset();
    m_watcher.waitForFinished();
}

} // namespace lumara::ui
