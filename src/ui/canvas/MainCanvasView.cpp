// The canvas widget and its backdrop chooser. UI thread only; frames come from FrameRenderer.
#include "ui/canvas/MainCanvasView.h"

#include "document/OrbDocument.h"
#include "ui/style/Theme.h"
#include "ui/widgets/Capsule.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QSlider>
#include <QWindow>

#include <cmath>

namespace lumara::ui {

namespace {

// One swatch of the backdrop chooser: an 18-point disc in a 24-point square, ringed when chosen.
class SwatchButton : public QAbstractButton {
public:
    SwatchButton(CanvasBackground background, QWidget* parent) : QAbstractButton(parent), m_background(background)
    {
        setFixedSize(24, 24);
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setToolTip(canvasBackgroundName(background));
        setAccessibleName(canvasBackgroundName(background));
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF disc(3, 3, 18, 18);
        QPainterPath circle;
        circle.addEllipse(disc);
        if (auto color = canvasBackgroundColor(m_background)) {
            p.setPen(QPen(withAlpha(QColor(128, 128, 128), 0.45), 0.5));
            p.setBrush(*color);
            p.drawEllipse(disc);
        } else {
            p.save();
            p.setClipPath(circle);
            drawMiniCheckerboard(p, disc);
            p.restore();
        }
        if (isChecked()) {
            p.setPen(QPen(brandAccent(), 2.0));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(1, 1, 22, 22));
        } else if (underMouse()) {
            p.setPen(QPen(withAlpha(brandAccent(), 0.45), 1.0));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(1.5, 1.5, 21, 21));
        }
    }
    void enterEvent(QEnterEvent* e) override
    {
        update();
        QAbstractButton::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override
    {
        update();
        QAbstractButton::leaveEvent(e);
    }

private:
    CanvasBackground m_background;
};

} // namespace

CanvasBackgroundPicker::CanvasBackgroundPicker(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 6, 10, 6);
    row->setSpacing(6);
    for (CanvasBackground background : kAllCanvasBackgrounds) {
        auto* button = new SwatchButton(background, this);
        connect(button, &QAbstractButton::clicked, this, [this, background] { emit picked(background); });
        row->addWidget(button);
        m_buttons.push_back(button);
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CanvasBackgroundPicker::setRawValue(int raw)
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i) m_buttons[i]->setChecked(int(i) == raw);
}

QAbstractButton* CanvasBackgroundPicker::button(CanvasBackground background) const
{
    return m_buttons.at(std::size_t(background));
}

void CanvasBackgroundPicker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintMaterialCapsule(p, rect(), true);
}

namespace {

// The slider scrubs within a minute: the one holding the time shown.
constexpr int kScrubSpan = 60;
// The start of the minute the slider shows for a time held.
double scrubSpanStart(double time) { return std::floor(time / kScrubSpan) * kScrubSpan; }
// About four months of motion: beyond it the time shown loses its hundredths.
constexpr double kLatestShownTime = 1.0e7;

// The capsule the time control sits on, like the backdrop chooser's.
class TimeCapsule : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        paintMaterialCapsule(p, rect(), true);
    }
};

} // namespace

