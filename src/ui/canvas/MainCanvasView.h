// The central canvas: the backdrop, the live orb (or the playing stack of states with their
// cross-fade) and the footer with the backdrop chooser and the size label. Frames are rendered
// off the UI thread from value snapshots, or drawn on the GPU where the machine has one; the canvas
// stops asking for frames while it is hidden or its window is minimised. UI thread only.
#pragma once

#include "document/OrbDocument.h"

#include "render/Playback.h"
#include "ui/canvas/CanvasBackground.h"
#include "ui/canvas/CanvasZoom.h"
#include "ui/canvas/FrameRenderer.h"
#include "ui/canvas/GpuCanvas.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <optional>

class QAbstractButton;
class QLabel;
class QSlider;
class QSettings;


namespace lumara::ui {

class CanvasBackgroundPicker;

class MainCanvasView : public QWidget {
    Q_OBJECT
public:
    // `settings` holds "canvasBackground"; it must outlive the canvas.
    MainCanvasView(OrbDocument* document, QSettings* settings, QWidget* parent = nullptr);
    ~MainCanvasView() override;

    bool isPlaying() const { return m_isPlaying; }
    // A frame is being rendered on a worker thread.
    bool isRenderingFrame() const { return m_renderer.isBusy(); }
    void setPlaying(bool playing);

    int backgroundRawValue() const { return m_backgroundRawValue; }
    CanvasBackground background() const { return canvasBackgroundForRaw(m_backgroundRawValue); }
    void setBackground(CanvasBackground background);

    const render::Playback& playback() const { return m_playback; }
    // The layers the next frame would show (state index, opacity) at the clock's present time.
    std::vector<render::PlaybackLayer> currentLayers();
    QString sizeLabelText() const;

    // Replaces the live clock (monotonic seconds); tests use a fixed one.
    void setClock(std::function<double()> clock) { m_clock = std::move(clock); }
    // The present time of the live clock, in seconds.
    double liveTime() const { return m_clock(); }
    // The time the orbs are shown at: the live clock, less the time spent paused; while paused,
    // the time held (or scrubbed to). The still picture and its export use it.
    double shownTime() const;
    bool isMotionPaused() const { return m_pausedTime.has_value(); }
    // Freezes the orbs' own clock at the time shown; resuming goes on from there, without a jump.
    // While paused (and no states play) the canvas draws only when the look, the size or the time
    // shown changes. State playback keeps its own clock.
    void setMotionPaused(bool paused);
    // Moves the time shown while paused (seconds, at least 0); ignored while the motion runs.
    void setShownTime(double seconds);
    QSlider* timeSlider() const { return m_timeSlider; }
    QString timeLabelText() const;
    // Runs one frame step now: advances playback and asks for a frame when the canvas is shown.
    void tick();

    // Zoom and pan. Fit is the default; a chosen factor runs from 25 % to 800 %, and the orbs are
    // rendered at the zoomed size, bounded by the renderer's largest square.
    const CanvasZoom& zoom() const { return m_zoom; }
    // The factor the orbs are drawn at now.
    double drawnZoomFactor() const;
    void zoomIn();
    void zoomOut();
    void zoomToFit();
    void zoomToActualSize();
    // Zooms to `factor`, keeping the orb point under `anchor` (canvas points; default the centre)
    // where it is.
    void setZoomFactor(double factor, std::optional<QPointF> anchor = std::nullopt);
    // Moves the orbs by `points` (kept within reach); at Fit this leaves Fit at its factor.
    void panBy(QPointF points);
    // Where the orbs' centre is drawn, in canvas points.
    QPointF orbCentre() const;
    // The point of the orb under `canvasPoint`, in the orb's own points from its centre.
    QPointF orbPointAt(QPointF canvasPoint) const;
    // Whether the drawn orb is wider or taller than the canvas, so that scrolling pans.
    bool orbExceedsCanvas() const;

