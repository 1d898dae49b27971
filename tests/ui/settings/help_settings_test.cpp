// The help sheet, the settings window and the update windows with real widgets: help keys equal
// the actions' shortcuts, Return closes help, the update setting survives a restart, and a check
// against a real loopback feed shows the right window.
#include "ui/UiTestSupport.h"

#include "support/FeedServer.h"
#include "ui/onboarding/HelpView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/UpdateDialogs.h"
#include "ui/style/Symbols.h"
#include "update/CheckForUpdatesViewModel.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSettings>

using namespace lumara;
using namespace lumara::ui;
using test::EditorFixture;

TEST_F(EditorFixture, HelpRowsShowTheActionsOwnShortcutsAndReturnCloses)
{
    window()->action("helpAction")->trigger();
    ASSERT_TRUE(app->showHelp());
    HelpView* help = app->helpView();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->size(), QSize(480, 520));

    const struct {
        const char* section;
        const char* label;
        const char* action;
        const char* keys; // as this platform writes them
    } expected[] = {
        {"File", "Open", "openAction", "Ctrl+O"},
        {"File", "Save", "saveAction", "Ctrl+S"},
        {"File", "Save As", "saveAsAction", "Ctrl+Shift+S"},
        {"File", "Copy Design Code", "copyDesignCodeAction", "Ctrl+Shift+C"},
        {"Editing & View", "Undo", "undoAction", "Ctrl+Z"},
        {"Editing & View", "Redo", "redoAction", "Ctrl+Shift+Z"},
        {"Editing & View", "Randomize Orb", "randomizeAction", "Ctrl+R"},
        {"Editing & View", "Randomize with Seed", "randomizeWithSeedAction", "Ctrl+Shift+R"},
        {"Editing & View", "Pause Motion", "pauseMotionAction", "Space"},
        {"Editing & View", "Zoom In", "zoomInAction", "Ctrl+="},
        {"Editing & View", "Zoom Out", "zoomOutAction", "Ctrl+-"},
        {"Editing & View", "Zoom to Fit", "zoomToFitAction", "Ctrl+0"},
        {"Editing & View", "Actual Size", "actualSizeAction", "Ctrl+1"},
        {"Editing & View", "Copy Look", "copyLookAction", "Ctrl+Alt+C"},
        {"Editing & View", "Paste Look", "pasteLookAction", "Ctrl+Alt+V"},
        {"Editing & View", "Colors From Image", "colorsFromImageAction", "Ctrl+Shift+O"},
        {"Editing & View", "Paste Design Code", "pasteDesignCodeAction", "Ctrl+V"},
        {"Editing & View", "Toggle Inspector", "toggleInspectorAction", "Ctrl+Alt+I"},
        {"Editing & View", "Toggle Sidebar", "toggleSidebarAction", "Ctrl+Alt+S"},
        {"Export", "SwiftUI Code", "exportSwiftUIAction", "Ctrl+Shift+E"},
        {"Export", "HTML", "exportHTMLAction", "Ctrl+Alt+E"},
        {"Export", "PNG Image", "exportPNGAction", "Ctrl+E"},
    };
    const std::vector<HelpView::Row> rows = help->rows();
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].section, expected[i].section);
        EXPECT_EQ(rows[i].label, expected[i].label);
        EXPECT_EQ(rows[i].keys, shortcutText(window()->action(expected[i].action))) << expected[i].label;
        EXPECT_EQ(rows[i].keys, expected[i].keys) << expected[i].label;
    }
    const QStringList texts = [&] {
        QStringList all;
        for (const QLabel* label : help->findChildren<QLabel*>()) all << label->text();
        return all;
    }();
    // The export rows' symbols: the first is the swift, drawn 12 points in a 24-point box.
    const QList<QWidget*> symbols = help->findChildren<QWidget*>("helpExportSymbol");
    ASSERT_EQ(symbols.size(), 3);
    QImage swift(symbols[0]->size(), QImage::Format_ARGB32_Premultiplied);
    swift.fill(Qt::transparent);
    {
        QPainter p(&swift);
        drawnSymbolIcon(Symbol::swift, symbols[0]->palette().color(QPalette::PlaceholderText)).paint(&p, QRect(6, 2, 12, 12));
    }
    QImage shown(symbols[0]->size(), QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::transparent);
    symbols[0]->render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(shown, swift);

    for (const char* text : {"Lumara Help", "Design animated orbs with real-time preview",
                             "A standalone SwiftUI view you can drop directly into your Xcode project.",
                             "A self-contained HTML file with animated canvas output.", "A high-resolution snapshot of your orb design."})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;

    QTest::keyClick(help, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(app->showHelp());
    EXPECT_EQ(app->helpView(), nullptr);
}

