// The generated page in headless Chromium (SwiftShader WebGL 2): frames per second of the default
// orb at 560 device pixels, measured by the page's own clock over a few frames drawn back to back,
// each read back so that it has really been drawn. One browser start per iteration; the figure is
// reported as the counter page_fps (the iteration time includes starting the browser).
// And the agreement of every preset's page with the native renderer at 560 device pixels (device
// scale 2), which must stay within a mean of 3/255 over the four premultiplied channels: the
// program exits with status 1 when a preset is above it or could not be measured.
#include "export/text/ExportText.h"
#include "export/text/PageParity.h"
#include "support/HeadlessChromium.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <sstream>

using namespace lumara;

namespace {

const std::string kMeter = R"JS(
;(function () {
    pause();
    const pixel = new Uint8Array(4);
    gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel); // waits for the start-up frame
    const frames = 2;
    const start = performance.now();
    for (let i = 1; i <= frames; i++) {
        render(i * 1000 / 60);
        gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
    }
    const seconds = (performance.now() - start) / 1000;
    window.parent.document.getElementById(window.frameElement.id + "-out").textContent = PX + " " + frames / seconds;
})();
)JS";

void BM_PageFramesPerSecondDefaultOrb560(benchmark::State& state)
{
    QTemporaryDir dir;
    const OrbValues values;
    // The frame leaves room for the shadow around the orb, as the page sizes itself.
    const double side = 560 * (1 + 2 * 0.36 * values.shadowRadius);
    const std::string page = dir.filePath("fps.html").toStdString();
    test::writeBytes(page, test::framesPage({{"fps", test::withScriptAtEnd(exporting::generateStaticHTML(values), kMeter), side}}));
    double fps = 0;
    for (auto _ : state) {
        const test::BrowserRun run = test::runChromium({"--force-prefers-reduced-motion", "--dump-dom"}, "file://" + page, 240);
        std::istringstream in(test::preText(run.dom, "fps-out"));
        int px = 0;
        double measured = 0;
        in >> px >> measured;
        if (run.exitCode != 0 || px != 560 || !(measured > 0)) {
            state.SkipWithError("the page did not report its frame rate");
            break;
        }
        fps += measured;
    }
    state.counters["page_fps"] = fps / double(std::max<benchmark::IterationCount>(1, state.iterations()));
}
BENCHMARK(BM_PageFramesPerSecondDefaultOrb560)->Iterations(3)->Unit(benchmark::kSecond);

constexpr double kAgreementGoal = 3.0; // mean difference in 1/255 steps

bool g_agreementBroken = false;

// One browser per preset: SwiftShader draws sixteen pages of this size too slowly for one run.
// Counters: the worst preset's mean and how many presets are above the goal.
void BM_PageAgreementEveryPreset560(benchmark::State& state)
{
    QTemporaryDir dir;
    std::vector<test::PresetAgreement> measured;
    for (auto _ : state) measured = test::measurePageAgreement(2.0, 2, 1, 240, dir.path().toStdString());
    test::printAgreement(measured);
    double worst = 0;
    int above = 0;
    for (const auto& a : measured) {
        const double mean = a.failure.empty() ? a.difference.meanAll() : 255.0;
        worst = std::max(worst, mean);
        above += mean > kAgreementGoal;
    }
    state.counters["worst_mean"] = worst;
    state.counters["presets_above_3"] = above;
    if (above > 0) {
        g_agreementBroken = true;
        state.SkipWithError("a preset's page differs from the native render by more than 3/255 on average");
    }
}
BENCHMARK(BM_PageAgreementEveryPreset560)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return g_agreementBroken ? 1 : 0;
}
