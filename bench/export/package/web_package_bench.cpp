// The web package: its size for a three-state design without posters, and its runtime in headless
// Chromium (SwiftShader WebGL 2, so the figures are a software GPU's): the time from importing the
// module to every orb's first frame, and the time per frame with one orb and with 32 on a page,
// against the generated page drawing the same orb the same size. Counters: package_kb, index_kb;
// first_frame_ms, frame_ms, and page_frame_ms for the page.
#include "export/package/WebPackage.h"
#include "export/package/WebPackageTestSupport.h"
#include "export/text/ExportText.h"
#include "support/HeadlessChromium.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

using namespace lumara;

namespace {

const std::string kBrowserPages = LUMARA_BROWSER_PAGES;

void BM_PackageSizeThreeStates(benchmark::State& state)
{
    std::size_t total = 0, index = 0;
    for (auto _ : state) {
        auto files = exporting::generateWebPackageTexts(test::assistantProject(), "lumara-orb", false);
        if (!files) {
            state.SkipWithError("the package could not be generated");
            return;
        }
        total = index = 0;
        for (const auto& file : *files) {
            total += file.bytes.size();
            if (file.path == "index.js") index = file.bytes.size();
        }
    }
    state.counters["package_kb"] = double(total) / 1024;
    state.counters["index_kb"] = double(index) / 1024;
}
BENCHMARK(BM_PackageSizeThreeStates)->Unit(benchmark::kMillisecond);

// A folder with the package of the three states and the browser pages.
class Folder {
public:
    Folder()
    {
        if (!exporting::writeWebPackage(test::assistantProject(), m_dir.filePath("pkg").toStdString(), "lumara-orb", false)) ok = false;
        for (const QString& file : QDir(QString::fromStdString(kBrowserPages)).entryList(QDir::Files))
            QFile::copy(QString::fromStdString(kBrowserPages + "/") + file, m_dir.filePath(file));
    }
    std::string path() const { return m_dir.path().toStdString(); }
    bool ok = true;

private:
    QTemporaryDir m_dir;
};

nlohmann::json openPage(const Folder& folder, const std::string& page, const std::string& window = "1600,1000")
{
    const auto run = test::runProcess("python3", {kBrowserPages + "/run_page.py", folder.path(), page, "240",
                                                  "--window-size=" + window}, {}, 270);
    auto record = nlohmann::json::parse(run.out, nullptr, false);
    return run.exitCode == 0 && record.is_object() && !record.contains("error") ? record : nlohmann::json();
}

// Orbs of 280 CSS pixels (the design's own size) for one, 96 for 32 (a grid that fits a window).
void BM_ComponentFrames(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const int size = count == 1 ? 280 : 96;
    Folder folder;
    double first = 0, frame = 0;
    for (auto _ : state) {
        // One orb in a window just large enough for it and its shadow, as the page's is below.
        const auto record = openPage(folder, "frames.html?n=" + std::to_string(count) + "&size=" + std::to_string(size),
                                     count == 1 ? "640,640" : "1600,1000");
        if (record.is_null()) {
            state.SkipWithError("the page did not report");
            return;
        }
        first += record["firstFrameMs"].get<double>();
        frame += record["frameMs"].get<double>();
    }
    const double n = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["first_frame_ms"] = first / n;
    state.counters["frame_ms"] = frame / n;
}
BENCHMARK(BM_ComponentFrames)->Arg(1)->Arg(32)->Iterations(2)->Unit(benchmark::kSecond);

// The generated page of the first state at the size of one orb above (its window fits the orb and
// the shadow's room, as the page fits itself to the window), its frames timed the same way.
const std::string kPageMeter = R"JS(
;(function () {
    const raf = window.requestAnimationFrame.bind(window);
    const stamps = [];
    window.requestAnimationFrame = (callback) => raf((stamp) => {
        callback(stamp);
        stamps.push(performance.now());
        const span = stamps[stamps.length - 1] - stamps[0];
        if (stamps.length > 2 && span >= 3000)
            fetch("/result", { method: "POST", body: JSON.stringify({ frameMs: span / (stamps.length - 1) }) });
    });
})();
)JS";

void BM_PageFrames(benchmark::State& state)
{
    Folder folder;
    const OrbValues values = test::assistantProject().states[0].config;
    test::writeBytes(folder.path() + "/page.html", test::withScriptAtEnd(exporting::generateStaticHTML(values), kPageMeter));
    double frame = 0;
    for (auto _ : state) {
        const int side = static_cast<int>(std::lround(280 * (1 + 2 * 0.36 * std::clamp(values.shadowRadius, 0.0, 8.0))));
        const auto record = openPage(folder, "page.html", std::to_string(side) + "," + std::to_string(side));
        if (record.is_null()) {
            state.SkipWithError("the page did not report");
            return;
        }
        frame += record["frameMs"].get<double>();
    }
    state.counters["page_frame_ms"] = frame / double(std::max<benchmark::IterationCount>(1, state.iterations()));
}
BENCHMARK(BM_PageFrames)->Iterations(2)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
