// Properties of the rendered orb: what each layer must and must not draw, its geometry, its
// determinism across time and threads. No golden images: each test states a fact of the layer stack.
#include "RenderTestSupport.h"

#include "model/OrbPreset.h"
#include "render/Parallel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <malloc.h>
#include <thread>

namespace lumara::test {
namespace {

using render::Image;
using render::RenderOptions;

// Distance of pixel (x, y)'s centre from the centre of a square of `side`, in units of its half side.
double radiusOf(int x, int y, int side)
{
    const double c = side / 2.0;
    return std::hypot(x + 0.5 - c, y + 0.5 - c) / c;
}

TEST(OrbRenderer, ImageIsTheOrbsSquareRoundedToPixels)
{
    OrbValues v = layersOff();
    v.orbSize = 100.3;
    EXPECT_EQ(render::orbPixelSize(v, 2.0), 201);
    const Image image = renderAt(v, 0.0, 2.0);
    EXPECT_EQ(image.width, 201);
    EXPECT_EQ(image.height, 201);
    EXPECT_EQ(image.pixels.size(), 201u * 201u * 4u);
}

TEST(OrbRenderer, TransparentOutsideTheInscribedCircleWhateverTheClip)
{
    for (double corner : {1.0, 0.5, 0.2, 0.0}) {
        for (double softness : {0.0, 0.5}) {
            OrbValues v; // every layer on, shadow off so that only the orb itself can draw
            v.showShadow = false;
            v.orbSize = 120;
            v.cornerRadius = corner;
            v.edgeSoftness = softness;
            const Image image = renderAt(v, 3.0, 2.0);
            int drawnInside = 0;
            for (int y = 0; y < image.height; ++y)
                for (int x = 0; x < image.width; ++x) {
                    if (radiusOf(x, y, image.width) > 1.0) {
                        ASSERT_EQ(pixel(image, x, y).a, 0) << "corner " << corner << " at " << x << "," << y;
                    } else if (pixel(image, x, y).a > 0) {
                        ++drawnInside;
                    }
                }
            EXPECT_GT(drawnInside, image.width * image.height / 2) << "corner " << corner;
        }
    }
}

TEST(OrbRenderer, AllLayersOffAndNoRingIsFullyTransparent)
{
    OrbValues v = layersOff();
    EXPECT_TRUE(allTransparent(renderAt(v, 12.0, 2.0)));
    v.showGlowEffects = true; // glows on but nothing to draw them with
    v.glowIntensity = 0.0;
    EXPECT_TRUE(allTransparent(renderAt(v, 12.0, 2.0)));
}

TEST(OrbRenderer, ShadowOffLeavesNothingOutsideTheSquareAndOnReachesBelowIt)
{
    OrbValues v;
    v.orbSize = 100;
    const RenderOptions options = framed(2.0, 400, 400, 100, 100);
    v.showShadow = false;
    const Image off = render::renderOrb(v, 1.0, options);
    for (int y = 0; y < off.height; ++y)
        for (int x = 0; x < off.width; ++x) {
            if (x < 100 || x >= 300 || y < 100 || y >= 300) {
                ASSERT_EQ(pixel(off, x, y).a, 0) << x << "," << y;
            }
        }

    v.showShadow = true;
    const Image on = render::renderOrb(v, 1.0, options);
    // The shadow is moved down: more of it shows below the square than above it.
    const int below = pixel(on, 200, 310).a, above = pixel(on, 200, 89).a;
    EXPECT_GT(below, 10);
    EXPECT_GT(below, above);
    // The orb's square itself is the same as in the cropped render.
    const Image cropped = renderAt(v, 1.0, 2.0);
    int worst = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            if (radiusOf(x, y, 200) < 0.95) {
                const Rgba a = pixel(cropped, x, y), b = pixel(on, x + 100, y + 100);
                worst = std::max({worst, std::abs(a.r - b.r), std::abs(a.a - b.a)});
            }
    EXPECT_LE(worst, 1);
}

TEST(OrbRenderer, ShadowRunsFromTheFirstColourAtTheBottomToTheLastAtTheTop)
{
    OrbValues v = layersOff();
    v.showShadow = true;
    v.orbSize = 100;
    v.backgroundColors = {{1, 0, 0, 1}, {0, 0, 1, 1}};
    const Image image = render::renderOrb(v, 0.0, framed(1.0, 300, 300, 100, 100));
    const Rgba bottom = pixel(image, 150, 203), top = pixel(image, 150, 98);
    EXPECT_GT(bottom.a, 0);
    EXPECT_GT(bottom.r, bottom.b);
    EXPECT_GT(top.b, top.r);
}

TEST(OrbRenderer, OppositeSpeedsGiveMirrorImages)
{
    // Every glow and the ring, no blobs: negating the speed turns every glow the other way.
    OrbValues v = layersOff();
    v.showGlowEffects = true;
    v.innerRingWidth = 2.0;
    v.showBackground = true;
    v.gradientType = GradientType::radial; // symmetric about the vertical axis
    v.orbSize = 100;
    for (double t : {0.0, 0.7, 3.3, 8.1e8 + 0.37}) {
        v.speed = 60;
        const Image a = renderAt(v, t, 2.0);
        v.speed = -60;
        const Image b = renderAt(v, t, 2.0);
        int worst = 0;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                const Rgba p = pixel(a, x, y), q = pixel(b, a.width - 1 - x, y);
                worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b), std::abs(p.a - q.a)});
            }
        EXPECT_LE(worst, 1) << "t = " << t;
        if (t > 0.0) {
            EXPECT_GT(maxDifference(a, b), 8) << "the glows are not symmetric by themselves at t = " << t;
        }
    }
}

