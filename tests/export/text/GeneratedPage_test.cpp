// The generated page in a real headless Chromium: it loads without script errors and draws an
// orb, holds the frame at time 0 under reduced motion, the multi-state page cycles on its
// interval, and each preset's frame at time 0 matches `lumara render --time 0`. Its frame rate is
// measured by bench_page.
#include "export/text/PageParity.h"
#include "support/HeadlessChromium.h"

#include "export/text/ExportText.h"
#include "model/OrbPreset.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>

namespace lumara::exporting {
namespace {

using test::Frame;
using test::BrowserRun;
using test::runChromium;

class GeneratedPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(test::kChromiumBinary))
            << "headless Chromium is missing: install the Debian package chromium (make deps)";
        ASSERT_TRUE(m_dir.isValid());
    }

    std::string path(const std::string& name) const { return m_dir.filePath(QString::fromStdString(name)).toStdString(); }

    // Writes `html` to a file and returns its file URL.
    std::string pageUrl(const std::string& name, const std::string& html) const
    {
        test::writeBytes(path(name), html);
        return "file://" + path(name);
    }

    // Loads the static page of `v`, drawn `px` device pixels wide, with `body` run after its own
    // start-up code (`out` is the element the body reports into), and returns what it reported.
    // The page must run without script errors.
    std::string probe(const OrbValues& v, int px, const std::string& body, std::vector<std::string> flags)
    {
        const std::string script = ";(function () {\nconst out = window.parent.document.getElementById(window.frameElement.id + \"-out\");\n" +
                                   body + "\n})();\n";
        const std::string url =
            pageUrl("probe.html", test::framesPage({{"orb", test::withScriptAtEnd(generateStaticHTML(v), script), test::frameSideFor(v, px)}}));
        flags.push_back("--dump-dom");
        const auto run = runChromium(flags, url, 240);
        EXPECT_EQ(run.exitCode, 0) << run.log;
        EXPECT_EQ(test::scriptErrors(run.log), std::vector<std::string>{}) << run.log;
        return test::preText(run.dom, "orb-out");
    }

    QTemporaryDir m_dir;
};

TEST_F(GeneratedPage, StaticPageLoadsWithoutScriptErrorsAndDrawsAnOrb)
{
    const std::string url = pageUrl("orb.html", generateStaticHTML(OrbValues{}));
    const std::string shot = path("orb.png");
    const auto run = runChromium({"--force-prefers-reduced-motion", "--window-size=300,300", "--virtual-time-budget=2000", "--screenshot=" + shot}, url, 120);
    ASSERT_EQ(run.exitCode, 0) << run.log;
    EXPECT_EQ(test::scriptErrors(run.log), std::vector<std::string>{});
    const QImage image = QImage(QString::fromStdString(shot)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(300, 300));
    const QColor centre = image.pixelColor(150, 150);
    EXPECT_LT(std::min({centre.red(), centre.green(), centre.blue()}), 200) << "no orb at the centre";
    for (const QPoint corner : {QPoint(2, 2), QPoint(297, 2), QPoint(2, 297), QPoint(297, 297)})
        EXPECT_GT(image.pixelColor(corner).lightness(), 245) << "the page background shows at the corners";
}

