// The renderer's row stages on their own, each against the plain form it replaces: polygon
// coverage of a blob outline, the blur of a blob field, the two blurred rings of an orb and a linear
// background read per pixel or a row at a time. One thread; a 560 px orb.
#include "render/Blur.h"
#include "render/Coverage.h"
#include "render/Geometry.h"
#include "render/Gradient.h"
#include "render/Parallel.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace lumara::render;

constexpr int kSide = 560;

std::vector<Point> blobOutline() { return wavyBlobPolygon({280.0, 300.0}, 230.0, 6, 0.15, 0.8, 0.1); }

// Argument 0: the fast form; 1: every cell of the grid.
void BM_PolygonCoverage(benchmark::State& state)
{
    const auto outline = blobOutline();
    std::vector<float> cover;
    for (auto _ : state) {
        if (state.range(0) == 0) polygonCoverage(outline, kSide + 2, kSide + 2, {-1.0, -1.0}, 1.0, cover);
        else polygonCoverageWholeGrid(outline, kSide + 2, kSide + 2, {-1.0, -1.0}, 1.0, cover);
        benchmark::DoNotOptimize(cover.data());
    }
}
BENCHMARK(BM_PolygonCoverage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A blob's field blurred by 2 px, as a frame blurs each blob. Argument as above.
void BM_BlobBlur(benchmark::State& state)
{
    WorkerPool pool(1);
    Field field = Field::covering(0.0, 0.0, kSide, kSide, 1, 1);
    std::vector<float> cover;
    polygonCoverage(blobOutline(), field.width(), field.height(), {field.left(), field.top()}, 1.0, cover);
    for (auto _ : state) {
        field.fillAndBlur(0.0, pool, [&](int j0, int j1) {
            for (int j = j0; j < j1; ++j)
                std::copy_n(cover.data() + static_cast<std::size_t>(j) * field.width(), field.width(), field.row(0, j));
        });
        if (state.range(0) == 0) field.blur(2.0, pool);
        else field.blurWholeGrid(2.0, pool);
        benchmark::DoNotOptimize(field.plane(0));
    }
}
BENCHMARK(BM_BlobBlur)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The orb's two rings over the whole square: argument 0 a row at a time (distancesAlong and
// RingProfile::values), 1 value() per pixel.
void BM_RingRows(benchmark::State& state)
{
    const double R = 252.0, centre = kSide / 2.0;
    const RingProfile ringA(R - 4.0, R + 4.0, 6.0, R), ringB(R - 5.6, R - 2.4, 2.0, R);
    std::vector<double> distance(kSide);
    std::vector<float> a(kSide), b(kSide);
    for (auto _ : state) {
        float sum = 0.0f;
        for (int y = 0; y < kSide; ++y) {
            const double dy = y + 0.5 - centre;
            if (state.range(0) == 0) {
                distancesAlong(0.5, centre, dy, kSide, distance.data());
                ringA.values(distance.data(), kSide, a.data());
                ringB.values(distance.data(), kSide, b.data());
            } else {
                for (int x = 0; x < kSide; ++x) {
                    const double dx = x + 0.5 - centre;
                    const double d = std::sqrt(dx * dx + dy * dy);
                    a[static_cast<std::size_t>(x)] = ringA.value(d);
                    b[static_cast<std::size_t>(x)] = ringB.value(d);
                }
            }
            sum += a[static_cast<std::size_t>(y)] + b[static_cast<std::size_t>(y)];
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_RingRows)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A linear background of three colours over the whole square: argument 0 a row at a time
// (linearAlong and ColourRamp::fastRow), 1 fast4() per pixel.
void BM_LinearBackground(benchmark::State& state)
{
    const ColourRamp ramp({{0.1, 0.2, 0.5, 1.0}, {0.6, 0.1, 0.4, 1.0}, {0.9, 0.8, 0.2, 0.7}});
    const double S = kSide, a = 0.6, ca = std::cos(a), sa = std::sin(a), offset = 0.5 - 0.5 * ca;
    std::vector<Px> pixels(static_cast<std::size_t>(kSide) * kSide);
    std::vector<double> t(kSide);
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y) {
            Px* row = pixels.data() + static_cast<std::size_t>(y) * kSide;
            const double rowTerm = ((y + 0.5) / S - (0.5 + 0.5 * sa)) * sa;
            if (state.range(0) == 0) {
                linearAlong(0.5, S, offset, ca, rowTerm, kSide, t.data());
                ramp.fastRow(t.data(), kSide, row);
            } else {
                for (int x = 0; x < kSide; ++x) store(row[x], ramp.fast4(((x + 0.5) / S - offset) * ca - rowTerm));
            }
        }
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_LinearBackground)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
