// The editor canvas: sustained frame rate of the live orb (default look and the costliest preset,
// holding still and changing every frame),
// the cost of one canvas frame off the UI thread, and the time from creating the editor to its
// first drawn frame. Run under xvfb-run for a real X server; offscreen works as well.
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "model/OrbPreset.h"
#include "ui/canvas/FrameRenderer.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/window/LumaraApp.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>

using namespace lumara;

namespace {

QApplication& application()
{
    static int argc = 1;
    static char name[] = "bench_canvas";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

ui::FrameRequest canvasRequest(const OrbValues& values)
{
    return {{{values, 1.0}}, 1.5, 1.0, QSize(880, 700), 0};
}

// The preset whose canvas frame takes longest to render.
const OrbPreset& heaviestPreset()
{
    static const OrbPreset* heaviest = [] {
        const OrbPreset* worst = nullptr;
        double worstSeconds = -1;
        for (const OrbPreset& preset : allPresets()) {
            const auto start = std::chrono::steady_clock::now();
            ui::FrameRequest request = canvasRequest(preset.configuration);
            request.stillLayers = std::make_shared<render::StillLayers>(); // as the canvas draws a look that holds still
            for (int i = 0; i < 6; ++i) benchmark::DoNotOptimize(ui::renderFrame(request));
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (seconds > worstSeconds) worstSeconds = seconds, worst = &preset;
        }
        return worst;
    }();
    return *heaviest;
}

// Waits until the canvas has presented `count` more frames (or 10 s passed).
void waitForFrames(ui::MainCanvasView& canvas, qint64 count)
{
    const qint64 target = canvas.presentedFrames() + count;
    QElapsedTimer guard;
    guard.start();
    while (canvas.presentedFrames() < target && guard.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Argument 0: the look holds still (its still layers are kept); 1: the glow intensity changes a little
// every frame, as during a slider drag, so every frame is drawn whole.
void runFrameRate(benchmark::State& state, const OrbValues& values)
{
    const bool changing = state.range(0) == 1;
    application();
    OrbProjectData project;
    project.states.push_back({makeStateId(), "Bench", values});
    OrbDocument document(project);
    QTemporaryDir dir;
    Preferences preferences(dir.filePath("Lumara.conf"));
    ui::MainCanvasView canvas(&document, &preferences.settings());
    canvas.resize(880, 700);
    canvas.show();
    waitForFrames(canvas, 5); // warm up
    qint64 frames = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (changing) document.currentConfiguration()->setGlowIntensity(values.glowIntensity + 1e-4 * double(frames + 1));
        waitForFrames(canvas, 1);
        ++frames;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["fps"] = double(frames) / seconds;
}

void BM_CanvasFrameRateDefaultOrb(benchmark::State& state) { runFrameRate(state, OrbValues{}); }
BENCHMARK(BM_CanvasFrameRateDefaultOrb)->Arg(0)->Arg(1)->Iterations(180)->Unit(benchmark::kMillisecond);

void BM_CanvasFrameRateHeaviestPreset(benchmark::State& state)
{
    state.SetLabel(heaviestPreset().name);
    runFrameRate(state, heaviestPreset().configuration);
}
BENCHMARK(BM_CanvasFrameRateHeaviestPreset)->Arg(0)->Arg(1)->Iterations(180)->Unit(benchmark::kMillisecond);

// One canvas frame as the worker renders it. First argument: 0 the default orb, 1 the costliest
// preset. Second: 0 drawn whole every frame (a look that is changing), 1 with its still layers
// kept (a look that holds still).
void BM_CanvasFrameRender(benchmark::State& state)
{
    const OrbValues values = state.range(0) == 1 ? heaviestPreset().configuration : OrbValues{};
    ui::FrameRequest request = canvasRequest(values);
    if (state.range(1)) request.stillLayers = std::make_shared<render::StillLayers>();
    for (auto _ : state) {
        request.time += 1.0 / 60.0;
        benchmark::DoNotOptimize(ui::renderFrame(request));
    }
}
BENCHMARK(BM_CanvasFrameRender)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// From creating the editor (document restore, window, widgets) to the first orb on screen.
void BM_LaunchToFirstFrame(benchmark::State& state)
{
    application();
    for (auto _ : state) {
        QTemporaryDir dir;
        Preferences preferences(dir.filePath("Lumara.conf"));
        const auto start = std::chrono::steady_clock::now();
        ui::LumaraApp app(&preferences);
        app.mainWindow()->show();
        waitForFrames(*app.mainWindow()->canvas(), 1);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
BENCHMARK(BM_LaunchToFirstFrame)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
