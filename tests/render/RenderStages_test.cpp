// The renderer's stages on their own: polygon coverage, the Gaussian blur, the blurred ring
// profile, the orb's outline, the reduction of clock times to angles and the turned glow read.
#include "render/Blend.h"
#include "render/Blur.h"
#include "render/Coverage.h"
#include "render/Geometry.h"
#include "render/GlowField.h"
#include "render/Gradient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <cstring>
#include <limits>
#include <numbers>
#include <numeric>
#include <random>

namespace lumara::render {
namespace {

double total(const std::vector<float>& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

Px fromLanes(Px4 v)
{
    Px p;
    store(p, v);
    return p;
}

// Bit patterns, so that NaN compares equal to NaN and -0 differs from +0.
void expectSameBits(Px scalar, Px4 lanes, const char* name, int sample)
{
    const Px vector = fromLanes(lanes);
    EXPECT_EQ(0, std::memcmp(&scalar, &vector, sizeof scalar))
        << name << " sample " << sample << ": scalar " << scalar.r << ' ' << scalar.g << ' ' << scalar.b << ' '
        << scalar.a << ", lanes " << vector.r << ' ' << vector.g << ' ' << vector.b << ' ' << vector.a;
}

TEST(Blend, FourLaneOperatorsGiveTheScalarOperatorsBitsForAnyInput)
{
    // Premultiplied pixels in range, and out-of-range, zero, negative and NaN channels.
    std::mt19937 engine(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), wide(-0.5f, 1.5f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float specials[] = {0.0f, -0.0f, 1.0f, 0.5f, 0.25f, 1e-30f, -1e-3f, 2.0f, nan};
    auto draw = [&](int i) {
        if (i % 4 == 3) {
            auto pick = [&] { return specials[engine() % std::size(specials)]; };
            return Px{pick(), pick(), pick(), pick()};
        }
        if (i % 4 == 2) return Px{wide(engine), wide(engine), wide(engine), wide(engine)};
        const float a = unit(engine);
        return Px{unit(engine) * a, unit(engine) * a, unit(engine) * a, a};
    };
    for (int i = 0; i < 4000; ++i) {
        const Px s = draw(i), d = draw(i + 1);
        const float k = unit(engine);
        expectSameBits(sourceOver(s, d), sourceOver(load(s), load(d)), "source-over", i);
        expectSameBits(destinationOver(s, d), destinationOver(load(s), load(d)), "destination-over", i);
        expectSameBits(plusLighter(s, d), plusLighter(load(s), load(d)), "plus-lighter", i);
        expectSameBits(scaled(s, k), scaled(load(s), k), "scaled", i);
        expectSameBits(blendSeparable(s, d, ScreenFn{}), blendSeparable(load(s), load(d), ScreenFn4{}), "screen", i);
        expectSameBits(blendSeparable(s, d, OverlayFn{}), blendSeparable(load(s), load(d), OverlayFn4{}), "overlay", i);
        expectSameBits(blendSeparable(s, d, ColorDodgeFn{}), blendSeparable(load(s), load(d), ColorDodgeFn4{}),
                       "color-dodge", i);
        expectSameBits(blendSeparable(s, d, SoftLightFn{}), blendSeparable(load(s), load(d), SoftLightFn4{}),
                       "soft-light", i);
    }
}

TEST(GaussianBlur, RowReadsGiveThePointReads)
{
    // Fields on cells of 1, 2, 3 and 7 pixels, read along rows that start and end inside, across
    // and beyond the grid's borders, and between the rows of the grid's first and last cells. The
    // row read blends the two cell rows first, the point read the two columns: the same up to
    // float rounding. Four channels read at once give the bits of each read on its own.
    std::mt19937 engine(11);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    for (int cell : {1, 2, 3, 7}) {
        Field field = Field::covering(0.0, 0.0, 40.0, 30.0, cell, 4);
        for (int c = 0; c < 4; ++c)
            for (int j = 0; j < field.height(); ++j)
                for (int i = 0; i < field.width(); ++i) field.row(c, j)[i] = value(engine);
        for (double y : {-40.0, -cell - 0.3, 0.5, 3.25, 17.5, 29.9, 30.0 + cell, 80.0}) {
            for (double x0 : {-60.0, -2.0 * cell, 0.0, 13.0, 39.0}) {
                const int count = 701; // more than one of the read's blocks of columns
                std::vector<float> planes(4 * count), single(count);
                float* const out[4] = {&planes[0], &planes[count], &planes[2 * count], &planes[3 * count]};
                field.sampleRows(0, 4, x0, y, count, out);
                for (int c = 0; c < 4; ++c) {
                    field.sampleRow(c, x0, y, count, single.data());
                    ASSERT_EQ(0, std::memcmp(single.data(), out[c], count * sizeof(float))) << cell << ' ' << y << ' ' << x0;
                }
                for (int i = 0; i < count; ++i)
                    for (int c : {0, 3})
                        ASSERT_NEAR(field.sample(c, x0 + 0.5 + i, y), out[c][i], 1e-6) << cell << ' ' << y << ' ' << x0 << ' ' << i;
            }
        }
    }
}

// The glow read steps its position in cell units and takes a direct bilinear read inside the
// field; the plain form recomputes every position and uses the general lookup. They agree to the
// float rounding of the stepped position, for sharp and blurred glows, any turn, pixel rows
// (step 1) and cell rows (steps above 1), with and without the disc's rim.
TEST(TurnedGlow, FastReadAgreesWithThePlainRead)
{
    WorkerPool pool(1);
    const OrbSquare sq(300);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> angle(-720.0, 720.0);
    struct Case {
        double sigma, step, discWidth;
    };
    for (const Case c : {Case{0.0, 1.0, 1.0}, Case{6.0, 1.0, 1.0}, Case{3.0, 1.0, 1.0}, Case{0.0, 2.5, 2.5},
                         Case{12.0, 3.0, 3.0}}) {
        const GlowLayer layer{Px{0.5f, 0.2f, 0.1f, 0.5f}, angle(random), c.sigma};
        const TurnedGlow glow(sq, layer, cachedGlowSource(sq.side, c.sigma, pool));
        const int count = static_cast<int>(sq.size / c.step);
        std::vector<float> fast(static_cast<std::size_t>(count)), plain(fast.size());
        double worst = 0.0, sum = 0.0;
        for (double y = 0.5; y < sq.size; y += 7.0) {
            glow.alphaAlong(0.5, y, c.step, count, c.discWidth, fast.data());
            glow.alphaAlongPlain(0.5, y, c.step, count, c.discWidth, plain.data());
            for (std::size_t i = 0; i < fast.size(); ++i) {
                worst = std::max(worst, static_cast<double>(std::abs(fast[i] - plain[i])));
                sum += plain[i];
            }
        }
        EXPECT_LT(worst, 1e-4) << "sigma " << c.sigma << " step " << c.step; // 0.03 of an 8-bit level
        EXPECT_GT(sum, 1.0) << "the glow reaches the rows read";
    }
}

// Exact areas inside a grid of 10 x 10 cells (non-zero winding: a square twice round covers
// once; on cells of 4 pixels from (-8, -8) a square of 16 pixels covers 4 x 4 cells), and the fast
// form's bits equal the pass over every cell, also for wavy blobs and for random outlines that
// cross, leave the grid and reuse a buffer full of old values.
TEST(PolygonCoverage, ExactAreasAndTheBitsOfThePassOverEveryCell)
{
    struct Case {
        const char* name;
        std::vector<Point> polygon;
        double area;
        Point origin = {0, 0};
        double cell = 1.0;
    };
    std::vector<Case> cases{
        {"unit-aligned square", {{2, 2}, {5, 2}, {5, 6}, {2, 6}}, 12.0},
        {"fractional square", {{2.25, 2.5}, {4.75, 2.5}, {4.75, 3.5}, {2.25, 3.5}}, 2.5},
        {"triangle", {{0, 0}, {8, 0}, {0, 8}}, 32.0},
        {"square overhanging left and top", {{-5, -5}, {3, -5}, {3, 3}, {-5, 3}}, 9.0},
        {"square overhanging right and bottom", {{7, 7}, {20, 7}, {20, 20}, {7, 20}}, 9.0},
        {"reversed winding", {{2, 6}, {5, 6}, {5, 2}, {2, 2}}, 12.0},
        {"everything outside", {{20, 20}, {30, 20}, {30, 30}}, 0.0},
        {"twice round", {{2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}, {6, 2}, {6, 6}, {2, 6}}, 16.0},
        {"coarse cells", {{-8, -8}, {8, -8}, {8, 8}, {-8, 8}}, 16.0, {-8, -8}, 4.0},
    };
    for (const auto& c : cases) {
        const auto coverage = polygonCoverage(c.polygon, 10, 10, c.origin, c.cell);
        EXPECT_NEAR(total(coverage), c.area, 1e-4) << c.name;
        for (float v : coverage) ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << c.name;
    }
    std::mt19937 engine(5);
    std::uniform_real_distribution<double> coordinate(-40.0, 240.0), phase(0.0, 6.3);
    for (int i = 0; i < 12; ++i) {
        cases.push_back({"wavy blob", wavyBlobPolygon({100.0 + i, 90.0 - i}, 40.0 + 9 * i, 3 + i, 0.05 * i, phase(engine), 0.1), 0});
        std::vector<Point> random(3 + engine() % 40);
        for (auto& p : random) p = {coordinate(engine), coordinate(engine)};
        cases.push_back({"random outline", random, 0, {-3.5, 1.25}, i % 3 == 0 ? 3.0 : 1.0});
    }
    cases.push_back({"huge and non-finite points", {{1e300, 5}, {5, -1e300}, {std::nan(""), 3}, {-1e12, 1e12}, {7, 9}}, 0});
    std::vector<float> fast(300 * 300, 0.75f), whole;
    for (const auto& c : cases)
        for (const auto& [width, height] : {std::pair{200, 180}, std::pair{13, 250}, std::pair{1, 1}}) {
            polygonCoverage(c.polygon, width, height, c.origin, c.cell, fast);
            polygonCoverageWholeGrid(c.polygon, width, height, c.origin, c.cell, whole);
            ASSERT_EQ(fast.size(), whole.size());
            ASSERT_EQ(0, std::memcmp(fast.data(), whole.data(), fast.size() * sizeof(float)))
                << c.name << " on " << width << " x " << height;
            std::fill(fast.begin(), fast.end(), std::nanf("")); // old values the next call must not read
        }
}

TEST(GaussianBlur, ConservesMassAndSpreadsAnImpulseBySigma)
{
    WorkerPool pool(1);
    for (double sigma : {1.0, 3.0, 5.0, 9.0, 20.0}) {
        const int cell = Field::cellSizeFor(sigma, 1000.0);
        Field field = Field::covering(0, 0, 400, 400, cell, 1);
        // A block of 2 x 2 cells at the centre, as an area-weighted impulse.
        const int c = field.width() / 2;
        for (int j = c - 1; j <= c; ++j)
            for (int i = c - 1; i <= c; ++i) field.row(0, j)[i] = 1.0f;
        field.blur(sigma, pool);
        double mass = 0, variance = 0;
        const double centre = field.left() + c * cell;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 400; ++x) {
                const double v = field.sample(0, x + 0.5, y + 0.5);
                mass += v;
                variance += v * ((x + 0.5 - centre) * (x + 0.5 - centre));
            }
        const double blockMass = 4.0 * cell * cell;
        EXPECT_NEAR(mass / blockMass, 1.0, 0.01) << "sigma " << sigma;
        // The block itself adds the variance of a uniform 2-cell span.
        const double expected = sigma * sigma + (2.0 * cell) * (2.0 * cell) / 12.0;
        EXPECT_NEAR(variance / mass, expected, 0.1 * expected) << "sigma " << sigma;
    }
}

TEST(GaussianBlur, BelowHalfAPixelLeavesTheFieldAlone)
{
    WorkerPool pool(1);
    Field field = Field::covering(0, 0, 8, 8, 1, 1);
    field.row(0, 4)[4] = 1.0f;
    field.blur(0.4, pool);
    EXPECT_EQ(field.row(0, 4)[4], 1.0f);
    EXPECT_EQ(field.row(0, 4)[5], 0.0f);
}

// Many short passes on one kept pool, as a frame makes them: every index is visited exactly once
// per pass, whatever the thread count, the chunk size and the pass length.
TEST(WorkerPool, EveryIndexRunsOnceInEveryPassOfAKeptPool)
{
    struct Case { int threads, count, chunk; };
    for (const Case c : {Case{1, 100, 8}, Case{2, 1, 8}, Case{2, 9, 8}, Case{2, 700, 8}, Case{3, 257, 16},
                         Case{4, 64, 1}, Case{8, 40, 3}}) {
        WorkerPool pool(c.threads);
        std::vector<std::atomic<int>> visits(static_cast<std::size_t>(c.count));
        for (int pass = 1; pass <= 300; ++pass) {
            pool.forChunks(c.count, c.chunk, [&](int begin, int end) {
                for (int i = begin; i < end; ++i) visits[static_cast<std::size_t>(i)].fetch_add(1);
            });
            for (int i = 0; i < c.count; ++i)
                ASSERT_EQ(visits[static_cast<std::size_t>(i)].load(), pass)
                    << c.threads << " threads, " << c.count << " by " << c.chunk << ", index " << i;
        }
    }
}

// Filling inside the blur's first pass, and passing over the cells no non-zero cell reaches, give
// the bits of filling first and blurring every cell after: on fields of one and four channels, on
// the pixel grid and on coarse cells, below half a pixel (where the fill alone runs), for a dense
// pattern, for a few small shapes with empty rows and columns between them and at the borders, and
// for a kernel wider than the grid.
TEST(GaussianBlur, FillingInsideTheBlurAndSkippingEmptyCellsGiveTheBitsOfThePlainBlur)
{
    struct Case { double sigma; int channels, threads; bool sparse; double width = 300.0; };
    for (const Case c : {Case{0.3, 1, 2, false}, Case{2.0, 1, 1, false}, Case{2.0, 4, 3, false}, Case{11.0, 4, 2, false},
                         Case{30.0, 1, 2, false}, Case{2.0, 1, 2, true}, Case{6.0, 4, 1, true}, Case{11.0, 1, 3, true},
                         Case{40.0, 2, 2, true, 20.0}}) {
        SCOPED_TRACE(testing::Message() << "sigma " << c.sigma << (c.sparse ? ", sparse" : ", dense"));
        const int cell = Field::cellSizeFor(c.sigma, c.width);
        Field plain = Field::covering(0, 0, c.width, 200, cell, c.channels);
        Field fast = plain, fused = plain;
        WorkerPool pool(c.threads);
        auto rows = [&c](Field& f) {
            return [&f, &c](int j0, int j1) {
                const int w = f.width(), h = f.height();
                for (int j = j0; j < j1; ++j)
                    for (int ch = 0; ch < f.channels(); ++ch)
                        for (int i = 0; i < w; ++i) {
                            float v = ((i * 7 + j * 13 + ch * 5) % 11 == 0) ? 1.0f + 0.25f * ch : 0.0f;
                            if (c.sparse) {
                                // A block, a lone cell in each corner, a short run on the last row.
                                const bool block = i > w / 3 && i < w / 3 + 9 && j > h / 2 && j < h / 2 + 5;
                                const bool corner = (i == 0 || i == w - 1) && (j == 0 || j == h - 1);
                                const bool run = j == h - 1 && i > w / 2 && i < w / 2 + 3;
                                v = block || corner || run ? v + 0.5f : 0.0f;
                            }
                            f.row(ch, j)[i] = v;
                        }
            };
        };
        rows(plain)(0, plain.height());
        rows(fast)(0, fast.height());
        plain.blurWholeGrid(c.sigma, pool);
        fast.blur(c.sigma, pool);
        fused.fillAndBlur(c.sigma, pool, rows(fused));
        const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(plain.width()) * plain.height();
        for (int ch = 0; ch < c.channels; ++ch) {
            ASSERT_EQ(0, std::memcmp(plain.plane(ch), fast.plane(ch), bytes)) << "skipping, channel " << ch;
            ASSERT_EQ(0, std::memcmp(plain.plane(ch), fused.plane(ch), bytes)) << "filling inside, channel " << ch;
        }
    }
}

TEST(RingProfile, BlurredRingKeepsItsAreaAndItsSharpShape)
{
    struct Case {
        double rIn, rOut, sigma;
    };
    for (const Case c : {Case{98, 102, 6}, Case{99.6, 100.4, 2}, Case{0, 50, 10}, Case{30, 31, 40}}) {
        const RingProfile ring(c.rIn, c.rOut, c.sigma, 1000.0);
        double area = 0;
        const double step = 0.05;
        for (double d = step / 2; d < 1000.0; d += step) area += 2 * std::numbers::pi * d * ring.value(d) * step;
        const double expected = std::numbers::pi * (c.rOut * c.rOut - c.rIn * c.rIn);
        EXPECT_NEAR(area / expected, 1.0, 0.01) << c.rIn << ".." << c.rOut << " sigma " << c.sigma;
    }
    // Unblurred: full inside the ring, empty away from it.
    const RingProfile sharp(90, 110, 0.0, 200.0);
    EXPECT_FLOAT_EQ(sharp.value(100), 1.0f);
    EXPECT_FLOAT_EQ(sharp.value(80), 0.0f);
    EXPECT_FLOAT_EQ(sharp.value(120), 0.0f);
}

// The row form: distances of a row's pixel centres, then the profile's values at them, give the
// bits of the per-pixel value(length(x + 0.5 - centre, dy)), for blurred, sharp and empty rings,
// rows crossing the centre, and distances beyond the table or not numbers at all.
TEST(RingProfile, RowReadsGiveThePerPixelValuesBits)
{
    const RingProfile rings[] = {RingProfile(270, 290, 9, 280), RingProfile(98, 102, 0.6, 280), RingProfile(90, 110, 0.0, 280),
                                 RingProfile(50, 40, 3, 280), RingProfile(0, 200, 40, 100)};
    const double centre = 280.0;
    for (const auto& ring : rings)
        for (const double dy : {-279.5, -100.5, 0.5, 150.25, 600.5}) {
            const int count = 600; // more than one block of the row form
            std::vector<double> distance(count);
            std::vector<float> row(count);
            distancesAlong(-19.5, centre, dy, count, distance.data());
            distance[7] = std::nan("");
            distance[8] = -1.0;
            ring.values(distance.data(), count, row.data());
            for (int i = 0; i < count; ++i) {
                const double dx = -19.5 + i - centre;
                const double d = i == 7 ? std::nan("") : i == 8 ? -1.0 : std::sqrt(dx * dx + dy * dy);
                if (i != 7) {
                    ASSERT_EQ(d, distance[i]) << i;
                }
                const float plain = ring.value(d);
                ASSERT_EQ(0, std::memcmp(&plain, &row[i], sizeof plain)) << "dy " << dy << ", pixel " << i;
            }
        }
}

// The row form of a colour ramp gives fast4()'s bits for the parameters of a linear gradient along
// rows, and for parameters outside 0..1, at its ends, negative zero and NaN, on ramps of one stop,
// of several with changing opacity, and on an empty ramp. The radial parameter's row form gives
// the per-pixel division's bits.
TEST(ColourRamp, RowReadsGiveThePerPixelBits)
{
    const std::vector<std::vector<CodableColor>> stops{
        {{0.2, 0.4, 0.6, 1.0}},
        {{1.0, 0.0, 0.0, 1.0}, {0.0, 1.0, 0.5, 0.25}, {0.1, 0.1, 0.9, 0.8}, {1.0, 1.0, 1.0, 0.0}},
        {},
    };
    const double size = 560.0, angle = 0.7;
    const double offset = 0.5 - 0.5 * std::cos(angle);
    for (const auto& colours : stops) {
        const ColourRamp ramp(colours);
        for (const double y : {0.5, 280.5, 559.5}) {
            const double rowTerm = (y / size - (0.5 + 0.5 * std::sin(angle))) * std::sin(angle);
            std::vector<double> t(700);
            std::vector<Px> row(t.size());
            linearAlong(-69.5, size, offset, std::cos(angle), rowTerm, static_cast<int>(t.size()), t.data());
            const double special[] = {0.0, -0.0, 1.0, 1.0 - 1e-16, -1e300, 1e300, std::nan("")};
            for (std::size_t k = 0; k < std::size(special); ++k) t[3 + 11 * k] = special[k];
            ramp.fastRow(t.data(), static_cast<int>(t.size()), row.data());
            for (std::size_t i = 0; i < t.size(); ++i) {
                const double x = -69.5 + static_cast<double>(i);
                const double plain = (x / size - offset) * std::cos(angle) - rowTerm;
                if (i % 11 != 3 || i > 3 + 11 * 6) {
                    ASSERT_EQ(plain, t[i]) << "pixel " << i;
                }
                expectSameBits(fromLanes(ramp.fast4(t[i])), load(row[i]), "ramp row", static_cast<int>(i));
            }
            radialAlong(-69.5, 280.0, y - 280.0, 600.0, static_cast<int>(t.size()), t.data());
            for (std::size_t i = 0; i < t.size(); ++i) {
                const double dx = -69.5 + static_cast<double>(i) - 280.0, dy = y - 280.0;
                ASSERT_EQ(std::sqrt(dx * dx + dy * dy) / 600.0, t[i]) << "radial, pixel " << i;
            }
        }
    }
}

TEST(OrbOutline, CircleSquareAndContinuousCorners)
{
    const double side = 200;
    const OrbOutline circle(side, 0, true), square(side, 0, false), rounded(side, 40, false),
        capped(side, 500, false);
    // The corner pixel: outside the circle and the rounded square, inside the square.
    EXPECT_EQ(circle.coverage(0.5, 0.5), 0.0f);
    EXPECT_EQ(rounded.coverage(0.5, 0.5), 0.0f);
    EXPECT_EQ(square.coverage(0.5, 0.5), 1.0f);
    // Mid-edge: inside all of them.
    for (const OrbOutline* o : {&circle, &square, &rounded}) EXPECT_GT(o->coverage(100.5, 0.5), 0.99f);
    // A corner radius of half the side or more is the circle.
    for (double x = 0.5; x < side; x += 7)
        for (double y = 0.5; y < side; y += 5) ASSERT_EQ(capped.coverage(x, y), circle.coverage(x, y));
    // The rounded corner lies between the square's and the circle's along the diagonal, and its
    // curve reaches further along the edges than a circular corner of the same radius.
    const auto diagonalEdge = [&](const OrbOutline& o) {
        double d = 0;
        while (o.coverage(d + 0.5, d + 0.5) < 0.5) d += 0.25;
        return d;
    };
    EXPECT_GT(diagonalEdge(rounded), diagonalEdge(square));
    EXPECT_LT(diagonalEdge(rounded), diagonalEdge(circle));
    EXPECT_NEAR(diagonalEdge(rounded), 40 * (1 - std::numbers::sqrt2 / 2), 1.0);
    EXPECT_LT(rounded.coverage(1.5, 30), 0.2f); // a circular corner of 40 would cover 0.7 of it
}

TEST(Angles, ClockTimesReduceModulo360AndLoopsUseTheIeeeRemainder)
{
    EXPECT_DOUBLE_EQ(rotationDegrees(8.1e8 + 1.25, 45.0), 56.25);
    EXPECT_DOUBLE_EQ(rotationDegrees(2.0, -200.0), -40.0);
    EXPECT_EQ(rotationDegrees(std::nan(""), 10.0), 0.0);
    EXPECT_EQ(rotationDegrees(1e300, 1e300), 0.0);
    // Loop of 2 s: at 0.5 s a quarter turn; at 1.5 s the remainder is -0.5 s, minus a quarter.
    EXPECT_NEAR(loopAngle(0.5, 2.0), std::numbers::pi / 2, 1e-12);
    EXPECT_NEAR(loopAngle(1.5, 2.0), -std::numbers::pi / 2, 1e-12);
    EXPECT_EQ(loopAngle(123.0, std::numeric_limits<double>::infinity()), 0.0); // speed 0 stands still
}

TEST(FastAtan2, StaysWithinATenThousandthOfARadianAllRoundTheCircle)
{
    double worst = 0;
    for (int i = 0; i < 100000; ++i) {
        const double angle = -std::numbers::pi + 2 * std::numbers::pi * i / 100000.0;
        for (double r : {1e-3, 1.0, 700.0})
            worst = std::max(worst, std::abs(fastAtan2(r * std::sin(angle), r * std::cos(angle)) - std::atan2(r * std::sin(angle), r * std::cos(angle))));
    }
    EXPECT_LT(worst, 1e-5);
    EXPECT_EQ(fastAtan2(0.0, 0.0), 0.0);
}

TEST(WavyBlobPolygon, PointsWobbleOnCirclesAndDegenerateInputsDrawNothing)
{
    // Amplitude 0: a near-circle of 0.9 x radius.
    const auto still = wavyBlobPolygon({0, 0}, 100, 6, 0.0, 0.3, 0.1);
    ASSERT_FALSE(still.empty());
    for (const auto& p : still) EXPECT_NEAR(std::hypot(p.x, p.y), 90.0, 2.5);
    // Point 0 starts the polygon at (0.9 + A sin(angle), A cos(angle)) x radius.
    const auto moving = wavyBlobPolygon({10, 20}, 100, 5, 0.2, 0.7, 0.1);
    EXPECT_NEAR(moving.front().x, 10 + 100 * (0.9 + 0.2 * std::sin(0.7)), 1e-9);
    EXPECT_NEAR(moving.front().y, 20 + 100 * (0.2 * std::cos(0.7)), 1e-9);
    EXPECT_TRUE(wavyBlobPolygon({0, 0}, 100, 0, 0.1, 0, 0.1).empty());
    EXPECT_TRUE(wavyBlobPolygon({0, 0}, 0, 6, 0.1, 0, 0.1).empty());
    EXPECT_TRUE(wavyBlobPolygon({0, 0}, 100, -3, 0.1, 0, 0.1).empty());
    // A single point makes a closed teardrop loop through itself.
    EXPECT_GT(wavyBlobPolygon({0, 0}, 100, 1, 0.1, 0, 0.1).size(), 2u);
}

} // namespace
} // namespace lumara::render
