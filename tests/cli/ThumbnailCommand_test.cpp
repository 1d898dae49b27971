// `lumara-thumbnailer` and `lumara thumbnail` run as real processes, as a file manager runs them:
// the preview's size and content, and one line naming the program with no file left behind for
// every input it cannot use.
#include "document/ProjectCodec.h"
#include "model/OrbPreset.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace lumara::test {
namespace {

// The two ways to ask for a thumbnail: the lean program and the command; both share one code path.
struct Program {
    std::string binary;
    std::vector<std::string> command; // words before INPUT
    const char* prefix;                // of the failure line
};
std::vector<Program> programs()
{
    return {{std::string(LUMARA_BINARY_DIR) + "/lumara-thumbnailer", {}, "lumara-thumbnailer: "},
            {lumaraBinary(), {"thumbnail"}, "lumara: "}};
}

std::string writeProject(const QTemporaryDir& dir, double orbSize)
{
    OrbProjectData project;
    OrbValues dark = findPreset("Deep Sea")->configuration;
    OrbValues molten = findPreset("Molten")->configuration;
    dark.orbSize = molten.orbSize = orbSize;
    project.states.push_back({makeStateId(), "Dark", dark});
    project.states.push_back({makeStateId(), "Molten", molten});
    project.selectedStateIndex = 1;
    const std::string path = dir.filePath(QString("orb%1.lumara").arg(orbSize)).toStdString();
    writeBytes(path, encodeProject(project, Container::propertyList).value());
    return path;
}

TEST(ThumbnailCommand, FillsTheRequestedSquareWithTheSelectedStatesOrb)
{
    QTemporaryDir dir;
    struct Case {
        double orbSize;
        std::vector<std::string> size; // the --size option, if any
        int side;
    };
    const Case cases[] = {{280, {}, 256}, {280, {"--size", "128"}, 128}, {33.3, {"--size", "512"}, 512},
                          {1000, {"--size", "1"}, 1}};
    for (const auto& program : programs())
    for (const auto& c : cases) {
        SCOPED_TRACE(program.binary + " " + std::to_string(c.side));
        const std::string out = dir.filePath(QString("thumb%1.png").arg(c.side)).toStdString();
        std::vector<std::string> args = program.command;
        args.insert(args.end(), {writeProject(dir, c.orbSize), out});
        args.insert(args.end(), c.size.begin(), c.size.end());
        const auto run = runProcess(program.binary, args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const QImage image = QImage(QString::fromStdString(out), "PNG").convertToFormat(QImage::Format_RGBA8888);
        ASSERT_EQ(image.size(), QSize(c.side, c.side));
        if (c.side < 64) continue;
        EXPECT_LT(qAlpha(image.pixel(0, 0)), 64) << "the corner lies outside the orb";
        const QRgb centre = image.pixel(c.side / 2, c.side / 2);
        EXPECT_GT(qAlpha(centre), 128) << "the orb fills the middle";
        EXPECT_GT(qRed(centre), qBlue(centre)) << "the selected state (Molten) is drawn, not the first";
    }
}

TEST(ThumbnailCommand, RefusesWhatItCannotPreviewWithOneLineAndNoFile)
{
    QTemporaryDir dir;
    const std::string project = writeProject(dir, 280);
    const std::string garbage = dir.filePath("garbage.lumara").toStdString();
    writeBytes(garbage, std::string("bplist00\xff\xff", 10));
    const std::string out = dir.filePath("thumb.png").toStdString();
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{project, out, "--size", "0"}, "from 1 to 1024"},
        {{project, out, "--size", "4294967552"}, "from 1 to 1024"},
        {{project, out, "--size", ""}, "size"},
        {{project, out, "--size", "12px"}, "size"},
        {{dir.filePath("missing.lumara").toStdString(), out}, "missing.lumara"},
        {{garbage, out}, "not a Lumara project"},
        {{project}, "OUTPUT"},
        {{project, dir.filePath("no/such/folder/t.png").toStdString()}, "t.png"},
    };
    for (const auto& program : programs())
    for (const auto& c : cases) {
        std::vector<std::string> args = program.command;
        args.insert(args.end(), c.args.begin(), c.args.end());
        expectOneErrorLine(runProcess(program.binary, args), program.binary + " " + joined(args), c.mentions, program.prefix);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(out)));
    }
}

} // namespace
} // namespace lumara::test