MainCanvasView::MainCanvasView(OrbDocument* document, QSettings* settings, QWidget* parent)
    : QWidget(parent), m_document(document), m_settings(settings)
{
    m_elapsed.start();
    m_clock = [this] { return double(m_elapsed.nsecsElapsed()) / 1.0e9; };
    m_backgroundRawValue = storedCanvasBackground(*m_settings);

    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus); // a click on the canvas ends a rename in the strip
    setMinimumSize(240, 200);
    setAccessibleName(tr("Canvas"));

    m_picker = new CanvasBackgroundPicker(this);
    m_picker->setRawValue(m_backgroundRawValue);
    connect(m_picker, &CanvasBackgroundPicker::picked, this, &MainCanvasView::setBackground);

    m_sizeLabel = new CapsuleLabel(8, 4, true, this);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(11);
    m_sizeLabel->setFont(mono);
    m_sizeLabel->setForegroundRole(QPalette::PlaceholderText);
    m_sizeLabel->setAccessibleName(tr("Orb size"));

    m_timeControl = new TimeCapsule(this);
    m_timeControl->setAccessibleName(tr("Time shown"));
    auto* timeRow = new QHBoxLayout(m_timeControl);
    timeRow->setContentsMargins(10, 3, 10, 3);
    timeRow->setSpacing(8);
    m_timeSlider = new QSlider(Qt::Horizontal, m_timeControl);
    m_timeSlider->setRange(0, kScrubSpan * 100);
    m_timeSlider->setSingleStep(1);   // a hundredth of a second
    m_timeSlider->setPageStep(100);   // a second
    m_timeSlider->setFixedWidth(180);
    m_timeSlider->setAccessibleName(tr("Scrub time"));
    m_timeSlider->setToolTip(tr("Drag to choose the moment shown"));
    m_timeLabel = new QLabel(m_timeControl);
    m_timeLabel->setFont(mono);
    m_timeLabel->setForegroundRole(QPalette::PlaceholderText);
    m_timeLabel->setMinimumWidth(QFontMetrics(mono).horizontalAdvance(QStringLiteral("00000.00 s")));
    m_timeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    timeRow->addWidget(m_timeSlider);
    timeRow->addWidget(m_timeLabel);
    m_timeControl->hide();
    connect(m_timeSlider, &QSlider::valueChanged, this, [this](int hundredths) {
        if (!m_pausedTime) return;
        setShownTime(scrubSpanStart(*m_pausedTime) + hundredths / 100.0);
    });

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(12, 0, 12, 12);
    footer->addWidget(m_picker, 0, Qt::AlignBottom);
    footer->addStretch(1);
    footer->addWidget(m_timeControl, 0, Qt::AlignBottom);
    footer->addStretch(1);
    footer->addWidget(m_sizeLabel, 0, Qt::AlignBottom);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch(1);
    column->addLayout(footer);

    connect(&m_renderer, &FrameRenderer::frameReady, this, &MainCanvasView::frameReady);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &MainCanvasView::tick);

    // The label follows the selected state's size, also during playback.
    connect(document, &OrbDocument::currentConfigurationChanged, this, &MainCanvasView::updateSizeLabel);
    connect(document, &OrbDocument::statesChanged, this, &MainCanvasView::updateSizeLabel);
    updateSizeLabel();
    // While paused, a frame is drawn for each change of the look instead of on every refresh.
    connect(document, &OrbDocument::currentConfigurationChanged, this, &MainCanvasView::lookChanged);
    connect(document, &OrbDocument::statesChanged, this, &MainCanvasView::lookChanged);
    setDrawing(canvasDrawingForProcess());
}

void MainCanvasView::setDrawing(const CanvasDrawingChoice& choice)
{
    m_drawing = choice;
    const bool gpu = choice.drawing == CanvasDrawing::gpu;
    if (gpu && !m_surface) {
        m_surface = new GpuCanvasSurface(this);
        m_surface->setGeometry(rect());
        m_surface->lower(); // under the backdrop chooser and the size label
        connect(m_surface, &GpuCanvasSurface::failed, this, &MainCanvasView::gpuFailed);
        connect(m_surface, &GpuCanvasSurface::framePresented, this, [this] {
            ++m_presentedFrames;
            emit framePresented();
        });
        m_surface->show();
    } else if (!gpu && m_surface) {
        delete m_surface.data();
    }
    m_frame = {};
    update();
    tick();
}

void MainCanvasView::gpuFailed(const QString& why)
{
    CanvasDrawingChoice cpu = m_drawing;
    cpu.drawing = CanvasDrawing::cpu;
    cpu.reason = why;
    // Not from inside the surface's own signal: it goes now.
    QTimer::singleShot(0, this, [this, cpu] { setDrawing(cpu); });
}

MainCanvasView::~MainCanvasView() { m_renderer.waitForIdle(); }

double MainCanvasView::shownTime() const { return m_pausedTime ? *m_pausedTime : m_clock() - m_timeOffset; }

void MainCanvasView::setMotionPaused(bool paused)
{
    if (paused == isMotionPaused()) return;
    if (paused)
        m_pausedTime = std::clamp(shownTime(), 0.0, kLatestShownTime);
    else {
        m_timeOffset = m_clock() - *m_pausedTime; // on from the time held
        m_pausedTime.reset();
    }
    updateTimeControl();
    updateFrameTimer();
    lookChanged(); // paused, it draws the moment held
    if (!paused) tick();
    emit motionPausedChanged(paused);
}

void MainCanvasView::setShownTime(double seconds)
{
    if (!m_pausedTime || !std::isfinite(seconds)) return;
    seconds = std::clamp(seconds, 0.0, kLatestShownTime);
    if (seconds == *m_pausedTime) return;
    m_pausedTime = seconds;
    updateTimeControl();
    tick();
    emit shownTimeChanged(seconds);
}

QString MainCanvasView::timeLabelText() const { return m_timeLabel->text(); }

