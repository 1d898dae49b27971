// The canvas on the GPU, on real OpenGL (Mesa's llvmpipe under xvfb-run): every preset drawn
// through the page's shaders against the CPU renderer, alone and mid cross-fade, at one and two
// pixels per point; the choice of path; a window drawing on the GPU; and the fallback to the CPU
// when no context can be had or a shader does not compile.
#include "document/OrbDocument.h"
#include "model/OrbPreset.h"
#include "ui/canvas/GpuCanvas.h"
#include "ui/canvas/GpuOrbPipeline.h"
#include "ui/canvas/MainCanvasView.h"

#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace lumara;

namespace {

// The mean difference of two premultiplied pictures in 1/255 steps per channel, over `area`.
double meanDifference(const QImage& a, const QImage& b, const QRect& area)
{
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    if (x.size() != y.size() || area.isEmpty()) return 255.0;
    double sum = 0;
    for (int row = area.top(); row <= area.bottom(); ++row) {
        const uchar* p = x.constScanLine(row) + area.left() * 4;
        const uchar* q = y.constScanLine(row) + area.left() * 4;
        for (int k = 0; k < area.width() * 4; ++k) sum += std::abs(int(p[k]) - int(q[k]));
    }
    return sum / (double(area.width()) * area.height() * 4);
}

// The CPU canvas's frame laid over a transparent canvas.
QImage cpuCanvas(const std::vector<ui::FrameLayer>& layers, double time, double ppp, QSize pixels, QPoint offset = {})
{
    ui::FrameRequest request{layers, time, ppp, pixels};
    request.offset = offset;
    const ui::Frame frame = ui::renderFrame(request);
    QImage canvas(pixels, QImage::Format_RGBA8888_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter(&canvas).drawImage(frame.topLeft, frame.image);
    return canvas;
}

QRect seenArea(const std::vector<ui::FrameLayer>& layers, double ppp, QSize pixels, QPoint offset = {})
{
    QRect area;
    for (const ui::FrameLayer& layer : layers) area |= ui::layerPixelRect(layer.values, ppp, pixels, offset);
    return area;
}

// A context of its own on an offscreen surface, and a framebuffer the size of a canvas.
class GlCanvas {
public:
    bool make()
    {
        m_context.setFormat(ui::canvasSurfaceFormat());
        if (!m_context.create()) return false;
        m_surface.setFormat(m_context.format());
        m_surface.create();
        return m_context.makeCurrent(&m_surface);
    }
    QOpenGLContext& context() { return m_context; }
    QImage draw(ui::GpuOrbPipeline& pipeline, const std::vector<ui::FrameLayer>& layers, double time, double ppp,
                QSize pixels, QPoint offset = {})
    {
        if (!m_target || m_target->size() != pixels) m_target = std::make_unique<QOpenGLFramebufferObject>(pixels);
        m_target->bind();
        auto* gl = m_context.functions();
        gl->glClearColor(0, 0, 0, 0);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        pipeline.draw(layers, time, ppp, pixels, m_target->handle(), offset);
        return m_target->toImage(true);
    }

private:
    QOpenGLContext m_context;
    QOffscreenSurface m_surface;
    std::unique_ptr<QOpenGLFramebufferObject> m_target;
};

QString rendererName()
{
    GlCanvas canvas;
    if (!canvas.make()) return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(canvas.context().functions()->glGetString(GL_RENDERER)));
}

void setEnvironment(const char* name, const char* value)
{
    if (value)
        qputenv(name, value);
    else
        qunsetenv(name);
}

} // namespace

