// The vector kernels: the AVX2 path, the baseline path and the plain loops they replace give the
// same bits for the blur (every width, radius and edge of the row or column), the turned glow read
// (every turn, step, field size and edge), the coarse grid's read-back and the row kernels.
#include "render/Blend.h"
#include "render/BlurKernels.h"
#include "render/Composite.h"
#include "render/GlowRead.h"
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

// The turned read as its contract states it, one sample at a time.
std::vector<int> plainTurned(const GlowReadRow& r, int first, int count, float* out)
{
    std::vector<int> border;
    for (int i = first; i < first + count; ++i) {
        float disc = 1.0f;
        if (r.applyDisc) {
            const double dx = r.dx0 + i * r.step, d2 = dx * dx + r.dy2;
            if (d2 > r.inner2) disc = static_cast<float>(std::clamp(0.5 + (r.radius - std::sqrt(d2)) / r.discWidth, 0.0, 1.0));
        }
        const double u = r.fu + i * r.du, v = r.fv + i * r.dv;
        if (disc == 0.0f || !(u >= r.zeroBelowU && u < r.zeroFromU && v >= r.zeroBelowV && v < r.zeroFromV)) {
            out[i] = 0.0f;
        } else if (u >= 0.0 && v >= 0.0 && u < r.width - 1 && v < r.height - 1) {
            const int iu = static_cast<int>(std::floor(u)), iv = static_cast<int>(std::floor(v));
            const float tu = static_cast<float>(u - iu), tv = static_cast<float>(v - iv);
            auto at = [&](int a, int b) { return r.cells[static_cast<std::size_t>(b) * r.width + a]; };
            const float top = at(iu, iv) + (at(iu + 1, iv) - at(iu, iv)) * tu;
            const float bottom = at(iu, iv + 1) + (at(iu + 1, iv + 1) - at(iu, iv + 1)) * tu;
            out[i] = (top + (bottom - top) * tv) * disc;
        } else {
            border.push_back(i);
        }
    }
    return border;
}

std::vector<const GlowReadKernels*> glowReadPaths()
{
    std::vector<const GlowReadKernels*> paths{&baselineGlowReadKernels(), avx2GlowReadKernels()};
    if (!paths[1]) paths.pop_back();
    return paths;
}