    qint64 presentedFrames() const { return m_presentedFrames; }
    // Frames asked of the renderer.
    qint64 requestedFrames() const { return m_requestedFrames; }
    // For measuring the editor without what keeps it quiet: draw whenever the canvas is visible,
    // also while its window is not seen, and compute every layer of every frame afresh.
    void setDrawsWhileHidden(bool draws);
    void setKeepsStillLayers(bool keep) { m_renderer.setKeepsStillLayers(keep); }
    CanvasBackgroundPicker* backgroundPicker() const { return m_picker; }

    // Which path draws, and why; the CPU takes over at once, for good, when the GPU surface fails.
    const CanvasDrawingChoice& drawing() const { return m_drawing; }
    // Draws with `choice` from now on (the window starts with canvasDrawingForProcess()).
    void setDrawing(const CanvasDrawingChoice& choice);
    GpuCanvasSurface* gpuSurface() const { return m_surface; }

signals:
    // A rendered frame reached the screen (after its paint was scheduled).
    void framePresented();
    void motionPausedChanged(bool paused);
    void shownTimeChanged(double seconds);
    void zoomChanged();
    // Space was pressed and let go on the canvas without a drag (a drag with it held pans).
    void spaceTapped();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void setZoom(CanvasZoom zoom);
    // The orbs' centre less the canvas's, in whole device pixels, as drawn.
    QPoint drawnOffset() const;
    double largestOrbSize() const;
    void endPan();
    void lookChanged();
    void updateTimeControl();
    bool isShownOnScreen() const;
    void updateFrameTimer();
    void requestFrame();
    void frameReady(const Frame& frame);
    void updateSizeLabel();
    void gpuFailed(const QString& why);

    QPointer<OrbDocument> m_document;
    QSettings* m_settings;
    int m_backgroundRawValue = 0;
    bool m_isPlaying = false;
    render::Playback m_playback;
    FrameRenderer m_renderer;
    Frame m_frame;
    QImage m_backdrop; // the backdrop at the canvas's size in device pixels
    CanvasBackground m_backdropOf = CanvasBackground::checkerboard;
    bool m_frameWanted = false;
    qint64 m_presentedFrames = 0;
    qint64 m_requestedFrames = 0;
    bool m_drawsWhileHidden = false;
    QTimer m_frameTimer;
    QElapsedTimer m_elapsed;
    std::function<double()> m_clock;
    CanvasBackgroundPicker* m_picker = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QPointer<QWidget> m_watchedWindow;
    QPointer<QWindow> m_watchedSurface; // the native window, whose exposure says whether it is seen
    QMetaObject::Connection m_sizeConnection;
    QMetaObject::Connection m_lookConnection; // the current look's changes, while paused
    double m_timeOffset = 0.0;           // the live clock less the time shown, while the motion runs
    std::optional<double> m_pausedTime;  // the time held, while paused
    QWidget* m_timeControl = nullptr;    // shown while paused
    QSlider* m_timeSlider = nullptr;     // hundredths of a second within a minute's span
    QLabel* m_timeLabel = nullptr;
    CanvasDrawingChoice m_drawing;
    QPointer<GpuCanvasSurface> m_surface; // while the GPU draws
    CanvasZoom m_zoom;
    bool m_spaceHeld = false;
    bool m_draggedWithSpace = false;
    std::optional<QPointF> m_panFrom; // the pointer where a pan drag last was
};

// The row of five swatches that picks the backdrop.
class CanvasBackgroundPicker : public QWidget {
    Q_OBJECT
public:
    explicit CanvasBackgroundPicker(QWidget* parent = nullptr);
    // The raw value shown as selected; a value outside 0...4 marks no swatch.
    void setRawValue(int raw);
    QAbstractButton* button(CanvasBackground background) const;

signals:
    void picked(lumara::ui::CanvasBackground background);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QAbstractButton*> m_buttons;
};

} // namespace lumara::ui