void MainCanvasView::updateTimeControl()
{
    m_timeControl->setVisible(isMotionPaused());
    if (!m_pausedTime) return;
    // Hundredths, the C locale's decimal point whatever the user's.
    m_timeLabel->setText(QString::asprintf("%.2f s", *m_pausedTime));
    const QSignalBlocker quiet(m_timeSlider);
    m_timeSlider->setValue(int(std::lround((*m_pausedTime - scrubSpanStart(*m_pausedTime)) * 100.0)));
}

void MainCanvasView::lookChanged()
{
    disconnect(m_lookConnection);
    if (!isMotionPaused() || !m_document) return;
    m_lookConnection = connect(m_document->currentConfiguration(), &OrbConfiguration::changed, this, [this] { tick(); });
    tick();
}

void MainCanvasView::setPlaying(bool playing)
{
    if (m_isPlaying == playing) return;
    m_isPlaying = playing;
    updateFrameTimer();
    tick();
}

void MainCanvasView::setBackground(CanvasBackground background)
{
    m_backgroundRawValue = int(background);
    storeCanvasBackground(*m_settings, background);
    m_picker->setRawValue(m_backgroundRawValue);
    update();
    if (m_surface) tick();
}

QString MainCanvasView::sizeLabelText() const { return m_sizeLabel->text(); }

void MainCanvasView::updateSizeLabel()
{
    if (!m_document) return;
    OrbConfiguration* config = m_document->currentConfiguration();
    const double zoom = drawnZoomFactor();
    // At Fit the factor shows only when the orb had to be made smaller to fit.
    const bool plain = m_zoom.fit && zoom == 1.0;
    m_sizeLabel->setText(plain ? orbSizeLabel(config->orbSize())
                               : orbSizeLabel(config->orbSize()) + QStringLiteral(" \u00b7 ") + zoomPercentText(zoom));
    // Re-attach to the size of whichever configuration is current now.
    disconnect(m_sizeConnection);
    m_sizeConnection = connect(config, &OrbConfiguration::orbSizeChanged, this, &MainCanvasView::updateSizeLabel);
}

std::vector<render::PlaybackLayer> MainCanvasView::currentLayers()
{
    if (!m_document) return {};
    const auto count = std::size_t(m_document->states().size());
    const double now = m_clock();
    const bool playing = m_isPlaying && count >= 2;
    if (playing && !m_playback.isRunning()) m_playback.start(now, count, m_document->transitionDuration());
    if (!playing && m_playback.isRunning()) m_playback.stop();
    if (!playing) return {{std::size_t(m_document->effectiveSelectedIndex()), 1.0}};
    m_playback.advance(now, count, m_document->transitionDuration());
    return m_playback.visibleLayers(now, count);
}

void MainCanvasView::setDrawsWhileHidden(bool draws)
{
    m_drawsWhileHidden = draws;
    updateFrameTimer();
}

bool MainCanvasView::isShownOnScreen() const
{
    if (!isVisible()) return false;
    if (m_drawsWhileHidden) return true;
    const QWidget* top = window();
    if (top->windowState() & Qt::WindowMinimized) return false;
    // Unmapped (minimised without the window manager saying so), on another workspace, or not yet
    // mapped: the windowing system tells by the native window's exposure.
    const QWindow* surface = top->windowHandle();
    return !surface || surface->isExposed();
}

void MainCanvasView::updateFrameTimer()
{
    // Paused, only a playing stack of states still moves.
    const bool moving = !isMotionPaused() || (m_isPlaying && m_document && m_document->states().size() >= 2);
    if (isShownOnScreen() && moving) {
        const double hz = screen() ? screen()->refreshRate() : 60.0;
        m_frameTimer.setInterval(std::max(4, int(std::lround(1000.0 / std::clamp(hz, 24.0, 240.0)))));
        if (!m_frameTimer.isActive()) m_frameTimer.start();
    } else {
        m_frameTimer.stop();
    }
}

void MainCanvasView::tick()
{
    std::vector<render::PlaybackLayer> layers = currentLayers();
    if (!isShownOnScreen()) return;
    if (m_renderer.isBusy()) {
        m_frameWanted = true; // the newest snapshot is taken when the frame in flight returns
        return;
    }
    const auto& states = m_document->states();
    const double zoom = drawnZoomFactor();
    if (m_surface) {
        std::vector<FrameLayer> shown;
        for (const render::PlaybackLayer& layer : layers)
            shown.push_back({states.at(qsizetype(layer.index))->config()->values(), layer.opacity});
        m_surface->setScene(std::move(shown), shownTime(), background(), zoom, drawnOffset());
        ++m_requestedFrames;
        m_surface->update();
        return;
    }
    FrameRequest request;
    for (const render::PlaybackLayer& layer : layers)
        request.layers.push_back({states.at(qsizetype(layer.index))->config()->values(), layer.opacity});
    request.time = shownTime();
    // Zoomed, the orb is rendered at its zoomed size: detail, not enlarged pixels.
    request.pixelsPerPoint = devicePixelRatioF() * zoom;
    request.canvasPixels = (QSizeF(size()) * devicePixelRatioF()).toSize();
    request.offset = drawnOffset();
    m_frameWanted = false;
    ++m_requestedFrames;
    m_renderer.request(std::move(request));
}

