// Dragging inspector sliders: the Blur and Distortion sliders of the blob controls are dragged
// across their whole range in one second (mouse moves at 125 Hz through the real event loop) on
// the default orb and on the costliest preset. Reported: canvas frames delivered in that second
// and the longest UI-thread stall (the largest gap between ticks of a 1 ms heartbeat timer, which
// also counts time the thread is not scheduled on a busy machine), with the inspector's share.
// Run under xvfb-run for a real X server; offscreen works as well.
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "model/OrbPreset.h"
#include "ui/canvas/FrameRenderer.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/inspector/InspectorView.h"
#include "ui/inspector/LabeledSlider.h"
#include "ui/inspector/ShapeSection.h"
#include "ui/window/LumaraApp.h"
#include "ui/window/MainWindow.h"

#include "support/SliderGestures.h"

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
    static char name[] = "bench_inspector";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// The preset whose canvas frame takes longest to render (drawn whole, as during a drag).
const OrbPreset& heaviestPreset()
{
    static const OrbPreset* heaviest = [] {
        const OrbPreset* worst = nullptr;
        double worstSeconds = -1;
        for (const OrbPreset& preset : allPresets()) {
            ui::FrameRequest request{{{preset.configuration, 1.0}}, 1.5, 1.0, QSize(880, 700), 0};
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < 4; ++i) {
                request.time += 1.0 / 60.0;
                benchmark::DoNotOptimize(ui::renderFrame(request));
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (seconds > worstSeconds) worstSeconds = seconds, worst = &preset;
        }
        return worst;
    }();
    return *heaviest;
}

void runEvents(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// `sliderIndex` counts the shape section's sliders: 1 Distortion, 5 Blur; -1 drags nothing (the
// baseline: the same second of the animating canvas with the mouse still).
void runDrag(benchmark::State& state, const OrbValues& values, int sliderIndex)
{
    application();
    QTemporaryDir dir;
    Preferences preferences(dir.filePath("Lumara.conf"));
    ui::LumaraApp app(&preferences);
    app.document()->setCurrentConfiguration(new OrbConfiguration(values));
    ui::MainWindow* window = app.mainWindow();
    window->resize(1400, 900);
    window->show();
    runEvents(500); // shown, laid out, first frames drawn
    auto* inspector = qobject_cast<ui::InspectorView*>(window->inspector());
    ui::LabeledSlider* labeled = inspector->shapeSection()->sliders().at(std::max(0, sliderIndex));
    const bool drag = sliderIndex >= 0;
    const std::string look = values == OrbValues{} ? "default" : heaviestPreset().name;
    state.SetLabel(look + ", " + (drag ? labeled->label().toStdString() : "no drag"));
    QSlider* slider = labeled->slider();
    ui::MainCanvasView* canvas = window->canvas();

    double worstStallMs = 0, worstMoveMs = 0, frames = 0;
    for (auto _ : state) {
        // Start at the left end, so every drag crosses the whole range.
        if (drag) labeled->setValue(labeled->minimum());
        runEvents(200);
        QElapsedTimer clock;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        qint64 lastBeat = 0;
        double longestGapMs = 0;
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestGapMs = std::max(longestGapMs, double(now - lastBeat) / 1e6 - 1.0);
            lastBeat = now;
        });
        const QPoint start = test::sliderHandleRect(slider).center();
        const int endX = slider->width() - 1;
        QTimer mouse;
        mouse.setTimerType(Qt::PreciseTimer);
        double longestMoveMs = 0;
        QObject::connect(&mouse, &QTimer::timeout, [&] {
            const double t = std::min(1.0, double(clock.elapsed()) / 1000.0);
            const qint64 before = clock.nsecsElapsed();
            test::sendMouse(slider, QEvent::MouseMove, QPoint(start.x() + int((endX - start.x()) * t), start.y()), Qt::LeftButton);
            longestMoveMs = std::max(longestMoveMs, double(clock.nsecsElapsed() - before) / 1e6);
        });

        const qint64 framesBefore = canvas->presentedFrames();
        clock.start();
        if (drag) test::sendMouse(slider, QEvent::MouseButtonPress, start, Qt::LeftButton);
        heartbeat.start(1);
        if (drag) mouse.start(8);
        runEvents(1000);
        mouse.stop();
        heartbeat.stop();
        if (drag) test::sendMouse(slider, QEvent::MouseButtonRelease, QPoint(endX, start.y()), Qt::NoButton);
        frames += double(canvas->presentedFrames() - framesBefore);
        worstStallMs = std::max(worstStallMs, longestGapMs);
        worstMoveMs = std::max(worstMoveMs, longestMoveMs);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["frames_in_1s"] = frames / double(state.iterations());
    state.counters["longest_stall_ms"] = worstStallMs;
    // The inspector's own share: the longest handling of one mouse move (slider, field write,
    // every observer of the field).
    state.counters["longest_move_ms"] = worstMoveMs;
}

void BM_NoDragDefaultOrb(benchmark::State& state) { runDrag(state, OrbValues{}, -1); }
void BM_NoDragHeaviestPreset(benchmark::State& state) { runDrag(state, heaviestPreset().configuration, -1); }
void BM_DragBlurDefaultOrb(benchmark::State& state) { runDrag(state, OrbValues{}, 5); }
void BM_DragDistortionDefaultOrb(benchmark::State& state) { runDrag(state, OrbValues{}, 1); }
void BM_DragBlurHeaviestPreset(benchmark::State& state) { runDrag(state, heaviestPreset().configuration, 5); }
void BM_DragDistortionHeaviestPreset(benchmark::State& state) { runDrag(state, heaviestPreset().configuration, 1); }

BENCHMARK(BM_NoDragDefaultOrb)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoDragHeaviestPreset)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragBlurDefaultOrb)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragDistortionDefaultOrb)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragBlurHeaviestPreset)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragDistortionHeaviestPreset)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
