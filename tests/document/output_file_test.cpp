// Every kind of destination OutputFile meets: regular files, new paths, symbolic links, FIFOs and
// folders; and what a writer killed mid-write or stopped by a full disk leaves behind. (Devices
// are written through the commands and the editor, whose tests pin /dev/full's error.) Real files
// in temporary folders; child processes for the kills and the size limit.
#include "document/OrbDocument.h"
#include "document/OutputFile.h"
#include "document/Preferences.h"
#include "support/TestSupport.h"
#include "support/Unprivileged.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumara;
using lumara::test::readBytes;
using lumara::test::writeBytes;

namespace {

bool isSymlink(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Names in the folder other than those given: a temporary left behind shows up here.
QStringList strays(const QTemporaryDir& dir, const QStringList& expected)
{
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& e : expected) names.removeAll(e);
    return names;
}

TEST(OutputFile, ReplacesRegularFilesKeepingTheirPermissionsAndFollowsLinksToTheirTargets)
{
    struct Case {
        const char* name;
        std::function<std::string(const QTemporaryDir&)> prepare; // returns the path to write
        const char* fileThatGetsTheBytes;
        QStringList expectedNames;
    };
    const Case cases[] = {
        {"new path", [](const QTemporaryDir& d) { return d.filePath("new.txt").toStdString(); }, "new.txt", {"new.txt"}},
        {"existing file",
         [](const QTemporaryDir& d) {
             writeBytes(d.filePath("old.txt").toStdString(), "old content that is longer");
             EXPECT_EQ(::chmod(d.filePath("old.txt").toLocal8Bit().constData(), 0750), 0);
             return d.filePath("old.txt").toStdString();
         },
         "old.txt", {"old.txt"}},
        {"link to a file",
         [](const QTemporaryDir& d) {
             writeBytes(d.filePath("target.txt").toStdString(), "old");
             EXPECT_EQ(::symlink("target.txt", d.filePath("link.txt").toLocal8Bit().constData()), 0);
             return d.filePath("link.txt").toStdString();
         },
         "target.txt", {"target.txt", "link.txt"}},
        {"link to a file not yet there",
         [](const QTemporaryDir& d) {
             EXPECT_EQ(::symlink(d.filePath("later.txt").toLocal8Bit().constData(), d.filePath("dangling.txt").toLocal8Bit().constData()), 0);
             return d.filePath("dangling.txt").toStdString();
         },
         "later.txt", {"later.txt", "dangling.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const std::string path = c.prepare(dir);
        ASSERT_TRUE(writeOutputFile(path, "new bytes"));
        EXPECT_EQ(readBytes(dir.filePath(c.fileThatGetsTheBytes).toStdString()), "new bytes");
        if (std::string(c.name).starts_with("link")) {
            EXPECT_TRUE(isSymlink(path)) << "the link stays a link";
        }
        if (std::string(c.name) == "existing file") {
            struct stat info {};
            ASSERT_EQ(::stat(path.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0750u) << "the replaced file keeps its permissions";
        }
        EXPECT_TRUE(strays(dir, c.expectedNames).isEmpty()) << strays(dir, c.expectedNames).join(", ").toStdString();
    }
}

TEST(OutputFile, WritesAFifoInPlaceAndRefusesOneThatNobodyReads)
{
    QTemporaryDir dir;
    const std::string fifo = dir.filePath("pipe").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    auto unread = writeOutputFile(fifo, "lost");
    ASSERT_FALSE(unread) << "without a reader the write must not wait forever";
    EXPECT_NE(unread.error().message.find("no program is reading"), std::string::npos) << unread.error().message;

    std::string received;
    std::thread reader([&] { received = readBytes(fifo); });
    // The reader opens the FIFO in its own time; retry until it has.
    Result<Ok, FileError> written = Error<FileError>{FileError::cannotOpen, ""};
    for (int i = 0; i < 500 && !written; ++i) {
        written = writeOutputFile(fifo, std::string(100000, 'x'));
        if (!written) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reader.join();
    EXPECT_TRUE(written) << written.error().message;
    EXPECT_EQ(received.size(), 100000u);
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced by a file";
}

TEST(OutputFile, RefusesWhatCannotHoldAFileAndLeavesTheOldFileOnFailure)
{
    if (test::rerunUnprivileged()) return; // the superuser may write a read-only file
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    const std::string readOnly = dir.filePath("locked.txt").toStdString();
    writeBytes(readOnly, "kept");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(::symlink("loop", dir.filePath("loop").toLocal8Bit().constData()), 0);
    const std::pair<std::string, const char*> cases[] = {
        {dir.filePath("folder").toStdString(), "folder"},
        {dir.filePath("no/such/folder/x.txt").toStdString(), "No such file"},
        {"", "no file name"},
        {dir.filePath("loop").toStdString(), "link"},
    };
    for (const auto& [path, mentions] : cases) {
        auto written = writeOutputFile(path, "bytes");
        ASSERT_FALSE(written) << path;
        EXPECT_NE(written.error().message.find(mentions), std::string::npos) << written.error().message;
    }
    auto refused = writeOutputFile(readOnly, "new");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("Permission denied"), std::string::npos) << refused.error().message;
    EXPECT_EQ(readBytes(readOnly), "kept");
    EXPECT_TRUE(strays(dir, {"locked.txt", "loop"}).isEmpty());
}

TEST(OutputFile, AFileOpenedButNotCommittedLeavesTheDestinationAsItWas)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("keep.txt").toStdString();
    writeBytes(path, "old");
    {
        auto out = OutputFile::open(path);
        ASSERT_TRUE(out);
        ASSERT_TRUE(out->write("half of the new"));
    }
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_TRUE(strays(dir, {"keep.txt"}).isEmpty());
}

// Both kinds of temporary file, in a folder on disk and in one in memory (/dev/shm, tmpfs): what
// the folder holds while the writer works, after a commit, after giving up, and after the writer
// is killed before committing. Only the unnamed kind survives a kill without a trace.
TEST(OutputFile, TemporariesAreUnnamedWhereTheFileSystemAllowsAndNamedWhenForced)
{
    struct Case {
        const char* name;
        bool forceNamed;
        bool inMemory;
        bool replacing;
    };
    const Case cases[] = {
        {"unnamed, new file, disk", false, false, false}, {"unnamed, replacing, disk", false, false, true},
        {"unnamed, replacing, tmpfs", false, true, true}, {"named, new file, disk", true, false, false},
        {"named, replacing, tmpfs", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.forceNamed) ::setenv("LUMARA_NAMED_TEMPORARIES", "1", 1);
        else ::unsetenv("LUMARA_NAMED_TEMPORARIES");
        QTemporaryDir dir(c.inMemory ? QStringLiteral("/dev/shm/lumara-out-XXXXXX") : QDir::tempPath() + QStringLiteral("/lumara-out-XXXXXX"));
        ASSERT_TRUE(dir.isValid());
        const std::string path = dir.filePath("orb.html").toStdString();
        if (c.replacing) {
            writeBytes(path, "old");
            ::chmod(path.c_str(), 0640);
        }
        const QStringList before = c.replacing ? QStringList{"orb.html"} : QStringList{};
        {
            auto out = OutputFile::open(path);
            ASSERT_TRUE(out);
            EXPECT_EQ(out->isUnnamed(), !c.forceNamed);
            ASSERT_TRUE(out->write("new page"));
            // A library that opens the file by name writes into the same temporary file.
            FILE* library = std::fopen(out->temporaryPath().c_str(), "ab");
            ASSERT_NE(library, nullptr);
            std::fputs(" and more", library);
            std::fclose(library);
            EXPECT_EQ(strays(dir, before).size(), c.forceNamed ? 1 : 0) << strays(dir, before).join(' ').toStdString();
            ASSERT_TRUE(out->commit());
        }
        EXPECT_EQ(readBytes(path), "new page and more");
        EXPECT_TRUE(strays(dir, {"orb.html"}).isEmpty());
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        if (c.replacing) {
            EXPECT_EQ(info.st_mode & 0777, 0640u) << "the replaced file's permissions are kept";
        }

        // Killed before the commit: the old file stays; only a named temporary is left behind.
        const pid_t child = ::fork();
        if (child == 0) {
            auto out = OutputFile::open(path);
            if (out && out->write("never finished")) ::raise(SIGKILL);
            ::_exit(1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(readBytes(path), "new page and more");
        EXPECT_EQ(strays(dir, {"orb.html"}).size(), c.forceNamed ? 1 : 0);

        // The next writer removes what the killed one left, but neither a live writer's
        // temporary nor a file of the user's that only looks like one.
        const QString own = QStringLiteral(".orb.html.backup-copy1.part");
        writeBytes(dir.filePath(own).toStdString(), "mine");
        auto live = OutputFile::open(path);
        ASSERT_TRUE(live);
        ASSERT_TRUE(live->write("written last"));
        const QString liveName = QString::fromStdString(live->temporaryPath()).section(u'/', -1);
        EXPECT_EQ(strays(dir, {"orb.html", own}), c.forceNamed ? QStringList{liveName} : QStringList{});
        {
            auto next = OutputFile::open(path);
            ASSERT_TRUE(next);
            ASSERT_TRUE(next->write("written first"));
            ASSERT_TRUE(next->commit());
        }
        EXPECT_EQ(strays(dir, {"orb.html", own}), c.forceNamed ? QStringList{liveName} : QStringList{});
        ASSERT_TRUE(live->commit());
        EXPECT_EQ(readBytes(path), "written last");
        EXPECT_EQ(readBytes(dir.filePath(own).toStdString()), "mine");
        EXPECT_TRUE(strays(dir, {"orb.html", own}).isEmpty()) << strays(dir, {"orb.html", own}).join(' ').toStdString();
        QFile::remove(dir.filePath(own));
    }
    ::unsetenv("LUMARA_NAMED_TEMPORARIES");
}

// ---- Full disk and kills, in child processes -------------------------------------------------

// Runs `body` in a child whose files may not grow beyond `limitBytes` (the write fails with EFBIG,
// as it would on a full disk); returns the child's exit code.
int runWithFileSizeLimit(rlim_t limitBytes, const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limitBytes, limitBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

OrbProjectData bigProject(std::size_t states)
{
    OrbProjectData project;
    for (std::size_t i = 0; i < states; ++i) project.states.push_back({makeStateId(), "State " + std::to_string(i), OrbValues{}});
    return project;
}

TEST(FullDisk, SaveAndAutosaveReportTheFailureAndKeepThePreviousFiles)
{
    QTemporaryDir dir;
    const QString projectPath = dir.filePath("orb.lumara");
    const QString settingsPath = dir.filePath("Lumara.conf");
    {
        Preferences preferences(settingsPath);
        OrbDocument small(bigProject(1), &preferences);
        ASSERT_TRUE(small.saveProject(projectPath));
        small.saveLastProject();
    }
    const std::string savedProject = readBytes(projectPath.toStdString());
    const std::string savedSettings = readBytes(settingsPath.toStdString());

    // 200 states are about 200 KB; the limit lets the small files above exist but not grow.
    const int code = runWithFileSizeLimit(savedSettings.size() + 4096, [&] {
        Preferences preferences(settingsPath);
        OrbDocument big(bigProject(200), &preferences);
        int errors = 0;
        QObject::connect(&big, &OrbDocument::errorOccurred, [&](const QString&) { ++errors; });
        const bool saved = bool(big.saveProject(projectPath));
        big.saveLastProject();
        return (saved ? 0 : 1) | (errors == 1 ? 2 : 0);
    });
    EXPECT_EQ(code, 3) << "1: the save failed, 2: the autosave failure was announced";
    EXPECT_EQ(readBytes(projectPath.toStdString()), savedProject);
    EXPECT_EQ(readBytes(settingsPath.toStdString()), savedSettings);
}

// A real full disk (a small tmpfs of the test's own): the project still opens, saves and
// autosaves fail, saying why (the autosave once), and both files keep their last whole content;
// once there is room again both are written.
TEST(FullDisk, OnAFullDiskTheProjectOpensAndSavesFailWholeUntilThereIsRoom)
{
    if (test::rerunUnprivileged({.smallDiskBytes = 512 * 1024})) return;
    const QString disk = test::smallDisk();
    ASSERT_FALSE(disk.isEmpty());
    const QString projectPath = disk + "/orb.lumara";
    const QString settingsPath = disk + "/Lumara.conf";
    const auto entries = [&] { return QDir(disk).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot); };
    {
        Preferences preferences(settingsPath);
        OrbDocument document(bigProject(2), &preferences);
        int errors = 0;
        QString said;
        QObject::connect(&document, &OrbDocument::errorOccurred, [&](const QString& message) { ++errors, said = message; });
        ASSERT_TRUE(document.saveProject(projectPath));
        document.saveLastProject();
        ASSERT_EQ(errors, 0) << said.toStdString();
        const std::string savedProject = readBytes(projectPath.toStdString());
        const std::string savedSettings = readBytes(settingsPath.toStdString());

        // Fill the rest of the disk.
        const std::string filler = (disk + "/filler").toStdString();
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        EXPECT_EQ(errno, ENOSPC);
        ::close(fd);

        ASSERT_TRUE(document.loadProject(projectPath)) << "reading needs no room";
        EXPECT_EQ(document.states().size(), 2);
        for (int i = 0; i < 3; ++i) document.addState();
        auto saved = document.saveProject(projectPath);
        ASSERT_FALSE(saved);
        EXPECT_NE(saved.error().message.find("No space left on device"), std::string::npos) << saved.error().message;
        EXPECT_EQ(errors, 1) << "the autosave failed, once for all the edits";
        EXPECT_TRUE(said.contains("could not be autosaved") && said.contains("Lumara.conf")) << said.toStdString();
        EXPECT_EQ(readBytes(projectPath.toStdString()), savedProject);
        EXPECT_EQ(readBytes(settingsPath.toStdString()), savedSettings);

        ASSERT_EQ(::unlink(filler.c_str()), 0);
        ASSERT_TRUE(document.saveProject(projectPath));
        document.renameState(0, "Room again");
        EXPECT_FALSE(document.autosaveFailing());
        EXPECT_EQ(errors, 1);
    }
    EXPECT_EQ(entries(), (QStringList{"Lumara.conf", "orb.lumara"})) << "nothing left behind by the failed writes";
    EXPECT_EQ(decodeProject(readBytes(projectPath.toStdString()), Container::propertyList)->states.size(), 5u);
    Preferences reader(settingsPath);
    EXPECT_EQ(restoreLastProject(reader, OrbValues{}).states.front().name, "Room again");
}

// Kills a child that writes the same two files over and over, alternating two contents, at
// random moments: each file must always be one of the two, whole.
TEST(Kill, AWriterKilledAtAnyMomentLeavesTheOldFileOrTheNew)
{
    QTemporaryDir dir;
    const std::string outputPath = dir.filePath("orb.lumara").toStdString();
    const QString settingsPath = dir.filePath("Lumara.conf");
    const std::string contentA(300000, 'a'), contentB(200000, 'b');
    const QByteArray recordA(150000, 'A'), recordB(100000, 'B');
    ASSERT_TRUE(writeOutputFile(outputPath, contentA));
    {
        Preferences preferences(settingsPath);
        ASSERT_TRUE(preferences.setData(kLastProjectKey, recordA));
    }
    std::mt19937 random(13);
    std::uniform_int_distribution<int> delayMicroseconds(0, 20000);
    constexpr int kKills = 60; // tools/kill-while-writing.sh runs hundreds against the real binary
    for (int k = 0; k < kKills; ++k) {
        const pid_t child = ::fork();
        if (child == 0) {
            Preferences preferences(settingsPath);
            for (int i = 0;; ++i) {
                (void)writeOutputFile(outputPath, i % 2 ? contentA : contentB);
                (void)preferences.setData(kLastProjectKey, i % 2 ? recordA : recordB);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string file = readBytes(outputPath);
        ASSERT_TRUE(file == contentA || file == contentB) << "kill " << k << ": " << file.size() << " bytes";
        Preferences reader(settingsPath);
        const auto record = reader.data(kLastProjectKey);
        ASSERT_TRUE(record && (*record == recordA || *record == recordB)) << "kill " << k;
    }
    // Each new instance removed the working copies the killed ones left, and the next write of the
    // file removes a temporary a writer killed between its link and its rename left.
    ASSERT_TRUE(writeOutputFile(outputPath, contentA));
    EXPECT_TRUE(strays(dir, {"orb.lumara", "Lumara.conf"}).isEmpty()) << strays(dir, {"orb.lumara", "Lumara.conf"}).join(' ').toStdString();
}

} // namespace