// Rows of a turned read across fields of several sizes, turned by several angles, at pixel steps
// and cell steps, with and without the disc: rows through the middle, rows along the field's
// edges (whose samples fall on the border) and rows from far outside. The samples on the border
// are reported, not written, by every path.
TEST(GlowReadKernels, EveryPathGivesTheContractsBits)
{
    std::mt19937 engine(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::size_t reads = 0, borders = 0; // the table reaches both kinds of sample
    struct FieldCase {
        int width, height;
        bool zeroMargin; // non-zero cells only inside a margin, so the zero box is inside the field
    };
    for (const FieldCase fc : {FieldCase{2, 2, false}, FieldCase{7, 5, false}, FieldCase{64, 48, true}, FieldCase{300, 300, true}}) {
        std::vector<float> cells(static_cast<std::size_t>(fc.width) * fc.height, 0.0f);
        const int margin = fc.zeroMargin ? fc.width / 5 : 0;
        for (int j = margin; j < fc.height - margin; ++j)
            for (int i = margin; i < fc.width - margin; ++i) cells[static_cast<std::size_t>(j) * fc.width + i] = unit(engine);
        for (const double degrees : {0.0, 90.0, 33.3, -137.25, 180.0})
            for (const double step : {1.0, 0.75, 2.5, 3.0})
                for (const double rowAt : {-3.0, 0.0, 0.37, 0.5, 0.5 * fc.height, fc.height - 1.5, fc.height - 1.0})
                    for (const bool applyDisc : {false, true}) {
                        const double theta = degrees * 3.14159265358979323846 / 180.0;
                        const double half = 0.5 * fc.width, k = fc.width > 100 ? 1.0 : 1.0 / 3.0;
                        GlowReadRow r;
                        r.cells = cells.data();
                        r.width = fc.width;
                        r.height = fc.height;
                        // A row of pixels from well before the field to well after it, crossing
                        // cell row rowAt at the field's middle.
                        r.du = std::cos(theta) * step * k;
                        r.dv = -std::sin(theta) * step * k;
                        const int count = static_cast<int>(3.0 * fc.width / (step * k)) + 9;
                        r.fu = half - 0.5 * count * r.du;
                        r.fv = rowAt - 0.5 * count * r.dv;
                        r.applyDisc = applyDisc;
                        r.dx0 = -0.5 * count * step;
                        r.step = step;
                        r.dy2 = 0.25 * (rowAt - half) * (rowAt - half) / (k * k);
                        r.radius = half / k;
                        r.discWidth = step;
                        r.inner2 = std::max(r.radius - step, 0.0) * std::max(r.radius - step, 0.0);
                        r.zeroBelowU = margin - 1.0;
                        r.zeroFromU = fc.width - margin;
                        r.zeroBelowV = margin - 1.0;
                        r.zeroFromV = fc.height - margin;
                        r = r.withBounds();
                        SCOPED_TRACE(testing::Message() << fc.width << "x" << fc.height << ", " << degrees << " degrees, step "
                                                        << step << ", row " << rowAt << (applyDisc ? ", disc" : ""));
                        // The whole row, and its first half (which ends among samples to read).
                        for (const int n : {count - 3, count / 2 - 3}) {
                            std::vector<float> expected(static_cast<std::size_t>(count), -1.0f);
                            const int first = 3; // the indices are the row's, not the call's
                            const std::vector<int> border = plainTurned(r, first, n, expected.data());
                            reads += static_cast<std::size_t>(std::count_if(expected.begin(), expected.end(), [](float a) { return a > 0.0f; }));
                            borders += border.size();
                            for (const auto* path : glowReadPaths())
                                for (const bool split : {false, true}) {
                                    SCOPED_TRACE(testing::Message() << path->name << ", " << n << " samples" << (split ? ", split into runs" : ""));
                                    std::vector<float> got(static_cast<std::size_t>(count), -1.0f);
                                    std::vector<int> gotBorder(static_cast<std::size_t>(count));
                                    const int found = split ? readTurned(*path, r, first, n, got.data(), gotBorder.data())
                                                            : path->turned(r, first, n, got.data(), gotBorder.data());
                                    gotBorder.resize(static_cast<std::size_t>(found));
                                    EXPECT_EQ(gotBorder, border);
                                    for (int i : border) got[static_cast<std::size_t>(i)] = expected[static_cast<std::size_t>(i)];
                                    EXPECT_TRUE(sameBits(got, expected));
                                }
                        }
                    }
    }
    EXPECT_GT(reads, 1000u);
    EXPECT_GT(borders, 100u);

    // Positions that are not numbers, or run off to infinity, read zero on every path.
    const std::vector<float> cells(16, 1.0f);
    for (const double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        GlowReadRow r;
        r.cells = cells.data();
        r.width = r.height = 4;
        r.zeroBelowU = r.zeroBelowV = -1.0;
        r.zeroFromU = r.zeroFromV = 4.0;
        r.fu = 1.0;
        r.du = bad;
        r.fv = bad;
        r = r.withBounds();
        for (const auto* path : glowReadPaths()) {
            std::vector<float> got(20, -1.0f);
            std::vector<int> border(20);
            border.resize(static_cast<std::size_t>(readTurned(*path, r, 0, 20, got.data(), border.data())));
            EXPECT_TRUE(border.empty()) << path->name << ' ' << bad;
            EXPECT_EQ(got, std::vector<float>(20, 0.0f)) << path->name << ' ' << bad;
        }
    }
}

// The grid read-back's two loops: the rows blended, then the reads between neighbouring values,
// several to a pair (as pixels between coarse samples read) or scattered.
TEST(GlowReadKernels, EveryPathGivesTheGridReadsBits)
{
    std::mt19937 engine(6);
    for (const int n : {0, 1, 7, 8, 9, 31, 100})
        for (const bool scattered : {false, true}) {
            SCOPED_TRACE(testing::Message() << n << " outputs" << (scattered ? ", scattered" : ""));
            const auto size = static_cast<std::size_t>(n);
            const std::vector<float> upper = randomValues(size, engine), lower = randomValues(size, engine);
            const std::vector<float> weight = randomValues(size, engine);
            std::vector<int> index(size);
            for (int p = 0; p < n; ++p) index[static_cast<std::size_t>(p)] = scattered ? (p * 37) % n : (p * 2) / 5;
            // Blended rows, one value more for the last pair, and room for the loads past the end.
            std::vector<float> blended(size + 9, 0.0f), between(size);
            for (std::size_t i = 0; i < size; ++i) blended[i] = upper[i] + (lower[i] - upper[i]) * 0.3f;
            for (std::size_t p = 0; p < size; ++p) {
                const auto k = static_cast<std::size_t>(index[p]);
                between[p] = blended[k] + (blended[k + 1] - blended[k]) * weight[p];
            }
            for (const auto* path : glowReadPaths()) {
                SCOPED_TRACE(path->name);
                std::vector<float> got(size + 9, 0.0f), reads(size);
                path->blendRows(upper.data(), lower.data(), 0.3f, n, got.data());
                EXPECT_TRUE(sameBits(got, blended));
                path->between(blended.data(), index.data(), weight.data(), n, reads.data());
                EXPECT_TRUE(sameBits(reads, between));
            }
        }
}

TEST(VectorPaths, TheAvx2PathIsChosenWhereTheProcessorHasIt)
{
    if (!avx2BlurKernels() || !avx2GlowReadKernels() || !avx2CompositeKernels()) GTEST_SKIP() << "no AVX2 here";
    const char* forced = std::getenv("LUMARA_VECTOR_PATH");
    const std::string expected = forced && std::string(forced) == "baseline" ? "baseline" : "avx2";
    EXPECT_EQ(blurKernels().name, expected);
    EXPECT_EQ(glowReadKernels().name, expected);
    EXPECT_EQ(compositeKernels().name, expected);
}

// The store's narrowing and the plus-lighter of one or two scaled colours on every path against the
// one-pixel forms, over rows of every length up to a few vectors and one of 561 pixels, with
// values below 0, above 1, infinite and NaN in pixels, alphas and colours.
TEST(CompositeKernels, EveryPathGivesTheOnePixelFormsBits)
{
    std::vector<const CompositeKernels*> paths{&baselineCompositeKernels(), avx2CompositeKernels()};
    if (!paths[1]) paths.pop_back();
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float odd[] = {-0.5f, -0.0f, 0.0f, 1e-9f, 0.4999f, 1.0f, 1.5f, inf, -inf, nan};
    std::mt19937 engine(11);
    std::uniform_real_distribution<float> unit(-0.2f, 1.2f);
    auto value = [&] { return engine() % 8 == 0 ? odd[engine() % std::size(odd)] : unit(engine); };
    // SSE's min and max (the second operand where either is NaN) and its truncation (NaN to the
    // lowest integer, which the packs saturate to 0).
    auto minps = [](float x, float y) { return x < y ? x : y; };
    auto maxps = [](float x, float y) { return x > y ? x : y; };
    auto unitLane = [&](float v) { return maxps(0.0f, minps(1.0f, v)); };
    auto toByte = [](float v) -> std::uint8_t {
        const float level = v * 255.0f + 0.5f;
        return std::isnan(level) ? 0 : static_cast<std::uint8_t>(static_cast<int>(level));
    };
    for (int count : {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 561}) {
        std::vector<Px> pixels(static_cast<std::size_t>(count) + 1), row(pixels.size());
        std::vector<float> alphas(pixels.size());
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = {value(), value(), value(), value()};
            row[i] = {value(), value(), value(), value()};
            alphas[i] = engine() % 3 == 0 ? -value() : value();
        }
        const Px colour{value(), value(), value(), value()};
        // The one-pixel forms: the store's narrowing, and plusLighter(scaled(colour, a), d).
        std::vector<std::uint8_t> bytes(4 * pixels.size());
        for (int x = 0; x < count; ++x) {
            const Px& p = pixels[static_cast<std::size_t>(x)];
            const float a = unitLane(p.a);
            const float lanes[] = {p.r, p.g, p.b, p.a};
            for (int k = 0; k < 4; ++k) bytes[4 * x + k] = toByte(unitLane(minps(a, lanes[k])));
        }
        std::vector<Px> added = row, addedPair = row;
        std::vector<float> alphasB(alphas.rbegin(), alphas.rend());
        const Px second{value(), value(), value(), value()};
        for (int x = 1; x < count; ++x) {
            if (alphas[x] > 0.0f) added[x] = plusLighter(scaled(colour, alphas[x]), added[x]);
            if (!(alphas[x] <= 0.0f && alphasB[x] <= 0.0f)) { // as the glow pair skips
                const Px4 pair = sum(scaled(load(colour), alphas[x]), scaled(load(second), alphasB[x]));
                store(addedPair[x], plusLighter(pair, load(addedPair[x])));
            }
        }
        for (const CompositeKernels* path : paths) {
            SCOPED_TRACE(std::string(path->name) + ", " + std::to_string(count) + " pixels");
            std::vector<std::uint8_t> out(bytes.size());
            path->storeBytes(pixels.data(), count, out.data());
            EXPECT_EQ(out, bytes);
            std::vector<Px> into = row;
            path->addScaled(into.data(), alphas.data(), 1, count, colour);
            EXPECT_EQ(std::memcmp(into.data(), added.data(), into.size() * sizeof(Px)), 0);
            into = row;
            path->addScaledPair(into.data(), alphas.data(), alphasB.data(), 1, count, colour, second);
            EXPECT_EQ(std::memcmp(into.data(), addedPair.data(), into.size() * sizeof(Px)), 0);
        }
    }
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
