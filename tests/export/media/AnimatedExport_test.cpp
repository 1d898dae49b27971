// The animated export's frame sequence, matte flattening, settings checks and streaming pipeline.
#include "export/media/AnimatedExport.h"
#include "export/media/GifPalette.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

using namespace lumara;
using namespace lumara::exporting;

namespace {

MotionSettings motion(double duration, int fps, bool seamless)
{
    MotionSettings settings;
    settings.duration = duration;
    settings.fps = fps;
    settings.seamless = seamless;
    return settings;
}

// A pure drawing whose every pixel records the time: red = round(t * 100), green = x, blue = y.
render::Image timeStamped(const OrbValues& values, double t, const render::RenderOptions& options)
{
    render::Image image;
    image.width = image.height = render::orbPixelSize(values, options.pixelsPerPoint);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            auto* p = image.row(y) + x * 4;
            p[0] = static_cast<std::uint8_t>(std::lround(t * 100) % 256);
            p[1] = static_cast<std::uint8_t>(x);
            p[2] = static_cast<std::uint8_t>(y);
            p[3] = 255;
        }
    return image;
}

int stampOf(const render::Image& frame) { return frame.pixels.at(0); }

OrbValues smallOrb(double size = 8.0)
{
    OrbValues values;
    values.orbSize = size;
    return values;
}

} // namespace

TEST(AnimationFrames, CountAndOrderFollowDurationRateAndFold)
{
    struct Case {
        double duration;
        int fps;
        bool seamless;
        int frames;
        int forward; // samples rendered (times 0 ... forward - 1 over fps)
    };
    const Case cases[] = {
        {4.0, 30, true, 120, 61},   // 61 forward + 59 back
        {1.0, 24, true, 24, 13},    // 13 + 11, t = 0 ... 0.5 s
        {1.0, 60, false, 60, 60},   // straight through
        {0.01, 30, true, 2, 2},     // N = 1: H = 1, two frames, nothing appended
        {0.1, 30, true, 2, 2},      // N = 3: H = 1, two frames
        {0.1, 30, false, 3, 3},
        {0.05, 30, false, 2, 2},    // 1.5 rounds half away from zero
        {0.25, 10, true, 2, 2},     // N = 3 (2.5 rounds up)
        {0.5, 10, true, 4, 3},      // N = 5: H = 2, 3 + 1 (odd N loses one frame)
        {0.001, 30, false, 1, 1},   // at least one frame
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.duration) + " s at " + std::to_string(c.fps) + (c.seamless ? " seamless" : ""));
        const auto settings = motion(c.duration, c.fps, c.seamless);
        const auto times = animationSampleTimes(settings);
        const auto order = animationFrameOrder(settings);
        ASSERT_EQ(static_cast<int>(order.size()), c.frames);
        ASSERT_EQ(static_cast<int>(times.size()), c.forward);
        for (std::size_t k = 0; k < times.size(); ++k) EXPECT_DOUBLE_EQ(times[k], double(k) / c.fps);
        for (int j = 0; j < c.frames; ++j) {
            // Forward to the middle, then back without repeating either end.
            const int expected = j < c.forward ? j : 2 * (c.forward - 1) - j;
            EXPECT_EQ(order[static_cast<std::size_t>(j)], expected) << "frame " << j;
        }
    }
    EXPECT_EQ(animationFrameCount(motion(4.0, 30, true)), 120);
    EXPECT_EQ(animationFrameCount(motion(std::nan(""), 30, true)), 1);
    EXPECT_EQ(animationFrameCount(motion(1e300, 120, false)), 600 * 120); // bounded, never billions
}

TEST(FlattenOntoMatte, CompositesPremultipliedPixelsOverAnOpaqueMatte)
{
    render::Image frame;
    frame.width = 4;
    frame.height = 1;
    frame.pixels = {0, 0, 0, 0,         // transparent: the matte
                    255, 0, 0, 255,     // opaque red stays
                    128, 0, 0, 128,     // half red over blue
                    255, 255, 255, 64}; // out-of-range premultiplied value saturates
    const CodableColor blue{0.0, 0.0, 1.0, 0.25}; // the matte's own opacity is not used
    const auto flat = flattenOntoMatte(frame, blue);
    const std::vector<std::uint8_t> expected{0, 0, 255, 255, 255, 0, 0, 255, 128, 0, 127, 255, 255, 255, 255, 255};
    EXPECT_EQ(flat.pixels, expected);
    EXPECT_EQ(flattenOntoMatte(std::vector<render::Image>{frame, frame}, blue).size(), 2u);
    const auto odd = opaqueMatteBytes({std::nan(""), 2.0, -1.0, 0.0});
    EXPECT_EQ(odd, (std::array<std::uint8_t, 4>{0, 255, 0, 255}));
}

