// Preference instances sharing one settings file as editors at once do: leftovers of ended ones
// removed and a live one's never, a slot each, every instance's keys kept. Real files in temporary
// folders; child processes stand for the other editors where a kill or a live process matters.
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumara;

namespace {

QStringList folderEntries(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// What a reader that is no instance finds in the file.
QVariant storedValue(const QTemporaryDir& dir, const QString& key)
{
    return QSettings(dir.filePath("Lumara.conf"), QSettings::IniFormat).value(key);
}

OrbProjectData projectNamed(const char* name, int states)
{
    OrbProjectData project;
    for (int i = 0; i < states; ++i) project.states.push_back({makeStateId(), std::string(name) + std::to_string(i), OrbValues{}});
    return project;
}

TEST(Instances, WhatEndedInstancesLeftIsRemovedAndALiveInstancesFilesAreNot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Lumara.conf");
    { Preferences first(path); ASSERT_TRUE(first.setData("appTheme", "1")); }
    ASSERT_EQ(folderEntries(dir), QStringList{"Lumara.conf"}) << "an instance that ends cleans up";

    // A live editor in another process, paused until told to go on.
    int go[2], ready[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t live = ::fork();
    if (live == 0) {
        int code = 1;
        {
            Preferences running(path);
            char byte = 0;
            auto before = running.setData("live", "before");
            if (!before) std::fprintf(stderr, "%s\n", before.error().message.c_str());
            if (before && ::write(ready[1], "r", 1) == 1 && ::read(go[0], &byte, 1) == 1 && running.setData("live", "after"))
                code = running.data("appTheme") == QByteArray("1") ? 0 : 2;
        }
        ::_exit(code);
    }
    ::close(ready[1]);
    ::close(go[0]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);

    // An instance killed outright leaves its working copy and its owner file.
    const pid_t killed = ::fork();
    if (killed == 0) {
        Preferences doomed(path);
        (void)doomed.setData("doomed", "x");
        ::raise(SIGKILL);
    }
    ::waitpid(killed, nullptr, 0);
    // ... and QSettings' and OutputFile's temporaries of a copy can be left as well.
    for (const char* name : {".Lumara.conf.Zq9Wx1.lock", ".Lumara.conf.Zq9Wx1.Ab12Cd", ".Lumara.conf.0123456789ab.part"})
        lumara::test::writeBytes(dir.filePath(name).toStdString(), "left");

    ASSERT_EQ(folderEntries(dir).filter(QRegularExpression("\\.owner$")).size(), 2) << "the killed instance's owner and the live one's";
    ASSERT_EQ(folderEntries(dir).size(), 8);

    {
        Preferences fresh(path);
        QStringList others = folderEntries(dir);
        others.removeAll("Lumara.conf");
        // What is left: the live instance's copy and owner, and this one's.
        EXPECT_EQ(others.size(), 4) << others.join(' ').toStdString();
        EXPECT_FALSE(others.contains(".Lumara.conf.0123456789ab.part"));
        EXPECT_FALSE(others.filter("Zq9Wx1").size());
        EXPECT_EQ(fresh.autosaveSlot(), 1) << "the live instance holds slot 0";

        ASSERT_EQ(::write(go[1], "g", 1), 1);
        int status = 0;
        ::waitpid(live, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the live instance worked on undisturbed";
        ASSERT_TRUE(fresh.setData("fresh", "1"));
    }
    EXPECT_EQ(folderEntries(dir), QStringList{"Lumara.conf"});
    EXPECT_EQ(storedValue(dir, "live").toString(), "after");
    EXPECT_EQ(storedValue(dir, "fresh").toString(), "1");
    EXPECT_EQ(storedValue(dir, "appTheme").toString(), "1");
    ::close(go[1]);
    ::close(ready[0]);
}

TEST(Instances, PublishingKeepsWhatTheOtherInstancesWrote)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Lumara.conf");
    Preferences a(path), b(path);
    struct Step {
        Preferences* who;
        const char* key;
        const char* value; // null: removed
    };
    const Step steps[] = {
        {&a, "appTheme", "1"},       {&b, "canvasBackground", "2"}, {&a, "recentFiles", "/a.lumara"},
        {&b, "appTheme", "0"},       // changed by b after a wrote it
        {&a, "hasSeenOnboarding", "true"},
        {&b, "recentFiles", nullptr}, // b clears the menu a filled
        {&a, "canvasBackground", "3"},
    };
    for (const Step& step : steps) {
        if (step.value) step.who->settings().setValue(step.key, step.value);
        else step.who->settings().remove(step.key);
        ASSERT_TRUE(step.who->publish()) << step.key;
    }
    const std::map<QString, QVariant> expected{
        {"appTheme", "0"}, {"canvasBackground", "3"}, {"hasSeenOnboarding", "true"}, {"recentFiles", QVariant()}};
    for (const auto& [key, value] : expected) EXPECT_EQ(storedValue(dir, key), value) << key.toStdString();
}

// Publishing merges and checks what is on disk through readSettingsFileAfresh. QSettings caches a
// parse per path and trusts it while size and time match, so two files of one size and one time,
// read in turn, must each give their own values.
TEST(Instances, FilesOfOneSizeAndTimeReadAfreshGiveTheirOwnValues)
{
    QTemporaryDir dir;
    const QString paths[] = {dir.filePath("a.conf"), dir.filePath("b.conf")};
    const timespec sameTime[2] = {{1'700'000'000, 0}, {1'700'000'000, 0}};
    for (int i = 0; i < 2; ++i) {
        QFile file(paths[i]);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("[General]\nkey=") + QByteArray(1, char('a' + i)) + "\n");
        file.close();
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(paths[i]).constData(), sameTime, 0), 0);
    }
    for (int round = 0; round < 100; ++round) {
        const int which = round % 2;
        QString read;
        ASSERT_TRUE(readSettingsFileAfresh(paths[which], [&](const QSettings& s) { read = s.value("key").toString(); }));
        EXPECT_EQ(read, QString(QChar(u'a' + which))) << "read " << round;
    }
    EXPECT_FALSE(readSettingsFileAfresh(dir.filePath("none.conf"), [](const QSettings&) { ADD_FAILURE(); }));
}

