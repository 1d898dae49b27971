// How far the smooth layers drawn on a coarser grid stray from the same layers drawn at every
// pixel, over the presets at several times and seeded random looks. Shared by the renderer's
// test (a subset) and bench_render (the full set), header-only so that both can use it.
#pragma once

#include "model/OrbPreset.h"
#include "model/RandomConfiguration.h"
#include "render/OrbRenderer.h"
#include "render/Parallel.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace lumara::test {

struct ReducedError {
    int maxLevels = 0;            // largest difference of any byte, in 8-bit levels
    double worstMeanLevels = 0.0; // largest mean difference of one picture over all its bytes
    double meanLevels = 0.0;      // mean difference over every byte of every picture
    int pictures = 0;
    std::string worstCase, worstMeanCase;
};

// The times the presets are drawn at: the start, a moment on, and late clock times as the live
// canvas passes them.
inline constexpr double kPresetTimes[] = {0.0, 1.7, 8.1e8 + 0.37, 8.1e8 + 13.9, 8.1e8 + 31.2};

// Options for the i-th random look `v`: 1, 2 or 3 pixels per point in turn (280, 560 or 840 px for
// the default size), every other one framed with room for the shadow around it.
inline render::RenderOptions randomLookOptions(const OrbValues& v, int i)
{
    render::RenderOptions options;
    options.pixelsPerPoint = 1.0 + i % 3;
    if (i % 2) {
        const int side = render::orbPixelSize(v, options.pixelsPerPoint);
        options.width = side + side / 2;
        options.height = side + side / 2;
        options.originX = side / 4;
        options.originY = side / 8;
    }
    return options;
}

// Renders each case both ways: `times` of the preset times for each preset at 560 px in its
// square, then `looks` random looks (seeds 1000 on), with randomLookOptions.
inline ReducedError measureReducedError(int times, int looks)
{
    render::WorkerPool pool(0);
    ReducedError e;
    double total = 0.0, bytes = 0.0;
    auto compare = [&](const OrbValues& v, double t, render::RenderOptions options, const std::string& name) {
        options.workers = &pool;
        options.exactSmoothLayers = true;
        const render::Image exact = render::renderOrb(v, t, options);
        options.exactSmoothLayers = false;
        const render::Image reduced = render::renderOrb(v, t, options);
        long long sum = 0;
        int worst = 0;
        for (std::size_t i = 0; i < exact.pixels.size(); ++i) {
            const int d = std::abs(exact.pixels[i] - reduced.pixels[i]);
            worst = std::max(worst, d);
            sum += d;
        }
        const double mean = exact.pixels.empty() ? 0.0 : static_cast<double>(sum) / exact.pixels.size();
        if (worst > e.maxLevels || e.worstCase.empty()) {
            e.maxLevels = std::max(e.maxLevels, worst);
            if (worst == e.maxLevels) e.worstCase = name;
        }
        if (mean >= e.worstMeanLevels) {
            e.worstMeanLevels = mean;
            e.worstMeanCase = name;
        }
        total += static_cast<double>(sum);
        bytes += static_cast<double>(exact.pixels.size());
        ++e.pictures;
    };
    for (const auto& preset : allPresets())
        for (int i = 0; i < std::min(times, 5); ++i) {
            render::RenderOptions options;
            options.pixelsPerPoint = 560.0 / preset.configuration.orbSize;
            compare(preset.configuration, kPresetTimes[i], options, preset.name + " at " + std::to_string(kPresetTimes[i]) + " s");
        }
    for (int i = 0; i < looks; ++i) {
        RandomEngine engine(1000 + static_cast<unsigned>(i));
        const OrbValues v = makeRandomConfiguration(engine);
        compare(v, 8.1e8 + 0.77 * i, randomLookOptions(v, i), "random look " + std::to_string(i));
    }
    e.meanLevels = bytes > 0 ? total / bytes : 0.0;
    return e;
}

} // namespace lumara::test
