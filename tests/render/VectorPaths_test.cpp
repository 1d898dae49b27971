// The blur's vector kernels: the AVX2 path, the baseline path and the plain loop they replace
// give the same bits for every width, radius and edge of the row or column.
#include "render/BlurKernels.h"
#include "render/RowKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace lumara::render;

namespace {

// The plain loops, in the order the kernels promise.
void plainAcross(float* out, const float* c, const float* w, int radius, int n)
{
    for (int i = 0; i < n; ++i) {
        float sum = w[0] * c[i];
        for (int j = 1; j <= radius; ++j) sum = sum + w[j] * c[i + j] + w[j] * c[i - j];
        out[i] = sum;
    }
}

void plainDown(float* out, const float* mid, long stride, int above, int below, const float* w, int radius, int n)
{
    for (int i = 0; i < n; ++i) {
        float sum = w[0] * mid[i];
        for (int j = 1; j <= radius; ++j) {
            if (j <= above) sum += w[j] * mid[i - j * stride];
            if (j <= below) sum += w[j] * mid[i + j * stride];
        }
        out[i] = sum;
    }
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

// Values of every scale, tiny ones that round differently when fused, and both signs.
std::vector<float> randomValues(std::size_t count, std::mt19937& engine)
{
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::vector<float> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        const float u = unit(engine);
        values[i] = i % 7 == 0 ? u * 1e-30f : i % 11 == 0 ? u * 1e20f : u;
    }
    return values;
}

TEST(BlurKernels, EveryPathGivesThePlainLoopsBits)
{
    std::vector<const BlurKernels*> paths{&baselineBlurKernels(), avx2BlurKernels()};
    if (!paths[1]) paths.pop_back(); // this processor or build has only the baseline
    std::mt19937 engine(12);
    for (const int radius : {0, 1, 2, 5, 13})
        for (const int n : {0, 1, 3, 7, 8, 9, 16, 31, 64, 100}) {
            SCOPED_TRACE(testing::Message() << "radius " << radius << ", " << n << " outputs");
            const std::vector<float> weights = randomValues(static_cast<std::size_t>(radius) + 1, engine);
            // Across: n outputs with radius taps on each side.
            const std::vector<float> row = randomValues(static_cast<std::size_t>(n + 2 * radius), engine);
            std::vector<float> across(static_cast<std::size_t>(n)), expected(across), got(across);
            plainAcross(across.data(), row.data() + radius, weights.data(), radius, n);
            // Down: a column block of 2 radius + 1 rows, from the centre row and from rows near
            // the top and bottom edges where taps drop out.
            const long stride = n + 5;
            const std::vector<float> block = randomValues(static_cast<std::size_t>(stride) * (2 * radius + 1), engine);
            for (const auto* path : paths) {
                SCOPED_TRACE(path->name);
                path->across(got.data(), row.data() + radius, weights.data(), radius, n);
                EXPECT_TRUE(sameBits(got, across)) << "across";
                for (const auto& [above, below] : {std::pair{radius, radius}, std::pair{0, radius}, std::pair{radius / 2, 0},
                                                   std::pair{0, 0}, std::pair{std::min(1, radius), radius / 3}}) {
                    const float* mid = block.data() + stride * above;
                    plainDown(expected.data(), mid, stride, above, below, weights.data(), radius, n);
                    path->down(got.data(), mid, stride, above, below, weights.data(), radius, n);
                    EXPECT_TRUE(sameBits(got, expected)) << "down, " << above << " above, " << below << " below";
                }
            }
        }
}

TEST(BlurKernels, TheAvx2PathIsChosenWhereTheProcessorHasIt)
{
    if (!avx2BlurKernels()) GTEST_SKIP() << "no AVX2 here";
    const char* forced = std::getenv("LUMARA_VECTOR_PATH");
    EXPECT_STREQ(blurKernels().name, forced && std::string(forced) == "baseline" ? "baseline" : "avx2");
}

// The row kernels on every path against the plain double code: pixel rows of every length from
// points inside, beside and far from them, linear gradient parameters along them, and positions
// and clamps of values of every scale, negative, infinite and NaN.
TEST(RowKernels, EveryPathGivesThePlainLoopsBits)
{
    std::vector<const RowKernels*> paths{&baselineRowKernels(), avx2RowKernels()};
    if (!paths[1]) paths.pop_back();
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    std::mt19937 engine(3);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    auto sameDoubles = [](const std::vector<double>& a, const std::vector<double>& b) {
        return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
    };
    for (const int n : {0, 1, 3, 4, 5, 8, 9, 31, 560}) {
        SCOPED_TRACE(testing::Message() << n << " outputs");
        std::vector<double> expected(static_cast<std::size_t>(n)), got(expected);
        for (const auto& [x, centre, dy] : {std::tuple{0.5, 280.0, -279.5}, std::tuple{12.5, 280.0, 0.5},
                                            std::tuple{-40.5, 1e3 / 3.0, 1e-9}, std::tuple{1e6 + 0.5, 7.25, 1e6}}) {
            for (int i = 0; i < n; ++i) {
                const double dx = (x + i) - centre;
                expected[static_cast<std::size_t>(i)] = std::sqrt(dx * dx + dy * dy);
            }
            for (const auto* path : paths) {
                path->distances(x, centre, dy, n, got.data());
                EXPECT_TRUE(sameDoubles(got, expected)) << path->name << " distances from " << x << ", " << dy;
            }
        }
        std::vector<double> in(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const double u = unit(engine);
            const double special[] = {nan, inf, -inf, -0.0, 1e300};
            in[static_cast<std::size_t>(i)] = i % 13 == 5 ? special[i % 5] : i % 7 == 0 ? u * 1e-300 : u * 900.0;
        }
        for (const auto& [begin, step] : {std::pair{0.0, 0.25}, std::pair{93.7, 0.3127}, std::pair{-5.0, 1e-3}}) {
            for (int i = 0; i < n; ++i) expected[static_cast<std::size_t>(i)] = (in[static_cast<std::size_t>(i)] - begin) / step;
            for (const auto* path : paths) {
                path->positions(in.data(), begin, step, n, got.data());
                EXPECT_TRUE(sameDoubles(got, expected)) << path->name << " positions from " << begin << " by " << step;
            }
        }
        for (int i = 0; i < n; ++i) {
            const double t = in[static_cast<std::size_t>(i)] / 300.0;
            expected[static_cast<std::size_t>(i)] = (t > 0.0 ? (t < 1.0 ? t : 1.0) : 0.0) * 1024.0;
            in[static_cast<std::size_t>(i)] = t;
        }
        for (const auto* path : paths) {
            path->clampedScaled(in.data(), 1024.0, n, got.data());
            EXPECT_TRUE(sameDoubles(got, expected)) << path->name << " clamped";
        }
        for (const auto& [x, size, angle] : {std::tuple{0.5, 560.0, 0.3}, std::tuple{-3.5, 1000.0 / 3.0, 2.9}, std::tuple{7.5, 1.0, -1.0}}) {
            const double offset = 0.5 - 0.5 * std::cos(angle), rowTerm = (17.5 / size - (0.5 + 0.5 * std::sin(angle))) * std::sin(angle);
            for (int i = 0; i < n; ++i)
                expected[static_cast<std::size_t>(i)] = ((x + i) / size - offset) * std::cos(angle) - rowTerm;
            for (const auto* path : paths) {
                path->linear(x, size, offset, std::cos(angle), rowTerm, n, got.data());
                EXPECT_TRUE(sameDoubles(got, expected)) << path->name << " linear at " << angle;
            }
        }
    }
}

} // namespace
