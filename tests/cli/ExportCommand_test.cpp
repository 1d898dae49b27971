// `lumara export` run as a real process: the exact generated text on standard output or in the
// -o file, the multi-state forms for a project of several states, a decimal-comma locale in the
// environment, and the one "lumara: " line on failure.
#include "document/ProjectCodec.h"
#include "export/text/ExportText.h"
#include "model/OrbPreset.h"
#include "support/TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace lumara::test {
namespace {

using exporting::ExportFormat;

OrbProjectData oneState(const OrbValues& values)
{
    OrbProjectData project;
    project.states.push_back({"A", "Default", values});
    return project;
}

const std::pair<const char*, ExportFormat> kFormats[] = {
    {"swiftui", ExportFormat::swiftUI}, {"html", ExportFormat::html}, {"prompt", ExportFormat::prompt}};

TEST(ExportCommand, WritesExactlyTheGeneratedTextUnderAnyLocale)
{
    const OrbValues molten = findPreset("Molten")->configuration;
    for (const auto& [name, format] : kFormats) {
        SCOPED_TRACE(name);
        for (const char* locale : {"C", "de_DE.UTF-8"}) {
            const auto result = runProcess(lumaraBinary(), {"export", name, "--preset", "Molten"}, {}, 60,
                                           {{"LC_ALL", locale}, {"LANG", locale}});
            ASSERT_EQ(result.exitCode, 0) << result.err;
            EXPECT_EQ(result.err, "");
            EXPECT_EQ(result.out, exporting::generateExportText(format, oneState(molten))) << locale;
        }
    }
    const auto defaults = runProcess(lumaraBinary(), {"export", "prompt"});
    EXPECT_EQ(defaults.out, exporting::generatePrompt(OrbValues{}));
}

TEST(ExportCommand, ProjectOfSeveralStatesGivesTheMultiStateFormsAndPromptsTheSelectedState)
{
    QTemporaryDir dir;
    OrbProjectData project;
    OrbValues second = findPreset("Void")->configuration;
    project.states = {{makeStateId(), "One", OrbValues{}}, {makeStateId(), "Two", second}};
    project.selectedStateIndex = 1;
    project.transitionDuration = 0.25;
    const std::string source = dir.filePath("two.lumara").toStdString();
    writeBytes(source, *encodeProject(project, Container::propertyList));

    for (const auto& [name, format] : kFormats) {
        SCOPED_TRACE(name);
        const std::string out = dir.filePath(QString("out-%1.txt").arg(name)).toStdString();
        const auto result = runProcess(lumaraBinary(), {"export", name, source, "-o", out});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "") << "with -o nothing goes to standard output";
        EXPECT_EQ(readBytes(out), exporting::generateExportText(format, project));
    }
    EXPECT_NE(readBytes(dir.filePath("out-swiftui.txt").toStdString()).find("animated 2-state orb"), std::string::npos);
    EXPECT_NE(readBytes(dir.filePath("out-html.txt").toStdString()).find("}, 1050);"), std::string::npos);
    EXPECT_EQ(readBytes(dir.filePath("out-prompt.txt").toStdString()), exporting::generatePrompt(second));

    const auto first = runProcess(lumaraBinary(), {"export", "prompt", source, "--state", "0"});
    EXPECT_EQ(first.out, exporting::generatePrompt(OrbValues{}));
}

TEST(ExportCommand, FailuresPrintOneLineAndLeaveNoFile)
{
    QTemporaryDir dir;
    const std::string missingDir = dir.filePath("no/such/dir/orb.html").toStdString();
    const std::string garbage = dir.filePath("garbage.lumara").toStdString();
    writeBytes(garbage, "not a project");
    const std::vector<std::vector<std::string>> cases = {
        {"export", "kotlin"},
        {"export"},
        {"export", "html", "-o", missingDir},
        {"export", "html", garbage},
        {"export", "html", dir.filePath("absent.lumara").toStdString()},
        {"export", "prompt", "--preset", "No Such Preset"},
        {"export", "prompt", "--state", "3"},
    };
    for (const auto& args : cases) {
        const auto result = runProcess(lumaraBinary(), args);
        expectOneErrorLine(result, joined(args));
        EXPECT_EQ(result.out, "") << joined(args);
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(missingDir)));
}

} // namespace
} // namespace lumara::test
