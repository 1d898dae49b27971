// The choice of the canvas's drawing path and its OpenGL surface. The probe runs once, before any
// OpenGL widget exists: a window with one is composed through OpenGL, which on a software
// rasteriser costs more than the CPU renderer saves.
#include "ui/canvas/GpuCanvas.h"

#include "ui/canvas/GpuOrbPipeline.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>

namespace lumara::ui {

namespace {

QString fault() { return qEnvironmentVariable("LUMARA_CANVAS_FAULT"); }

QString pipelineErrorText(GpuPipelineError error)
{
    switch (error) {
    case GpuPipelineError::unsupportedContext: return QStringLiteral("OpenGL too old");
    case GpuPipelineError::shaderCompile: return QStringLiteral("a shader did not compile");
    case GpuPipelineError::programLink: return QStringLiteral("a shader program did not link");
    case GpuPipelineError::framebuffer: return QStringLiteral("no drawing target");
    }
    return {};
}

} // namespace

QSurfaceFormat canvasSurfaceFormat()
{
    QSurfaceFormat format;
    if (QOpenGLContext::openGLModuleType() == QOpenGLContext::LibGLES) {
        format.setRenderableType(QSurfaceFormat::OpenGLES);
        format.setVersion(3, 0);
    } else {
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
    }
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    format.setAlphaBufferSize(8);
    return format;
}

bool isSoftwareRenderer(const QString& renderer)
{
    for (const char* name : {"llvmpipe", "softpipe", "swiftshader", "software rasterizer", "swrast"})
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive)) return true;
    return false;
}

CanvasDrawingChoice chooseCanvasDrawing()
{
    CanvasDrawingChoice choice;
    const QString wanted = qEnvironmentVariable("LUMARA_CANVAS").trimmed().toLower();
    if (wanted == QLatin1String("cpu")) {
        choice.reason = QStringLiteral("LUMARA_CANVAS=cpu");
        return choice;
    }
    QOpenGLContext context;
    context.setFormat(canvasSurfaceFormat());
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (fault() == QLatin1String("context") || !context.create() || !surface.isValid() || !context.makeCurrent(&surface)) {
        choice.reason = QStringLiteral("no OpenGL context");
        return choice;
    }
    choice.renderer = QString::fromLatin1(reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER)));
    const QSurfaceFormat format = context.format();
    const bool recent = context.isOpenGLES() ? format.version() >= qMakePair(3, 0) : format.version() >= qMakePair(3, 3);
    context.doneCurrent();
    if (!recent) {
        choice.reason = QStringLiteral("OpenGL %1.%2 is too old").arg(format.majorVersion()).arg(format.minorVersion());
    } else if (isSoftwareRenderer(choice.renderer) && wanted != QLatin1String("gpu")) {
        choice.reason = QStringLiteral("OpenGL is software");
    } else {
        choice.drawing = CanvasDrawing::gpu;
    }
    return choice;
}

const CanvasDrawingChoice& canvasDrawingForProcess()
{
    static const CanvasDrawingChoice choice = chooseCanvasDrawing();
    return choice;
}

QString canvasDrawingDescription(const CanvasDrawingChoice& choice)
{
    if (choice.drawing == CanvasDrawing::gpu) return QCoreApplication::translate("lumara::ui::MainCanvasView", "Canvas: GPU (%1)").arg(choice.renderer);
    QString line = QCoreApplication::translate("lumara::ui::MainCanvasView", "Canvas: CPU");
    if (!choice.reason.isEmpty()) line += QStringLiteral(" (%1)").arg(choice.reason);
    return line;
}

GpuCanvasSurface::GpuCanvasSurface(QWidget* parent) : QOpenGLWidget(parent)
{
    setFormat(canvasSurfaceFormat());
    setAttribute(Qt::WA_TransparentForMouseEvents); // clicks reach the canvas beneath
    setFocusPolicy(Qt::NoFocus);
}

GpuCanvasSurface::~GpuCanvasSurface() { releasePipeline(); }

void GpuCanvasSurface::releasePipeline()
{
    if (!m_pipeline) return;
    makeCurrent();
    m_pipeline.reset();
    doneCurrent();
}

void GpuCanvasSurface::setScene(std::vector<FrameLayer> layers, double time, CanvasBackground background, double zoom,
                                QPoint offset)
{
    m_layers = std::move(layers);
    m_time = time;
    m_background = background;
    m_zoom = zoom;
    m_offset = offset;
}

void GpuCanvasSurface::fail(const QString& why)
{
    if (m_failed) return;
    m_failed = true;
    m_pipeline.reset(); // the context is current here
    QMetaObject::invokeMethod(this, [this, why] { emit failed(why); }, Qt::QueuedConnection);
}

void GpuCanvasSurface::initializeGL()
{
    // A context made again (the widget moved to another window) builds everything afresh.
    m_pipeline.reset();
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &GpuCanvasSurface::releasePipeline, Qt::UniqueConnection);
    if (!context() || !context()->isValid()) return fail(QStringLiteral("no OpenGL context"));
    auto pipeline = GpuOrbPipeline::create(*context(), fault() == QLatin1String("shader"));
    if (!pipeline) return fail(pipelineErrorText(pipeline.error().code));
    m_pipeline = std::move(*pipeline);
}

void GpuCanvasSurface::paintGL()
{
    if (!m_pipeline) return;
    {
        QPainter p(this);
        drawCanvasBackdrop(p, rect(), m_background);
    }
    const double dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    m_pipeline->draw(m_layers, m_time, dpr * m_zoom, pixels, defaultFramebufferObject(), m_offset);
    emit framePresented();
}

} // namespace lumara::ui
