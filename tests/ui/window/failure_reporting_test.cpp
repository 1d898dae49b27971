// Failures the editor meets on the way to and from the disk are shown, naming the file and the
// reason, and leave the document as it was; the notice and the "Copied to clipboard" toast float
// over the panes without moving them; a state being renamed keeps its typed text when the list of
// states changes under it.
#include "support/TestSupport.h"
#include "support/Unprivileged.h"
#include "ui/UiTestSupport.h"

#include "document/OrbDocument.h"
#include "model/ProjectLimits.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/sidebar/PresetSidebarView.h"
#include "ui/states/StateStripView.h"
#include "ui/style/Theme.h"

#include <QAbstractButton>
#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QLineEdit>

#include <array>

using namespace lumara;
using lumara::test::EditorFixture;

namespace {

// Where the sidebar, the canvas and the inspector stand in the window.
std::array<QRect, 3> paneGeometry(ui::MainWindow* window)
{
    const auto at = [window](QWidget* pane) { return QRect(pane->mapTo(window, QPoint(0, 0)), pane->size()); };
    return {at(window->sidebar()), at(window->canvas()), at(window->inspector())};
}

QRect inWindow(QWidget* widget, ui::MainWindow* window) { return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()); }

} // namespace

TEST_F(EditorFixture, TheFailureNoticeFloatsOverThePanesWithoutMovingThem)
{
    QTest::qWait(300); // the window's enlargement to its screen, 0.1 s after it shows
    const std::array<QRect, 3> panes = paneGeometry(window());
    ASSERT_GT(panes[1].width(), 200);
    const int contentTop = window()->centralWidget()->mapTo(window(), QPoint(0, 0)).y();

    for (int theme : {2, 1}) {
        ui::applyAppTheme(theme);
        dialogs->answers.push_back(path("gone.lumara"));
        window()->openCommand();
        QCoreApplication::processEvents();
        QWidget* notice = window()->findChild<QWidget*>("errorBanner");
        ASSERT_TRUE(notice->isVisible());
        EXPECT_EQ(paneGeometry(window()), panes) << "the panes stay where they were";
        const QRect at = inWindow(notice, window());
        EXPECT_TRUE(at.intersects(panes[1])) << "across the top of the canvas";
        EXPECT_EQ(at.top(), contentTop + 8);
        EXPECT_LE(std::abs(at.center().x() - window()->centralWidget()->width() / 2), 1);
        // What shows there is the notice's red wash, drawn over the canvas.
        const QColor wash = window()->grab().toImage().pixelColor(at.left() + 4, at.center().y());
        EXPECT_GT(wash.red(), wash.blue() + 10) << wash.name().toStdString() << " theme " << theme;
        // Dark on light or light on dark, also when the appearance changes under the notice.
        EXPECT_EQ(wash.lightnessF() < 0.5, theme == 2) << wash.name().toStdString();
        ui::applyAppTheme(theme == 2 ? 1 : 2);
        QCoreApplication::processEvents();
        const QColor switched = window()->grab().toImage().pixelColor(at.left() + 4, at.center().y());
        EXPECT_EQ(switched.lightnessF() < 0.5, theme != 2) << switched.name().toStdString();
        ui::applyAppTheme(theme);
        QCoreApplication::processEvents();
        lumara::test::screenshot(window(), theme == 2 ? "failed-open-dark" : "failed-open-light");

        notice->findChild<QAbstractButton*>("dismissError")->click();
        QCoreApplication::processEvents();
        EXPECT_FALSE(notice->isVisible());
        EXPECT_EQ(paneGeometry(window()), panes);
    }
    ui::applyAppTheme(2);
}

