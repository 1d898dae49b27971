// How `lumara` chooses between the editor and its headless commands: commands and mistyped
// words never start the editor (so they need no display), `lumara FILE` does.
#include "support/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumara::test;

TEST(EditorLaunch, HeadlessCommandsAndUnknownWordsNeverStartTheEditor)
{
    QTemporaryDir config;
    const std::vector<std::pair<std::string, std::string>> noDisplay{
        {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}, {"LUMARA_CONFIG_DIR", config.path().toStdString()}};
    const auto presets = runProcess(lumaraBinary(), {"presets"}, {}, 60, noDisplay);
    EXPECT_EQ(presets.exitCode, 0) << presets.err;
    EXPECT_NE(presets.out.find("Jade"), std::string::npos);

    // Not a command and not a file: an error line, at once, rather than a window.
    const auto typo = runProcess(lumaraBinary(), {"presest"}, {}, 60, noDisplay);
    EXPECT_NE(typo.exitCode, 0);
    EXPECT_EQ(typo.err.rfind("lumara: ", 0), 0u) << typo.err;
}

TEST(EditorLaunch, AFileArgumentOpensTheEditorWhichReportsAnUnreadableProject)
{
    QTemporaryDir dir;
    const QString project = dir.filePath("Night.lumara");
    writeBytes(project.toStdString(), "not a project");
    // The editor opens (offscreen here), names the file on stderr and keeps running with the last
    // project until it is closed; the test stops it.
    QProcess editor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("LUMARA_CONFIG_DIR", dir.path());
    editor.setProcessEnvironment(environment);
    editor.start(QString::fromStdString(lumaraBinary()), {project});
    ASSERT_TRUE(editor.waitForStarted(10000));
    // The line may arrive in pieces: wait for all of it, up to its end.
    const QByteArray expected = ("lumara: cannot open " + project).toUtf8();
    QByteArray err;
    for (int i = 0; i < 100 && !err.contains(expected); ++i) {
        editor.waitForReadyRead(100);
        err += editor.readAllStandardError();
    }
    EXPECT_EQ(editor.state(), QProcess::Running) << "the editor is up";
    editor.kill();
    editor.waitForFinished();
    EXPECT_TRUE(err.contains(expected)) << err.toStdString();
}
