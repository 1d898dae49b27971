// The playback loop as a file: its length and frame count, real encodes read back with ffprobe and
// ffmpeg, frames equal to the loop's own frames, the wrap that meets the start, and the refusals.
#include "export/media/PlaybackLoopExport.h"

#include "render/StraightAlpha.h"
#include "support/MediaProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>

using namespace lumara;
using namespace lumara::exporting;
using namespace lumara::test;

namespace {

OrbValues orb(double size, CodableColor glow, bool shadow = false)
{
    OrbValues values;
    values.orbSize = size;
    values.glowColor = glow;
    values.showShadow = shadow;
    return values;
}

// Three looks of different colours and sizes, one casting its shadow into the frame.
PlaybackLoop threeStates(double transition)
{
    return {{orb(20, {1, 0.2, 0.2, 1}), orb(14, {0.2, 1, 0.3, 1}, true), orb(18, {0.3, 0.3, 1, 1})}, transition};
}

std::vector<std::uint8_t> straight(const render::Image& frame)
{
    std::vector<std::uint8_t> out(frame.pixels.size());
    for (int y = 0; y < frame.height; ++y)
        render::unpremultiplyRow(frame.row(y), out.data() + static_cast<std::size_t>(y) * frame.width * 4, frame.width);
    return out;
}

double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return a.empty() ? 0 : sum / double(a.size());
}

MotionSettings atRate(int fps, double scale = 1.0)
{
    MotionSettings settings;
    settings.fps = fps;
    settings.scale = scale;
    return settings;
}

} // namespace

TEST(PlaybackLoopExport, LastsOneCycleAndSharesItEvenlyAmongRoundedFrames)
{
    const struct {
        std::size_t states;
        double transition;
        int fps;
        double duration;
        int frames;
    } table[] = {
        {2, 0.0, 30, 2.0, 60},   // the fade at its shortest, 0.2 s
        {3, 0.6, 24, 4.2, 101},  // 100.8 rounds up
        {2, 0.37, 30, 2.34, 70}, // 70.2 rounds down
        {2, 0.45, 1, 2.5, 3},    // a half rounds away from zero
        {4, 2.0, 60, 11.2, 672},
    };
    for (const auto& row : table) {
        const PlaybackLoop loop{std::vector<OrbValues>(row.states), row.transition};
        SCOPED_TRACE(row.frames);
        EXPECT_NEAR(playbackLoopDuration(loop), row.duration, 1e-12);
        EXPECT_EQ(playbackLoopFrameCount(loop, row.fps), row.frames);
        const auto times = playbackLoopSampleTimes(loop, row.fps);
        ASSERT_EQ(times.size(), std::size_t(row.frames));
        EXPECT_EQ(times.front(), 0.0);
        for (std::size_t k = 1; k < times.size(); ++k) EXPECT_NEAR(times[k] - times[k - 1], row.duration / row.frames, 1e-12);
        EXPECT_NEAR(times.back() + row.duration / row.frames, row.duration, 1e-12) << "the next frame would be the start";
    }
}

TEST(PlaybackLoopExport, TheFileShowsTheLoopsFramesAndItsEndFlowsIntoItsStart)
{
    // 3 x 1.1 s = 3.3 s at 12 fps: 40 frames as large as the largest state, lossless, compared with
    // the frames drawn directly. (The loop goes through the same encoders as every animation.)
    const PlaybackLoop loop = threeStates(0.3);
    QTemporaryDir dir;
    const std::string path = dir.filePath("loop.png").toStdString();
    ASSERT_TRUE(exportPlaybackLoop(loop, AnimatedExportFormat::apng, atRate(12), path));
    const auto frames = decodeRgba(path, 20, 20);
    const auto times = playbackLoopSampleTimes(loop, 12);
    ASSERT_EQ(frames.size(), 40u);
    for (std::size_t k = 0; k < frames.size(); ++k)
        EXPECT_EQ(frames[k], straight(renderPlaybackLoopFrame(loop, times[k], 1.0))) << "frame " << k;

    const double cycle = playbackLoopDuration(loop);
    EXPECT_EQ(renderPlaybackLoopFrame(loop, cycle, 1.0).pixels, renderPlaybackLoopFrame(loop, 0.0, 1.0).pixels)
        << "the frame after the last is the first again";
    // Just before the wrap the first state is all but fully faded in, moving into its first picture.
    // (Had its orb run on loop time like the others, it would be a whole cycle ahead of that picture.)
    const auto closing = straight(renderPlaybackLoopFrame(loop, cycle - 1e-3, 1.0));
    EXPECT_LT(meanDifference(closing, frames.front()), 0.5);
    render::RenderOptions options;
    options.pixelsPerPoint = 1.0;
    EXPECT_GT(meanDifference(straight(render::renderOrb(loop.states[0], cycle, options)), frames.front()), 2.0)
        << "the orb's motion has no period of one cycle, so the check above has teeth";
    // The wrap is a step like its neighbours: no jump of the orbs' motion where the file starts over.
    const double wrap = meanDifference(frames.back(), frames.front());
    const double before = meanDifference(frames[frames.size() - 2], frames.back());
    const double after = meanDifference(frames[0], frames[1]);
    EXPECT_LE(wrap, 1.5 * std::max(before, after) + 0.5) << "wrap " << wrap << ", neighbours " << before << " and " << after;
    EXPECT_GT(after, 0.0) << "the orbs move while a state is held";
}

TEST(PlaybackLoopExport, RefusesWhatCannotMakeALoopBeforeWritingAnything)
{
    const auto withStates = [](std::vector<OrbValues> states, double transition = 0.6) { return PlaybackLoop{std::move(states), transition}; };
    const struct {
        PlaybackLoop loop;
        AnimatedExportFormat format;
        MotionSettings settings;
        const char* mentions;
    } table[] = {
        {withStates({orb(20, {1, 1, 1, 1})}), AnimatedExportFormat::apng, atRate(10), "at least two states (the project has 1)"},
        {withStates({}), AnimatedExportFormat::apng, atRate(10), "at least two states (the project has 0)"},
        {withStates({orb(20, {1, 1, 1, 1}), orb(20, {1, 1, 1, 1})}, 1e9), AnimatedExportFormat::apng, atRate(10), "the most is 600"},
        {withStates({orb(20, {1, 1, 1, 1}), orb(20, {1, 1, 1, 1})}, INFINITY), AnimatedExportFormat::apng, atRate(10), "the most is 600"},
        {withStates({orb(20, {1, 1, 1, 1}), orb(20, {1, 1, 1, 1})}), AnimatedExportFormat::apng, atRate(0), "frame rate"},
        {withStates({orb(20, {1, 1, 1, 1}), orb(20, {1, 1, 1, 1})}), AnimatedExportFormat::gif, atRate(60), "GIF"},
        {withStates({orb(20, {1, 1, 1, 1}), orb(0, {1, 1, 1, 1})}), AnimatedExportFormat::apng, atRate(10), "without pixels"},
        {withStates({orb(20, {1, 1, 1, 1}), orb(20, {1, 1, 1, 1})}), AnimatedExportFormat::apng, atRate(10, 1e6), "pixels square"},
    };
    QTemporaryDir dir;
    const std::string path = dir.filePath("loop.png").toStdString();
    for (const auto& row : table) {
        SCOPED_TRACE(row.mentions);
        const auto result = exportPlaybackLoop(row.loop, row.format, row.settings, path);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().code, ExportError::renderFailed);
        EXPECT_NE(result.error().message.find(row.mentions), std::string::npos) << result.error().message;
        EXPECT_TRUE(QDir(dir.path()).isEmpty());
    }
}
