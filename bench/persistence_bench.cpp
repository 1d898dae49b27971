// Saving a project and writing the autosave record: a typical three-state project and the largest
// one the limits accept (1000 states of 32 colours), through the real output module and settings file.
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "model/ProjectLimits.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

using namespace lumara;

namespace {

OrbProjectData project(std::size_t states, std::size_t colours)
{
    OrbProjectData p;
    OrbValues values;
    values.backgroundColors.assign(colours, CodableColor{0.1, 0.2, 0.3, 1.0});
    for (std::size_t i = 0; i < states; ++i) p.states.push_back({makeStateId(), "State " + std::to_string(i + 1), values});
    return p;
}

void BM_SaveProject(benchmark::State& state)
{
    QTemporaryDir dir;
    OrbDocument document(project(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1))));
    const QString path = dir.filePath("orb.lumara");
    for (auto _ : state)
        if (!document.saveProject(path)) state.SkipWithError("save failed");
}
BENCHMARK(BM_SaveProject)->Args({3, 3})->Args({kMaxStates, kMaxBackgroundColors})->Unit(benchmark::kMillisecond);

void BM_Autosave(benchmark::State& state)
{
    QTemporaryDir dir;
    Preferences preferences(dir.filePath("Lumara.conf"));
    OrbDocument document(project(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1))), &preferences);
    bool failed = false;
    QObject::connect(&document, &OrbDocument::errorOccurred, [&] { failed = true; });
    double transition = 0.5;
    for (auto _ : state) {
        document.setTransitionDuration(transition += 0.001); // a change, so every record differs
        document.saveLastProject();
    }
    if (failed) state.SkipWithError("autosave failed");
}
BENCHMARK(BM_Autosave)->Args({3, 3})->Args({kMaxStates, kMaxBackgroundColors})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
