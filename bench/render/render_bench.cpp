// Renderer benchmarks: the default orb at 560 px and 1600 px, every preset at 560 px, each on one
// thread and on all cores; and the error of the cell-grid blur against an exact Gaussian.
#include "model/OrbPreset.h"
#include "render/Blur.h"
#include "render/Coverage.h"
#include "render/OrbRenderer.h"
#include "render/Parallel.h"
#include "render/ReducedLayersError.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace lumara;

// A late clock time, as the live canvas passes it (seconds since 2001).
constexpr double kLiveTime = 8.1e8 + 0.37;

// threads: 1 = one thread; 0 = all cores, workers started for each frame; -1 = all cores, workers
// kept between frames (as the canvas and the animated export do).
void renderFrames(benchmark::State& state, const OrbValues& values, double pointsScale, int threads)
{
    render::RenderOptions options;
    options.pixelsPerPoint = pointsScale;
    options.threads = std::max(threads, 0);
    std::optional<render::WorkerPool> kept;
    if (threads < 0) options.workers = &kept.emplace(0);
    double t = kLiveTime;
    for (auto _ : state) {
        auto image = render::renderOrb(values, t, options);
        benchmark::DoNotOptimize(image.pixels.data());
        t += 1.0 / 60.0;
    }
    state.counters["threads"] = threads == 1 ? 1 : std::thread::hardware_concurrency();
    state.counters["kept"] = threads < 0 ? 1 : 0;
}

// Default orb at 280 pt x 2 = 560 px.
void BM_DefaultOrb560(benchmark::State& state) { renderFrames(state, OrbValues{}, 2.0, static_cast<int>(state.range(0))); }
BENCHMARK(BM_DefaultOrb560)->Arg(1)->Arg(0)->Arg(-1)->Unit(benchmark::kMillisecond);

// Default orb at 800 pt x 2 = 1600 px.
void BM_DefaultOrb1600(benchmark::State& state)
{
    OrbValues values;
    values.orbSize = 800.0;
    renderFrames(state, values, 2.0, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_DefaultOrb1600)->Arg(1)->Arg(0)->Arg(-1)->Unit(benchmark::kMillisecond);

// Every preset at 560 px; argument 0 is the preset's index, argument 1 the thread count.
void BM_Preset560(benchmark::State& state)
{
    const auto& preset = allPresets().at(static_cast<std::size_t>(state.range(0)));
    state.SetLabel(preset.name);
    renderFrames(state, preset.configuration, 2.0, static_cast<int>(state.range(1)));
}
BENCHMARK(BM_Preset560)->ArgsProduct({benchmark::CreateDenseRange(0, 15, 1), {1, 0, -1}})->Unit(benchmark::kMillisecond);

// Largest difference, in 8-bit levels, between the renderer's blur of a disc and an exact
// Gaussian blur of the same disc computed in doubles on the pixel grid with a kernel reaching 6
// deviations. Both start from the disc's exact area coverage (16 x 16 samples per pixel), averaged
// over the renderer's cells when they are coarser than a pixel, so the figure is the blur's own
// error: truncation at 3 deviations, the coarse cells and the bilinear read-back. One iteration.
void BM_BlurError(benchmark::State& state)
{
    const double sigma = static_cast<double>(state.range(0));
    const int n = 400;
    const double radius = 90.0, cx = 200.3, cy = 199.6;
    double worst = 0.0;
    for (auto _ : state) {
        std::vector<double> src(static_cast<std::size_t>(n * n)), tmp(src.size()), ref(src.size());
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                int inside = 0;
                for (int sy = 0; sy < 16; ++sy)
                    for (int sx = 0; sx < 16; ++sx) {
                        const double px = x + (sx + 0.5) / 16 - cx, py = y + (sy + 0.5) / 16 - cy;
                        inside += px * px + py * py <= radius * radius;
                    }
                src[static_cast<std::size_t>(y * n + x)] = inside / 256.0;
            }
        const int r = static_cast<int>(std::ceil(6 * sigma));
        std::vector<double> w(static_cast<std::size_t>(r) + 1);
        for (int i = 0; i <= r; ++i)
            w[static_cast<std::size_t>(i)] = std::exp(-0.5 * i * i / (sigma * sigma)) / (sigma * std::sqrt(2 * std::numbers::pi));
        auto at = [&](const std::vector<double>& v, int x, int y) { return v[static_cast<std::size_t>(y * n + x)]; };
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                double s = 0;
                for (int j = -r; j <= r; ++j)
                    if (x + j >= 0 && x + j < n) s += w[static_cast<std::size_t>(std::abs(j))] * at(src, x + j, y);
                tmp[static_cast<std::size_t>(y * n + x)] = s;
            }
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                double s = 0;
                for (int j = -r; j <= r; ++j)
                    if (y + j >= 0 && y + j < n) s += w[static_cast<std::size_t>(std::abs(j))] * at(tmp, x, y + j);
                ref[static_cast<std::size_t>(y * n + x)] = s;
            }
        render::WorkerPool pool(1);
        const int k = render::Field::cellSizeFor(sigma, 2 * radius);
        auto field = render::Field::covering(0, 0, n, n, k, 1);
        for (int j = 0; j < field.height(); ++j)
            for (int i = 0; i < field.width(); ++i) {
                double sum = 0;
                const int x0 = static_cast<int>(field.left()) + i * k, y0 = static_cast<int>(field.top()) + j * k;
                for (int y = std::max(0, y0); y < std::min(n, y0 + k); ++y)
                    for (int x = std::max(0, x0); x < std::min(n, x0 + k); ++x) sum += at(src, x, y);
                field.row(0, j)[i] = static_cast<float>(sum / (k * k));
            }
        field.blur(sigma, pool);
        worst = 0.0;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                worst = std::max(worst, std::abs(field.sample(0, x + 0.5, y + 0.5) - at(ref, x, y)));
        state.counters["cell"] = k;
    }
    state.counters["maxErrorLevels"] = worst * 255.0;
}
BENCHMARK(BM_BlurError)->Arg(1)->Arg(2)->Arg(4)->Arg(5)->Arg(6)->Arg(8)->Arg(12)->Arg(24)->Arg(36)->Arg(72)->Iterations(1)->Unit(benchmark::kMillisecond);

// The smooth layers on their coarse grids against the same layers at every pixel: every preset at
// five times and 50 seeded random looks (ReducedLayersError.h). Fails when the picture strays by
// more than 2 levels in any byte or by more than a quarter of a level on average in any picture.
void BM_ReducedError(benchmark::State& state)
{
    lumara::test::ReducedError e;
    for (auto _ : state) e = lumara::test::measureReducedError(5, 50);
    state.counters["maxLevels"] = e.maxLevels;
    state.counters["worstMeanLevels"] = e.worstMeanLevels;
    state.counters["meanLevels"] = e.meanLevels;
    state.counters["pictures"] = e.pictures;
    state.SetLabel("worst: " + e.worstCase + "; worst mean: " + e.worstMeanCase);
    if (e.maxLevels > 2 || e.worstMeanLevels > 0.25) {
        static std::string message;
        message = "the reduced smooth layers break the error bound: " + std::to_string(e.maxLevels) + " levels at " +
                  e.worstCase + ", mean " + std::to_string(e.worstMeanLevels) + " at " + e.worstMeanCase;
        state.SkipWithError(message.c_str());
    }
}
BENCHMARK(BM_ReducedError)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
