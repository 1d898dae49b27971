// The smooth layers drawn on a coarser grid against the same layers drawn at every pixel: every
// preset at several times and seeded random looks, framed as the canvas frames them.
#include "render/ReducedLayersError.h"

#include "model/OrbPreset.h"
#include "render/Reduced.h"
#include "render/RenderTestSupport.h"
#include "render/SmoothGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace lumara::test {
namespace {

TEST(ReducedLayers, StayWithinTwoLevelsOfTheExactPictureAndAQuarterOnAverage)
{
    // Two times per preset and 20 random looks here; bench_render's BM_ReducedError runs the full
    // set (five times, 50 looks).
    const ReducedError e = measureReducedError(2, 20);
    EXPECT_LE(e.maxLevels, 2) << e.worstCase;
    EXPECT_LE(e.worstMeanLevels, 0.25) << e.worstMeanCase;
}

TEST(ReducedLayers, ThinGlowsAndSmallShadowsStayOnThePixelGrid)
{
    // Below 5 px of blur nothing is reduced: the picture is the exact one bit for bit.
    OrbValues v;
    v.orbSize = 100;
    v.glowSoftness = 0.5; // deviations of 2 px and 1 px at 200 px
    v.shadowRadius = 0.2; // near shadow of 2.4 px
    render::RenderOptions exact = framed(2.0, 260, 260, 30, 20);
    exact.exactSmoothLayers = true;
    render::RenderOptions reduced = exact;
    reduced.exactSmoothLayers = false;
    EXPECT_EQ(render::renderOrb(v, 3.0, exact).pixels, render::renderOrb(v, 3.0, reduced).pixels);
}

TEST(ReducedLayers, GridStepGrowsWithTheBlurAndIgnoresNonsense)
{
    struct Case {
        double sigma;
        int step;
    };
    for (const Case& c : {Case{0.0, 1}, Case{4.99, 1}, Case{5.0, 1}, Case{6.0, 2}, Case{11.2, 3}, Case{100.0, 33}, Case{1e9, 64},
                          Case{-3.0, 1}, Case{std::numeric_limits<double>::quiet_NaN(), 1},
                          Case{std::numeric_limits<double>::infinity(), 1}})
        EXPECT_EQ(render::reducedStep(c.sigma), c.step) << c.sigma;
}

TEST(ReducedLayers, ThreadCountNeverChangesTheReducedPicture)
{
    // At 840 px every preset's glows and shadow are on coarse grids.
    render::WorkerPool kept(3);
    for (const char* name : {"Venom", "Void", "Cloud"}) {
        const OrbValues v = findPreset(name)->configuration;
        render::RenderOptions options = framed(3.0, 1000, 940, 80, 30);
        const render::Image one = render::renderOrb(v, 8.1e8 + 2.5, options);
        options.workers = &kept;
        EXPECT_EQ(one.pixels, render::renderOrb(v, 8.1e8 + 2.5, options).pixels) << name;
    }
}

TEST(SmoothGrid, ReadsReproducePlanesAndStayInsideTheRectangle)
{
    // Bilinear reads give a plane a + b x + c y back exactly (to float rounding) at every pixel of
    // the rectangle, whatever the step, also where the last interval is shorter; outside it they
    // are zero, and extent() holds every non-zero read.
    struct Case {
        int x0, y0, width, height;
        double step;
    };
    render::WorkerPool pool(2);
    for (const Case& c : {Case{0, 0, 560, 560, 3}, Case{0, 0, 560, 560, 1.87}, Case{-40, 25, 97, 31, 11}, Case{5, 5, 1, 1, 4}, Case{0, 0, 7, 300, 64},
                          Case{3, -2, 2, 9, 1}}) {
        SCOPED_TRACE(::testing::Message() << c.x0 << "," << c.y0 << " " << c.width << "x" << c.height << " step " << c.step);
        render::SmoothGrid grid(c.x0, c.y0, c.width, c.height, c.step, 2);
        ASSERT_FALSE(grid.empty());
        EXPECT_LE(grid.stepX(), c.step);
        EXPECT_EQ(grid.sampleX(0), c.x0 + 0.5);
        EXPECT_NEAR(grid.sampleX(grid.columns() - 1), c.x0 + c.width - 0.5, 1e-9);
        auto plane = [](double x, double y) { return 0.25 + 0.001 * x - 0.0007 * y; };
        grid.fill(pool, [&](int j0, int j1) {
            for (int j = j0; j < j1; ++j)
                for (int i = 0; i < grid.columns(); ++i) {
                    grid.row(0, j)[i] = static_cast<float>(plane(grid.sampleX(i), grid.sampleY(j)));
                    grid.row(1, j)[i] = 0.0f;
                }
        });
        const int margin = 5, count = c.width + 2 * margin;
        std::vector<float> a(static_cast<std::size_t>(count)), b(a.size());
        float* const out[2] = {a.data(), b.data()};
        for (int y = c.y0 - 2; y < c.y0 + c.height + 2; ++y) {
            grid.readRow(y, c.x0 - margin, count, out);
            int begin = 0, end = 0;
            grid.extent(y, c.x0 - margin, c.x0 - margin + count, begin, end);
            for (int k = 0; k < count; ++k) {
                const int x = c.x0 - margin + k;
                const bool inside = x >= c.x0 && x < c.x0 + c.width && y >= c.y0 && y < c.y0 + c.height;
                const float value = a[static_cast<std::size_t>(k)];
                const double expected = inside ? plane(x + 0.5, y + 0.5) : 0.0;
                ASSERT_NEAR(value, expected, 2e-6) << x << "," << y;
                ASSERT_EQ(b[static_cast<std::size_t>(k)], 0.0f);
                ASSERT_TRUE(value == 0.0f || (x >= begin && x < end)) << x << "," << y;
            }
        }
    }
}

TEST(SmoothGrid, ExtentCoversTheReadsOfASingleSample)
{
    render::WorkerPool pool(1);
    render::SmoothGrid grid(0, 0, 200, 120, 7, 1);
    const int si = grid.columns() / 2, sj = grid.rows() / 3;
    grid.fill(pool, [&](int j0, int j1) {
        for (int j = j0; j < j1; ++j) grid.row(0, j)[si] = j == sj ? 1.0f : 0.0f;
    });
    std::vector<float> row(200);
    float* const out[1] = {row.data()};
    int nonZeroRows = 0;
    for (int y = 0; y < 120; ++y) {
        grid.readRow(y, 0, 200, out);
        int begin = 0, end = 0;
        grid.extent(y, 0, 200, begin, end);
        bool any = false;
        for (int x = 0; x < 200; ++x) {
            if (row[static_cast<std::size_t>(x)] == 0.0f) continue;
            any = true;
            ASSERT_TRUE(x >= begin && x < end) << x << "," << y;
        }
        nonZeroRows += any;
        // The extent is tight to within a sample interval on each side.
        if (any) {
            EXPECT_LE(end - begin, 2 * 7 + 4);
        }
    }
    EXPECT_GT(nonZeroRows, 7);
    EXPECT_LE(nonZeroRows, 2 * 7);
}

TEST(NonZeroCells, EveryReadOutsideTheRunsIsExactlyZero)
{
    // A blurred blob's field is read back only on each row's run of non-zero cells: every pixel
    // outside the run must read exactly zero, whatever the cell size and the grid's placement.
    render::WorkerPool pool(1);
    for (int cell : {2, 3, 7}) {
        render::Field field = render::Field::covering(13.0, -9.0, 150.0, 170.0, cell, 1);
        field.row(0, field.height() / 3)[field.width() / 2] = 1.0f;
        field.row(0, field.height() / 2)[2] = 0.5f;
        field.blur(2.0 * cell, pool);
        const render::NonZeroCells cells(field, 0);
        std::vector<float> line(200);
        int skipped = 0;
        for (int y = -20; y < 200; ++y) {
            int begin = 0, end = 0;
            cells.pixels(y, 0, 200, begin, end);
            field.sampleRow(0, 0, y + 0.5, 200, line.data());
            for (int x = 0; x < 200; ++x) {
                if (x >= begin && x < end) continue;
                ++skipped;
                ASSERT_EQ(line[static_cast<std::size_t>(x)], 0.0f) << cell << ": " << x << "," << y;
            }
        }
        EXPECT_GT(skipped, 200 * 220 / 2) << "most of the plane is zero and skipped";
    }
}

} // namespace
} // namespace lumara::test