TEST(OrbRenderer, SameTimeGivesIdenticalPixelsAndTimeMovesAnOrbWithSpeed)
{
    OrbValues v;
    v.orbSize = 100;
    const Image a = renderAt(v, 5.25, 2.0);
    EXPECT_EQ(maxDifference(a, renderAt(v, 5.25, 2.0)), 0);
    EXPECT_GT(maxDifference(a, renderAt(v, 5.75, 2.0)), 4);
    v.speed = 0.0;
    EXPECT_EQ(maxDifference(renderAt(v, 0.0, 2.0), renderAt(v, 8.1e8 + 123.4, 2.0)), 0);
}

TEST(OrbRenderer, LiveClockTimesAreReducedWithoutLosingPrecision)
{
    // At speed 60 every rotation and wobble repeats after 120 s, and 8.1e8 is a multiple of 120.
    OrbValues v;
    v.orbSize = 100;
    EXPECT_LE(maxDifference(renderAt(v, 1.25, 2.0), renderAt(v, 8.1e8 + 1.25, 2.0)), 1);
}

// Alpha-weighted mean row of an image, in units of its side from the top.
double alphaCentroidY(const Image& image, const Image* minus = nullptr)
{
    double sum = 0, weighted = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            double a = pixel(image, x, y).a - (minus ? pixel(*minus, x, y).a : 0);
            a = std::max(a, 0.0);
            sum += a;
            weighted += a * (y + 0.5);
        }
    return sum > 0 ? weighted / sum / image.height : -1.0;
}

TEST(OrbRenderer, BlobZeroSitsBelowTheCentreAndBlobOneAbove)
{
    OrbValues v = layersOff();
    v.showWavyBlobs = true;
    v.orbSize = 100;
    v.blobScale = 0.3;
    v.blobSpread = 0.5;
    v.blobBlur = 0.0;
    v.speed = 60;
    // At t = 5 blob 0's glow (0.6 x speed, clockwise) has turned 180° to face down, and blob 1's
    // (1.2 x speed, counter-clockwise) a full turn to face up, so each blob is lit where it sits.
    v.blobCount = 1;
    const Image one = renderAt(v, 5.0, 2.0);
    v.blobCount = 2;
    const Image two = renderAt(v, 5.0, 2.0);
    EXPECT_GT(alphaCentroidY(one), 0.6);
    const double second = alphaCentroidY(two, &one);
    EXPECT_GE(second, 0.0) << "the second blob drew nothing";
    EXPECT_LT(second, 0.4);
}

TEST(OrbRenderer, LinearGradientRunsLeftToRightAtZeroAndBottomToTopAtNinety)
{
    OrbValues v = layersOff();
    v.showBackground = true;
    v.orbSize = 100;
    v.backgroundColors = {{1, 0, 0, 1}, {0, 0, 1, 1}};
    const Image zero = renderAt(v, 0.0, 2.0);
    EXPECT_GT(pixel(zero, 10, 100).r, 200);
    EXPECT_GT(pixel(zero, 189, 100).b, 200);
    EXPECT_NEAR(pixel(zero, 100, 100).r, 128, 2);
    v.gradientAngle = 90;
    const Image ninety = renderAt(v, 0.0, 2.0);
    EXPECT_GT(pixel(ninety, 100, 189).r, 200);
    EXPECT_GT(pixel(ninety, 100, 10).b, 200);
    // Radial: the first colour in the middle, reaching the second at 300 points from it.
    v.gradientType = GradientType::radial;
    v.orbSize = 300;
    const Image radial = renderAt(v, 0.0, 1.0);
    EXPECT_GT(pixel(radial, 150, 150).r, 250);
    EXPECT_NEAR(pixel(radial, 150, 0).r, 128, 2); // 150 points from the centre: half way
}

