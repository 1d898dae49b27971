// The update checker and its view model against a real HTTP server on loopback (QTcpServer
// speaking plain HTTP/1.1), with real settings files in a temporary folder.
#include "update/CheckForUpdatesViewModel.h"

#include "support/FeedServer.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <variant>

using namespace lumara::update;
using lumara::test::FeedServer;
using lumara::test::feedOf;

namespace {

// Collects what a signal carrying a result delivers (QSignalSpy needs default-constructible types).
template <typename T>
struct Collected {
    std::vector<T> values;
    bool wait(std::size_t count = 1) { return QTest::qWaitFor([&] { return values.size() >= count; }, 10000); }
};

UpdateCheckResult runCheck(UpdateChecker& checker, const QUrl& url, const QString& version = "1.5")
{
    Collected<UpdateCheckResult> results;
    QObject::connect(&checker, &UpdateChecker::finished, &checker, [&](const UpdateCheckResult& r) { results.values.push_back(r); });
    EXPECT_TRUE(checker.start(url, version));
    EXPECT_TRUE(results.wait());
    QCoreApplication::processEvents();
    checker.disconnect(&checker);
    EXPECT_EQ(results.values.size(), 1u) << "finished exactly once";
    EXPECT_FALSE(checker.isRunning());
    return results.values.empty() ? UpdateCheckResult(lumara::Error<UpdateError>{UpdateError::network, "none"}) : results.values.front();
}

class UpdateCheckerTest : public ::testing::Test {
protected:
    // The application exists before the server, whose socket notifiers need it.
    QCoreApplication& application = lumara::test::coreApplication();
    FeedServer server;
};

} // namespace

TEST_F(UpdateCheckerTest, ReportsTheNewestReleaseOrAClearErrorWithoutHanging)
{
    server.answers["/newer"] = {200, feedOf({"1.4", "1.10", "1.9"})};
    server.answers["/equal"] = {200, feedOf({"1.5.0"})};
    server.answers["/older"] = {200, feedOf({"1.4", "1.5b3"})};
    server.answers["/malformed"] = {200, "<rss><channel><item>"};
    server.answers["/oversized"] = {200, feedOf({"2.0"}) + QByteArray(1024 * 1024 + 1, ' ')};
    server.answers["/missing"] = {500, "oops"};
    server.answers["/hang"] = {200, {}, {}, true};
    server.answers["/to-ftp"] = {302, {}, "Location: ftp://127.0.0.1/feed.xml\r\n"};
    server.answers["/to-remote-http"] = {301, {}, "Location: http://example.com/feed.xml\r\n"};
    server.answers["/loop"] = {302, {}, "Location: /loop\r\n"};
    server.answers["/moved"] = {302, {}, "Location: /newer\r\n"};
    struct Case {
        QUrl url;
        std::variant<UpdateError, std::pair<bool, const char*>> expected; // an error, or (update available, newest)
    };
    const Case cases[] = {
        {server.url("/newer"), std::pair{true, "1.10"}},
        {server.url("/equal"), std::pair{false, "1.5.0"}},
        {server.url("/older"), std::pair{false, "1.5b3"}},
        {server.url("/moved"), std::pair{true, "1.10"}},
        {server.url("/malformed"), UpdateError::malformedFeed},
        {server.url("/oversized"), UpdateError::tooLarge},
        {server.url("/missing"), UpdateError::httpStatus},
        {server.url("/absent"), UpdateError::httpStatus},
        {server.url("/hang"), UpdateError::timeout},
        {server.url("/to-ftp"), UpdateError::redirectRefused},
        {server.url("/to-remote-http"), UpdateError::redirectRefused},
        {server.url("/loop"), UpdateError::redirectRefused},
        {QUrl("http://example.com/appcast.xml"), UpdateError::insecureFeed},
        {QUrl("file:///etc/hostname"), UpdateError::insecureFeed},
        {QUrl("not a url"), UpdateError::insecureFeed},
    };
    UpdateChecker checker;
    checker.setLimits({1024 * 1024, 1500, 5});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.toString().toStdString());
        const UpdateCheckResult result = runCheck(checker, c.url);
        if (const auto* found = std::get_if<std::pair<bool, const char*>>(&c.expected)) {
            ASSERT_TRUE(result.ok()) << result.error().message;
            EXPECT_EQ(result->updateAvailable, found->first);
            EXPECT_EQ(result->newest.version, found->second);
            EXPECT_EQ(result->newest.downloadLink, QUrl("https://example.com/download"));
            continue;
        }
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().code, std::get<UpdateError>(c.expected)) << result.error().message;
    }
}