void MainCanvasView::requestFrame() { tick(); }

// The part of the canvas (in points) that a frame's picture covers.
static QRect frameArea(const Frame& frame, double dpr)
{
    if (frame.image.isNull()) return {};
    return QRectF(QPointF(frame.topLeft) / dpr, QSizeF(frame.image.size()) / dpr).toAlignedRect();
}

void MainCanvasView::frameReady(const Frame& frame)
{
    const double dpr = devicePixelRatioF();
    const QRect before = frameArea(m_frame, dpr);
    m_frame = frame;
    ++m_presentedFrames;
    // Only where the old or the new picture lies changes: the backdrop elsewhere stays on screen.
    update(before.united(frameArea(m_frame, dpr)));
    emit framePresented();
    if (m_frameWanted) requestFrame();
}

void MainCanvasView::paintEvent(QPaintEvent*)
{
    if (m_surface) return; // the surface covers the canvas
    const double dpr = devicePixelRatioF();
    // The backdrop is kept as a picture of the canvas's size, so a frame only copies the part of it
    // that the orb moved over.
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    if (m_backdrop.size() != pixels || m_backdrop.devicePixelRatio() != dpr || m_backdropOf != background()) {
        m_backdrop = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_backdrop.setDevicePixelRatio(dpr);
        m_backdropOf = background();
        QPainter b(&m_backdrop);
        drawCanvasBackdrop(b, rect(), m_backdropOf);
    }
    QPainter p(this);
    p.drawImage(QPointF(0, 0), m_backdrop);
    if (!m_frame.image.isNull()) {
        QImage image = m_frame.image;
        image.setDevicePixelRatio(dpr);
        p.drawImage(QPointF(m_frame.topLeft) / dpr, image);
    }
}

void MainCanvasView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (window() != m_watchedWindow) {
        if (m_watchedWindow) m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = window();
        m_watchedWindow->installEventFilter(this);
    }
    if (window()->windowHandle() != m_watchedSurface) {
        if (m_watchedSurface) m_watchedSurface->removeEventFilter(this);
        m_watchedSurface = window()->windowHandle();
        if (m_watchedSurface) m_watchedSurface->installEventFilter(this);
    }
    updateFrameTimer();
    tick();
}

void MainCanvasView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_surface) m_surface->setGeometry(rect());
    updateSizeLabel(); // Fit's factor follows the canvas's size
    if (isMotionPaused()) tick(); // the orb stays centred
}

void MainCanvasView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateFrameTimer();
}

double MainCanvasView::largestOrbSize() const
{
    double largest = 0.0;
    if (m_document)
        for (const OrbState* state : m_document->states())
            if (const double side = state->config()->orbSize(); std::isfinite(side)) largest = std::max(largest, side);
    return largest;
}

double MainCanvasView::drawnZoomFactor() const
{
    if (!m_document) return 1.0;
    return effectiveZoomFactor(m_zoom, m_document->currentConfiguration()->orbSize(), largestOrbSize(), QSizeF(size()),
                               devicePixelRatioF());
}

QPoint MainCanvasView::drawnOffset() const
{
    if (m_zoom.fit) return {};
    const QPointF pixels = m_zoom.pan * devicePixelRatioF();
    return {int(std::lround(pixels.x())), int(std::lround(pixels.y()))};
}

QPointF MainCanvasView::orbCentre() const
{
    return QPointF(width() / 2.0, height() / 2.0) + QPointF(drawnOffset()) / devicePixelRatioF();
}

QPointF MainCanvasView::orbPointAt(QPointF canvasPoint) const { return (canvasPoint - orbCentre()) / drawnZoomFactor(); }

bool MainCanvasView::orbExceedsCanvas() const
{
    if (!m_document) return false;
    const double side = m_document->currentConfiguration()->orbSize() * drawnZoomFactor();
    return std::isfinite(side) && (side > width() || side > height());
}

