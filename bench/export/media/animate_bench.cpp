// Animated export: the whole export per format for a 300 pt orb at scale 2, 4 s at 30 fps
// (120 frames of 600 x 600), the render pipeline alone, and the per-frame conversions.
// Peak memory is measured on the command line: /usr/bin/time -v build/lumara animate ...
#include "export/media/AnimatedExport.h"
#include "export/media/GifPalette.h"
#include "export/media/PlaybackLoopExport.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

using namespace lumara;
using namespace lumara::exporting;

namespace {

OrbValues benchOrb()
{
    OrbValues values;
    values.orbSize = 300.0;
    return values;
}

render::Image benchFrame()
{
    render::RenderOptions options;
    options.pixelsPerPoint = 2.0;
    return render::renderOrb(benchOrb(), 1.25, options);
}

void BM_ExportAnimation(benchmark::State& state)
{
    const auto format = static_cast<AnimatedExportFormat>(state.range(0));
    state.SetLabel(std::string(animatedExportFormatRawValue(format)));
    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.out").toStdString();
    for (auto _ : state) {
        auto result = exportAnimation(benchOrb(), format, MotionSettings{}, path);
        if (!result) state.SkipWithError(result.error().message.c_str());
    }
    state.counters["frames/s"] = benchmark::Counter(120.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExportAnimation)
    ->DenseRange(0, static_cast<int>(kAllAnimatedExportFormats.size()) - 1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime() // all threads: the figure that holds on a busy machine
    ->UseRealTime();

// Rendering and hand-over only: what the writers add is the difference to BM_ExportAnimation.
void BM_StreamFramesWithoutWriting(benchmark::State& state)
{
    const auto consume = [](const render::Image& frame) -> Result<Ok, ExportError> {
        benchmark::DoNotOptimize(frame.pixels.data());
        return Ok{};
    };
    AnimationExportOptions options;
    options.reuseBudgetBytes = static_cast<std::size_t>(state.range(0)) << 20;
    state.SetLabel("reuse budget " + std::to_string(state.range(0)) + " MiB");
    for (auto _ : state) {
        auto result = streamAnimationFrames(benchOrb(), MotionSettings{}, consume, options);
        if (!result) state.SkipWithError(result.error().message.c_str());
    }
}
BENCHMARK(BM_StreamFramesWithoutWriting)
    ->Arg(0)
    ->Arg(32)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_FlattenOntoMatte(benchmark::State& state)
{
    const render::Image frame = benchFrame();
    for (auto _ : state) benchmark::DoNotOptimize(flattenOntoMatte(frame, {0.1, 0.2, 0.3, 1.0}).pixels.data());
}
BENCHMARK(BM_FlattenOntoMatte)->Unit(benchmark::kMicrosecond);

void BM_GifPaletteMap(benchmark::State& state)
{
    const render::Image frame = flattenOntoMatte(benchFrame(), {0.0, 0.0, 0.0, 1.0});
    ColorHistogram histogram;
    histogram.add(frame);
    PaletteMapper mapper(histogram.palette());
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(frame.width) * frame.height);
    for (auto _ : state) {
        mapper.map(frame, indices.data(), frame.width);
        benchmark::DoNotOptimize(indices.data());
    }
}
BENCHMARK(BM_GifPaletteMap)->Unit(benchmark::kMicrosecond);

// One frame of a two-state playback loop at 600 x 600, single-threaded as the pipeline draws it:
// a held state (one orb) and the middle of a cross-fade (two orbs composited).
void BM_PlaybackLoopFrame(benchmark::State& state)
{
    OrbValues second = benchOrb();
    second.glowColor = {0.2, 0.9, 0.5, 1.0};
    const PlaybackLoop loop{{benchOrb(), second}, 0.6};
    const double at = state.range(0) == 0 ? 0.4 : 0.8 + 0.3; // held; halfway through the first fade
    state.SetLabel(state.range(0) == 0 ? "held" : "cross-fade");
    for (auto _ : state) benchmark::DoNotOptimize(renderPlaybackLoopFrame(loop, at, 2.0, 1).pixels.data());
}
BENCHMARK(BM_PlaybackLoopFrame)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