TEST(AnimationSettings, OutOfRangeValuesAreRefusedWithTheirReason)
{
    struct Case {
        double orbSize, duration, scale;
        int fps;
        AnimatedExportFormat format;
        const char* mentions; // empty: accepted
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {300, 4, 2, 30, AnimatedExportFormat::mp4, ""},
        {300, 600, 2, 120, AnimatedExportFormat::webm, ""},
        {300, 4, 2, 50, AnimatedExportFormat::gif, ""},
        {300, 0, 2, 30, AnimatedExportFormat::mp4, "duration"},
        {300, -1, 2, 30, AnimatedExportFormat::mp4, "duration"},
        {300, 10000, 2, 30, AnimatedExportFormat::mp4, "duration"},
        {300, nan, 2, 30, AnimatedExportFormat::mp4, "duration"},
        {300, 4, 2, 0, AnimatedExportFormat::apng, "frame rate"},
        {300, 4, 2, 121, AnimatedExportFormat::apng, "frame rate"},
        {300, 4, 2, 60, AnimatedExportFormat::gif, "GIF"},
        {300, 4, 0, 30, AnimatedExportFormat::mp4, "scale"},
        {300, 4, nan, 30, AnimatedExportFormat::mp4, "scale"},
        {300, 4, 100, 30, AnimatedExportFormat::mp4, "30000 pixels"},
        {1e300, 4, 2, 30, AnimatedExportFormat::mp4, "pixels"},
        {nan, 4, 2, 30, AnimatedExportFormat::mp4, "without pixels"},
        {-5, 4, 2, 30, AnimatedExportFormat::mp4, "without pixels"},
        {0.1, 4, 2, 30, AnimatedExportFormat::mp4, "without pixels"},
    };
    for (const auto& c : cases) {
        OrbValues values;
        values.orbSize = c.orbSize;
        MotionSettings settings;
        settings.duration = c.duration;
        settings.fps = c.fps;
        settings.scale = c.scale;
        const auto checked = checkAnimationSettings(values, c.format, settings);
        SCOPED_TRACE(c.mentions);
        if (*c.mentions == '\0') {
            EXPECT_TRUE(checked.ok()) << checked.error().message;
        } else {
            ASSERT_FALSE(checked.ok());
            EXPECT_EQ(checked.error().code, ExportError::renderFailed);
            EXPECT_NE(checked.error().message.find(c.mentions), std::string::npos) << checked.error().message;
        }
    }
}

TEST(AnimatedExportFormat, NamesLabelsAndExtensions)
{
    const std::vector<std::tuple<AnimatedExportFormat, std::string_view, std::string_view, std::string_view>> rows{
        {AnimatedExportFormat::mp4, "mp4", "MP4 Video", "H.264 video. Small, universal, opaque background."},
        {AnimatedExportFormat::apng, "apng", "Animated PNG", "Transparent, lossless, works in every modern browser."},
        {AnimatedExportFormat::gif, "gif", "GIF", "Universal, 256 colors, no soft transparency."},
        {AnimatedExportFormat::webm, "webm", "WebM Video", "Transparent video for the web."},
        {AnimatedExportFormat::prores, "prores", "ProRes 4444", "Transparent master for video editors."},
    };
    ASSERT_EQ(kAllAnimatedExportFormats.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [format, raw, label, description] = rows[i];
        EXPECT_EQ(kAllAnimatedExportFormats[i], format);
        EXPECT_EQ(animatedExportFormatRawValue(format), raw);
        EXPECT_EQ(animatedExportFormatLabel(format), label);
        EXPECT_EQ(animatedExportFormatDescription(format), description);
        EXPECT_EQ(animatedExportFormatFromRaw(raw), format);
    }
    EXPECT_EQ(animatedExportFormatFromRaw("MP4"), std::nullopt);
    EXPECT_EQ(animatedExportFormatExtension(AnimatedExportFormat::apng), "png");
    const std::vector<std::pair<std::string_view, std::optional<AnimatedExportFormat>>> paths{
        {"orb.mp4", AnimatedExportFormat::mp4},   {"a/b.PNG", AnimatedExportFormat::apng},
        {"x.apng", AnimatedExportFormat::apng},   {"x.gif", AnimatedExportFormat::gif},
        {"x.webm", AnimatedExportFormat::webm},   {"x.MOV", AnimatedExportFormat::prores},
        {"x.avi", std::nullopt},                  {"dir.mp4/orb", std::nullopt},
        {"orb", std::nullopt},
    };
    for (const auto& [path, format] : paths) EXPECT_EQ(animatedExportFormatForPath(path), format) << path;
}

