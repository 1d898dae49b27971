// How the real `lumara` editor ends by signal (as Quit does), with two editors at once, and with a
// lost display (Xvfb): offscreen, a real settings file in a temporary folder, and a scripted slider
// edit whose autosave is still waiting when the signal comes.
#include "document/Preferences.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace lumara;
using namespace lumara::test;

namespace {

QStringList folderEntries(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Starts the editor with the scripted edit and waits until it reports the edit made.
std::unique_ptr<QProcess> startEditor(const QTemporaryDir& config, double blur, const QString& platform = "offscreen",
                                      const QString& display = {})
{
    auto editor = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", platform);
    if (!display.isEmpty()) environment.insert("DISPLAY", display);
    environment.insert("LUMARA_CONFIG_DIR", config.path());
    environment.insert("LUMARA_SCRIPTED_BLUR", QString::number(blur));
    editor->setProcessEnvironment(environment);
    editor->start(QString::fromStdString(lumaraBinary()), {});
    if (!editor->waitForStarted(10000)) return nullptr;
    QByteArray out;
    for (int i = 0; i < 300 && !out.contains("edited") && editor->state() == QProcess::Running; ++i) {
        editor->waitForReadyRead(100);
        out += editor->readAllStandardOutput();
    }
    if (!out.contains("edited")) return nullptr;
    return editor;
}

// The blob blur of the first state in an autosave slot, as a new run reads it; -1 without one.
double autosavedBlur(const QTemporaryDir& config, int slot)
{
    Preferences reader(config.filePath("Lumara.conf"));
    const auto project = autosavedProject(reader, slot);
    return project ? project->states.at(0).config.blobBlur : -1;
}

TEST(EditorQuit, TermIntAndHupEndTheEditorAsQuitDoes)
{
    struct Case {
        const char* name;
        int signal;
        double blur;
    };
    for (const Case& c : {Case{"SIGTERM", SIGTERM, 7.25}, Case{"SIGINT", SIGINT, 3.5}, Case{"SIGHUP", SIGHUP, 11.0}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir config;
        auto editor = startEditor(config, c.blur);
        ASSERT_TRUE(editor) << "the editor came up and made the edit";
        // At once: the edit's autosave (a second after the last change) is still waiting.
        ::kill(static_cast<pid_t>(editor->processId()), c.signal);
        ASSERT_TRUE(editor->waitForFinished(20000));
        EXPECT_EQ(editor->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(editor->exitCode(), 0) << editor->readAllStandardError().toStdString();
        EXPECT_EQ(folderEntries(config), QStringList{"Lumara.conf"});
        EXPECT_EQ(autosavedBlur(config, 0), c.blur);
    }
}

// A then B, each with its own edit; ended in either order. B's start leaves A's files alone, and
// the next run finds A's project in the first slot (restored) and B's in the second (offered).
TEST(EditorQuit, TwoEditorsAtOnceKeepBothProjects)
{
    for (const bool aEndsFirst : {true, false}) {
        SCOPED_TRACE(aEndsFirst ? "A ends first" : "B ends first");
        QTemporaryDir config;
        auto a = startEditor(config, 2.0);
        ASSERT_TRUE(a);
        const QStringList aFiles = folderEntries(config);
        auto b = startEditor(config, 4.0);
        ASSERT_TRUE(b);
        for (const QString& name : aFiles) EXPECT_TRUE(folderEntries(config).contains(name)) << name.toStdString();
        QProcess* first = aEndsFirst ? a.get() : b.get();
        QProcess* second = aEndsFirst ? b.get() : a.get();
        for (QProcess* editor : {first, second}) {
            ::kill(static_cast<pid_t>(editor->processId()), SIGTERM);
            ASSERT_TRUE(editor->waitForFinished(20000));
            EXPECT_EQ(editor->exitCode(), 0);
        }
        EXPECT_EQ(folderEntries(config), QStringList{"Lumara.conf"});
        EXPECT_EQ(autosavedBlur(config, 0), 2.0);
        EXPECT_EQ(autosavedBlur(config, 1), 4.0);
    }
}

TEST(EditorQuit, ALostDisplayStillWritesTheWaitingEdit)
{
    if (QStandardPaths::findExecutable("Xvfb").isEmpty()) GTEST_SKIP() << "no Xvfb";
    QTemporaryDir config;
    QProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    ASSERT_TRUE(server.waitForStarted(10000));
    QByteArray number;
    for (int i = 0; i < 100 && !number.contains('\n'); ++i) {
        server.waitForReadyRead(100);
        number += server.readAllStandardOutput();
    }
    ASSERT_TRUE(number.contains('\n')) << "Xvfb names its display";
    auto editor = startEditor(config, 5.5, "xcb", ":" + QString::fromLatin1(number.trimmed()));
    ASSERT_TRUE(editor);
    server.terminate();
    ASSERT_TRUE(server.waitForFinished(10000));
    ASSERT_TRUE(editor->waitForFinished(20000)) << "the editor ends with its display";
    // Past the write, the platform's own exit may fail in its teardown: the status is not ours.
    EXPECT_EQ(folderEntries(config), QStringList{"Lumara.conf"});
    EXPECT_EQ(autosavedBlur(config, 0), 5.5);
}

} // namespace