// Two editors, A started first, each edits its own project; they quit in either order. The next
// editor restores A's project and offers B's, and no setting either changed is lost.
TEST(Instances, TwoEditorsQuitInEitherOrderAndBothProjectsAreKept)
{
    for (const bool aQuitsFirst : {true, false}) {
        SCOPED_TRACE(aQuitsFirst ? "A quits first" : "B quits first");
        QTemporaryDir dir;
        const QString path = dir.filePath("Lumara.conf");
        auto prefsA = std::make_unique<Preferences>(path);
        auto docA = std::make_unique<OrbDocument>(restoreLastProject(*prefsA, OrbValues{}), prefsA.get());
        docA->openDesign(projectNamed("A", 2));
        auto prefsB = std::make_unique<Preferences>(path);
        auto docB = std::make_unique<OrbDocument>(restoreLastProject(*prefsB, OrbValues{}), prefsB.get());
        EXPECT_EQ(docB->stateNames(), QStringList{"Default"}) << "a second editor starts afresh";
        docB->openDesign(projectNamed("B", 3));
        prefsA->settings().setValue("appTheme", 1);
        prefsB->settings().setValue("recentFiles", QStringList{"/b.lumara"});
        docA->renameState(0, "A edited");
        docB->renameState(2, "B edited");
        if (aQuitsFirst) {
            docA.reset(), prefsA.reset(), docB.reset(), prefsB.reset();
        } else {
            docB.reset(), prefsB.reset(), docA.reset(), prefsA.reset();
        }
        ASSERT_EQ(folderEntries(dir), QStringList{"Lumara.conf"});

        Preferences next(path);
        EXPECT_EQ(next.autosaveSlot(), 0);
        const OrbProjectData restored = restoreLastProject(next, OrbValues{});
        ASSERT_EQ(restored.states.size(), 2u);
        EXPECT_EQ(restored.states[0].name, "A edited");
        ASSERT_EQ(next.unclaimedAutosaveSlots(), std::vector<int>{1});
        const auto offered = autosavedProject(next, 1);
        ASSERT_TRUE(offered);
        ASSERT_EQ(offered->states.size(), 3u);
        EXPECT_EQ(offered->states[2].name, "B edited");
        EXPECT_EQ(next.settings().value("appTheme").toInt(), 1);
        EXPECT_EQ(next.settings().value("recentFiles").toStringList(), QStringList{"/b.lumara"});

        // Once recovered, the record is no longer offered.
        ASSERT_TRUE(next.removeAutosaveRecord(1));
        EXPECT_TRUE(next.unclaimedAutosaveSlots().empty());
    }
}

TEST(Instances, AnEditorStartedWhileOthersRunTakesTheLowestFreeSlot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Lumara.conf");
    auto a = std::make_unique<Preferences>(path);
    auto b = std::make_unique<Preferences>(path);
    auto c = std::make_unique<Preferences>(path);
    EXPECT_EQ(std::vector<int>({a->autosaveSlot(), b->autosaveSlot(), c->autosaveSlot()}), std::vector<int>({0, 1, 2}));
    EXPECT_EQ(b->autosaveKey(), "lastProject2");
    ASSERT_TRUE(b->setData(b->autosaveKey(), "b's record"));
    EXPECT_TRUE(a->unclaimedAutosaveSlots().empty()) << "b still runs";
    b.reset();
    EXPECT_EQ(a->unclaimedAutosaveSlots(), std::vector<int>{1});
    Preferences d(path);
    EXPECT_EQ(d.autosaveSlot(), 1);
    EXPECT_EQ(d.data(d.autosaveKey()), QByteArray("b's record"));
    EXPECT_TRUE(a->unclaimedAutosaveSlots().empty()) << "d has taken b's slot over";
}

} // namespace
