// Re-running one test of this program in a child: setpriv to drop to nobody, unshare and a tmpfs
// for a small disk. Test thread only.
#include "support/Unprivileged.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

#include <string>
#include <vector>

namespace lumara::test {

namespace {

constexpr const char* kChildVariable = "LUMARA_TEST_UNPRIVILEGED_CHILD";
constexpr const char* kSmallDiskVariable = "LUMARA_TEST_SMALL_DISK";

std::string currentTestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

// The end of a child's output, where gtest names what failed.
std::string tail(const std::string& text)
{
    constexpr std::size_t kKept = 6000;
    return text.size() <= kKept ? text : "..." + text.substr(text.size() - kKept);
}

} // namespace

bool rerunUnprivileged(const Unprivileged& options)
{
    if (qEnvironmentVariableIsSet(kChildVariable)) {
        // The child itself. Were it still root (setpriv ignored), every permission check would
        // pass vacuously; with a small disk it is root of its own namespace on purpose.
        if (options.smallDiskBytes == 0 && ::geteuid() == 0) ADD_FAILURE() << "the re-run test is still the superuser";
        return false;
    }
    const bool root = ::geteuid() == 0;
    if (!root && options.smallDiskBytes == 0) return false;

    const std::string self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget().toStdString();
    const std::string filter = "--gtest_filter=" + currentTestName();
    std::vector<std::pair<std::string, std::string>> env{
        {kChildVariable, "1"},
        {"TMPDIR", "/tmp"},       // a folder every user may create in
        {"HOME", "/tmp"},         // nobody's home does not exist
        {"XDG_RUNTIME_DIR", ""},  // root's would refuse nobody
        {"GTEST_OUTPUT", ""},     // the parent writes the report
        {"QT_QPA_PLATFORM", "offscreen"}, // root's X server would not let nobody in
    };
    const std::vector<std::string> dropToNobody{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
    std::string program;
    std::vector<std::string> args;
    QTemporaryDir mountPoint; // empty here; the child sees the tmpfs over it
    if (options.smallDiskBytes > 0) {
        if (!mountPoint.isValid()) {
            ADD_FAILURE() << "no folder to mount the small disk on";
            return true;
        }
        env.emplace_back(kSmallDiskVariable, mountPoint.path().toStdString());
        program = "unshare";
        args = {root ? "--mount" : "--map-root-user", "--propagation", "private"};
        if (!root) args.insert(args.begin(), "--mount");
        // Mode 1777, like /tmp, so that nobody may write on it.
        const std::string mount = "mount -t tmpfs -o size=" + std::to_string(options.smallDiskBytes) +
                                  ",mode=1777 lumara-test \"$0\" && exec \"$@\"";
        for (const std::string& a : std::vector<std::string>{"--", "/bin/sh", "-c", mount, mountPoint.path().toStdString()})
            args.push_back(a);
        if (root) args.insert(args.end(), dropToNobody.begin(), dropToNobody.end());
    } else {
        program = dropToNobody.front();
        args.assign(dropToNobody.begin() + 1, dropToNobody.end());
    }
    args.push_back(self);
    args.push_back(filter);

    const ProcessResult run = runProcess(program, args, {}, 300, env);
    const std::string said = run.out + run.err;
    const bool passed = run.exitCode == 0 && said.find("[  PASSED  ] 1 test.") != std::string::npos &&
                        said.find("[  SKIPPED ]") == std::string::npos;
    if (!passed)
        ADD_FAILURE() << "the test as an unprivileged user (" << program << " " << joined(args) << ") exited with "
                      << run.exitCode << ":\n"
                      << tail(said);
    return true;
}

QString smallDisk()
{
    const QString mounted = qEnvironmentVariable(kSmallDiskVariable);
    if (mounted.isEmpty() || !qEnvironmentVariableIsSet(kChildVariable)) return {};
    // A folder of the test's own user: the tmpfs root belongs to root (mode 1777).
    const QString mine = QDir(mounted).filePath(QStringLiteral("test-%1").arg(::getuid()));
    QDir().mkpath(mine);
    return mine;
}

} // namespace lumara::test