TEST(GpuCanvas, EveryPresetMatchesTheCpuRendererAloneAndMidCrossFade)
{
    GlCanvas canvas;
    ASSERT_TRUE(canvas.make()) << "no OpenGL context on this display";
    auto pipeline = ui::GpuOrbPipeline::create(canvas.context());
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().message;
    const auto& presets = allPresets();
    for (double ppp : {1.0, 2.0}) {
        const QSize pixels = (QSizeF(360, 320) * ppp).toSize();
        for (std::size_t k = 0; k < presets.size(); ++k) {
            OrbValues look = presets[k].configuration;
            look.orbSize = 200;
            OrbValues next = presets[(k + 1) % presets.size()].configuration;
            next.orbSize = 160; // the fade crosses a change of size too
            const double time = 2.5 + double(k);
            for (const std::vector<ui::FrameLayer>& layers :
                 {std::vector<ui::FrameLayer>{{look, 1.0}}, std::vector<ui::FrameLayer>{{look, 0.6}, {next, 0.4}}}) {
                const QImage gpu = canvas.draw(**pipeline, layers, time, ppp, pixels);
                const QImage cpu = cpuCanvas(layers, time, ppp, pixels);
                const double mean = meanDifference(gpu, cpu, seenArea(layers, ppp, pixels));
                EXPECT_LE(mean, 3.0) << presets[k].name << (layers.size() > 1 ? " fading" : "") << " at " << ppp << "x";
                if (const char* dir = std::getenv("LUMARA_SCREENSHOT_DIR"); dir && k == 0 && layers.size() == 1) {
                    gpu.save(QStringLiteral("%1/gpu-layer-%2x.png").arg(QString::fromLocal8Bit(dir)).arg(ppp));
                    cpu.save(QStringLiteral("%1/cpu-layer-%2x.png").arg(QString::fromLocal8Bit(dir)).arg(ppp));
                }
            }
        }
    }
    // Zoomed and panned (the canvas's scale and offset), part of the orb past the canvas's edge.
    for (const QPoint offset : {QPoint(90, -60), QPoint(-250, 140)}) {
        const std::vector<ui::FrameLayer> layers{{presets.front().configuration, 1.0}};
        const QSize pixels(360, 320);
        const QImage gpu = canvas.draw(**pipeline, layers, 4.0, 1.6, pixels, offset);
        const QImage cpu = cpuCanvas(layers, 4.0, 1.6, pixels, offset);
        EXPECT_LE(meanDifference(gpu, cpu, seenArea(layers, 1.6, pixels, offset)), 3.0) << offset.x() << "," << offset.y();
    }
    // Absurd values from an edited file draw something or nothing, never a driver fault.
    OrbValues wild;
    wild.shadowRadius = 1e300;
    wild.blobBlur = std::nan("");
    wild.glowSoftness = 1e12;
    wild.complexity = 1 << 30;
    wild.blobCount = 1 << 30;
    const QImage drawn = canvas.draw(**pipeline, {{wild, 1.0}}, 1e11, 1.0, QSize(300, 300));
    EXPECT_EQ(drawn.size(), QSize(300, 300));
}

