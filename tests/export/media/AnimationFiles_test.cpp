// Real encodes of every animated format, read back with ffprobe and ffmpeg; and the promise that a
// failed or cancelled export leaves the destination as it was.
#include "export/media/AnimatedExport.h"

#include "render/StraightAlpha.h"
#include "support/HeadlessChromium.h"
#include "support/MediaProbe.h"
#include "support/TestSupport.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstring>
#include <memory>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

using namespace lumara;
using namespace lumara::exporting;
using namespace lumara::test;

namespace {

constexpr int kBorder = 2;

// Transparent border, opaque inside; red records the time, green and blue the position.
render::Image stamped(const OrbValues& values, double t, const render::RenderOptions& options)
{
    render::Image image;
    image.width = image.height = render::orbPixelSize(values, options.pixelsPerPoint);
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height * 4, 0);
    for (int y = kBorder; y < image.height - kBorder; ++y)
        for (int x = kBorder; x < image.width - kBorder; ++x) {
            auto* p = image.row(y) + x * 4;
            p[0] = static_cast<std::uint8_t>(std::lround(t * 100) * 10 % 256);
            p[1] = static_cast<std::uint8_t>(x * 8);
            p[2] = static_cast<std::uint8_t>(y * 8);
            p[3] = 255;
        }
    return image;
}

// Half-transparent red (premultiplied) inside a transparent border, the same at every time.
render::Image translucentRed(const OrbValues& values, double, const render::RenderOptions& options)
{
    render::Image image;
    image.width = image.height = render::orbPixelSize(values, options.pixelsPerPoint);
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height * 4, 0);
    for (int y = 4; y < image.height - 4; ++y)
        for (int x = 4; x < image.width - 4; ++x) {
            auto* p = image.row(y) + x * 4;
            p[0] = 128;
            p[3] = 128;
        }
    return image;
}

// An opaque gradient inside a transparent border with a 4 x 4 red square sliding along one row:
// frames differ from the previous one only near the square, and unchanged opaque pixels surround it.
render::Image slidingSquare(const OrbValues& values, double t, const render::RenderOptions& options)
{
    render::Image image = stamped(values, 0.0, options);
    const int x0 = kBorder + static_cast<int>(std::lround(t * 8)) % (image.width - 2 * kBorder - 4);
    for (int y = 5; y < 9; ++y)
        for (int x = x0; x < x0 + 4; ++x) {
            auto* p = image.row(y) + x * 4;
            p[0] = 255;
            p[1] = p[2] = 0;
        }
    return image;
}

// The orb itself, small.
render::Image realOrb(const OrbValues& values, double t, const render::RenderOptions& options)
{
    return render::renderOrb(values, t, options);
}

// Straight RGBA bytes of a premultiplied frame, as an animated PNG stores them.
std::vector<std::uint8_t> straight(const render::Image& frame)
{
    std::vector<std::uint8_t> out(frame.pixels.size());
    for (int y = 0; y < frame.height; ++y)
        render::unpremultiplyRow(frame.row(y), out.data() + static_cast<std::size_t>(y) * frame.width * 4, frame.width);
    return out;
}

// Opaque noise that no encoder can shrink much, different at every time.
render::Image noise(const OrbValues& values, double t, const render::RenderOptions& options)
{
    render::Image image;
    image.width = image.height = render::orbPixelSize(values, options.pixelsPerPoint);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(t * 1000);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        image.pixels[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>(state);
    }
    return image;
}

// Fixed noise inside a transparent border with two red squares sliding in opposite directions near
// the top and the bottom: what changes spans the frame, but most pixels between them do not.
render::Image squaresOverNoise(const OrbValues& values, double t, const render::RenderOptions& options)
{
    render::Image image = noise(values, 0.0, options);
    const int side = image.width;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (x < kBorder || y < kBorder || x >= side - kBorder || y >= side - kBorder) std::memset(image.row(y) + x * 4, 0, 4);
    const int x0 = kBorder + static_cast<int>(std::lround(t * 8)) % (side - 2 * kBorder - 4);
    for (const auto& [left, top] : {std::pair{x0, 5}, std::pair{side - 4 - x0, side - 9}})
        for (int y = top; y < top + 4; ++y)
            for (int x = left; x < left + 4; ++x) {
                auto* p = image.row(y) + x * 4;
                p[0] = p[3] = 255;
                p[1] = p[2] = 0;
            }
    return image;
}

