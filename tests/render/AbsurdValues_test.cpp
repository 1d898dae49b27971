// Values from an edited file reach the renderer unchanged: whatever they are, a render finishes
// in bounded time and memory, keeps the documented image size and never crashes.
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace lumara::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Mutation {
    const char* name;
    std::function<void(OrbValues&)> apply;
};

std::vector<Mutation> absurdMutations()
{
    std::vector<Mutation> m{
        {"blobCount 1e9", [](OrbValues& v) { v.blobCount = 1'000'000'000; }},
        {"blobCount min", [](OrbValues& v) { v.blobCount = std::numeric_limits<std::int64_t>::min(); }},
        {"complexity 1e9", [](OrbValues& v) { v.complexity = 1'000'000'000; }},
        {"complexity max", [](OrbValues& v) { v.complexity = std::numeric_limits<std::int64_t>::max(); }},
        {"complexity negative", [](OrbValues& v) { v.complexity = -7; }},
        {"complexity 1", [](OrbValues& v) { v.complexity = 1; }},
        {"blobBlur 1e9", [](OrbValues& v) { v.blobBlur = 1e9; }},
        {"backgroundBlur 1e9", [](OrbValues& v) { v.backgroundBlur = 1e9; }},
        {"backgroundBlur 300", [](OrbValues& v) { v.backgroundBlur = 300; }},
        {"glowSoftness 1e9", [](OrbValues& v) { v.glowSoftness = 1e9; }},
        {"glowSoftness negative", [](OrbValues& v) { v.glowSoftness = -4; }},
        {"shadowRadius 1e9", [](OrbValues& v) { v.shadowRadius = 1e9; }},
        {"shadowRadius negative", [](OrbValues& v) { v.shadowRadius = -3; }},
        {"innerRingWidth 1e9", [](OrbValues& v) { v.innerRingWidth = 1e9; }},
        {"amplitude 1e9", [](OrbValues& v) { v.amplitude = 1e9; }},
        {"amplitude -1e9", [](OrbValues& v) { v.amplitude = -1e9; }},
        {"blobScale 1e9", [](OrbValues& v) { v.blobScale = 1e9; }},
        {"blobScale negative", [](OrbValues& v) { v.blobScale = -2; }},
        {"blobSpread 1e9", [](OrbValues& v) { v.blobSpread = 1e9; }},
        {"blobOpacity 1e9", [](OrbValues& v) { v.blobOpacity = 1e9; }},
        {"glowIntensity -1e9", [](OrbValues& v) { v.glowIntensity = -1e9; }},
        {"speed 1e300", [](OrbValues& v) { v.speed = 1e300; }},
        {"speed -inf", [](OrbValues& v) { v.speed = -kInf; }},
        {"speed tiny", [](OrbValues& v) { v.speed = 1e-300; }},
        {"cornerRadius -1e9", [](OrbValues& v) { v.cornerRadius = -1e9; }},
        {"cornerRadius 0.3", [](OrbValues& v) { v.cornerRadius = 0.3; }},
        {"edgeSoftness 1e9", [](OrbValues& v) { v.edgeSoftness = 1e9; }},
        {"edgeSoftness -1e9", [](OrbValues& v) { v.edgeSoftness = -1e9; }},
        {"gradientAngle 1e300", [](OrbValues& v) { v.gradientAngle = 1e300; }},
        {"gradientType out of range", [](OrbValues& v) { v.gradientType = static_cast<GradientType>(77); }},
        {"blobBlendMode out of range", [](OrbValues& v) { v.blobBlendMode = static_cast<BlobBlendMode>(-5); }},
        {"colours NaN and infinite",
         [](OrbValues& v) {
             v.backgroundColors = {{kNaN, kInf, -kInf, kNaN}, {-5, 7, 0.5, 1e9}};
             v.glowColor = {kNaN, -1, 2, kInf};
             v.coloredBlobs = true;
         }},
        {"a thousand colours", [](OrbValues& v) { v.backgroundColors.assign(1000, {0.3, 0.2, 0.1, 0.5}); }},
        {"every double NaN",
         [](OrbValues& v) {
             for (double* d : {&v.gradientAngle, &v.backgroundBlur, &v.cornerRadius, &v.amplitude, &v.blobScale,
                               &v.blobSpread, &v.blobOpacity, &v.blobBlur, &v.speed, &v.glowIntensity,
                               &v.glowSoftness, &v.innerRingWidth, &v.shadowRadius, &v.edgeSoftness})
                 *d = kNaN;
         }},
        {"every double infinite",
         [](OrbValues& v) {
             for (double* d : {&v.gradientAngle, &v.backgroundBlur, &v.cornerRadius, &v.amplitude, &v.blobScale,
                               &v.blobSpread, &v.blobOpacity, &v.blobBlur, &v.speed, &v.glowIntensity,
                               &v.glowSoftness, &v.innerRingWidth, &v.shadowRadius, &v.edgeSoftness})
                 *d = kInf;
         }},
    };
    return m;
}

TEST(AbsurdValues, EveryRenderFinishesWithTheOrbsSquare)
{
    for (const auto& mutation : absurdMutations()) {
        OrbValues v;
        v.orbSize = 48;
        v.gradientType = GradientType::angular;
        v.blobBlendMode = BlobBlendMode::softLight;
        mutation.apply(v);
        for (double t : {0.0, 8.1e8, kNaN, -kInf}) {
            const render::Image image = renderAt(v, t, 2.0, 2);
            ASSERT_EQ(image.width, 96) << mutation.name;
            ASSERT_EQ(image.height, 96) << mutation.name;
            // Premultiplied: no colour above its alpha.
            for (std::size_t i = 0; i < image.pixels.size(); i += 4)
                for (int c = 0; c < 3; ++c) ASSERT_LE(image.pixels[i + c], image.pixels[i + 3]) << mutation.name;
        }
    }
}

TEST(AbsurdValues, AbsurdSizesDrawNothingAndTargetsAreBounded)
{
    for (double size : {0.0, -10.0, 1e9, kNaN, kInf, 1e-9}) {
        OrbValues v;
        v.orbSize = size;
        EXPECT_EQ(render::orbPixelSize(v, 2.0), 0) << size;
        const render::Image image = renderAt(v, 0.0, 2.0);
        EXPECT_EQ(image.width, 0) << size;
        EXPECT_TRUE(image.pixels.empty()) << size;
    }
    OrbValues v;
    for (double scale : {0.0, -1.0, kNaN, kInf, 1e6}) EXPECT_EQ(render::orbPixelSize(v, scale), 0) << scale;
    EXPECT_EQ(render::orbPixelSize(v, render::kMaxOrbPixels / 280.0), render::kMaxOrbPixels);

    // Targets: negative extents mean the orb's square, huge ones are cut to the documented bounds,
    // and an origin far away or NaN leaves the orb out (or at 0, 0) without failing.
    v.orbSize = 20;
    render::RenderOptions options;
    options.pixelsPerPoint = 1.0;
    options.width = -5;
    options.height = -5;
    EXPECT_EQ(render::renderOrb(v, 0.0, options).width, 20);
    options.width = 1'000'000;
    options.height = 1'000'000;
    options.originX = 1e300;
    options.originY = kNaN;
    options.threads = 2;
    const render::Image huge = render::renderOrb(v, 0.0, options);
    EXPECT_EQ(huge.width, render::kMaxTargetSide);
    EXPECT_LE(static_cast<long long>(huge.width) * huge.height, render::kMaxTargetPixels);
    options.width = 64;
    options.height = 64;
    options.originX = -1e12;
    options.originY = 1e12;
    EXPECT_TRUE(allTransparent(render::renderOrb(v, 0.0, options)));
    options.threads = -3;
    EXPECT_EQ(render::renderOrb(v, 0.0, options).width, 64);
}

TEST(AbsurdValues, LargeOrbWithManyBlobsAndWideBlursFinishes)
{
    // The controls' extremes and beyond at the editor's size: bounded by the internal limits.
    OrbValues v;
    v.orbSize = 400;
    v.blobCount = 1'000'000;
    v.complexity = 1'000'000;
    v.amplitude = 50;
    v.blobBlur = 1e6;
    v.backgroundBlur = 1e5;
    v.shadowRadius = 1e4;
    const render::Image image = renderAt(v, 8.1e8, 2.0, 0);
    EXPECT_EQ(image.width, 800);
}

} // namespace
} // namespace lumara::test
