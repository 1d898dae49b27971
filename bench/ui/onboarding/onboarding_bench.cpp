// The first-run pages: the cost of one frame of a page's live orb (156 points, one renderer
// thread, its own shadow off) at 1x and 2x, per page preset.
#include "model/OrbPreset.h"
#include "ui/canvas/FrameRenderer.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace lumara;

namespace {

void BM_OnboardingOrbFrame(benchmark::State& state)
{
    static const char* presets[] = {"Deep Sea", "Glacier", "Molten"};
    OrbValues values = findPreset(presets[state.range(0)])->configuration;
    values.orbSize = 156;
    values.showShadow = false;
    const double scale = double(state.range(1));
    const int side = int(std::ceil(156 * scale));
    double time = 0;
    for (auto _ : state) {
        ui::Frame frame = ui::renderFrame({{{values, 1.0}}, time, scale, QSize(side, side), 1});
        benchmark::DoNotOptimize(frame.image.constBits());
        time += 1.0 / 60.0;
    }
    state.SetLabel(std::string(presets[state.range(0)]) + " @" + std::to_string(state.range(1)) + "x");
}
BENCHMARK(BM_OnboardingOrbFrame)->ArgsProduct({{0, 1, 2}, {1, 2}})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