OrbValues orbOfSize(double points)
{
    OrbValues values;
    values.orbSize = points;
    return values;
}

MotionSettings motion(double duration, int fps, bool seamless, double scale = 1.0)
{
    MotionSettings settings;
    settings.duration = duration;
    settings.fps = fps;
    settings.seamless = seamless;
    settings.scale = scale;
    return settings;
}

AnimationExportOptions drawnBy(decltype(AnimationExportOptions::renderer) renderer)
{
    AnimationExportOptions options;
    options.renderer = std::move(renderer);
    options.threads = 2;
    return options;
}

std::array<int, 4> pixel(const std::vector<std::uint8_t>& frame, int width, int x, int y)
{
    const auto* p = frame.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

void expectNear(std::array<int, 4> actual, std::array<int, 4> expected, int tolerance, const std::string& where)
{
    for (std::size_t c = 0; c < 4; ++c)
        EXPECT_NEAR(actual[c], expected[c], tolerance) << where << " channel " << c;
}

QStringList entriesOf(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

TEST(AnimationFile, EachFormatHasItsCodecSizeFrameCountRateAndLength)
{
    struct Case {
        AnimatedExportFormat format;
        const char* codec;
        const char* pixelFormat;
        int progressTotal; // the 10 frames, a GIF's palette scan of 6 samples, WebM's alpha pass
    };
    const Case cases[] = {
        {AnimatedExportFormat::mp4, "h264", "yuv420p", 10},
        {AnimatedExportFormat::apng, "apng", "rgba", 10},
        {AnimatedExportFormat::gif, "gif", "bgra", 16},
        {AnimatedExportFormat::webm, "vp9", "yuv420p", 20}, // ffprobe's own VP9 decoder sees the colour planes
        {AnimatedExportFormat::prores, "prores", "yuva444p12le", 10},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codec);
        const std::string path = dir.filePath("orb.").toStdString() + c.codec;
        // 1 s at 10 fps, seamless: 6 forward + 4 back = 10 frames of 24 x 24.
        auto options = drawnBy(stamped);
        std::vector<std::pair<int, int>> reports;
        options.progress = [&](int done, int total) {
            reports.push_back({done, total});
            return true;
        };
        auto result = exportAnimation(orbOfSize(12), c.format, motion(1.0, 10, true, 2.0), path, options);
        ASSERT_TRUE(result.ok()) << result.error().message;
        // Progress climbs from 0 by at most one unit at a time to a total that counts all the
        // work, and reports the total once more when the file is complete.
        ASSERT_GE(reports.size(), 2u);
        EXPECT_EQ(reports.front().first, 0);
        EXPECT_EQ(reports[reports.size() - 2], std::make_pair(c.progressTotal, c.progressTotal));
        EXPECT_EQ(reports.back(), std::make_pair(c.progressTotal, c.progressTotal));
        for (std::size_t k = 1; k < reports.size(); ++k) {
            const int step = reports[k].first - reports[k - 1].first;
            EXPECT_TRUE(step == 0 || step == 1) << "report " << k;
            EXPECT_EQ(reports[k].second, c.progressTotal) << "report " << k;
        }
        auto probe = probeVideo(path);
        EXPECT_EQ(probe["streams.stream.0.codec_name"], c.codec);
        EXPECT_EQ(probe["streams.stream.0.width"], "24");
        EXPECT_EQ(probe["streams.stream.0.height"], "24");
        EXPECT_EQ(probe["streams.stream.0.pix_fmt"], c.pixelFormat);
        EXPECT_EQ(probe["streams.stream.0.nb_read_frames"], "10");
        if (c.format != AnimatedExportFormat::gif) {
            EXPECT_EQ(probe["streams.stream.0.r_frame_rate"], "10/1");
        }
        if (c.format != AnimatedExportFormat::apng) {
            EXPECT_DOUBLE_EQ(std::stod(probe["format.duration"]), 1.0);
        }
        if (c.format == AnimatedExportFormat::webm) {
            EXPECT_EQ(probe["streams.stream.0.tags.alpha_mode"], "1");
        }
    }
    EXPECT_EQ(entriesOf(dir).size(), std::size(cases)); // no temporaries left behind
}

TEST(AnimationFile, Mp4PresentsFrameIAtIOverFpsAndPutsItsIndexFirst)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.mp4").toStdString();
    // 1 s at 60 fps, not seamless: 60 frames, the last one presented at 59/60 s.
    auto result = exportAnimation(orbOfSize(16), AnimatedExportFormat::mp4, motion(1.0, 60, false), path, drawnBy(stamped));
    ASSERT_TRUE(result.ok()) << result.error().message;
    const auto times = frameTimes(path);
    ASSERT_EQ(times.size(), 60u);
    for (std::size_t i = 0; i < times.size(); ++i) EXPECT_NEAR(times[i], i / 60.0, 1e-4) << i;
    auto probe = probeVideo(path);
    EXPECT_DOUBLE_EQ(std::stod(probe["streams.stream.0.duration"]), 1.0);
    EXPECT_EQ(probe["streams.stream.0.avg_frame_rate"], "60/1");
    const std::string bytes = readBytes(path);
    const auto moov = bytes.find("moov"), mdat = bytes.find("mdat");
    ASSERT_NE(moov, std::string::npos);
    ASSERT_NE(mdat, std::string::npos);
    EXPECT_LT(moov, mdat); // streams on the web: the index comes before the media data
}