TEST_F(GeneratedPage, ReducedMotionShowsTheFrameAtTimeZeroAndStaysStill)
{
    std::istringstream in(probe(OrbValues{}, 120, R"JS(
const still = pending === 0 ? "still" : "playing";
const shown = canvas.toDataURL("image/png");
render(0);
const zero = canvas.toDataURL("image/png");
render(1500);
const later = canvas.toDataURL("image/png");
render(0);
out.textContent = [still, shown, zero, later].join(" ");
)JS", {"--force-prefers-reduced-motion"}));
    std::string still, shown, zero, later;
    in >> still >> shown >> zero >> later;
    EXPECT_EQ(still, "still") << "no frame may be pending under reduced motion";
    const QImage shownImage = test::imageFromDataUrl(shown), zeroImage = test::imageFromDataUrl(zero),
                 laterImage = test::imageFromDataUrl(later);
    ASSERT_FALSE(shownImage.isNull()) << "the page did not finish its start-up";
    EXPECT_EQ(test::compareImages(shownImage, zeroImage).meanAll(), 0.0) << "the still frame is the frame at time 0";
    EXPECT_GT(test::compareImages(zeroImage, laterImage).meanAll(), 0.05) << "time moves the layers, so 1.5 s must differ";
}

TEST_F(GeneratedPage, RecoversFromALostContext)
{
    // Loses the WebGL context, gives it back, and reports the frame at time 0 before and after.
    std::istringstream in(probe(OrbValues{}, 100, R"JS(
const before = canvas.toDataURL("image/png");
const lose = gl.getExtension("WEBGL_lose_context");
canvas.addEventListener("webglcontextlost", () => setTimeout(() => lose.restoreContext(), 10));
canvas.addEventListener("webglcontextrestored", () => {
    render(0);
    out.textContent = [contextLost ? "lost" : "restored", before, canvas.toDataURL("image/png")].join(" ");
});
lose.loseContext();
)JS", {"--force-prefers-reduced-motion", "--virtual-time-budget=10000"}));
    std::string state, before, after;
    in >> state >> before >> after;
    ASSERT_EQ(state, "restored");
    const QImage beforeImage = test::imageFromDataUrl(before), afterImage = test::imageFromDataUrl(after);
    ASSERT_FALSE(beforeImage.isNull());
    EXPECT_LT(test::compareImages(beforeImage, afterImage).meanAll(), 0.5) << "the restored page draws the same frame";
}

TEST_F(GeneratedPage, MultiStatePageCyclesOnItsInterval)
{
    OrbValues a, b, c;
    b.gradientType = GradientType::radial;
    c.showShadow = false;
    // Records each change of the shown layer with the page's clock.
    const std::string recorder = R"JS(
;(function () {
    const log = document.createElement("pre");
    log.id = "cycle-log";
    document.body.appendChild(log);
    const start = performance.now();
    let last = index;
    new MutationObserver(() => {
        if (index === last) return;
        last = index;
        const visible = layers.findIndex((layer) => layer.style.opacity === "1");
        log.textContent += Math.round(performance.now() - start) + ":" + index + ":" + visible + " ";
    }).observe(stage, { subtree: true, attributes: true, attributeFilter: ["style"] });
})();
)JS";
    const std::string url = pageUrl("cycle.html", test::withScriptAtEnd(generateAnimatedHTML({a, b, c}, 0.25), recorder));
    // Headless Chromium now and then reports the stage hidden early in a run, and the page then
    // (rightly) stops its timer; such a run shows fewer than three steps and is run again, at most
    // five times (on a loaded machine three in a row have been seen). Every expectation below
    // applies to the run that is kept.
    BrowserRun run;
    for (int attempt = 0; attempt < 5; ++attempt) {
        run = runChromium({"--window-size=48,48", "--virtual-time-budget=8000", "--dump-dom"}, url, 150);
        std::istringstream entries(test::preText(run.dom, "cycle-log"));
        if (std::distance(std::istream_iterator<std::string>(entries), std::istream_iterator<std::string>()) >= 3) break;
    }
    ASSERT_EQ(run.exitCode, 0) << run.log;
    EXPECT_EQ(test::scriptErrors(run.log), std::vector<std::string>{});
    std::istringstream in(test::preText(run.dom, "cycle-log"));
    std::vector<std::pair<int, int>> steps; // (ms, index)
    for (std::string entry; in >> entry;) {
        int ms = 0, index = 0, visible = 0;
        ASSERT_EQ(std::sscanf(entry.c_str(), "%d:%d:%d", &ms, &index, &visible), 3) << entry;
        EXPECT_EQ(visible, index) << "exactly the layer at the index is opaque";
        steps.push_back({ms, index});
    }
    ASSERT_GE(steps.size(), 3u) << test::preText(run.dom, "cycle-log");
    // The timer starts once the stage is seen to be on screen, a moment after the script runs.
    EXPECT_GE(steps[0].first, 1000);
    for (std::size_t k = 0; k < steps.size(); ++k) {
        EXPECT_EQ(steps[k].second, static_cast<int>((k + 1) % 3));
        if (k) {
            EXPECT_NEAR(steps[k].first - steps[k - 1].first, 1050, 60) << "step " << k;
        }
    }
}

TEST_F(GeneratedPage, MatchesTheNativeRendererForEveryPreset)
{
    // Orbs of 140 device pixels keep SwiftShader's share of the test to seconds; bench_page
    // measures the agreement at 560 px, device scale 2, against the goal of 3/255.
    const auto measured = test::measurePageAgreement(0.5, 1, allPresets().size(), 240, m_dir.path().toStdString());
    test::printAgreement(measured);
    for (const auto& a : measured) {
        SCOPED_TRACE(a.name);
        ASSERT_EQ(a.failure, "");
        if (const char* dump = std::getenv("LUMARA_PARITY_DUMP")) { // for looking at the pairs by eye
            a.page.save(QString("%1/%2-page.png").arg(dump).arg(QString::fromStdString(a.name)));
            a.native.save(QString("%1/%2-native.png").arg(dump).arg(QString::fromStdString(a.name)));
        }
        // Blur kernels and anti-aliasing differ by about 2 steps on average, with about 2 % of the
        // pixels off by more than 32; a flipped gradient axis gives 8 to 30 steps and 15 to 70 %,
        // a missing layer more.
        const test::Difference& d = a.difference;
        EXPECT_LT(d.meanAll(), 6.0);
        EXPECT_LT(*std::max_element(std::begin(d.meanPerChannel), std::end(d.meanPerChannel)), 10.0);
        EXPECT_LT(d.shareOver32, 0.08);
    }
}

} // namespace
} // namespace lumara::exporting
