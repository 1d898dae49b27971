// Where the commands write, on the real binary: standard output, devices, a disk that fills up, a
// process killed mid-write, and every numeric option given absurd values. (Links and FIFOs are
// OutputFile's, which every command writes through; its own tests cover them.)
#include "document/ProjectCodec.h"
#include "support/MediaProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <random>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace lumara;
using namespace lumara::test;

namespace {

TEST(OutputDestinations, StandardOutputCarriesEveryStreamableFormat)
{
    struct Case {
        std::vector<std::string> args;
        std::string startsWith;
    };
    const Case cases[] = {
        {{"render", "-o", "-", "--scale", "0.1"}, "\x89PNG"},
        {{"export", "prompt", "-o", "-"}, "Create an animated orb"},
        {{"animate", "-o", "-", "--format", "gif", "--scale", "0.1", "--duration", "0.2"}, "GIF89a"},
        {{"animate", "-o", "-", "--format", "webm", "--scale", "0.1", "--duration", "0.2"}, "\x1a\x45\xdf\xa3"},
        {{"animate", "-o", "-", "--format", "apng", "--scale", "0.1", "--duration", "0.2"}, "\x89PNG"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const auto run = runProcess(lumaraBinary(), c.args);
        ASSERT_EQ(run.exitCode, 0) << joined(c.args) << run.err;
        EXPECT_EQ(run.out.rfind(c.startsWith, 0), 0u) << joined(c.args);
        if (c.args.front() == "animate") {
            // What came down the pipe decodes as a whole animation.
            const std::string copy = dir.filePath("piped").toStdString();
            writeBytes(copy, run.out);
            EXPECT_EQ(probeVideo(copy)["streams.stream.0.nb_read_frames"], "6") << joined(c.args);
        }
    }
    for (const std::string seeking : {"mp4", "prores"}) {
        const auto run = runProcess(lumaraBinary(), {"animate", "-o", "-", "--format", seeking, "--scale", "0.1"});
        expectOneErrorLine(run, seeking + " to standard output", "regular file");
        EXPECT_TRUE(run.out.empty());
    }
}

TEST(OutputDestinations, DevicesAreWrittenInPlaceAndAFullOneIsAFailure)
{
    const std::vector<std::vector<std::string>> cases{
        {"render", "-o", "/dev/full", "--scale", "0.1"},
        {"export", "html", "-o", "/dev/full"},
        {"animate", "-o", "/dev/full", "--format", "gif", "--scale", "0.1", "--duration", "0.2"},
        {"animate", "-o", "/dev/full", "--format", "mp4", "--scale", "0.1", "--duration", "0.2"},
    };
    for (const auto& args : cases) expectOneErrorLine(runProcess(lumaraBinary(), args), joined(args));
    struct stat info {};
    ASSERT_EQ(::stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "/dev/full was replaced";
    EXPECT_EQ(runProcess(lumaraBinary(), {"render", "-o", "/dev/null", "--scale", "0.1"}).exitCode, 0);
}

// Every writing command under a file-size limit (a full disk as the process sees it): one error
// line, and the file written before is still there, whole.
TEST(OutputDestinations, AFullDiskLeavesThePreviousFileAndSaysSo)
{
    QTemporaryDir dir;
    const std::string project = dir.filePath("big.json").toStdString();
    {
        OrbProjectData p;
        for (int i = 0; i < 40; ++i) p.states.push_back({makeStateId(), "State " + std::to_string(i), OrbValues{}});
        writeBytes(project, encodeProject(p, Container::json).value());
    }
    struct Case {
        std::string file;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"orb.png", {"render", "--scale", "1"}},
        {"orb.html", {"export", "html"}},
        {"copy.lumara", {"convert", project}},
        {"orb.mp4", {"animate", "--duration", "1"}},
        {"orb.png", {"animate", "--format", "apng", "--scale", "0.5", "--duration", "1"}},
        {"orb.gif", {"animate", "--duration", "1"}},
        {"orb.webm", {"animate", "--duration", "1"}},
    };
    for (const Case& c : cases) {
        const std::string out = dir.filePath(QString::fromStdString(c.file)).toStdString();
        writeBytes(out, "previous content");
        std::vector<std::string> args = c.args;
        if (args.front() == "convert") args.push_back(out);
        else args.insert(args.end(), {"-o", out});
        std::string command = "trap '' XFSZ; ulimit -f 8; exec \"$0\" \"$@\""; // 8 KB
        std::vector<std::string> shellArgs{"-c", command, lumaraBinary()};
        shellArgs.insert(shellArgs.end(), args.begin(), args.end());
        const auto run = runProcess("/bin/bash", shellArgs);
        expectOneErrorLine(run, joined(args));
        EXPECT_EQ(readBytes(out), "previous content") << joined(args);
    }
}

// Kills each writing command at random moments: the destination holds the old bytes or exactly
// what an undisturbed run writes. (tools/kill-while-writing.sh does the same hundreds of times.)
TEST(OutputDestinations, AKilledCommandLeavesTheOldFileOrTheNewOne)
{
    QTemporaryDir dir;
    struct Case {
        std::string file;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"orb.png", {"render", "--scale", "2", "--time", "1"}},
        {"orb.html", {"export", "html"}},
        {"orb.gif", {"animate", "--duration", "0.5", "--scale", "0.5"}},
    };
    std::mt19937 random(7);
    for (const Case& c : cases) {
        const std::string out = dir.filePath(QString::fromStdString(c.file)).toStdString();
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-o", out});
        ASSERT_EQ(runProcess(lumaraBinary(), args).exitCode, 0);
        const std::string complete = readBytes(out);
        QStringList qargs;
        for (const auto& a : args) qargs << QString::fromStdString(a);
        for (int k = 0; k < 12; ++k) {
            writeBytes(out, "old");
            QProcess victim;
            victim.start(QString::fromStdString(lumaraBinary()), qargs);
            ASSERT_TRUE(victim.waitForStarted());
            std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 250)(random)));
            victim.kill();
            victim.waitForFinished();
            const std::string now = readBytes(out);
            EXPECT_TRUE(now == "old" || now == complete) << joined(args) << " kill " << k << ": " << now.size() << " bytes";
        }
    }
}