TEST(AnimationStream, DeliversTheSameFramesAsRenderingEverythingFirst)
{
    OrbValues values = smallOrb(10.5);
    MotionSettings settings = motion(1.0, 10, true);
    settings.scale = 2.0;
    const auto reference = renderAnimationFrames(values, settings);
    ASSERT_EQ(reference.size(), animationFrameOrder(settings).size());
    for (const auto& frame : reference) {
        EXPECT_EQ(frame.width, 21) << "the orb's size at the scale";
        EXPECT_EQ(frame.height, 21);
    }
    for (int threads : {1, 2, 5}) {
        AnimationExportOptions options;
        options.threads = threads;
        std::vector<render::Image> streamed;
        auto result = streamAnimationFrames(
            values, settings,
            [&](const render::Image& frame) -> Result<Ok, ExportError> {
                streamed.push_back(frame);
                return Ok{};
            },
            options);
        ASSERT_TRUE(result.ok()) << result.error().message;
        ASSERT_EQ(streamed.size(), reference.size());
        for (std::size_t i = 0; i < streamed.size(); ++i) EXPECT_EQ(streamed[i].pixels, reference[i].pixels) << i;
    }
    values.orbSize = 0.0; // nothing to draw
    EXPECT_TRUE(renderAnimationFrames(values, settings).empty());
}

TEST(AnimationStream, ShowsEachSampleTimeInOrderWhateverThreadsAndReuseBudget)
{
    const OrbValues values = smallOrb(4.0);
    for (bool seamless : {true, false}) {
        const MotionSettings settings = motion(2.0, 10, seamless);
        const auto order = animationFrameOrder(settings);
        const auto times = animationSampleTimes(settings);
        for (int threads : {1, 3}) {
            for (std::size_t budget : {std::size_t{0}, std::size_t{200}, std::size_t{1} << 30}) {
                SCOPED_TRACE(std::to_string(threads) + " threads, budget " + std::to_string(budget));
                std::atomic<int> renders{0};
                AnimationExportOptions options;
                options.threads = threads;
                options.reuseBudgetBytes = budget;
                options.renderer = [&](const OrbValues& v, double t, const render::RenderOptions& o) {
                    ++renders;
                    EXPECT_EQ(o.threads, 1);
                    return timeStamped(v, t, o);
                };
                std::vector<int> stamps;
                auto result = streamAnimationFrames(
                    values, settings,
                    [&](const render::Image& frame) -> Result<Ok, ExportError> {
                        stamps.push_back(stampOf(frame));
                        return Ok{};
                    },
                    options);
                ASSERT_TRUE(result.ok());
                ASSERT_EQ(stamps.size(), order.size());
                for (std::size_t j = 0; j < order.size(); ++j)
                    EXPECT_EQ(stamps[j], std::lround(times[static_cast<std::size_t>(order[j])] * 100)) << j;
                // Seamless loops render a sample shown twice only once when the budget holds it.
                const auto shownTwice = static_cast<int>(order.size() - times.size());
                const int rendersExpected = budget == 0 ? static_cast<int>(order.size())
                                                        : static_cast<int>(order.size()) - shownTwice;
                if (budget == 0 || budget > 1000000) {
                    EXPECT_EQ(renders.load(), rendersExpected);
                }
                EXPECT_LE(renders.load(), static_cast<int>(order.size()));
            }
        }
    }
}

