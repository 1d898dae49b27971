// The generated page's frame at time 0 against `lumara render --time 0` for the presets: each
// preset's static page in headless Chromium reports what its canvas shows, and the orb's square
// is compared with the native render of the same pixel size, premultiplied. Shared by the page
// test (small orbs, one browser for all presets) and bench_page (560 px, one browser per preset).
#pragma once

#include "model/OrbPreset.h"

#include <QImage>

#include <string>
#include <vector>

namespace lumara::test {

struct Difference {
    double meanPerChannel[4] = {0, 0, 0, 0}; // in 1/255 steps, premultiplied
    double shareOver32 = 0;                  // pixels with any channel off by more than 32/255
    double meanAll() const { return (meanPerChannel[0] + meanPerChannel[1] + meanPerChannel[2] + meanPerChannel[3]) / 4; }
};

// Differences of two premultiplied RGBA8888 images; the worst figures if their sizes differ.
Difference compareImages(const QImage& a, const QImage& b);

// Side in CSS pixels of the frame whose page draws the orb `cssPx` CSS pixels wide (the page
// leaves room for the shadow around it).
double frameSideFor(const OrbValues& v, double cssPx);

struct PresetAgreement {
    std::string name;
    int px = 0;          // orb side in device pixels
    Difference difference;
    std::string failure; // why nothing was measured; empty when measured
    QImage page, native; // the two orbs compared
};

// Measures every preset's page at `pixelsPerPoint` device pixels per point of its orbSize with
// `deviceScale` device pixels per CSS pixel. `presetsPerBrowser` presets share one browser run
// (each run has `timeoutSeconds`); `workDir` holds the pages and the native renders.
std::vector<PresetAgreement> measurePageAgreement(double pixelsPerPoint, int deviceScale, std::size_t presetsPerBrowser,
                                                  int timeoutSeconds, const std::string& workDir);

// A table of the figures, one line per preset, for the test's and the benchmark's output.
void printAgreement(const std::vector<PresetAgreement>& measured);

} // namespace lumara::test