TEST_F(UpdateCheckerTest, ViewModelBlocksChecksWhileOneRunsAndStoresItsSetting)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Lumara.conf");
    server.answers["/hang"] = {200, {}, {}, true};
    server.answers["/feed"] = {200, feedOf({"2.0"})};
    {
        QSettings settings(file, QSettings::IniFormat);
        CheckForUpdatesViewModel model(&settings, "1.0");
        model.setFeedUrl(server.url("/hang"));
        EXPECT_FALSE(model.canCheckForUpdates()) << "not before the updater starts";
        QSignalSpy can(&model, &CheckForUpdatesViewModel::canCheckForUpdatesChanged);
        model.startUpdater();
        if (!updateChecksBuiltIn()) GTEST_SKIP() << "this build has update checks switched off";
        EXPECT_TRUE(model.canCheckForUpdates());
        EXPECT_FALSE(model.automaticallyChecksForUpdates()) << "off until the user agrees";

        QSignalSpy started(&model, &CheckForUpdatesViewModel::userCheckStarted);
        Collected<UpdateCheckResult> finished;
        QObject::connect(&model, &CheckForUpdatesViewModel::userCheckFinished, &model,
                         [&](const UpdateCheckResult& r) { finished.values.push_back(r); });
        model.checkForUpdates();
        EXPECT_EQ(started.count(), 1);
        EXPECT_FALSE(model.canCheckForUpdates()) << "false while the check runs";
        model.checkForUpdates(); // ignored
        EXPECT_EQ(started.count(), 1);
        model.cancelCheck();
        ASSERT_EQ(finished.values.size(), 1u);
        EXPECT_EQ(finished.values[0].error().code, UpdateError::cancelled);
        EXPECT_TRUE(model.canCheckForUpdates());
        EXPECT_EQ(can.count(), 3) << "true at start, false during the check, true after";
        EXPECT_FALSE(model.lastCheckTime()) << "a cancelled check is not counted";

        model.setFeedUrl(server.url("/feed"));
        model.setAutomaticallyChecksForUpdates(true);
    }
    // Another run on the same file: the setting persisted; the quiet check finds 2.0 and then
    // waits a day before asking again.
    QSettings settings(file, QSettings::IniFormat);
    CheckForUpdatesViewModel model(&settings, "1.0");
    model.setFeedUrl(server.url("/feed"));
    QDateTime now = QDateTime::fromString("2026-03-01T10:00:00Z", Qt::ISODate);
    model.setClock([&now] { return now; });
    EXPECT_TRUE(model.automaticallyChecksForUpdates());
    Collected<UpdateCheckOutcome> found;
    QObject::connect(&model, &CheckForUpdatesViewModel::updateFoundAutomatically, &model,
                     [&](const UpdateCheckOutcome& o) { found.values.push_back(o); });
    QSignalSpy userStarted(&model, &CheckForUpdatesViewModel::userCheckStarted);
    model.startUpdater();
    ASSERT_TRUE(found.wait());
    EXPECT_EQ(found.values[0].newest.version, "2.0");
    EXPECT_EQ(userStarted.count(), 0) << "quiet checks do not report as the user's";
    EXPECT_EQ(model.lastCheckTime(), now);

    const int requests = server.requests;
    now = now.addSecs(23 * 3600);
    EXPECT_FALSE(model.runAutomaticCheckIfDue()) << "at most once a day";
    now = now.addSecs(3600);
    EXPECT_TRUE(model.runAutomaticCheckIfDue());
    ASSERT_TRUE(found.wait(2));
    EXPECT_EQ(server.requests, requests + 1);
    model.setAutomaticallyChecksForUpdates(false);
    now = now.addSecs(7 * 24 * 3600);
    EXPECT_FALSE(model.runAutomaticCheckIfDue()) << "switched off";
}