void MainCanvasView::setZoom(CanvasZoom zoom)
{
    if (zoom.fit) zoom.pan = {};
    const double side = m_document ? m_document->currentConfiguration()->orbSize() : 0.0;
    const double drawn = effectiveZoomFactor(zoom, side, largestOrbSize(), QSizeF(size()), devicePixelRatioF());
    zoom.pan = reachablePan(zoom.pan, side * drawn, QSizeF(size()));
    if (zoom == m_zoom) return;
    m_zoom = zoom;
    updateSizeLabel();
    tick();
    emit zoomChanged();
}

void MainCanvasView::setZoomFactor(double factor, std::optional<QPointF> anchor)
{
    if (!std::isfinite(factor) || !m_document) return;
    CanvasZoom wanted = m_zoom;
    wanted.fit = false;
    wanted.factor = std::clamp(factor, CanvasZoom::kMinimum, CanvasZoom::kMaximum);
    const double drawnNew = effectiveZoomFactor(wanted, m_document->currentConfiguration()->orbSize(), largestOrbSize(),
                                                QSizeF(size()), devicePixelRatioF());
    const QPointF centre(width() / 2.0, height() / 2.0);
    setZoom(zoomedAbout(m_zoom, drawnZoomFactor(), drawnNew, anchor.value_or(centre) - centre));
}

void MainCanvasView::zoomIn() { setZoomFactor(steppedZoomFactor(drawnZoomFactor(), +1)); }
void MainCanvasView::zoomOut() { setZoomFactor(steppedZoomFactor(drawnZoomFactor(), -1)); }
void MainCanvasView::zoomToFit() { setZoom(CanvasZoom{}); }
void MainCanvasView::zoomToActualSize() { setZoom(CanvasZoom{false, 1.0, {}}); }

void MainCanvasView::panBy(QPointF points)
{
    CanvasZoom moved = m_zoom;
    if (moved.fit) moved = CanvasZoom{false, drawnZoomFactor(), {}};
    moved.pan += points;
    setZoom(moved);
}

bool MainCanvasView::event(QEvent* event)
{
    // Space stays with the canvas: a tap pauses (spaceTapped), held down it turns a drag into a pan.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            setZoomFactor(drawnZoomFactor() * (1.0 + gesture->value()), gesture->position());
            return true;
        }
        if (gesture->gestureType() == Qt::SmartZoomNativeGesture) {
            zoomToFit();
            return true;
        }
    }
    return QWidget::event(event);
}

void MainCanvasView::wheelEvent(QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        // A notch (120) is a quarter more or less.
        const double notches = (angle.y() != 0 ? angle.y() : angle.x()) / 120.0;
        if (notches != 0.0) setZoomFactor(drawnZoomFactor() * std::pow(1.25, notches), event->position());
        event->accept();
        return;
    }
    if (!orbExceedsCanvas()) {
        event->ignore();
        return;
    }
    // Scrolling moves the view over the orb: the orb goes the way the content of a page would.
    const QPointF delta = !event->pixelDelta().isNull() ? QPointF(event->pixelDelta()) : QPointF(angle) / 120.0 * 48.0;
    panBy(delta);
    event->accept();
}

void MainCanvasView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && m_spaceHeld)) {
        m_panFrom = event->position();
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void MainCanvasView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_panFrom) return QWidget::mouseMoveEvent(event);
    panBy(event->position() - *m_panFrom);
    m_panFrom = event->position();
    if (m_spaceHeld) m_draggedWithSpace = true;
    event->accept();
}

void MainCanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_panFrom && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        endPan();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void MainCanvasView::endPan()
{
    m_panFrom.reset();
    if (m_spaceHeld) setCursor(Qt::OpenHandCursor);
    else unsetCursor();
}

void MainCanvasView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat()) {
            m_spaceHeld = true;
            m_draggedWithSpace = false;
            if (!m_panFrom) setCursor(Qt::OpenHandCursor);
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainCanvasView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && m_spaceHeld) {
        m_spaceHeld = false;
        if (!m_panFrom) unsetCursor();
        if (!m_draggedWithSpace) emit spaceTapped();
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void MainCanvasView::focusOutEvent(QFocusEvent* event)
{
    m_spaceHeld = false; // its release goes elsewhere now
    if (!m_panFrom) unsetCursor();
    QWidget::focusOutEvent(event);
}

bool MainCanvasView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::WindowStateChange) updateFrameTimer();
    // Exposure is already updated when the event arrives. Seen again: a frame on the live clock at
    // once, not at the next tick.
    if (watched == m_watchedSurface && event->type() == QEvent::Expose) {
        const bool wasRunning = m_frameTimer.isActive();
        updateFrameTimer();
        // Paused, the look may have changed while it was not seen.
        if (!wasRunning && (m_frameTimer.isActive() || (isMotionPaused() && isShownOnScreen()))) tick();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lumara::ui