TEST_F(EditorFixture, TheToastFloatsInFromTheTopAndASecondCopyOutlastsTheFirstOnesLeaving)
{
    QTest::qWait(300); // the window's enlargement to its screen, 0.1 s after it shows
    const std::array<QRect, 3> panes = paneGeometry(window());
    const QImage before = window()->grab().toImage();
    QWidget* toast = window()->toast();
    const auto opacity = [toast] { return static_cast<QGraphicsOpacityEffect*>(toast->graphicsEffect())->opacity(); };

    window()->action("copyCodeAction")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(paneGeometry(window()), panes) << "the toast takes no room of its own";
    EXPECT_LT(inWindow(toast, window()).top(), inWindow(window()->centralWidget(), window()).top() + 8)
        << "it enters from the top edge";
    ASSERT_TRUE(QTest::qWaitFor([&] { return opacity() == 1.0; }, 1000));
    const QRect at = inWindow(toast, window());
    EXPECT_EQ(at.top(), inWindow(window()->centralWidget(), window()).top() + 8);
    EXPECT_LE(std::abs(at.center().x() - window()->centralWidget()->width() / 2), 1);
    EXPECT_NE(window()->grab().toImage().pixelColor(at.left() + 6, at.center().y()),
              before.pixelColor(at.left() + 6, at.center().y()))
        << "the capsule is drawn over what was there";
    lumara::test::screenshot(window(), "toast-dark");
    EXPECT_EQ(paneGeometry(window()), panes);

    // Two seconds in it starts to leave; a copy now brings it back, and the leaving's end must not
    // hide it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return opacity() < 1.0; }, 3000));
    window()->action("copyCodeAction")->trigger();
    QTest::qWait(400);
    EXPECT_TRUE(toast->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return opacity() == 1.0; }, 1000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !toast->isVisible(); }, 3000)) << "the second copy's own dismissal";
    EXPECT_EQ(paneGeometry(window()), panes);

    if (!qEnvironmentVariableIsEmpty("LUMARA_SCREENSHOT_DIR")) {
        ui::applyAppTheme(1);
        window()->action("copyCodeAction")->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return opacity() == 1.0; }, 1000));
        lumara::test::screenshot(window(), "toast-light");
        ui::applyAppTheme(2);
    }
}

TEST_F(EditorFixture, FailedFileCommandsAreShownAndChangeNothing)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.lumara"));
    lumara::test::writeBytes(path("notes.lumara").toStdString(), "not a property list");
    struct Case {
        const char* name;
        QString answer;
        std::function<void()> command;
        QStringList mentions;
    };
    const Case cases[] = {
        {"open corrupt", path("notes.lumara"), [&] { window()->openCommand(); }, {"notes.lumara", "JSON"}},
        {"open missing", path("gone.lumara"), [&] { window()->openCommand(); }, {"gone.lumara", "No such file"}},
        {"save as into a folder", path("folder.lumara"), [&] { window()->saveAsCommand(); }, {"folder.lumara", "folder"}},
        {"save as nowhere", path("no/such/orb.lumara"), [&] { window()->saveAsCommand(); }, {"orb.lumara", "No such file"}},
        {"text export, disk full", "/dev/full", [&] { window()->exportTextFile(exporting::ExportFormat::html); },
         {"full", "No space left"}},
        {"PNG export, disk full", "/dev/full",
         [&] {
             window()->exportPNGImage();
             window()->waitForExports();
             QCoreApplication::processEvents();
         },
         {"full", "No space left"}},
    };
    const QStringList names = document()->stateNames();
    const QString title = window()->windowTitle();
    window()->openCommand(); // cancelled: no message, nothing changes
    EXPECT_TRUE(window()->errorMessage().isEmpty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs->answers.push_back(c.answer);
        c.command();
        const QString shown = window()->errorMessage();
        for (const QString& m : c.mentions) EXPECT_TRUE(shown.contains(m)) << shown.toStdString();
        EXPECT_EQ(document()->stateNames(), names);
        EXPECT_FALSE(document()->currentFileURL().has_value());
        EXPECT_EQ(window()->windowTitle(), title);
        EXPECT_EQ(window()->undoStack()->count(), 0);
        EXPECT_TRUE(window()->recentFiles().isEmpty());
        window()->findChild<QWidget*>("errorBanner")->hide();
    }

    // A save to a known location that has become a folder keeps that location.
    dialogs->answers.push_back(path("kept.lumara"));
    window()->saveAsCommand();
    ASSERT_EQ(document()->currentFileURL(), path("kept.lumara"));
    ASSERT_TRUE(QFile::remove(path("kept.lumara")) && QDir(dir.path()).mkdir("kept.lumara"));
    window()->saveCommand();
    EXPECT_TRUE(window()->errorMessage().contains("kept.lumara")) << window()->errorMessage().toStdString();
    EXPECT_EQ(document()->currentFileURL(), path("kept.lumara"));
}

