// `lumara animate` on the real binary: defaults, formats from extensions, options, and refusals
// that come before any work and leave nothing behind.
#include "document/ProjectCodec.h"
#include "support/MediaProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>


using namespace lumara;
using namespace lumara::test;

namespace {

// A small orb without its drop shadow, so the corners of its square are transparent.
std::string writeSmallOrb(const QTemporaryDir& dir, double size)
{
    OrbValues values;
    values.orbSize = size;
    values.showShadow = false;
    const std::string path = dir.filePath("small.json").toStdString();
    writeBytes(path, encodeConfiguration(values, Container::json).value());
    return path;
}

ProcessResult animate(std::vector<std::string> args)
{
    args.insert(args.begin(), "animate");
    return runProcess(lumaraBinary(), args);
}

} // namespace

TEST(AnimateCommand, DefaultsToFourSecondsAtThirtyFpsScaleTwoOnBlackSeamless)
{
    QTemporaryDir dir;
    const std::string source = writeSmallOrb(dir, 16);
    const std::string out = dir.filePath("orb.mp4").toStdString();
    const auto run = animate({source, "-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, ""); // no progress when stderr is not a terminal
    EXPECT_EQ(run.out, "");
    auto probe = probeVideo(out);
    EXPECT_EQ(probe["streams.stream.0.codec_name"], "h264");
    EXPECT_EQ(probe["streams.stream.0.width"], "32");
    EXPECT_EQ(probe["streams.stream.0.nb_read_frames"], "120");
    EXPECT_EQ(probe["streams.stream.0.r_frame_rate"], "30/1");
    EXPECT_DOUBLE_EQ(std::stod(probe["format.duration"]), 4.0);
    const auto frames = decodeRgba(out, 32, 32);
    ASSERT_EQ(frames.size(), 120u);
    for (int c = 0; c < 3; ++c) EXPECT_LE(frames[0][static_cast<std::size_t>(c)], 24) << "black matte in the corner";
}

TEST(AnimateCommand, PicksTheFormatFromTheExtensionUnlessToldAndHonoursItsOptions)
{
    struct Case {
        std::vector<std::string> args;
        const char* file;
        const char* codec;
        const char* frames;
    };
    // 0.5 s at 10 fps: N = 5, seamless 3 + 1 = 4 frames, straight 5.
    const std::vector<std::string> brief{"--duration", "0.5", "--fps", "10", "--scale", "0.1"};
    const Case cases[] = {
        {{}, "a.mp4", "h264", "4"},
        {{}, "b.png", "apng", "4"},
        {{}, "c.APNG", "apng", "4"},
        {{}, "d.gif", "gif", "4"},
        {{}, "e.webm", "vp9", "4"},
        {{"--format", "webm"}, "f.bin", "vp9", "4"},
        {{}, "h.mov", "prores", "4"},
        {{"--format", "prores"}, "i.bin", "prores", "4"},
        {{"--no-seamless"}, "g.png", "apng", "5"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string out = dir.filePath(c.file).toStdString();
        std::vector<std::string> args{"-o", out};
        args.insert(args.end(), brief.begin(), brief.end());
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto run = animate(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        auto probe = probeVideo(out);
        EXPECT_EQ(probe["streams.stream.0.codec_name"], c.codec);
        EXPECT_EQ(probe["streams.stream.0.width"], "28");
        EXPECT_EQ(probe["streams.stream.0.nb_read_frames"], c.frames);
    }
}

TEST(AnimateCommand, MatteColoursTheMp4Background)
{
    QTemporaryDir dir;
    const std::string source = writeSmallOrb(dir, 16);
    const std::string out = dir.filePath("orb.mp4").toStdString();
    const auto run = animate({source, "-o", out, "--matte", "#FF8000", "--duration", "0.2", "--fps", "10", "--scale", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto frames = decodeRgba(out, 16, 16);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_NEAR(frames[0][0], 255, 12);
    EXPECT_NEAR(frames[0][1], 128, 12);
    EXPECT_NEAR(frames[0][2], 0, 12);
}

TEST(AnimateCommand, RefusesBadRequestsBeforeAnyWorkWithOneLineAndNoFile)
{
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    };
    QTemporaryDir dir;
    const std::string out = dir.filePath("orb.mp4").toStdString();
    const Case cases[] = {
        {{"-o", dir.filePath("orb.avi").toStdString()}, "cannot tell the format"},
        {{"--duration", "1"}, ""}, // no -o
        {{"-o", dir.filePath("no/such/folder/orb.gif").toStdString(), "--scale", "0.1"}, ""},
        {{"-o", out, "--duration", "0"}, "duration"},
        {{"-o", out, "--duration", "10000"}, "duration"},
        {{"-o", out, "--duration", "nan"}, "duration"},
        {{"-o", out, "--fps", "0"}, "frame rate"},
        {{"-o", out, "--fps", "1000000000000"}, "frame rate"},
        {{"-o", out, "--scale", "200"}, "56000 pixels"},
        {{"-o", out, "--scale", "-1"}, "scale"},
        {{"-o", out, "--matte", "12345"}, "RRGGBB"},
        {{"-o", out, "--matte", "zzzzzz"}, "RRGGBB"},
        {{"-o", out, "--format", "avi"}, "unknown format"},
        {{"-o", out, "--format", "gif", "--fps", "60"}, "GIF"},
        {{"-o", out, "--preset", "No Such Orb"}, "no preset"},
        {{"-o", out, "--duration"}, "duration"},
    };
    for (const auto& c : cases) {
        const auto run = animate(c.args);
        EXPECT_EQ(run.exitCode, 1) << joined(c.args);
        expectOneErrorLine(run, joined(c.args), c.mentions);
        EXPECT_TRUE(QDir(dir.path()).isEmpty()) << "something was written";
    }
}

namespace {

// A project of `count` small states (no shadows) with the given transition time.
std::string writeProject(const QTemporaryDir& dir, std::size_t count, double transition)
{
    OrbProjectData project;
    for (std::size_t i = 0; i < count; ++i) {
        OrbValues values;
        values.orbSize = 12.0 - 2.0 * double(i);
        values.showShadow = false;
        project.states.push_back({"8E4B3C2A-1D5F-4E6A-9B7C-00000000000" + std::to_string(i), "State " + std::to_string(i + 1), values});
    }
    project.transitionDuration = transition;
    const std::string path = dir.filePath(QString("states%1.lumara").arg(count)).toStdString();
    writeBytes(path, encodeProject(project, Container::propertyList).value());
    return path;
}

} // namespace

TEST(AnimateCommand, PlaybackWritesOneCycleOfEveryStateOrSaysWhyNot)
{
    QTemporaryDir dir;
    // 3 states x (0.5 + 0.8) s = 3.9 s at 10 fps: 39 frames, as large as the largest state. The
    // animated PNG carries a design of three states, larger than FFmpeg's 2 KB format probe.
    const std::string three = writeProject(dir, 3, 0.5);
    for (const char* name : {"loop.webm", "loop.png"}) {
        SCOPED_TRACE(name);
        const std::string out = dir.filePath(name).toStdString();
        const auto run = animate({three, "--playback", "-o", out, "--fps", "10", "--scale", "1"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        auto probe = probeVideo(out);
        EXPECT_EQ(probe["streams.stream.0.codec_name"], std::string(name).ends_with("png") ? "apng" : "vp9");
        EXPECT_EQ(probe["streams.stream.0.nb_read_frames"], "39");
        EXPECT_EQ(probe["streams.stream.0.width"], "12");
        if (!std::string(name).ends_with("png")) continue;
        const auto reopened = runProcess(lumaraBinary(), {"convert", out, dir.filePath("reopened.json").toStdString()});
        EXPECT_EQ(reopened.exitCode, 0) << reopened.err;
        EXPECT_EQ(decodeProject(readBytes(dir.filePath("reopened.json").toStdString()), Container::json).value().states.size(), 3u)
            << "the file carries the whole project";
    }

    const std::string one = writeProject(dir, 1, 0.5);
    const struct {
        std::vector<std::string> args;
        const char* says;
    } refusals[] = {
        {{one, "--playback"}, "the playback loop needs at least two states (the project has 1)"},
        {{"--playback"}, "the playback loop needs at least two states (the project has 1)"},
        {{three, "--playback", "--duration", "2"}, "--duration does not apply with --playback"},
        {{three, "--playback", "--no-seamless"}, "--no-seamless does not apply with --playback"},
        {{three, "--playback", "--state", "1"}, "--state does not apply with --playback"},
    };
    const std::string refused = dir.filePath("refused.png").toStdString();
    for (const auto& c : refusals) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-o", refused});
        const auto run = animate(args);
        EXPECT_EQ(run.exitCode, 1) << joined(args);
        expectOneErrorLine(run, joined(args), c.says);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(refused)));
    }
}