TEST(GpuCanvas, TheGpuDrawsWhereOpenGlIsHardwareOrAskedFor)
{
    const QString renderer = rendererName();
    ASSERT_FALSE(renderer.isEmpty());
    setEnvironment("LUMARA_CANVAS", nullptr);
    const ui::CanvasDrawingChoice automatic = ui::chooseCanvasDrawing();
    EXPECT_EQ(automatic.renderer, renderer);
    if (ui::isSoftwareRenderer(renderer)) {
        EXPECT_EQ(automatic.drawing, ui::CanvasDrawing::cpu);
        EXPECT_EQ(automatic.reason, QStringLiteral("OpenGL is software"));
    } else {
        EXPECT_EQ(automatic.drawing, ui::CanvasDrawing::gpu);
    }
    setEnvironment("LUMARA_CANVAS", "gpu");
    EXPECT_EQ(ui::chooseCanvasDrawing().drawing, ui::CanvasDrawing::gpu);
    setEnvironment("LUMARA_CANVAS", "cpu");
    EXPECT_EQ(ui::chooseCanvasDrawing().drawing, ui::CanvasDrawing::cpu);
    // Asked for, but no context to be had: the CPU, and About says why.
    setEnvironment("LUMARA_CANVAS", "gpu");
    setEnvironment("LUMARA_CANVAS_FAULT", "context");
    const ui::CanvasDrawingChoice none = ui::chooseCanvasDrawing();
    EXPECT_EQ(none.drawing, ui::CanvasDrawing::cpu);
    EXPECT_EQ(ui::canvasDrawingDescription(none), QStringLiteral("Canvas: CPU (no OpenGL context)"));
    setEnvironment("LUMARA_CANVAS_FAULT", nullptr);
    setEnvironment("LUMARA_CANVAS", nullptr);
    for (const char* name : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Google SwiftShader", "Mesa Intel(R) UHD Graphics 620"})
        EXPECT_EQ(ui::isSoftwareRenderer(QString::fromLatin1(name)), std::string_view(name).find("Intel") == std::string_view::npos) << name;
}

TEST(GpuCanvas, AWindowDrawsOnTheGpuAndFallsBackToTheCpuWhenAShaderFails)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath("Lumara.conf"), QSettings::IniFormat);
    OrbDocument document(OrbProjectData{});
    ui::MainCanvasView canvas(&document, &settings);
    canvas.setBackground(ui::CanvasBackground::black);
    canvas.resize(480, 400);
    const double t0 = 3.0;
    canvas.setClock([&] { return t0; });
    ui::CanvasDrawingChoice gpu{ui::CanvasDrawing::gpu, rendererName(), {}};
    canvas.setDrawing(gpu);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    QSignalSpy frames(&canvas, &ui::MainCanvasView::framePresented);
    ASSERT_TRUE(frames.wait(10000));
    ASSERT_NE(canvas.gpuSurface(), nullptr);
    ASSERT_FALSE(canvas.gpuSurface()->hasFailed());

    // What the surface shows against the CPU canvas's frame over the same backdrop.
    const QImage shown = canvas.gpuSurface()->grabFramebuffer();
    const double ppp = canvas.devicePixelRatioF();
    const QSize pixels = (QSizeF(canvas.size()) * ppp).toSize();
    QImage expected = cpuCanvas({{document.currentConfiguration()->values(), 1.0}}, t0, ppp, pixels);
    {
        QImage backdrop(pixels, QImage::Format_RGBA8888_Premultiplied);
        backdrop.fill(Qt::black);
        QPainter(&backdrop).drawImage(0, 0, expected);
        expected = backdrop;
    }
    EXPECT_LE(meanDifference(shown, expected, QRect(QPoint(), pixels)), 3.0);
    if (const char* out = std::getenv("LUMARA_SCREENSHOT_DIR")) {
        // What the X server shows, as a person sees it.
        const auto screenshot = [&](const char* name) {
            QTest::qWait(100);
            canvas.screen()->grabWindow(canvas.winId()).save(QStringLiteral("%1/%2").arg(QString::fromLocal8Bit(out), QLatin1String(name)));
        };
        screenshot("canvas-gpu.png");
        canvas.setDrawing({});
        ASSERT_TRUE(frames.wait(10000));
        screenshot("canvas-cpu.png");
    }

    // A driver that refuses a shader: the CPU takes over at once and for good.
    setEnvironment("LUMARA_CANVAS_FAULT", "shader");
    canvas.setDrawing({}); // a fresh surface for the next try
    canvas.setDrawing(gpu);
    QTRY_COMPARE_WITH_TIMEOUT(canvas.drawing().drawing, ui::CanvasDrawing::cpu, 10000);
    setEnvironment("LUMARA_CANVAS_FAULT", nullptr);
    EXPECT_EQ(canvas.drawing().reason, QStringLiteral("a shader did not compile"));
    EXPECT_EQ(canvas.gpuSurface(), nullptr);
    frames.clear();
    canvas.tick();
    ASSERT_TRUE(frames.wait(10000)) << "the CPU draws the next frame";
    const QImage fallback = canvas.grab().toImage();
    const QColor middle = fallback.pixelColor(fallback.width() / 2, fallback.height() / 2);
    EXPECT_GT(middle.red() + middle.green() + middle.blue(), 60) << "the orb, not the black backdrop";
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
