// The text export preview in a real window: time from the request to the coloured preview on
// screen, and the longest stall of the UI thread meanwhile, two ways: the longest time the thread
// spent handling one event (its own CPU time, so a busy shared machine does not count against it),
// and the largest gap between the ticks of a 1 ms timer (wall time, which does). The highlighter
// is loaded first, as the editor does at start-up; its cold load is measured on its own. Run under
// xvfb-run or on the offscreen platform; LUMARA_BENCH_TRACE=1 names the event behind each new longest.
#include "document/OrbDocument.h"
#include "highlight/Highlight.h"
#include "model/OrbPreset.h"
#include "ui/exports/ExportFlows.h"
#include "ui/widgets/FileDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <QWidget>

#include <benchmark/benchmark.h>

using namespace lumara;

namespace {

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Times every event the UI thread handles, outermost dispatch only.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth++ > 0 || QThread::currentThread() != thread()) {
            const bool handled = QApplication::notify(receiver, event);
            --m_depth;
            return handled;
        }
        const double start = threadCpuMs();
        const bool handled = QApplication::notify(receiver, event);
        const double spent = threadCpuMs() - start;
        if (spent > longestEventMs) {
            longestEventMs = spent;
            if (qEnvironmentVariableIsSet("LUMARA_BENCH_TRACE"))
                std::fprintf(stderr, "longest so far: %.1f ms, event %d to %s\n", spent, int(event->type()),
                             receiver->metaObject()->className());
        }
        --m_depth;
        return handled;
    }
    double longestEventMs = 0;

private:
    int m_depth = 0;
};

TimedApplication& application()
{
    static int argc = 1;
    static char name[] = "bench_export_preview";
    static char* argv[] = {name, nullptr};
    static auto* app = new TimedApplication(argc, argv);
    return *app;
}

class NoDialogs : public ui::FileDialogs {
public:
    std::optional<QString> chooseFileToOpen(QWidget*, const ui::FileType&) override { return std::nullopt; }
    std::optional<QString> chooseSaveLocation(QWidget*, const ui::FileType&, const QString&) override { return std::nullopt; }
    std::optional<QString> chooseFolder(QWidget*, const QString&) override { return std::nullopt; }
};

OrbProjectData project(int states)
{
    OrbProjectData data;
    for (int i = 0; i < states; ++i) {
        const OrbPreset& preset = allPresets()[std::size_t(i)];
        data.states.push_back({"ID" + std::to_string(i), preset.name, preset.configuration});
    }
    if (states == 1) data.states.front().config = OrbValues{};
    return data;
}

void previewLatency(benchmark::State& state, exporting::ExportFormat format, int states)
{
    application();
    highlight::Highlight::shared().preload();
    QWidget window;
    window.resize(1200, 800);
    window.show();
    OrbDocument document(project(states));
    NoDialogs dialogs;
    ui::ExportFlows flows(&window, &document, &dialogs);
    // Warm-up: the library's first request compiles the language's grammar.
    flows.requestExportPreview(format);
    while (!flows.previewSheet()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    flows.closePreview();

    double worstStall = 0;
    double worstEvent = 0;
    for (auto _ : state) {
        application().longestEventMs = 0;
        QElapsedTimer clock;
        qint64 lastTick = 0;
        double stall = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            stall = std::max(stall, (now - lastTick) / 1e6 - 1.0);
            lastTick = now;
        });
        ticker.start();
        clock.start();
        flows.requestExportPreview(format);
        while (!flows.previewSheet()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double latency = clock.nsecsElapsed() / 1e9;
        // Keep measuring stalls while the preview fades in and lays out its text.
        while (clock.elapsed() < qint64(latency * 1000) + 300) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(latency);
        worstStall = std::max(worstStall, stall);
        worstEvent = std::max(worstEvent, application().longestEventMs);
        flows.closePreview();
        while (flows.previewOverlay()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 250) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    state.counters["longest_event_cpu_ms"] = worstEvent;
    state.counters["longest_timer_gap_ms"] = worstStall;
    state.counters["text_bytes"] = double(exporting::generateExportText(format, document.projectData()).size());
}

void BM_HighlighterColdLoad(benchmark::State& state)
{
    application();
    for (auto _ : state) {
        highlight::Highlight highlighter;
        auto future = highlighter.highlightRaw(QStringLiteral("let x = 1"),
                                               highlight::HighlightMode::forLanguage(highlight::HighlightLanguage::swift));
        future.waitForFinished();
    }
}

} // namespace

BENCHMARK_CAPTURE(previewLatency, swiftUI_defaultOrb, exporting::ExportFormat::swiftUI, 1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(previewLatency, html_defaultOrb, exporting::ExportFormat::html, 1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(previewLatency, prompt_defaultOrb, exporting::ExportFormat::prompt, 1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(previewLatency, html_fiveStates, exporting::ExportFormat::html, 5)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_HighlighterColdLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