TEST(AnimationStream, CancellationAndConsumerErrorsStopTheWork)
{
    const OrbValues values = smallOrb(4.0);
    const MotionSettings settings = motion(10.0, 30, false); // 300 frames
    std::atomic<int> renders{0};
    AnimationExportOptions options;
    options.threads = 2;
    options.renderer = [&](const OrbValues& v, double t, const render::RenderOptions& o) {
        ++renders;
        return timeStamped(v, t, o);
    };
    int calls = 0;
    options.progress = [&](int done, int total) {
        EXPECT_EQ(done, calls++);
        EXPECT_EQ(total, 300);
        return done < 5;
    };
    int written = 0;
    auto counting = [&](const render::Image&) -> Result<Ok, ExportError> {
        ++written;
        return Ok{};
    };
    auto cancelled = streamAnimationFrames(values, settings, counting, options);
    ASSERT_FALSE(cancelled.ok());
    EXPECT_EQ(cancelled.error().code, ExportError::cancelled);
    EXPECT_EQ(written, 5);
    EXPECT_LE(renders.load(), 5 + 4); // at most a queue's worth rendered ahead

    options.progress = nullptr;
    written = 0;
    auto failing = [&](const render::Image&) -> Result<Ok, ExportError> {
        if (++written == 3) return Error<ExportError>{ExportError::writeFailed, "disk full"};
        return Ok{};
    };
    auto failed = streamAnimationFrames(values, settings, failing, options);
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().code, ExportError::writeFailed);
    EXPECT_EQ(failed.error().message, "disk full");
    EXPECT_EQ(written, 3);

    options.renderer = [](const OrbValues& v, double t, const render::RenderOptions& o) {
        return t > 0.15 ? render::Image{} : timeStamped(v, t, o);
    };
    written = 0;
    auto broken = streamAnimationFrames(values, settings, counting, options);
    ASSERT_FALSE(broken.ok());
    EXPECT_EQ(broken.error().code, ExportError::renderFailed);
    EXPECT_EQ(written, 5); // t = 0 ... 4/30 made it
}

TEST(GifPalette, FewColoursAreKeptExactlyAndManyAreReducedTo256)
{
    render::Image frame;
    frame.width = 64;
    frame.height = 64;
    frame.pixels.resize(64 * 64 * 4);
    const std::vector<PaletteColor> four{{{0, 0, 0}}, {{255, 0, 0}}, {{16, 200, 40}}, {{250, 250, 250}}};
    for (int i = 0; i < 64 * 64; ++i) {
        const auto& c = four[static_cast<std::size_t>(i % 4)];
        std::copy(c.begin(), c.end(), frame.pixels.begin() + i * 4);
        frame.pixels[static_cast<std::size_t>(i) * 4 + 3] = 255;
    }
    ColorHistogram few;
    few.add(frame);
    auto palette = few.palette();
    std::sort(palette.begin(), palette.end());
    auto sorted = four;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(palette, sorted);

    // A smooth two-axis gradient: many colours, reduced to at most 256, mapped closely on average.
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            auto* p = frame.row(y) + x * 4;
            p[0] = static_cast<std::uint8_t>(x * 4);
            p[1] = static_cast<std::uint8_t>(y * 4);
            p[2] = static_cast<std::uint8_t>(128);
        }
    ColorHistogram many;
    many.add(frame, 3);
    PaletteMapper mapper(many.palette(256));
    EXPECT_LE(mapper.palette().size(), 256u);
    EXPECT_GT(mapper.palette().size(), 200u);
    std::vector<std::uint8_t> indices(64 * 64);
    mapper.map(frame, indices.data(), 64);
    double error = 0.0;
    for (int i = 0; i < 64 * 64; ++i)
        for (int c = 0; c < 3; ++c)
            error += std::abs(int(mapper.palette()[indices[static_cast<std::size_t>(i)]][static_cast<std::size_t>(c)]) -
                              int(frame.pixels[static_cast<std::size_t>(i) * 4 + static_cast<std::size_t>(c)]));
    EXPECT_LT(error / (64 * 64 * 3), 6.0);
    EXPECT_EQ(ColorHistogram{}.palette(), (std::vector<PaletteColor>{{{0, 0, 0}}}));
}