// Numeric options of every command given values no one means: one "lumara: " line, exit 1.
TEST(OutputDestinations, AbsurdOptionValuesGetOneErrorLine)
{
    QTemporaryDir dir;
    const std::string out = dir.filePath("x").toStdString();
    const std::vector<std::string> absurd{"nan", "inf", "-inf", "-1", "1e308", "abc", ""};
    struct Option {
        std::vector<std::string> command;
        const char* option;
        std::vector<std::string> alsoAbsurd; // values that are absurd for this option only
    };
    const Option options[] = {
        {{"render", "-o", out + ".png"}, "--time", {}},
        {{"render", "-o", out + ".png"}, "--scale", {"0"}},
        {{"render", "-o", out + ".png"}, "--state", {"1", "99999999999999999999"}},
        {{"render", "-o", out + ".png", "--random"}, "--seed", {"99999999999999999999"}},
        {{"export", "prompt", "-o", out + ".md"}, "--state", {"1"}},
        {{"animate", "-o", out + ".gif"}, "--duration", {"0", "601"}},
        {{"animate", "-o", out + ".gif"}, "--fps", {"0", "51", "2.5"}},
        {{"animate", "-o", out + ".gif"}, "--scale", {"0", "100"}},
    };
    for (const Option& o : options) {
        std::vector<std::string> values = absurd;
        values.insert(values.end(), o.alsoAbsurd.begin(), o.alsoAbsurd.end());
        // A moment before zero is as valid as one after it; the others are absurd everywhere.
        if (std::string(o.option) == "--time") std::erase(values, std::string("-1"));
        for (const auto& value : values) {
            std::vector<std::string> args = o.command;
            args.insert(args.end(), {o.option, value});
            const auto run = runProcess(lumaraBinary(), args, {}, 60);
            expectOneErrorLine(run, joined(args));
        }
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty()) << QDir(dir.path()).entryList().join(", ").toStdString();
}

TEST(OutputDestinations, ConvertRefusesAProjectBeyondTheLimitsBeforeWriting)
{
    QTemporaryDir dir;
    OrbProjectData p;
    p.states.push_back({makeStateId(), "Default", OrbValues{}});
    // Written by hand, as no writer of ours produces one: the one state's record, 1001 times.
    const std::string project = encodeProject(p, Container::json).value();
    const std::string head = "{\"states\":[", tail = "],\"selectedStateIndex\"";
    const std::string one = project.substr(head.size(), project.find(tail) - head.size());
    std::string states;
    for (int i = 0; i < 1001; ++i) states += (i ? "," : "") + one;
    const std::string input = dir.filePath("huge.json").toStdString();
    writeBytes(input, "{\"states\":[" + states + "],\"selectedStateIndex\":0,\"transitionDuration\":0.6}");
    const std::string out = dir.filePath("huge.lumara").toStdString();
    expectOneErrorLine(runProcess(lumaraBinary(), {"convert", input, out}), "convert", "1001 states");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
}

} // namespace