TEST(AnimationFile, Mp4ShowsTheMatteUnderTranslucentPixelsAndInTheEvenPadding)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.mp4").toStdString();
    MotionSettings settings = motion(0.2, 10, false);
    settings.matte = {0.0, 0.0, 1.0, 1.0};
    // 21 px is odd: the video is 22 x 22, extended by one matte-coloured column and row.
    auto result = exportAnimation(orbOfSize(21), AnimatedExportFormat::mp4, settings, path, drawnBy(translucentRed));
    ASSERT_TRUE(result.ok()) << result.error().message;
    const auto frames = decodeRgba(path, 22, 22);
    ASSERT_EQ(frames.size(), 2u);
    const auto& frame = frames.front();
    const int tolerance = 10; // 4:2:0 video is lossy
    expectNear(pixel(frame, 22, 10, 10), {128, 0, 127, 255}, tolerance, "translucent red over blue");
    expectNear(pixel(frame, 22, 0, 0), {0, 0, 255, 255}, tolerance, "transparent corner");
    for (int i = 0; i < 22; ++i) {
        expectNear(pixel(frame, 22, 21, i), {0, 0, 255, 255}, tolerance, "padding column " + std::to_string(i));
        expectNear(pixel(frame, 22, i, 21), {0, 0, 255, 255}, tolerance, "padding row " + std::to_string(i));
    }
}

TEST(AnimationFile, ApngLoopsForeverAtOneOverFpsAndPlaysTheLoopBackExactly)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.png").toStdString();
    // 2 s at 8 fps, seamless: 16 frames, 9 forward and 7 back.
    auto result = exportAnimation(orbOfSize(16), AnimatedExportFormat::apng, motion(2.0, 8, true), path, drawnBy(stamped));
    ASSERT_TRUE(result.ok()) << result.error().message;

    const auto chunks = pngChunks(readBytes(path));
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(static_cast<int>(chunks.front().data.at(9)), 6); // truecolour with alpha
    int controls = 0;
    for (const auto& chunk : chunks) {
        if (chunk.type == "acTL") {
            EXPECT_EQ(bigEndian32(chunk.data, 0), 16u); // frames
            EXPECT_EQ(bigEndian32(chunk.data, 4), 0u);  // plays: 0 loops forever
        }
        if (chunk.type == "fcTL") {
            ++controls;
            EXPECT_EQ(bigEndian16(chunk.data, 20), 1); // delay 1/8 s
            EXPECT_EQ(bigEndian16(chunk.data, 22), 8);
        }
    }
    EXPECT_EQ(controls, 16);

    const auto frames = decodeRgba(path, 16, 16);
    ASSERT_EQ(frames.size(), 16u);
    for (std::size_t k = 1; k < frames.size(); ++k) EXPECT_EQ(frames[k], frames[16 - k]) << "frame " << k;
    EXPECT_NE(frames[0], frames[1]);
    // Lossless and straight: the drawn pixels come back exactly, the border fully transparent.
    render::RenderOptions options;
    options.pixelsPerPoint = 1.0;
    for (std::size_t k : {std::size_t{0}, std::size_t{5}}) {
        const auto drawn = stamped(orbOfSize(16), static_cast<double>(k) / 8.0, options);
        EXPECT_EQ(frames[k], drawn.pixels) << k;
    }
}

