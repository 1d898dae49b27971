// `lumara export package` run as the real program: the folder it writes for a project of three
// states (the same files the library writes), the name from the file, --name, --no-posters and
// --state, the default name for presets, and one "lumara: " line for every refusal.
#include "document/ProjectCodec.h"
#include "export/package/WebPackage.h"
#include "export/package/WebPackageTestSupport.h"

#include <QFileInfo>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace lumara::test {
namespace {

using Json = nlohmann::ordered_json;

class PackageCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        source = dir.filePath("Three States.json").toStdString();
        writeBytes(source, *encodeProject(threeStateProject(), Container::json));
    }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    ProcessResult lumara(const std::vector<std::string>& args) const { return runProcess(lumaraBinary(), args, {}, 120); }

    QTemporaryDir dir;
    std::string source;
};

TEST_F(PackageCommand, WritesTheFolderNamedAfterTheProjectFile)
{
    const std::string out = path("out/three");
    const auto run = lumara({"export", "package", source, "-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const auto files = packageFiles(QString::fromStdString(out));

    QTemporaryDir expected;
    ASSERT_TRUE(exporting::writeWebPackage(threeStateProject(), expected.path().toStdString(), "three-states", true).ok());
    EXPECT_TRUE(files == packageFiles(expected.path())) << "the same files as the library writes";
    EXPECT_EQ(Json::parse(files.at("package.json"))["name"], "three-states");
    for (const char* poster : {"posters/0.png", "posters/1.png", "posters/2.png"}) EXPECT_EQ(files.count(poster), 1u) << poster;
    EXPECT_EQ(files.count("posters/3.png"), 0u);
}

TEST_F(PackageCommand, NameNoPostersAndStateShapeThePackage)
{
    const std::string out = path("named");
    const auto run = lumara({"export", "package", source, "-o", out, "--name", "@acme/assistant-orb", "--no-posters", "--state", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto files = packageFiles(QString::fromStdString(out));
    const Json package = Json::parse(files.at("package.json"));
    EXPECT_EQ(package["name"], "@acme/assistant-orb");
    EXPECT_EQ(package["files"].size(), 5u) << "no posters listed";
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(out + "/posters")));
    const std::string& index = files.at("index.js");
    EXPECT_NE(index.find("\nconst POSTERS = false;"), std::string::npos);
    EXPECT_NE(index.find("\"selectedStateIndex\": 2"), std::string::npos) << "--state picks the state the design starts in";

    // A preset has no file: the default name.
    const std::string preset = path("preset");
    ASSERT_EQ(lumara({"export", "package", "--preset", "Molten", "-o", preset}).exitCode, 0);
    EXPECT_EQ(Json::parse(readBytes(preset + "/package.json"))["name"], "lumara-orb");
    EXPECT_TRUE(QFileInfo(QString::fromStdString(preset + "/posters/0.png")).isFile());

    const auto help = lumara({"export", "--help"});
    EXPECT_NE(help.out.find("package"), std::string::npos);
    EXPECT_NE(help.out.find("--no-posters"), std::string::npos);
}

TEST_F(PackageCommand, RefusalsPrintOneLineAndWriteNothing)
{
    const std::string file = path("a-file");
    writeBytes(file, "keep");
    const std::string fresh = path("fresh");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"export", "package", source}, "-o DIR"},
        {{"export", "package", source, "-o", "-"}, "folder"},
        {{"export", "package", source, "-o", fresh, "--name", "Not Valid"}, "Not Valid"},
        {{"export", "package", source, "-o", fresh, "--name", ".hidden"}, ".hidden"},
        {{"export", "package", source, "-o", file}, file},
        {{"export", "package", source, "-o", file + "/under"}, file + "/under"},
        {{"export", "package", source, "-o", fresh, "--state", "3"}, "--state 3"},
        {{"export", "package", path("absent.lumara"), "-o", fresh}, "absent.lumara"},
        {{"export", "html", source, "--name", "orb"}, "--name"},
        {{"export", "prompt", source, "--no-posters"}, "--no-posters"},
    };
    for (const auto& [args, mentions] : cases) {
        const auto run = lumara(args);
        expectOneErrorLine(run, joined(args), mentions);
        EXPECT_EQ(run.out, "") << joined(args);
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(fresh)));
    EXPECT_EQ(readBytes(file), "keep");
}

} // namespace
} // namespace lumara::test