// Permissions bind an ordinary user only: these run as nobody when the tests run as root.
TEST_F(EditorFixture, AReadOnlyProjectOpensAndSavingItOrIntoALockedFolderSaysWhy)
{
    if (lumara::test::rerunUnprivileged()) return;
    const QString project = path("orb.lumara");
    dialogs->answers.push_back(project);
    window()->saveAsCommand();
    ASSERT_EQ(document()->currentFileURL(), project);
    const std::string bytes = lumara::test::readBytes(project.toStdString());
    ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
    ASSERT_TRUE(QFile::setPermissions(project, QFile::ReadOwner));
    ASSERT_TRUE(QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::ExeOwner));

    document()->addState();
    dialogs->answers.push_back(project);
    window()->openCommand();
    ASSERT_EQ(document()->states().size(), 1) << "a read-only project opens";
    const QString title = window()->windowTitle();
    EXPECT_TRUE(title.endsWith("orb")) << title.toStdString();
    document()->renameState(0, "Edited");

    struct Case {
        const char* name;
        QString answer; // the panel's answer, if the command asks
        std::function<void()> command;
        QString mentions;
    };
    const Case cases[] = {
        {"save over the read-only file", {}, [&] { window()->saveCommand(); }, "orb.lumara"},
        {"save as into the locked folder", path("locked/new.lumara"), [&] { window()->saveAsCommand(); }, "new.lumara"},
        {"text export into the locked folder", path("locked/orb.html"),
         [&] { window()->exportTextFile(exporting::ExportFormat::html); }, "orb.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.answer.isEmpty()) dialogs->answers.push_back(c.answer);
        c.command();
        QCoreApplication::processEvents();
        const QString shown = window()->errorMessage();
        EXPECT_TRUE(shown.contains(c.mentions) && shown.contains("Permission denied")) << shown.toStdString();
        EXPECT_TRUE(window()->findChild<QWidget*>("errorBanner")->isVisible());
        EXPECT_EQ(document()->currentFileURL(), project) << "the project keeps the file it came from";
        EXPECT_EQ(window()->windowTitle(), title);
        EXPECT_EQ(document()->stateNames(), QStringList{"Edited"}) << "the edit is still there to save elsewhere";
        window()->findChild<QWidget*>("errorBanner")->hide();
    }
    EXPECT_EQ(lumara::test::readBytes(project.toStdString()), bytes);
    EXPECT_TRUE(QDir(path("locked")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    dialogs->answers.push_back(path("elsewhere.lumara"));
    window()->saveAsCommand();
    EXPECT_EQ(document()->currentFileURL(), path("elsewhere.lumara"));
    QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A settings folder the user may not write: the editor starts with the project the folder holds,
// tells once that it cannot keep its autosave, goes on editing, and the settings file keeps every
// key it had.
TEST(UnwritableSettings, TheEditorRunsWithItsLastProjectAndSaysOnceThatItCannotAutosave)
{
    if (lumara::test::rerunUnprivileged()) return;
    lumara::test::testApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("settings"));
    const QString settingsPath = dir.filePath("settings/Lumara.conf");
    {
        Preferences before(settingsPath);
        before.settings().setValue(keys::hasSeenOnboarding, true);
        OrbDocument earlier(OrbProjectData{{{makeStateId(), "Kept", OrbValues{}}, {makeStateId(), "Also kept", OrbValues{}}}, 1, 0.6},
                            &before);
        earlier.saveLastProject();
        ASSERT_TRUE(before.publish());
    }
    const std::string settingsBytes = lumara::test::readBytes(settingsPath.toStdString());
    ASSERT_TRUE(QFile::setPermissions(dir.filePath("settings"), QFile::ReadOwner | QFile::ExeOwner));
    {
        Preferences preferences(settingsPath);
        ui::LumaraApp app(&preferences, std::make_unique<lumara::test::ScriptedDialogs>());
        ui::MainWindow* window = app.mainWindow();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QTest::qWait(300); // the enlargement to the screen
        EXPECT_EQ(app.document()->stateNames(), (QStringList{"Kept", "Also kept"}));
        EXPECT_EQ(window->onboarding(), nullptr) << "the settings it had are read: no first-run pages";
        QWidget* notice = window->findChild<QWidget*>("errorBanner");
        EXPECT_FALSE(notice->isVisible()) << "starting writes nothing, so there is nothing to say yet";
        const std::array<QRect, 3> panes = paneGeometry(window);

        window->stateStrip()->addButton()->click();
        QCoreApplication::processEvents();
        ASSERT_TRUE(notice->isVisible());
        const QString shown = window->errorMessage();
        EXPECT_TRUE(shown.contains("could not be autosaved") && shown.contains("cannot be written")) << shown.toStdString();
        EXPECT_EQ(paneGeometry(window), panes) << "the notice floats over the panes";
        const QRect at = inWindow(notice, window);
        const QColor wash = window->grab().toImage().pixelColor(at.left() + 4, at.center().y());
        EXPECT_GT(wash.red(), wash.blue() + 10) << wash.name().toStdString();
        lumara::test::screenshot(window, "unwritable-settings");

        notice->findChild<QAbstractButton*>("dismissError")->click();
        QCoreApplication::processEvents();
        window->stateStrip()->addButton()->click();
        window->undoStack()->undo();
        app.document()->renameState(0, "Renamed");
        QCoreApplication::processEvents();
        EXPECT_FALSE(notice->isVisible()) << "said once, not with every edit";
        const QStringList names = app.document()->stateNames();
        EXPECT_EQ(names.size(), 3) << "two added, one undone";
        EXPECT_EQ(names.mid(0, 2), (QStringList{"Renamed", "Also kept"}));
    }
    EXPECT_EQ(lumara::test::readBytes(settingsPath.toStdString()), settingsBytes) << "no key lost or changed";
    EXPECT_EQ(QDir(dir.filePath("settings")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Lumara.conf"});
    QFile::setPermissions(dir.filePath("settings"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(EditorFixture, AddingAStateBeyondTheLimitSaysWhy)
{
    OrbProjectData full;
    for (std::size_t i = 0; i < kMaxStates; ++i) {
        std::string name = "S";
        name += std::to_string(i);
        full.states.push_back({makeStateId(), name, OrbValues{}});
    }
    const QString file = path("full.json");
    lumara::test::writeBytes(file.toStdString(), encodeProject(full, Container::json).value());
    ASSERT_TRUE(window()->openFile(file));
    ASSERT_FALSE(document()->canAddState());
    window()->stateStrip()->addButton()->click();
    EXPECT_EQ(document()->states().size(), qsizetype(kMaxStates));
    EXPECT_TRUE(window()->errorMessage().contains("at most 1000 states")) << window()->errorMessage().toStdString();
}

TEST_F(EditorFixture, TheTextBeingTypedIntoARenameSurvivesChangesOfTheStateList)
{
    ui::StateStripView* strip = window()->stateStrip();
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"a state added", [&] { document()->addState(); }},
        {"undo", [&] { window()->undoStack()->undo(); }},
        {"a preset applied", [&] { document()->applyPreset(allPresets().front()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        strip->startRenaming(0);
        QLineEdit* field = strip->renameField();
        ASSERT_TRUE(field);
        field->setText("Half typ");
        c.change();
        ASSERT_TRUE(strip->renameField()) << "the field closed";
        EXPECT_EQ(strip->renameField()->text(), "Half typ");
        EXPECT_EQ(strip->editingIndex(), 0);
        QTest::keyClicks(strip->renameField(), "ed");
        QTest::keyClick(strip->renameField(), Qt::Key_Return);
        EXPECT_EQ(document()->states().at(0)->name(), "Half typed");
    }
}
