// Frames are rendered with QtConcurrent on the global pool; the renderer spreads each frame
// over worker threads this renderer keeps between frames.
#include "ui/canvas/FrameRenderer.h"

#include "render/LayerStack.h"
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
    return QPointF(render::centredOrigin(canvasPixels.width(), side), render::centredOrigin(canvasPixels.height(), side));
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
    const QPointF origin = squareOrigin(layer.values, request.pixelsPerPoint, request.canvasPixels) - QPointF(target.topLeft());
    render::RenderOptions options;
    options.pixelsPerPoint = request.pixelsPerPoint;
    options.width = target.width();
    options.height = target.height();
    options.originX = origin.x();
    options.originY = origin.y();
    options.threads = request.threads;
    options.workers = request.workers.get();
    return options;
}

// The whole layer, shadow included, over `target`.
QImage renderDirect(const FrameLayer& layer, const FrameRequest& request, const QRect& target)
{
    return toQImage(render::renderOrb(layer.values, request.time, optionsFor(layer, request, target)));
}

// The orb's own square, cut to the canvas.
QRect squareRect(const OrbValues& values, double pixelsPerPoint, QSize canvasPixels)
{
    const int side = render::orbPixelSize(values, pixelsPerPoint);
    const QPointF origin = squareOrigin(values, pixelsPerPoint, canvasPixels);
    return QRect(origin.toPoint(), QSize(side, side)).intersected(QRect(QPoint(0, 0), canvasPixels));
}

// The orb alone (no shadow) over `target`.
QImage renderBare(const FrameLayer& layer, const FrameRequest& request, const QRect& target)
{
    FrameLayer bare = layer;
    bare.values.showShadow = false;
    return renderDirect(bare, request, target);
}

bool sameAlpha(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            if (std::abs(int(p[4 * x + 3]) - int(q[4 * x + 3])) > 1) return false;
    }
    return true;
}

// The square of this moment: the bare orb plus the shadow kept as seen through it. With the
// outline still, the frame was bare + shadow * (1 - a), so adding the difference back is exact.
void addShadow(QImage& square, const QImage& shadowUnder)
{
    for (int y = 0; y < square.height(); ++y) {
        uchar* out = square.scanLine(y);
        const uchar* shadow = shadowUnder.constScanLine(y);
        for (int x = 0; x < square.width() * 4; ++x) out[x] = uchar(std::min(255, int(out[x]) + int(shadow[x])));
    }
}

// One layer over `target` through the cache.
QImage renderCached(const FrameLayer& layer, const FrameRequest& request, const QRect& target, FrameCache& cache)
{
    const QRect bounds = layerPixelRect(layer.values, request.pixelsPerPoint, request.canvasPixels);
    const QRect square = squareRect(layer.values, request.pixelsPerPoint, request.canvasPixels);
    if (!layer.values.showShadow || bounds == square || square.isEmpty()) return renderDirect(layer, request, target);
    FrameCache::Entry* entry = nullptr;
    for (FrameCache::Entry& e : cache.entries)
        if (e.values == layer.values && e.pixelsPerPoint == request.pixelsPerPoint && e.canvasPixels == request.canvasPixels)
            entry = &e;
    if (!entry) {
        // A new look (a slider moving, say): draw it whole; only a look seen again is worth keeping.
        if (cache.entries.size() >= 4) cache.entries.erase(cache.entries.begin());
        cache.entries.push_back({layer.values, request.pixelsPerPoint, request.canvasPixels, {}, {}, {}, false});
        return renderDirect(layer, request, target);
    }
    if (entry->drawWhole) return renderDirect(layer, request, target);
    QImage result(target.size(), QImage::Format_RGBA8888_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    if (entry->outside.isNull()) {
        // The look is held: draw it whole once more. Outside the orb's square the frame is shadow
        // alone, which does not move with time; keep it, and the shadow seen through the orb
        // inside the square, for the next frames of this look.
        const QImage full = renderDirect(layer, request, bounds);
        FrameCache::Entry& kept = *entry;
        kept.outside = full.copy();
        kept.bounds = bounds;
        const QRect inFull = square.translated(-bounds.topLeft());
        const QImage bareThen = renderBare(layer, request, square);
        FrameRequest later = request;
        later.time += 0.37;
        kept.drawWhole = !sameAlpha(bareThen, renderBare(layer, later, square));
        kept.shadowUnder = full.copy(inFull);
        for (int y = 0; y < kept.shadowUnder.height(); ++y) {
            uchar* s = kept.shadowUnder.scanLine(y);
            const uchar* orb = bareThen.constScanLine(y);
            for (int x = 0; x < kept.shadowUnder.width() * 4; ++x) s[x] = uchar(std::max(0, int(s[x]) - int(orb[x])));
        }
        QPainter clear(&kept.outside);
        clear.setCompositionMode(QPainter::CompositionMode_Clear);
        clear.fillRect(inFull, Qt::transparent);
        clear.end();
        painter.drawImage(bounds.topLeft() - target.topLeft(), full);
        return result;
    }
    QImage now = renderBare(layer, request, square);
    addShadow(now, entry->shadowUnder);
    painter.drawImage(entry->bounds.topLeft() - target.topLeft(), entry->outside);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(square.topLeft() - target.topLeft(), now);
    painter.end();
    return result;
}

QRect frameBounds(const FrameRequest& request)
{
    QRect bounds;
    for (const FrameLayer& layer : request.layers)
        if (layer.opacity > 0.0) bounds |= layerPixelRect(layer.values, request.pixelsPerPoint, request.canvasPixels);
    return bounds;
}

template <typename RenderLayer>
Frame composeFrame(const FrameRequest& request, RenderLayer&& renderLayer)
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
        frame.image = renderLayer(*visible.front(), bounds);
        return frame;
    }
    QImage composite(bounds.size(), QImage::Format_RGBA8888_Premultiplied);
    composite.fill(Qt::transparent);
    for (const FrameLayer* layer : visible) {
        const QImage image = renderLayer(*layer, bounds);
        if (image.size() != composite.size() || image.format() != composite.format()) continue;
        for (int y = 0; y < composite.height(); ++y)
            render::drawOver(composite.scanLine(y), image.constScanLine(y), std::size_t(composite.width()), layer->opacity);
    }
    frame.image = std::move(composite);
    return frame;
}

} // namespace

Frame renderFrame(const FrameRequest& request)
{
    return composeFrame(request, [&](const FrameLayer& layer, const QRect& target) { return renderDirect(layer, request, target); });
}

Frame renderFrame(const FrameRequest& request, FrameCache& cache)
{
    return composeFrame(request,
                        [&](const FrameLayer& layer, const QRect& target) { return renderCached(layer, request, target, cache); });
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
    m_watcher.setFuture(QtConcurrent::run([request = std::move(request), cache = m_cache] { return renderFrame(request, *cache); }));
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

void FrameRenderer::waitForIdle()
{
    m_waiting.reset();
    m_watcher.waitForFinished();
    m_inFlight = false;
}

} // namespace lumara::ui