TEST_F(EditorFixture, HelpOpensWithF1AndWithCtrlQuestionMark)
{
    const struct {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } presses[] = {
        {"F1", Qt::Key_F1, Qt::NoModifier},
        {"Ctrl+?", Qt::Key_Question, Qt::ControlModifier},
    };
    for (const auto& press : presses) {
        window()->activateWindow();
        QTest::keyClick(window(), press.key, press.modifiers);
        EXPECT_TRUE(app->showHelp()) << press.name;
        ASSERT_NE(app->helpView(), nullptr) << press.name;
        QTest::keyClick(app->helpView(), Qt::Key_Return);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_FALSE(app->showHelp());
    }
}

TEST_F(EditorFixture, AutomaticCheckSettingIsReadFromTheUpdaterAndSurvivesARestart)
{
    window()->action("preferencesAction")->trigger();
    SettingsView* settings = app->settingsWindow();
    ASSERT_TRUE(settings->isVisible());
    EXPECT_EQ(settings->size(), QSize(450, 350));
    QCheckBox* toggle = settings->automaticChecksToggle();
    EXPECT_EQ(toggle->text(), "Automatically check for updates");
    EXPECT_FALSE(toggle->isChecked()) << "off until the user turns it on";

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(app->updaterViewModel()->automaticallyChecksForUpdates()) << "written straight to the updater";
    settings->close();

    // A restart on the same settings file.
    app.reset();
    app = std::make_unique<LumaraApp>(preferences.get(), std::make_unique<test::ScriptedDialogs>());
    app->showSettings();
    EXPECT_TRUE(app->settingsWindow()->automaticChecksToggle()->isChecked());
    // A change made elsewhere shows when the window opens again.
    app->settingsWindow()->close();
    app->updaterViewModel()->setAutomaticallyChecksForUpdates(false);
    app->showSettings();
    EXPECT_FALSE(app->settingsWindow()->automaticChecksToggle()->isChecked());
    app->updaterViewModel()->setAutomaticallyChecksForUpdates(false);
}

TEST_F(EditorFixture, CheckForUpdatesShowsCheckingThenTheOutcome)
{
    update::CheckForUpdatesViewModel* updater = app->updaterViewModel();
    if (!update::updateChecksBuiltIn()) GTEST_SKIP() << "this build has update checks switched off";
    test::FeedServer server;
    server.answers["/newer"] = {200, test::feedOf({"0.0.1", "99.0"})};
    server.answers["/same"] = {200, test::feedOf({LUMARA_TEST_VERSION})};
    server.answers["/broken"] = {200, "<rss><channel>"};
    server.answers["/hang"] = {200, {}, {}, true};
    std::vector<QUrl> opened;
    UpdateDialogs dialogs(updater, window(), [&](const QUrl& url) { opened.push_back(url); });

    const struct {
        const char* path;
        UpdateDialogs::Kind kind;
    } cases[] = {
        {"/newer", UpdateDialogs::Kind::updateAvailable},
        {"/same", UpdateDialogs::Kind::upToDate},
        {"/broken", UpdateDialogs::Kind::error},
        {"/absent", UpdateDialogs::Kind::error},
    };
    QAction* menuItem = window()->action("checkForUpdatesAction");
    for (const auto& c : cases) {
        updater->setFeedUrl(server.url(c.path));
        ASSERT_TRUE(menuItem->isEnabled());
        menuItem->trigger();
        EXPECT_EQ(dialogs.shownKind(), UpdateDialogs::Kind::checking) << c.path;
        EXPECT_FALSE(menuItem->isEnabled()) << "greyed out while a check runs";
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.shownKind() != UpdateDialogs::Kind::checking; }, 10000)) << c.path;
        EXPECT_EQ(dialogs.shownKind(), c.kind) << c.path;
        EXPECT_TRUE(menuItem->isEnabled());
        if (c.kind == UpdateDialogs::Kind::updateAvailable) {
            auto* download = dialogs.shownDialog()->findChild<QPushButton*>("downloadButton");
            ASSERT_NE(download, nullptr);
            QTest::mouseClick(download, Qt::LeftButton);
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(opened[0], QUrl("https://example.com/download")) << "the page opens in the browser; nothing is fetched";
        }
        if (dialogs.shownDialog()) dialogs.shownDialog()->close();
    }

    // Cancelling the checking window ends the check quietly.
    updater->setFeedUrl(server.url("/hang"));
    menuItem->trigger();
    ASSERT_EQ(dialogs.shownKind(), UpdateDialogs::Kind::checking);
    dialogs.shownDialog()->reject();
    EXPECT_EQ(dialogs.shownKind(), UpdateDialogs::Kind::none);
    EXPECT_TRUE(updater->canCheckForUpdates());
}