TEST(OrbRenderer, AngularGradientClosesOnItsFirstColour)
{
    OrbValues v = layersOff();
    v.showBackground = true;
    v.orbSize = 200;
    v.gradientType = GradientType::angular;
    v.backgroundColors = {{1, 0, 0, 1}, {0, 1, 0, 1}};
    const Image image = renderAt(v, 0.0, 1.0);
    // Clockwise from the right: red, green half way round (left), red again just above the right.
    EXPECT_GT(pixel(image, 190, 101).r, 240);
    EXPECT_GT(pixel(image, 10, 100).g, 240);
    EXPECT_GT(pixel(image, 190, 98).r, 240);
    EXPECT_GT(pixel(image, 100, 190).r, 100); // a quarter turn: half red, half green
    EXPECT_GT(pixel(image, 100, 190).g, 100);
}

TEST(OrbRenderer, EmptyColourListDrawsNoBackgroundAndBlobsUseTheGlowColour)
{
    for (GradientType type : kAllGradientTypes) {
        OrbValues v = layersOff();
        v.showBackground = true;
        v.showShadow = true;
        v.gradientType = type;
        v.backgroundColors.clear();
        v.orbSize = 80;
        EXPECT_TRUE(allTransparent(renderAt(v, 0.0, 1.0)));
    }
    OrbValues v = layersOff();
    v.showWavyBlobs = true;
    v.coloredBlobs = true;
    v.backgroundColors.clear();
    v.glowColor = {0, 1, 0, 1};
    v.orbSize = 80;
    const Image image = renderAt(v, 0.0, 1.0);
    int drawn = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Rgba p = pixel(image, x, y);
            ASSERT_EQ(p.r, 0);
            ASSERT_EQ(p.b, 0);
            drawn += p.g > 0;
        }
    EXPECT_GT(drawn, 100);
}

TEST(OrbRenderer, ComplexityZeroOrNoBlobsMasksTheBlobsAway)
{
    OrbValues v = layersOff();
    v.showWavyBlobs = true;
    v.orbSize = 80;
    EXPECT_FALSE(allTransparent(renderAt(v, 0.0, 1.0)));
    v.complexity = 0;
    EXPECT_TRUE(allTransparent(renderAt(v, 0.0, 1.0)));
    v.complexity = 6;
    v.blobCount = 0;
    EXPECT_TRUE(allTransparent(renderAt(v, 0.0, 1.0)));
}

TEST(OrbRenderer, CornerRadiusShapesOnlyTheRim)
{
    // Half a corner radius is 250 points, above half the side of a 280-point orb: a circle.
    // A square keeps more of the rim than the circle; inside the rim all three agree.
    OrbValues v;
    v.showShadow = false;
    const auto at = [&](double corner) {
        v.cornerRadius = corner;
        return renderAt(v, 2.0, 1.0);
    };
    const Image circle = at(1.0), half = at(0.5), square = at(0.0);
    EXPECT_EQ(maxDifference(circle, half), 0);
    int rimGain = 0;
    for (int y = 0; y < circle.height; ++y)
        for (int x = 0; x < circle.width; ++x) {
            const int a = pixel(circle, x, y).a, b = pixel(square, x, y).a;
            const double r = radiusOf(x, y, circle.width) * circle.width / 2.0; // in pixels
            if (r < circle.width / 2.0 - 1.0) {
                ASSERT_EQ(a, b) << x << "," << y;
            } else {
                ASSERT_GE(b, a);
                rimGain += b - a;
            }
        }
    EXPECT_GT(rimGain, 1000);
}

