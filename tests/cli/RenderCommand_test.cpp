// `lumara render` run as a real process: exit codes, the one "lumara: " line, no file on
// failure, the PNG's size and its straight alpha.
#include "model/OrbPreset.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace lumara::test {
namespace {

QImage readPng(const std::string& path)
{
    QImage image(QString::fromStdString(path), "PNG");
    return image.convertToFormat(QImage::Format_RGBA8888);
}

TEST(RenderCommand, WritesTheOrbsSquareWithStraightAlpha)
{
    QTemporaryDir dir;
    struct Case {
        std::vector<std::string> args;
        int side;
    };
    const std::vector<Case> cases{
        {{}, 560},                                 // default orb, scale 2
        {{"--scale", "1"}, 280},                   //
        {{"--scale", "0.5", "--time", "12.5"}, 140},
        {{"--preset", "Molten"}, 560},
        {{"--random", "--seed", "7"}, 560},        // random orbs are always 280 points
        {{"--scale", "1.001"}, 280},               // round(280.28)
    };
    int index = 0;
    for (const auto& c : cases) {
        const std::string out = dir.filePath(QString("orb%1.png").arg(index++)).toStdString();
        std::vector<std::string> args{"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"-o", out});
        const auto result = runProcess(lumaraBinary(), args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(result.err.empty()) << result.err;
        const QImage image = readPng(out);
        ASSERT_EQ(image.width(), c.side);
        ASSERT_EQ(image.height(), c.side);
        // Straight alpha: outside the inscribed circle only the soft shadow shows, with low alpha
        // but full-strength colour, which a premultiplied file could not hold (colour <= alpha).
        int straight = 0;
        for (int y = 0; y < c.side; y += 3)
            for (int x = 0; x < c.side; x += 3) {
                if (std::hypot(x + 0.5 - c.side / 2.0, y + 0.5 - c.side / 2.0) <= c.side / 2.0) continue;
                const uchar* p = image.constScanLine(y) + 4 * x;
                ASSERT_LT(p[3], 255);
                if (p[3] > 0 && std::max({p[0], p[1], p[2]}) > p[3] + 20) ++straight;
            }
        EXPECT_GT(straight, 10) << "no straight-alpha shadow pixels in " << out;
    }
}

TEST(RenderCommand, ReadsProjectFilesAndTheirStates)
{
    QTemporaryDir dir;
    // A two-state project: state 1 is a 100-point orb.
    const std::string project = dir.filePath("two.json").toStdString();
    const std::string out = dir.filePath("state.png").toStdString();
    const std::string config100 = R"({"backgroundColors":[{"red":1,"green":0,"blue":0,"opacity":1}],"glowColor":{"red":1,"green":1,"blue":1,"opacity":1},"coloredBlobs":false,"gradientType":0,"gradientAngle":0,"backgroundBlur":0,"orbSize":100,"cornerRadius":1,"blobCount":2,"complexity":6,"amplitude":0.15,"blobScale":1,"blobSpread":0.25,"blobOpacity":0.75,"blobBlur":1,"blobBlendMode":0,"speed":60,"glowIntensity":1,"glowSoftness":1,"innerRingWidth":1,"shadowRadius":1,"edgeSoftness":0,"showBackground":true,"showWavyBlobs":true,"showGlowEffects":true,"showShadow":true})";
    std::string config200 = config100;
    config200.replace(config200.find("\"orbSize\":100"), 13, "\"orbSize\":200");
    writeBytes(project, R"({"states":[{"id":"A1B2C3D4-0000-4000-8000-000000000001","name":"One","config":)" + config200 +
                            R"(},{"id":"A1B2C3D4-0000-4000-8000-000000000002","name":"Two","config":)" + config100 +
                            R"(}],"selectedStateIndex":5,"transitionDuration":1.5})");
    // Selected index 5 is clamped to the last state (100 points); --state 0 picks the first.
    auto selected = runProcess(lumaraBinary(), {"render", project, "-o", out, "--scale", "1"});
    ASSERT_EQ(selected.exitCode, 0) << selected.err;
    EXPECT_EQ(readPng(out).width(), 100);
    auto first = runProcess(lumaraBinary(), {"render", project, "--state", "0", "-o", out, "--scale", "1"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(readPng(out).width(), 200);
}

TEST(RenderCommand, FailuresPrintOneLineAndWriteNoFile)
{
    QTemporaryDir dir;
    const std::string out = dir.filePath("never.png").toStdString();
    const std::string garbage = dir.filePath("garbage.json").toStdString();
    writeBytes(garbage, "{ not a project");
    const std::string hugeProject = dir.filePath("huge.json").toStdString();
    const std::vector<std::vector<std::string>> cases{
        {"render"},                                            // no -o
        {"render", "-o", out, "--scale", "0"},
        {"render", "-o", out, "--scale", "-2"},
        {"render", "-o", out, "--scale", "nan"},
        {"render", "-o", out, "--scale", "100"},               // 28000 pixels: above the limit
        {"render", "-o", out, "--time", "inf"},
        {"render", "-o", out, "--time", "soon"},
        {"render", "--preset", "No Such Orb", "-o", out},
        {"render", "--seed", "3", "-o", out},                  // --seed without --random
        {"render", garbage, "-o", out},
        {"render", dir.filePath("missing.lumara").toStdString(), "-o", out},
        {"render", "--preset", "Jade", "--state", "4", "-o", out},
        {"render", "-o", dir.filePath("no/such/folder/orb.png").toStdString()},
    };
    for (const auto& args : cases) {
        const auto result = runProcess(lumaraBinary(), args);
        expectOneErrorLine(result, joined(args));
        EXPECT_TRUE(result.out.empty()) << joined(args);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(out))) << joined(args);
    }
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.png*", ".*png*"}, QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace
} // namespace lumara::test