TEST(AnimationFile, ApngStoresOnlyWhatChangedAndDecodesToTheDrawnFramesExactly)
{
    using Drawing = render::Image (*)(const OrbValues&, double, const render::RenderOptions&);
    struct Case {
        const char* name;
        Drawing draw;
        int maxRegionSide;  // of the frames after the first, 0 = not checked
        bool someDrawnOver; // some frame keeps unchanged pixels by drawing over them
    };
    const Case cases[] = {
        {"everything changes", stamped, 0, false},
        {"a small square moves", slidingSquare, 6, false},
        {"two squares move far apart over noise", squaresOverNoise, 0, true},
        {"nothing changes, translucent", translucentRed, 1, false},
        {"the orb", realOrb, 0, false},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.filePath("orb.png").toStdString();
        const MotionSettings settings = motion(1.0, 10, true, 2.0); // 6 forward + 4 back, 48 x 48
        ASSERT_TRUE(exportAnimation(orbOfSize(24), AnimatedExportFormat::apng, settings, path, drawnBy(c.draw)).ok());

        int controls = 0;
        bool drawnOver = false;
        for (const auto& chunk : pngChunks(readBytes(path))) {
            if (chunk.type != "fcTL" || controls++ == 0) continue;
            drawnOver = drawnOver || chunk.data.at(25) == 1;
            if (c.maxRegionSide > 0) {
                EXPECT_LE(bigEndian32(chunk.data, 4), static_cast<std::uint32_t>(c.maxRegionSide));
                EXPECT_LE(bigEndian32(chunk.data, 8), static_cast<std::uint32_t>(c.maxRegionSide));
            }
        }
        EXPECT_EQ(controls, 10);
        if (c.someDrawnOver) {
            EXPECT_TRUE(drawnOver);
        }

        const auto frames = decodeRgba(path, 48, 48);
        const auto times = animationSampleTimes(settings);
        const auto order = animationFrameOrder(settings);
        ASSERT_EQ(frames.size(), order.size());
        render::RenderOptions options;
        options.pixelsPerPoint = 2.0;
        for (std::size_t k = 0; k < frames.size(); ++k)
            EXPECT_EQ(frames[k], straight(c.draw(orbOfSize(24), times[static_cast<std::size_t>(order[k])], options)))
                << "frame " << k;
    }
}

// Chromium's own decoder reads every frame, the delays and the endless loop. Only opaque and fully
// transparent pixels, so the canvas read-back is exact.
TEST(AnimationFile, ApngPlaysInChromiumFrameByFrame)
{
    ASSERT_TRUE(QFileInfo::exists(test::kChromiumBinary)) << "headless Chromium is missing (make deps)";
    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.png").toStdString();
    const MotionSettings settings = motion(2.0, 8, true); // 9 forward + 7 back, 16 x 16
    ASSERT_TRUE(exportAnimation(orbOfSize(16), AnimatedExportFormat::apng, settings, path, drawnBy(squaresOverNoise)).ok());

    std::string log;
    const auto lines = test::decodeImagesInChromium({{"image/png", readBytes(path)}}, &log);
    std::string expected = "16 Infinity";
    render::RenderOptions options;
    options.pixelsPerPoint = 1.0;
    const auto times = animationSampleTimes(settings);
    for (int sample : animationFrameOrder(settings)) {
        std::uint32_t hash = 0;
        for (std::uint8_t byte : straight(squaresOverNoise(orbOfSize(16), times[static_cast<std::size_t>(sample)], options)))
            hash = hash * 31 + byte;
        expected += " 125000:" + std::to_string(hash); // 1/8 s in microseconds
    }
    EXPECT_EQ(lines, std::vector<std::string>{expected}) << log;
}