TEST(OrbRenderer, EdgeFeatherStartsAtOneMinusFourTenthsOfTheSoftness)
{
    OrbValues v = layersOff();
    v.showBackground = true;
    v.backgroundColors = {{1, 1, 1, 1}};
    v.orbSize = 400;
    for (double softness : {0.0, 0.5, 1.0}) {
        v.edgeSoftness = softness;
        const Image image = renderAt(v, 0.0, 1.0);
        const double stop = 1.0 - 0.4 * softness;
        // Along the horizontal radius to the right: opaque up to the stop, then a linear fade.
        for (int x = 200; x < 400; ++x) {
            const double rho = (x + 0.5 - 200.0) / 200.0;
            const double expected = rho <= stop ? 255.0 : (rho >= 1.0 ? 0.0 : 255.0 * (1.0 - rho) / (1.0 - stop));
            if (rho > 0.99) continue; // the clip's antialiasing on the last pixel
            ASSERT_NEAR(pixel(image, x, 200).a, expected, 1.01) << "softness " << softness << " at x " << x;
        }
    }
}

TEST(OrbRenderer, ThreadCountKeptWorkersAndBlobBatchesNeverChangeThePixels)
{
    std::vector<OrbValues> configs{OrbValues{}};
    for (const auto& preset : allPresets()) configs.push_back(preset.configuration);
    render::WorkerPool kept(3); // one pool for every look, as the canvas keeps it from frame to frame
    for (auto v : configs) {
        v.orbSize = 90;
        RenderOptions options = framed(2.0, 300, 260, 50, 30);
        const Image one = render::renderOrb(v, 8.1e8 + 2.5, options);
        for (int threads : {2, 3, 7}) {
            options.threads = threads;
            ASSERT_EQ(one.pixels, render::renderOrb(v, 8.1e8 + 2.5, options).pixels) << threads << " threads";
        }
        options.workers = &kept;
        ASSERT_EQ(one.pixels, render::renderOrb(v, 8.1e8 + 2.5, options).pixels) << "kept workers";
        // One blob at a time, through the accumulator between batches, on one thread and on three.
        options.blobFieldCells = 1;
        ASSERT_EQ(one.pixels, render::renderOrb(v, 8.1e8 + 2.5, options).pixels) << "blobs one at a time";
        options.workers = nullptr;
        options.threads = 1;
        ASSERT_EQ(one.pixels, render::renderOrb(v, 8.1e8 + 2.5, options).pixels) << "blobs one at a time";
    }
}

// What malloc has handed out and not had back, over all threads' heaps.
double heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd);
}

TEST(OrbRenderer, AOneOffRenderGivesItsWorkingMemoryBackAndAStreamOfFramesKeepsIt)
{
    OrbValues v;
    v.orbSize = 560; // 1120 px: each blob's field alone is 5 MB
    // What the heap holds after each render beyond what it held before the first, on a thread of
    // its own so that nothing kept from other tests counts.
    double afterOneOff = 0, afterStream = 0, afterNextOneOff = 0;
    Image oneOff, streamed, again;
    std::thread([&] {
        RenderOptions options;
        options.threads = 1;
        const double start = heapInUse();
        const auto render = [&](bool keep, Image& image) {
            options.keepWorkingMemory = keep;
            image = render::renderOrb(v, 1.0, options);
            const double pictures = double(oneOff.pixels.capacity() + streamed.pixels.capacity() + again.pixels.capacity());
            return heapInUse() - pictures - start;
        };
        afterOneOff = render(false, oneOff);
        afterStream = render(true, streamed);
        afterNextOneOff = render(false, again);
    }).join();
    EXPECT_EQ(oneOff.pixels, streamed.pixels);
    EXPECT_EQ(oneOff.pixels, again.pixels);
#if !defined(__SANITIZE_ADDRESS__) // the sanitizer's allocator does not keep malloc's accounts
    // The glow fields' cache (about 2 MB here) stays in every case; the frame's 35 MB do not.
    EXPECT_LT(afterOneOff, 4e6);
    EXPECT_GT(afterStream, afterOneOff + 5e6);
    EXPECT_LT(afterNextOneOff, afterOneOff + 0.1e6);
#endif
}

TEST(OrbRenderer, ConcurrentCallsGiveTheSameImage)
{
    OrbValues v;
    v.orbSize = 120;
    const Image reference = renderAt(v, 4.0, 2.0);
    std::vector<std::thread> threads;
    std::vector<int> same(4, 0);
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&, i] {
            OrbValues mine = v;
            mine.glowSoftness = i % 2 ? 1.0 : 1.5; // also race the glow cache with two keys
            const Image first = renderAt(mine, 4.0, 2.0, 2);
            same[static_cast<std::size_t>(i)] = (i % 2 == 0 || first.pixels == reference.pixels) &&
                                                first.pixels == renderAt(mine, 4.0, 2.0, 1).pixels;
        });
    for (auto& t : threads) t.join();
    for (int s : same) EXPECT_TRUE(s);
}

} // namespace
} // namespace lumara::test
