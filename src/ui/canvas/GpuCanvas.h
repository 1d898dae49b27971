// The canvas on the GPU: which path draws the canvas (OpenGL where the machine has a hardware GPU,
// else the CPU renderer), and the OpenGL surface that draws the backdrop and the orbs through the
// page's shaders. UI thread only.
#pragma once

#include "ui/canvas/CanvasBackground.h"
#include "ui/canvas/FrameRenderer.h"

#include <QOpenGLWidget>
#include <QString>
#include <QSurfaceFormat>

#include <memory>
#include <vector>

namespace lumara::ui {

class GpuOrbPipeline;

enum class CanvasDrawing { cpu, gpu };

struct CanvasDrawingChoice {
    CanvasDrawing drawing = CanvasDrawing::cpu;
    QString renderer; // the OpenGL renderer's name, when a context could be had
    QString reason;   // why the CPU draws; empty when the GPU does
};

// Decides which path draws, from $LUMARA_CANVAS ("gpu" or "cpu"; unset or anything else: the GPU
// when OpenGL 3.3 core or ES 3.0 is had from a hardware driver) and a probe of a throwaway context.
// "gpu" draws on software OpenGL too (llvmpipe, softpipe, SwiftShader); with no usable context at
// all the CPU draws whatever is asked. $LUMARA_CANVAS_FAULT="context" makes the probe find no
// context, "shader" makes the surface's shaders fail to compile: to try the fallbacks.
CanvasDrawingChoice chooseCanvasDrawing();
// The answer of the first call, kept for the process (the probe costs a context).
const CanvasDrawingChoice& canvasDrawingForProcess();
// The format the canvas's context asks for: OpenGL 3.3 core, or ES 3.0 where Qt runs on ES.
QSurfaceFormat canvasSurfaceFormat();
// Whether an OpenGL renderer's name is one of the software rasterisers.
bool isSoftwareRenderer(const QString& renderer);
// One line for Help ▸ About: which path draws the canvas.
QString canvasDrawingDescription(const CanvasDrawingChoice& choice);

// Draws the backdrop and the layers it is given; sized over the whole canvas, under its controls.
class GpuCanvasSurface : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit GpuCanvasSurface(QWidget* parent = nullptr);
    ~GpuCanvasSurface() override;

    // What the next paint shows; then update() draws it. `zoom` scales the orbs (rendered at that
    // size, not enlarged); `offset` moves their centre from the canvas's, in device pixels.
    void setScene(std::vector<FrameLayer> layers, double time, CanvasBackground background, double zoom = 1.0,
                  QPoint offset = {});
    bool hasFailed() const { return m_failed; }

signals:
    // The context or a shader could not be had; nothing more is drawn. Sent once, queued.
    void failed(const QString& why);
    // A frame was drawn into the surface.
    void framePresented();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void fail(const QString& why);
    void releasePipeline();

    std::unique_ptr<GpuOrbPipeline> m_pipeline;
    std::vector<FrameLayer> m_layers;
    double m_time = 0.0;
    double m_zoom = 1.0;
    QPoint m_offset;
    CanvasBackground m_background = CanvasBackground::checkerboard;
    bool m_failed = false;
};

} // namespace lumara::ui
