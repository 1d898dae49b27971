// The title the desktop shows for the editor's window, read from a real X server: exactly the
// window's own title, with nothing appended by the toolkit.
#include "support/TestSupport.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumara::test;

TEST(WindowTitleOnX11, IsExactlyTheTitleRule)
{
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("xwininfo").isEmpty())
        GTEST_SKIP() << "needs xvfb-run and xwininfo (x11-utils)";
    QTemporaryDir config;
    // Start the editor on a private X server, list the window names once it is up, then stop it.
    const std::string script =
        "\"$0\" & editor=$!; for i in $(seq 1 100); do sleep 0.1; "
        "names=$(xwininfo -root -tree | grep -o '\"Lumara[^\"]*\"'); "
        "case \"$names\" in *Custom*) break;; esac; done; echo \"$names\"; kill $editor";
    const auto run = runProcess("xvfb-run", {"-a", "-s", "-screen 0 1280x800x24", "/bin/sh", "-c", script, lumaraBinary()}, {}, 60,
                                {{"QT_QPA_PLATFORM", "xcb"}, {"LUMARA_CONFIG_DIR", config.path().toStdString()}});
    EXPECT_NE(run.out.find("\"Lumara \u2014 Custom\""), std::string::npos) << run.out << run.err;
    EXPECT_EQ(run.out.find("Custom \u2014"), std::string::npos) << "something was appended: " << run.out;
}