// Red whose opacity steps up with time (60, 140, 220 at 0, 0.1 and 0.2 s) inside a transparent
// border, premultiplied: each frame's alpha tells which frame it is.
render::Image fadingRed(const OrbValues& values, double t, const render::RenderOptions& options)
{
    render::Image image = translucentRed(values, 0.0, options);
    const auto alpha = static_cast<std::uint8_t>(60 + 80 * std::lround(t * 10));
    for (std::size_t i = 0; i < image.pixels.size(); i += 4)
        if (image.pixels[i + 3] != 0) image.pixels[i] = image.pixels[i + 3] = alpha;
    return image;
}

TEST(AnimationFile, TransparentVideosKeepEachFramesAlpha)
{
    QTemporaryDir dir;
    struct Case {
        AnimatedExportFormat format;
        const char* name;
        int side; // WebM's alpha is a second 4:2:0 stream, so an odd side is worth a case
    };
    for (const Case& c : {Case{AnimatedExportFormat::webm, "orb.webm", 25}, Case{AnimatedExportFormat::prores, "orb.mov", 24}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.filePath(c.name).toStdString();
        std::atomic<int> draws{0};
        auto options = drawnBy([&](const OrbValues& v, double t, const render::RenderOptions& o) {
            ++draws;
            return fadingRed(v, t, o);
        });
        // 0.5 s at 10 fps, seamless: samples 0, 0.1 and 0.2 s shown as 0, 1, 2, 1; the way back
        // shows the kept frame again instead of drawing it.
        auto result = exportAnimation(orbOfSize(c.side / 2.0), c.format, motion(0.5, 10, true, 2.0), path, options);
        ASSERT_TRUE(result.ok()) << result.error().message;
        EXPECT_EQ(draws.load(), 3);
        const auto frames = decodeRgba(path, c.side, c.side);
        ASSERT_EQ(frames.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            const int sample = i < 3 ? i : 1;
            expectNear(pixel(frames[static_cast<std::size_t>(i)], c.side, 0, 0), {0, 0, 0, 0}, 6, "transparent corner");
            expectNear(pixel(frames[static_cast<std::size_t>(i)], c.side, c.side / 2, c.side / 2), {255, 0, 0, 60 + 80 * sample},
                       12, "red, straight, at this frame's opacity");
        }
    }
}

TEST(AnimationFile, GifLoopsForeverWithOnePaletteAndExactLength)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.gif").toStdString();
    MotionSettings settings = motion(1.0, 30, false);
    settings.matte = {1.0, 1.0, 1.0, 1.0};
    std::atomic<int> renders{0};
    auto options = drawnBy([&](const OrbValues& v, double t, const render::RenderOptions& o) {
        ++renders;
        return stamped(v, t, o);
    });
    auto result = exportAnimation(orbOfSize(20), AnimatedExportFormat::gif, settings, path, options);
    ASSERT_TRUE(result.ok()) << result.error().message;
    EXPECT_EQ(renders.load(), 30); // the palette scan's frames are kept for writing
    const std::string bytes = readBytes(path);
    const auto loop = bytes.find("NETSCAPE2.0");
    ASSERT_NE(loop, std::string::npos);
    EXPECT_EQ(bytes.substr(loop + 11, 5), std::string("\x03\x01\x00\x00\x00", 5)); // loop count 0: forever
    EXPECT_EQ(bytes.at(10) & 0x80, 0x80); // one global colour table
    auto probe = probeVideo(path);
    EXPECT_EQ(probe["streams.stream.0.nb_read_frames"], "30");
    EXPECT_DOUBLE_EQ(std::stod(probe["format.duration"]), 1.0);

    const auto frames = decodeRgba(path, 20, 20);
    ASSERT_EQ(frames.size(), 30u);
    render::RenderOptions atScale1;
    atScale1.pixelsPerPoint = 1.0;
    const auto drawn = flattenOntoMatte(stamped(orbOfSize(20), 7 / 30.0, atScale1), settings.matte);
    double error = 0.0;
    for (std::size_t i = 0; i < drawn.pixels.size(); ++i) error += std::abs(int(frames[7][i]) - int(drawn.pixels[i]));
    EXPECT_LT(error / drawn.pixels.size(), 8.0);
    expectNear(pixel(frames[7], 20, 0, 0), {255, 255, 255, 255}, 0, "matte in the corner");
}

