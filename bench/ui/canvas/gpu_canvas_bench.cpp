// The canvas on the GPU: the UI thread's CPU time per frame and the frames delivered per second
// when the page's shaders draw an orb of 560 and 1600 pixels into a canvas-sized framebuffer,
// each frame waited for with glFinish. It needs an OpenGL context without a window: run it on the
// offscreen platform under an X server (GLX), or on an EGL platform (QT_QPA_PLATFORM=eglfs or
// minimalegl) on a headless machine with a GPU. On Mesa's llvmpipe the rasteriser's own threads do
// the drawing, so the figures there check that it runs, not how fast a GPU is.
#include "model/OrbPreset.h"
#include "ui/canvas/GpuCanvas.h"
#include "ui/canvas/GpuOrbPipeline.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

using namespace lumara;

namespace {

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// orb side in pixels, preset index (0: the default orb)
void BM_GpuCanvasFrame(benchmark::State& state)
{
    QOpenGLContext context;
    context.setFormat(ui::canvasSurfaceFormat());
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.create() || !context.makeCurrent(&surface)) {
        state.SkipWithError("no OpenGL context on this platform");
        return;
    }
    auto pipeline = ui::GpuOrbPipeline::create(context);
    if (!pipeline) {
        state.SkipWithError(pipeline.error().message.c_str());
        return;
    }
    const int side = int(state.range(0));
    OrbValues values = state.range(1) == 0 ? OrbValues{} : findPreset("Rosé")->configuration;
    const double ppp = 2.0;
    values.orbSize = side / ppp;
    // The canvas around the orb, as the editor's window leaves it.
    const QSize pixels(side + 400, side + 300);
    QOpenGLFramebufferObject target(pixels);
    auto* gl = context.extraFunctions();
    double time = 0.0;
    double cpu = 0.0;
    for (auto _ : state) {
        const double start = threadCpuSeconds();
        target.bind();
        gl->glClearColor(0, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        (*pipeline)->draw({{values, 1.0}}, time, ppp, pixels, target.handle());
        gl->glFinish();
        cpu += threadCpuSeconds() - start;
        time += 1.0 / 60.0;
    }
    state.counters["ui_cpu_ms_per_frame"] = benchmark::Counter(cpu * 1e3 / double(state.iterations()));
    state.counters["frames"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(reinterpret_cast<const char*>(gl->glGetString(GL_RENDERER)));
    pipeline->reset(); // while the context is current
}
BENCHMARK(BM_GpuCanvasFrame)->ArgsProduct({{560, 1600}, {0, 1}})->ArgNames({"px", "rose"})->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
