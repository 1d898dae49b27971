// The `lumara` command line as users script it: presets, convert, help and version, exit codes
// and untouched outputs on failure. Runs the real binary.
#include "document/ProjectCodec.h"
#include "model/OrbPreset.h"
#include "support/PlistFixtures.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumara;
using test::lumaraBinary;
using test::runProcess;

namespace {

test::ProcessResult runLumara(const std::vector<std::string>& args)
{
    return runProcess(lumaraBinary(), args, {}, 60, {{"LUMARA_CONFIG_DIR", QDir::tempPath().toStdString() + "/lumara-cli-test"}});
}

} // namespace

TEST(CommandLine, PresetsListsCategoryTabNameInLibraryOrder)
{
    const auto r = runLumara({"presets"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string expected;
    for (const OrbPreset& p : allPresets()) expected += std::string(presetCategoryRawValue(p.category)) + "\t" + p.name + "\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_NE(r.out.find("Warm\tRos\u00e9\n"), std::string::npos);
}

TEST(CommandLine, HelpAndVersionSucceed)
{
    const auto help = runLumara({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
    const auto version = runLumara({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("lumara ", 0), 0u);
    test::expectOneErrorLine(runLumara({"no-such-command"}), "unknown command");
}

TEST(CommandLine, ConvertRoundTripsBetweenContainersAndMakesAProjectOfAConfiguration)
{
    QTemporaryDir dir;
    const std::string in = dir.filePath("in.lumara").toStdString();
    test::writeBytes(in, test::plistlibBinary("{'states': [{'name': 'One', 'config': c}, {'name': 'Two', 'config': c}], "
                                              "'selectedStateIndex': 5, 'transitionDuration': 0.75}"));
    const std::string json = dir.filePath("out.json").toStdString();
    const std::string back = dir.filePath("back.LUMARA").toStdString();

    auto r = runLumara({"convert", in, json});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto fromJson = decodeProject(test::readBytes(json), Container::json);
    ASSERT_TRUE(fromJson);
    EXPECT_EQ(fromJson->selectedStateIndex, 1) << "written as the document saves it: clamped";
    EXPECT_EQ(fromJson->states.size(), 2u);
    EXPECT_EQ(fromJson->states[0].config.blobCount, -7);

    r = runLumara({"convert", json, back});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string plist = test::readBytes(back);
    EXPECT_EQ(plist.rfind("bplist00", 0), 0u);
    EXPECT_EQ(*decodeProject(plist, Container::propertyList), *fromJson);

    // A single configuration becomes a project of one state.
    const std::string config = dir.filePath("config.json").toStdString();
    test::writeBytes(config, *encodeConfiguration(OrbValues{}, Container::json));
    const std::string out = dir.filePath("project.lumara").toStdString();
    r = runLumara({"convert", config, out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto p = decodeProject(test::readBytes(out), Container::propertyList);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->states.size(), 1u);
    EXPECT_EQ(p->states[0].name, "Default");
    EXPECT_EQ(p->transitionDuration, 0.6);
}

TEST(CommandLine, ConvertFailuresLeaveTheOutputUntouched)
{
    QTemporaryDir dir;
    const std::string good = dir.filePath("good.json").toStdString();
    test::writeBytes(good, *encodeConfiguration(OrbValues{}, Container::json));
    const std::string garbage = dir.filePath("garbage.lumara").toStdString();
    test::writeBytes(garbage, "bplist00 but nothing after");
    const std::string existing = dir.filePath("existing.json").toStdString();
    test::writeBytes(existing, "keep me");
    const std::string fresh = dir.filePath("fresh.json").toStdString();
    const QString big = dir.filePath("big.json");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(100 * 1024 * 1024)); // sparse: refused by its size, without being read
    }

    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string untouched;
    };
    const std::vector<Case> cases{
        {"missing input", {"convert", dir.filePath("nope.json").toStdString(), existing}, existing},
        {"garbage input", {"convert", garbage, existing}, existing},
        {"garbage input, new output", {"convert", garbage, fresh}, fresh},
        {"unknown output container", {"convert", good, dir.filePath("out.txt").toStdString()}, ""},
        {"output folder missing", {"convert", good, dir.filePath("no/dir/out.json").toStdString()}, ""},
        {"missing argument", {"convert", good}, ""},
        {"directory as input", {"convert", dir.path().toStdString(), fresh}, fresh},
        {"100 MB input", {"convert", big.toStdString(), fresh}, fresh},
    };
    for (const Case& c : cases) {
        test::expectOneErrorLine(runLumara(c.args), c.what);
        if (c.untouched == existing) {
            EXPECT_EQ(test::readBytes(existing), "keep me") << c.what;
        }
        if (c.untouched == fresh) {
            EXPECT_FALSE(QFile::exists(QString::fromStdString(fresh))) << c.what;
        }
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("out.txt")));
    // No temporary files left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4);
}
