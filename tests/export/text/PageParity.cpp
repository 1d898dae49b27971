#include "export/text/PageParity.h"

#include "export/text/ExportText.h"
#include "support/HeadlessChromium.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>

namespace lumara::test {

namespace {

// Injected after the page's own start-up code: reports the size globals and what the canvas shows.
const std::string kReportFrame = R"JS(
;(function () {
    const out = window.parent.document.getElementById(window.frameElement.id + "-out");
    out.textContent = [PX, SHADOW_PAD, TOTAL, canvas.toDataURL("image/png")].join(" ");
})();
)JS";

std::string shortest(double x)
{
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, x).ptr);
}

// Measures presets [first, last) in one browser run.
void measureBatch(const std::vector<OrbPreset>& presets, std::size_t first, std::size_t last, double pixelsPerPoint,
                  int deviceScale, int timeoutSeconds, const std::string& workDir, std::vector<PresetAgreement>& out)
{
    std::vector<Frame> frames;
    for (std::size_t i = first; i < last; ++i) {
        const OrbValues& v = presets[i].configuration;
        PresetAgreement& a = out[i];
        a.name = presets[i].name;
        a.px = static_cast<int>(std::lround(v.orbSize * pixelsPerPoint));
        frames.push_back({"p" + std::to_string(i), withScriptAtEnd(exporting::generateStaticHTML(v), kReportFrame),
                          frameSideFor(v, static_cast<double>(a.px) / deviceScale)});
    }
    const std::string page = workDir + "/parity" + std::to_string(first) + ".html";
    writeBytes(page, framesPage(frames));
    const auto run = runChromium({"--force-prefers-reduced-motion", "--force-device-scale-factor=" + std::to_string(deviceScale),
                                  "--dump-dom"},
                                 "file://" + page, timeoutSeconds);
    const auto errors = scriptErrors(run.log);
    for (std::size_t i = first; i < last; ++i) {
        PresetAgreement& a = out[i];
        if (run.exitCode != 0) {
            a.failure = "the browser failed (" + std::to_string(run.exitCode) + "): " + run.log.substr(0, 400);
            continue;
        }
        if (!errors.empty()) {
            a.failure = "script error: " + errors.front();
            continue;
        }
        std::istringstream in(preText(run.dom, frames[i - first].id + "-out"));
        int px = 0, pad = 0, total = 0;
        std::string url;
        in >> px >> pad >> total >> url;
        const QImage canvas = imageFromDataUrl(url);
        if (canvas.isNull() || px != a.px) {
            a.failure = "the page drew no orb of " + std::to_string(a.px) + " px (reported " + std::to_string(px) + ")";
            continue;
        }
        a.page = canvas.copy(pad, pad, px, px).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        const std::string native = workDir + "/native" + std::to_string(i) + ".png";
        const auto rendered = runProcess(lumaraBinary(), {"render", "--preset", a.name, "-o", native, "--time", "0", "--scale",
                                                          shortest(a.px / presets[i].configuration.orbSize)});
        if (rendered.exitCode != 0) {
            a.failure = "lumara render failed: " + rendered.err;
            continue;
        }
        a.native = QImage(QString::fromStdString(native)).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        a.difference = compareImages(a.page, a.native);
    }
}

} // namespace

Difference compareImages(const QImage& a, const QImage& b)
{
    Difference d;
    if (a.size() != b.size() || a.isNull()) {
        d.shareOver32 = 1;
        std::fill(std::begin(d.meanPerChannel), std::end(d.meanPerChannel), 255.0);
        return d;
    }
    std::size_t over = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x) {
            int worst = 0;
            for (int c = 0; c < 4; ++c) {
                const int diff = std::abs(p[4 * x + c] - q[4 * x + c]);
                d.meanPerChannel[c] += diff;
                worst = std::max(worst, diff);
            }
            over += worst > 32;
        }
    }
    const double pixels = static_cast<double>(a.width()) * a.height();
    for (double& m : d.meanPerChannel) m /= pixels;
    d.shareOver32 = static_cast<double>(over) / pixels;
    return d;
}

double frameSideFor(const OrbValues& v, double cssPx)
{
    const double shadow = v.showShadow ? 0.36 * std::clamp(v.shadowRadius, 0.0, 8.0) : 0.0;
    return cssPx * (1 + 2 * shadow);
}

std::vector<PresetAgreement> measurePageAgreement(double pixelsPerPoint, int deviceScale, std::size_t presetsPerBrowser,
                                                  int timeoutSeconds, const std::string& workDir)
{
    const auto& presets = allPresets();
    std::vector<PresetAgreement> out(presets.size());
    presetsPerBrowser = std::max<std::size_t>(presetsPerBrowser, 1);
    for (std::size_t first = 0; first < presets.size(); first += presetsPerBrowser)
        measureBatch(presets, first, std::min(presets.size(), first + presetsPerBrowser), pixelsPerPoint, deviceScale,
                     timeoutSeconds, workDir, out);
    return out;
}

void printAgreement(const std::vector<PresetAgreement>& measured)
{
    std::printf("%-18s %5s %7s %7s %7s %7s %7s %9s\n", "preset", "px", "R", "G", "B", "A", "mean", ">32/255");
    for (const auto& a : measured) {
        // Padded by characters, not bytes: a name may hold UTF-8 ("Rosé").
        std::string name = a.name;
        const auto characters = std::count_if(name.begin(), name.end(), [](char c) { return (c & 0xC0) != 0x80; });
        name.append(static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, 18 - characters)), ' ');
        if (!a.failure.empty()) {
            std::printf("%s %5d not measured: %s\n", name.c_str(), a.px, a.failure.c_str());
            continue;
        }
        const Difference& d = a.difference;
        std::printf("%s %5d %7.2f %7.2f %7.2f %7.2f %7.2f %8.2f%%\n", name.c_str(), a.px, d.meanPerChannel[0],
                    d.meanPerChannel[1], d.meanPerChannel[2], d.meanPerChannel[3], d.meanAll(), 100 * d.shareOver32);
    }
    std::fflush(stdout);
}

} // namespace lumara::test