TEST(AnimationFile, ReplacesAnExistingFileOnlyWhenTheExportSucceeds)
{
    const std::string original = "an earlier export the user wants to keep\n";
    struct Case {
        const char* name;
        AnimatedExportFormat format;
        AnimationExportOptions options;
        ExportError expected;
    };
    std::vector<Case> cases;
    {
        auto options = drawnBy(stamped);
        options.progress = [](int done, int) { return done < 3; };
        cases.push_back({"cancelled", AnimatedExportFormat::mp4, options, ExportError::cancelled});
    }
    {
        auto options = drawnBy([](const OrbValues& v, double t, const render::RenderOptions& o) {
            return t > 0.25 ? render::Image{} : stamped(v, t, o);
        });
        cases.push_back({"render failed", AnimatedExportFormat::apng, options, ExportError::renderFailed});
    }
    {
        // Cancelled while WebM's encoder thread still has frames to encode.
        auto options = drawnBy(stamped);
        options.progress = [](int done, int) { return done < 3; };
        cases.push_back({"cancelled while encoding", AnimatedExportFormat::webm, options, ExportError::cancelled});
    }
    {
        // Cancelled after the last frame, while WebM encodes its alpha channel: the second half of
        // its progress.
        auto options = drawnBy(stamped);
        options.progress = [](int done, int total) { return done <= total / 2; };
        cases.push_back({"cancelled while finishing", AnimatedExportFormat::webm, options, ExportError::cancelled});
    }
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const std::string path = dir.filePath("orb.out").toStdString();
        writeBytes(path, original);
        auto result = exportAnimation(orbOfSize(16), c.format, motion(1.0, 10, false), path, c.options);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().code, c.expected);
        EXPECT_EQ(readBytes(path), original);
        EXPECT_EQ(entriesOf(dir), QStringList{"orb.out"});
    }

    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.webm").toStdString();
    writeBytes(path, original);
    auto result = exportAnimation(orbOfSize(16), AnimatedExportFormat::webm, motion(0.2, 10, false), path, drawnBy(stamped));
    ASSERT_TRUE(result.ok()) << result.error().message;
    EXPECT_NE(readBytes(path), original);
    EXPECT_EQ(entriesOf(dir), QStringList{"orb.webm"});

    const std::string folder = dir.filePath("folder.mp4").toStdString();
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.mp4"));
    auto intoFolder = exportAnimation(orbOfSize(16), AnimatedExportFormat::mp4, motion(0.2, 10, false), folder);
    ASSERT_FALSE(intoFolder.ok());
    EXPECT_EQ(intoFolder.error().code, ExportError::writeFailed);
}

TEST(AnimationFile, AWriteFailureKeepsTheExistingFileAndLeavesNoTemporary)
{
    const std::string original(1000, 'x');
    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.png").toStdString();
    writeBytes(path, original);
    // A file-size limit makes every write past 4 kB fail (EFBIG) as a full disk would.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    auto options = drawnBy(noise);
    auto result = exportAnimation(orbOfSize(64), AnimatedExportFormat::apng, motion(1.0, 10, false, 2.0), path, options);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, ExportError::writeFailed);
    EXPECT_FALSE(result.error().message.empty());
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(entriesOf(dir), QStringList{"orb.png"});
}

TEST(AnimationFile, AnUnwritableFolderFailsBeforeRenderingAndKeepsTheExistingFile)
{
    if (test::rerunUnprivileged()) return; // permissions do not bind the superuser
    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.gif").toStdString();
    writeBytes(path, "keep me");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    std::atomic<int> renders{0};
    auto options = drawnBy([&](const OrbValues& v, double t, const render::RenderOptions& o) {
        ++renders;
        return stamped(v, t, o);
    });
    auto result = exportAnimation(orbOfSize(16), AnimatedExportFormat::gif, motion(0.5, 10, false), path, options);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, ExportError::writeFailed);
    EXPECT_EQ(renders.load(), 0);
    EXPECT_EQ(readBytes(path), "keep me");
    EXPECT_EQ(entriesOf(dir), QStringList{"orb.gif"});
}
