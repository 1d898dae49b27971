// The editor at rest: the CPU the whole editor process uses over 10 s while a designer only looks
// at the orb (a 1600 x 1000 window on an X server, the CPU canvas), for the default orb and Rosé,
// at scale 1 and 2 (QT_SCALE_FACTOR), with the window seen and unmapped (as a window manager
// unmaps a minimised window), and the frames the canvas delivered. Each case runs "before" (the
// canvas draws while unseen and computes every layer of every frame) and "after" (as shipped), so
// one run gives both.
//
// Every case is its own process on its own X server (xvfb-run): the benchmark starts itself again
// with --idle-case=... and reads the child's one line of figures, so no case warms another's caches
// or shares its X server. The cpu_percent counter is of one core.
#include "document/Preferences.h"
#include "document/PreferenceKeys.h"
#include "model/OrbPreset.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/window/LumaraApp.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace lumara;

namespace {

constexpr int kWarmUpMs = 2000;
constexpr int kMeasureMs = 10000;

struct IdleCase {
    bool rose = false;   // Rosé, else the default orb
    bool hidden = false; // the window unmapped
    bool before = false; // without the quiet canvas: draws unseen, no kept still layers
};

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The child: one editor, one case; prints "cpu=<percent> frames=<count>" and returns 0.
int runCase(const IdleCase& which, int argc, char** argv)
{
    QTemporaryDir config;
    qputenv("LUMARA_CONFIG_DIR", config.path().toUtf8());
    QApplication application(argc, argv);
    auto* x11 = application.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) {
        std::fprintf(stderr, "idle case: not on an X server\n");
        return 1;
    }
    Preferences preferences;
    preferences.settings().setValue(QLatin1String(keys::hasSeenOnboarding), true);
    ui::LumaraApp app(&preferences);
    if (which.rose) app.document()->applyPreset(*findPreset("Ros\u00e9"));
    ui::MainWindow* window = app.mainWindow();
    ui::MainCanvasView* canvas = window->canvas();
    if (which.before) {
        canvas->setDrawsWhileHidden(true);
        canvas->setKeepsStillLayers(false);
    }
    window->resize(1600, 1000);
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        std::fprintf(stderr, "idle case: the window was never exposed\n");
        return 1;
    }
    if (which.hidden) {
        xcb_unmap_window(x11->connection(), static_cast<xcb_window_t>(window->winId()));
        xcb_flush(x11->connection());
        if (!QTest::qWaitFor([&] { return !window->windowHandle()->isExposed(); }, 5000)) {
            std::fprintf(stderr, "idle case: the window stayed exposed\n");
            return 1;
        }
    }
    QTest::qWait(kWarmUpMs);
    const qint64 frames = canvas->presentedFrames();
    const double cpu = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(kMeasureMs);
    const double percent = 100.0 * (processCpuSeconds() - cpu) / (double(wall.nsecsElapsed()) * 1e-9);
    std::printf("cpu=%.2f frames=%lld\n", percent, static_cast<long long>(canvas->presentedFrames() - frames));
    std::fflush(stdout);
    return 0;
}

std::string g_self; // this program, to start each case in

// scale (1 or 2), preset (0 default, 1 Rosé), hidden (0, 1), before (0, 1)
void BM_IdleEditor(benchmark::State& state)
{
    const long scale = state.range(0);
    const std::string command = "xvfb-run -a -s '-screen 0 3300x2100x24' env QT_QPA_PLATFORM=xcb LUMARA_CANVAS=cpu "
                                "QT_SCALE_FACTOR=" +
                                std::to_string(scale) + " '" + g_self + "' --idle-case=" +
                                std::to_string(state.range(1)) + std::to_string(state.range(2)) +
                                std::to_string(state.range(3)) + " 2>/dev/null";
    double cpu = 0.0;
    long long frames = 0;
    for (auto _ : state) {
        FILE* child = popen(command.c_str(), "r");
        if (!child) {
            state.SkipWithError("could not start the editor");
            return;
        }
        char line[256] = {};
        const bool read = std::fgets(line, sizeof line, child) != nullptr;
        const int status = pclose(child);
        if (!read || status != 0 || std::sscanf(line, "cpu=%lf frames=%lld", &cpu, &frames) != 2) {
            state.SkipWithError("the editor did not report its figures (is xvfb-run installed?)");
            return;
        }
        state.SetIterationTime(double(kMeasureMs) / 1000.0);
    }
    state.counters["cpu_percent"] = cpu;
    state.counters["frames"] = double(frames);
    state.counters["fps"] = double(frames) * 1000.0 / kMeasureMs;
    state.SetLabel(std::string(state.range(1) ? "Rose" : "default") + (state.range(2) ? " hidden" : " visible") +
                   (state.range(3) ? " before" : " after") + " scale " + std::to_string(scale));
}
BENCHMARK(BM_IdleEditor)
    ->ArgsProduct({{1, 2}, {0, 1}, {0, 1}, {1, 0}})
    ->ArgNames({"scale", "rose", "hidden", "before"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--idle-case=", 12) == 0 && std::strlen(argv[i]) == 15) {
            const char* flags = argv[i] + 12;
            return runCase({flags[0] == '1', flags[1] == '1', flags[2] == '1'}, argc, argv);
        }
    }
    g_self = argv[0];
    if (g_self.find('\'') != std::string::npos) {
        std::fprintf(stderr, "bench_idle_editor: run it from a path without a quote\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
