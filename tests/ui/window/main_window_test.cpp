// The main window with real widgets: the title rule, undo and redo through the actions and their
// shortcuts, the Open / Save / Save As flows on temporary files, Copy Code and the file exports.
#include "ui/UiTestSupport.h"

#include "document/OrbDocument.h"
#include "document/ProjectCodec.h"
#include "export/media/AnimatedExport.h"
#include "export/text/ExportText.h"
#include "model/OrbPreset.h"
#include "support/TestSupport.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/exports/ExportFlows.h"
#include "ui/states/StateStripView.h"
#include "ui/inspector/InspectorControls.h"
#include "ui/inspector/ColorsSection.h"
#include "ui/inspector/EffectsSection.h"
#include "ui/inspector/InspectorSection.h"
#include "ui/inspector/ShapeSection.h"
#include "ui/inspector/InspectorView.h"
#include "ui/window/ErrorBanner.h"
#include "model/OrbFields.h"
#include "update/CheckForUpdatesViewModel.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QInputDialog>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

#include <cmath>

using namespace lumara;
using lumara::test::EditorFixture;

namespace {

const QString kDash = QString::fromUtf8("Lumara \u2014 ");

// A project file of three named states with the second selected, written by another document.
QString writeThreeStateProject(const QString& path)
{
    OrbProjectData project;
    for (const char* name : {"Calm", "Bright", "Dim"}) {
        OrbValues values;
        values.orbSize = 200 + project.states.size() * 10;
        project.states.push_back({makeStateId(), name, values});
    }
    project.selectedStateIndex = 1;
    project.transitionDuration = 1.5;
    OrbDocument writer(project);
    EXPECT_TRUE(writer.saveProject(path));
    return path;
}

} // namespace

TEST_F(EditorFixture, TitleFollowsFileThenPresetThenCustom)
{
    EXPECT_EQ(window()->windowTitle(), kDash + "Custom");
    document()->applyPreset(*findPreset("Jade"));
    EXPECT_EQ(window()->windowTitle(), kDash + "Jade");
    dialogs->answers.push_back(path("My Orb.lumara"));
    window()->saveCommand();
    EXPECT_EQ(window()->windowTitle(), kDash + "My Orb") << "the file name wins over the preset name";
    document()->randomize();
    EXPECT_EQ(window()->windowTitle(), kDash + "My Orb");

    // Only the last extension goes; a fresh editor without a file falls back to the preset.
    dialogs->answers.push_back(path("orb.v2.lumara"));
    window()->saveAsCommand();
    EXPECT_EQ(window()->windowTitle(), kDash + "orb.v2");
}

TEST_F(EditorFixture, UndoAndRedoActionsFollowTheStackAndDriveTheDocument)
{
    QAction* undo = window()->action("undoAction");
    QAction* redo = window()->action("redoAction");
    ASSERT_EQ(document()->undoManager(), window()->undoStack()) << "the shown window hands in its undo stack";
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    document()->addState();
    EXPECT_TRUE(undo->isEnabled());
    undo->trigger();
    EXPECT_EQ(document()->states().size(), 1);
    EXPECT_TRUE(redo->isEnabled());
    redo->trigger();
    EXPECT_EQ(document()->states().size(), 2);

    // The shortcuts reach the same actions; Redo also answers the platform's own keys.
    for (QKeySequence key : QKeySequence::keyBindings(QKeySequence::Redo)) EXPECT_TRUE(redo->shortcuts().contains(key));
    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    QTest::keyClick(window(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(document()->states().size(), 1);
    QTest::keyClick(window(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(document()->states().size(), 2);
    QTest::keyClick(window(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(window()->undoStack()->count(), 2) << "Ctrl+R randomizes as one more undo step";

    // The history keeps the 500 most recent steps: after 520 renames, undoing all of them walks
    // back to the name the 20th gave, and no further.
    for (int i = 1; i <= 520; ++i) document()->renameState(0, QStringLiteral("Name %1").arg(i));
    EXPECT_EQ(window()->undoStack()->count(), 500);
    while (undo->isEnabled()) undo->trigger();
    EXPECT_EQ(document()->states().front()->name(), QStringLiteral("Name 20"));
}

TEST(EditorWindow, UndoStaysOffUntilTheWindowIsShown)
{
    lumara::test::testApplication();
    QTemporaryDir dir;
    Preferences preferences(dir.filePath("Lumara.conf"));
    ui::LumaraApp app(&preferences, std::make_unique<lumara::test::ScriptedDialogs>());
    EXPECT_EQ(app.document()->undoManager(), nullptr);
    app.document()->addState(); // still works, records nothing
    EXPECT_EQ(app.document()->states().size(), 2);
    EXPECT_FALSE(app.mainWindow()->action("undoAction")->isEnabled());
}

TEST_F(EditorFixture, ShortcutsAndCommandsAreTheAgreedOnes)
{
    // The help sheet's test pins the shortcuts it lists; these are the ones it does not list.
    const std::pair<const char*, QKeySequence> table[] = {
        {"helpAction", QKeySequence(Qt::Key_F1)},
        {"quitAction", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"preferencesAction", QKeySequence(Qt::CTRL | Qt::Key_Comma)},
    };
    for (const auto& [name, key] : table) {
        QAction* action = window()->action(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_TRUE(action->shortcuts().contains(key)) << name;
    }
    EXPECT_EQ(window()->action("checkForUpdatesAction")->isEnabled(), app->updaterViewModel()->canCheckForUpdates());
    // No New command and no New Window: nothing answers Ctrl+N.
    for (QAction* action : window()->findChildren<QAction*>())
        EXPECT_FALSE(action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_N))) << action->text().toStdString();

    window()->action("toggleInspectorAction")->trigger();
    EXPECT_FALSE(window()->isInspectorShown());
    window()->action("toggleInspectorAction")->trigger();
    EXPECT_TRUE(window()->isInspectorShown());
    window()->action("toggleSidebarAction")->trigger();
    EXPECT_FALSE(window()->isSidebarShown());
}

TEST_F(EditorFixture, SaveWithoutLocationGoesThroughSaveAsWithMyOrb)
{
    window()->saveCommand(); // cancelled
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].proposedName, "My Orb");
    EXPECT_EQ(dialogs->questions[0].type.extension, "lumara");
    EXPECT_FALSE(document()->currentFileURL().has_value()) << "cancelling does nothing";

    const QString file = path("My Orb.lumara");
    dialogs->answers.push_back(file);
    window()->saveCommand();
    ASSERT_EQ(document()->currentFileURL(), file);
    EXPECT_TRUE(QFileInfo::exists(file));

    // The next Save writes to the same file without a panel.
    document()->renameState(0, "Renamed");
    window()->saveCommand();
    EXPECT_EQ(dialogs->questions.size(), 2u);
    OrbDocument reader(OrbProjectData{});
    ASSERT_TRUE(reader.loadProject(file));
    EXPECT_EQ(reader.states().front()->name(), "Renamed");
    EXPECT_EQ(window()->recentFiles().value(0), file);
}

TEST_F(EditorFixture, OpenReplacesTheProjectAndUndoBringsTheOldOneBack)
{
    const QString file = writeThreeStateProject(path("Three States.lumara"));
    const QStringList before = document()->stateNames();
    dialogs->answers.push_back(file);
    window()->action("openAction")->trigger();
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].type.extension, "lumara");
    EXPECT_EQ(document()->stateNames(), QStringList({"Calm", "Bright", "Dim"}));
    EXPECT_EQ(document()->selectedStateIndex(), 1);
    EXPECT_DOUBLE_EQ(document()->transitionDuration(), 1.5);
    EXPECT_EQ(window()->windowTitle(), kDash + "Three States");
    EXPECT_EQ(window()->stateStrip()->chipCount(), 3);

    const std::string opened = lumara::test::readBytes(file.toStdString());
    window()->action("undoAction")->trigger();
    EXPECT_EQ(document()->stateNames(), before);
    EXPECT_EQ(document()->currentFileURL(), std::nullopt) << "the earlier project had no file";
    EXPECT_DOUBLE_EQ(document()->transitionDuration(), 0.6);
    EXPECT_EQ(window()->windowTitle(), kDash + "Custom");
    EXPECT_EQ(window()->stateStrip()->chipCount(), 1);
    // Save now asks where the earlier project goes instead of writing it over the opened file.
    window()->action("saveAction")->trigger();
    EXPECT_EQ(dialogs->questions.size(), 2u);
    EXPECT_EQ(lumara::test::readBytes(file.toStdString()), opened);
    window()->action("redoAction")->trigger();
    EXPECT_EQ(document()->currentFileURL(), file);
    EXPECT_EQ(window()->windowTitle(), kDash + "Three States");
}

TEST_F(EditorFixture, DroppingAProjectOrAVideoOfOneOnTheWindowOpensIt)
{
    const QString project = writeThreeStateProject(path("Dropped.lumara"));
    // A video exported from that project carries it; it opens as the design, and Save asks where
    // the project goes rather than writing it over the video.
    const QString video = path("Dropped.webm");
    exporting::MotionSettings motion;
    motion.duration = 0.2;
    motion.fps = 10;
    motion.scale = 0.1;
    exporting::AnimationExportOptions options;
    options.embeddedProject = OrbDocument(decodeProjectFile(lumara::test::readBytes(project.toStdString()), 1)->project).embeddedProject();
    ASSERT_TRUE(exporting::exportAnimation(OrbValues{}, exporting::AnimatedExportFormat::webm, motion, video.toStdString(), options).ok());
    const std::string videoBytes = lumara::test::readBytes(video.toStdString());

    for (const QString& file : {project, video}) {
        SCOPED_TRACE(file.toStdString());
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPoint at = window()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window(), &drop);
        EXPECT_EQ(document()->stateNames(), QStringList({"Calm", "Bright", "Dim"}));
        EXPECT_EQ(document()->selectedStateIndex(), 1);
        EXPECT_EQ(document()->currentFileURL(), file == project ? std::optional<QString>(file) : std::nullopt);
    }
    EXPECT_EQ(window()->windowTitle(), kDash + "Custom");
    const std::size_t asked = dialogs->questions.size();
    window()->action("saveAction")->trigger(); // cancelled
    EXPECT_EQ(dialogs->questions.size(), asked + 1) << "Save asks for a location";
    EXPECT_EQ(lumara::test::readBytes(video.toStdString()), videoBytes);
}

TEST_F(EditorFixture, TheToolbarsPngButtonIsTitledWithoutTheMenusEllipsis)
{
    auto* bar = window()->findChild<QToolBar*>("mainToolbar");
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(window()->action("exportPNGAction")));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Export PNG");
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Export PNG");
    EXPECT_EQ(window()->action("exportPNGAction")->text(), QString::fromUtf8("Export PNG\u2026")) << "the menu item keeps it";
}

TEST_F(EditorFixture, CopyCodePutsExactlyTheSwiftUIExportOnTheClipboard)
{
    document()->applyPreset(*findPreset("Molten"));
    document()->addState();
    window()->action("copyCodeAction")->trigger();
    const std::string expected = exporting::generateExportText(exporting::ExportFormat::swiftUI, document()->projectData());
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), expected);
    EXPECT_TRUE(window()->toast()->isVisible());
    EXPECT_EQ(window()->toast()->property("text").toString(), "Copied to clipboard");
    QTest::qWait(2400);
    EXPECT_FALSE(window()->toast()->isVisible()) << "the toast leaves about two seconds later";
}

TEST_F(EditorFixture, TextExportsOpenThePreviewWhoseSaveWritesTheTextAsPreviewed)
{
    const struct {
        const char* action;
        exporting::ExportFormat format;
        const char* proposed;
    } table[] = {
        {"exportSwiftUIAction", exporting::ExportFormat::swiftUI, "orb.swift"},
        {"exportHTMLAction", exporting::ExportFormat::html, "orb.html"},
        {"exportPromptAction", exporting::ExportFormat::prompt, "orb.md"},
    };
    for (const auto& row : table) {
        const std::string expected = exporting::generateExportText(row.format, document()->projectData());
        window()->action(row.action)->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window()->exportFlows()->previewSheet() != nullptr; }, 20000));
        document()->currentConfiguration()->setOrbSize(123); // later edits do not change what was previewed
        const QString file = path(row.proposed);
        dialogs->answers.push_back(file);
        ASSERT_TRUE(window()->exportFlows()->previewSheet()->saveButton());
        window()->exportFlows()->previewSheet()->saveButton()->click();
        ASSERT_FALSE(dialogs->questions.empty());
        EXPECT_EQ(dialogs->questions.back().proposedName, row.proposed);
        EXPECT_EQ(lumara::test::readBytes(file.toStdString()), expected) << row.proposed;
        window()->exportFlows()->closePreview();
        QTest::qWait(250);
    }
    // Two states give the multi-state file.
    document()->addState();
    dialogs->answers.push_back(path("two.swift"));
    window()->exportTextFile(exporting::ExportFormat::swiftUI);
    EXPECT_EQ(lumara::test::readBytes(path("two.swift").toStdString()),
              exporting::generateExportText(exporting::ExportFormat::swiftUI, document()->projectData()));
}

// Pausing holds the moment shown: no frames while nothing changes, one for each edit or scrub, the
// time control shows the moment, the PNG export is the command line's picture at that time byte for
// byte, and resuming goes on from the moment held.
TEST_F(EditorFixture, PauseMotionHoldsAMomentThatThePngExportTakes)
{
    ui::MainCanvasView* canvas = window()->canvas();
    QAction* pause = window()->action("pauseMotionAction");
    ASSERT_NE(pause, nullptr);
    EXPECT_EQ(pause->shortcut(), QKeySequence(Qt::Key_Space));
    EXPECT_FALSE(canvas->timeSlider()->isVisible());
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_Space);
    ASSERT_TRUE(canvas->isMotionPaused());
    EXPECT_TRUE(pause->isChecked());
    EXPECT_TRUE(canvas->timeSlider()->isVisible());

    // Still: nothing new is drawn.
    QTest::qWait(150);
    const qint64 requested = canvas->requestedFrames();
    const double held = canvas->shownTime();
    QTest::qWait(400);
    EXPECT_EQ(canvas->requestedFrames(), requested);
    EXPECT_EQ(canvas->shownTime(), held);

    // An edit, and a scrub, each draw once.
    document()->currentConfiguration()->setOrbSize(150);
    EXPECT_EQ(canvas->requestedFrames(), requested + 1);
    canvas->setShownTime(12.4);
    EXPECT_EQ(canvas->timeLabelText(), QStringLiteral("12.40 s"));
    EXPECT_EQ(canvas->timeSlider()->value(), 1240);
    canvas->timeSlider()->setValue(1875); // the slider scrubs within the minute it shows
    EXPECT_DOUBLE_EQ(canvas->shownTime(), 18.75);
    EXPECT_EQ(canvas->timeLabelText(), QStringLiteral("18.75 s"));
    // (A frame asked for while the one before is still rendering follows as that one returns.)
    EXPECT_TRUE(QTest::qWaitFor([&] { return canvas->requestedFrames() >= requested + 2; }, 2000));
    canvas->setShownTime(-3); // never before the start
    EXPECT_EQ(canvas->shownTime(), 0.0);
    canvas->setShownTime(std::nan(""));
    EXPECT_EQ(canvas->shownTime(), 0.0);
    canvas->setShownTime(12.4);

    const QString project = path("held.lumara");
    ASSERT_TRUE(document()->saveProject(project).ok());
    dialogs->answers.push_back(path("held.png"));
    window()->action("exportPNGAction")->trigger();
    window()->waitForExports();
    const std::string cli = path("cli.png").toStdString();
    const auto run = test::runProcess(test::lumaraBinary(), {"render", project.toStdString(), "--time", "12.4", "-o", cli});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string exported = test::readBytes(path("held.png").toStdString());
    EXPECT_FALSE(exported.empty());
    EXPECT_TRUE(exported == test::readBytes(cli)) << "the editor's PNG differs from lumara render --time 12.4";

    // Resumed, the motion goes on from the moment held.
    pause->trigger();
    EXPECT_FALSE(canvas->isMotionPaused());
    EXPECT_FALSE(canvas->timeSlider()->isVisible());
    EXPECT_NEAR(canvas->shownTime(), 12.4, 0.2);
    QTest::qWait(200);
    EXPECT_GT(canvas->shownTime(), 12.5);
    EXPECT_GT(canvas->requestedFrames(), requested + 3) << "the canvas draws on every refresh again";
}

// A look copied from one state and pasted onto another is one undo step; a project record gives its
// selected state's look; text that is no look changes nothing and says so.
TEST_F(EditorFixture, CopyLookThenPasteLookOntoAnotherStateIsOneUndoStep)
{
    document()->applyPreset(*findPreset("Molten"));
    const OrbValues molten = document()->currentConfiguration()->values();
    window()->action("copyLookAction")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), *encodeConfiguration(molten, Container::json));
    document()->addState();
    document()->applyPreset(*findPreset("Glacier"));
    ASSERT_NE(document()->currentConfiguration()->values(), molten);
    const int steps = document()->undoManager()->count();
    QGuiApplication::clipboard()->setText(QStringLiteral("\n  ") + QGuiApplication::clipboard()->text() + QStringLiteral("  \n"));
    window()->action("pasteLookAction")->trigger();
    EXPECT_EQ(document()->currentConfiguration()->values(), molten);
    EXPECT_EQ(document()->undoManager()->count(), steps + 1);
    document()->undoManager()->undo();
    ASSERT_EQ(document()->states().size(), 2);
    EXPECT_NE(document()->states().at(1)->config()->values(), molten) << "undo takes the pasted look back";
    EXPECT_EQ(document()->states().at(0)->config()->values(), molten);

    OrbProjectData project;
    project.states = {{makeStateId(), "One", OrbValues{}}, {makeStateId(), "Two", findPreset("Jade")->configuration}};
    project.selectedStateIndex = 1;
    QGuiApplication::clipboard()->setText(QString::fromStdString(*encodeProject(project, Container::json)));
    window()->action("pasteLookAction")->trigger();
    EXPECT_EQ(document()->currentConfiguration()->values(), findPreset("Jade")->configuration);

    const OrbValues before = document()->currentConfiguration()->values();
    const int stepsBefore = document()->undoManager()->count();
    for (const char* text : {"", "hello", "{\"orbSize\": 3}", "[1,2]", "{\"states\": []}"}) {
        QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
        window()->action("pasteLookAction")->trigger();
        EXPECT_EQ(document()->currentConfiguration()->values(), before) << text;
        EXPECT_EQ(document()->undoManager()->count(), stepsBefore) << text;
    }
}

// Every field has a padlock in the inspector; it shows on hover and focus, locks with a click or
// Space, and Randomize keeps what is locked.
TEST_F(EditorFixture, InspectorPadlocksLockWhatRandomizeKeeps)
{
    auto* inspector = static_cast<ui::InspectorView*>(window()->inspector());
    std::vector<ui::LockableRow*> rows;
    for (ui::InspectorSection* section : std::initializer_list<ui::InspectorSection*>{
             inspector->colorsSection(), inspector->shapeSection(), inspector->effectsSection()})
        for (ui::LockableRow* row : section->lockableRows()) rows.push_back(row);
    std::vector<std::string> keys, fields;
    for (ui::LockableRow* row : rows) keys.push_back(row->fieldKey().toStdString());
    forEachOrbField([&](const auto& field) { fields.emplace_back(field.key); });
    EXPECT_EQ(orderedFieldKeys(keys), fields) << "one padlock per field";
    EXPECT_EQ(keys.size(), fields.size());

    auto rowOf = [&](const char* key) {
        auto found = std::find_if(rows.begin(), rows.end(), [&](ui::LockableRow* row) { return row->fieldKey() == key; });
        return found == rows.end() ? nullptr : *found;
    };
    ui::LockableRow* corner = rowOf("cornerRadius");
    ui::LockableRow* glow = rowOf("glowColor");
    ASSERT_TRUE(corner && glow);
    // Hidden at rest, yet the room is kept: every padlock sits at the same trailing edge.
    inspector->shapeSection()->setFocus();
    for (ui::LockableRow* row : rows) {
        if (!row->isVisible()) continue; // a collapsed or hidden row
        EXPECT_FALSE(row->lock()->isVisible()) << row->fieldKey().toStdString();
        EXPECT_EQ(row->lock()->mapTo(inspector, QPoint(row->lock()->width(), 0)).x(),
                  corner->lock()->mapTo(inspector, QPoint(corner->lock()->width(), 0)).x())
            << row->fieldKey().toStdString();
    }
    // Focus inside a row shows its padlock; a click locks it, one undo step.
    corner->content()->findChild<QSlider*>()->setFocus();
    EXPECT_TRUE(corner->lock()->isVisible());
    EXPECT_FALSE(glow->lock()->isVisible());
    const int steps = document()->undoManager()->count();
    QTest::mouseClick(corner->lock(), Qt::LeftButton);
    EXPECT_TRUE(document()->states().at(0)->isParameterLocked("cornerRadius"));
    EXPECT_EQ(document()->undoManager()->count(), steps + 1);
    // A key locks too: Space on the focused padlock.
    glow->lock()->setFocus();
    QTest::keyClick(glow->lock(), Qt::Key_Space);
    EXPECT_TRUE(document()->states().at(0)->isParameterLocked("glowColor"));
    inspector->shapeSection()->setFocus();
    EXPECT_TRUE(corner->lock()->isVisible()) << "a locked padlock stays in sight";
    EXPECT_FALSE(glow->lock()->grab().toImage().isNull());
    // Locked, the padlock is drawn in the accent colour.
    const QImage drawn = glow->lock()->grab().toImage();
    const QColor accent = glow->lock()->palette().color(QPalette::Highlight);
    int accentPixels = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (QColor(drawn.pixel(x, y)) == accent) ++accentPixels;
    EXPECT_GT(accentPixels, 20);

    const double radius = document()->currentConfiguration()->cornerRadius();
    const CodableColor glowColor = document()->currentConfiguration()->glowColor();
    for (int i = 0; i < 100; ++i) window()->action("randomizeAction")->trigger();
    EXPECT_EQ(document()->currentConfiguration()->cornerRadius(), radius);
    EXPECT_EQ(document()->currentConfiguration()->glowColor(), glowColor);
    EXPECT_TRUE(corner->lock()->isChecked()) << "Randomize leaves the locks as they are";

    // Undo takes the locks back and the padlocks follow.
    for (int i = 0; i < 101; ++i) document()->undoManager()->undo();
    EXPECT_FALSE(glow->lock()->isChecked());
    EXPECT_TRUE(corner->lock()->isChecked());
}

// A seed typed into Randomize with Seed draws the orb `lumara export --random --seed` describes, and
// every Randomize tells its seed.
TEST_F(EditorFixture, RandomizeWithSeedDrawsTheCommandLinesOrb)
{
    window()->action("randomizeAction")->trigger();
    const auto drawn = document()->lastRandomSeed();
    ASSERT_TRUE(drawn);
    EXPECT_EQ(document()->undoManager()->undoText(), QStringLiteral("Randomize (Seed %1)").arg(*drawn));
    EXPECT_TRUE(window()->action("randomizeAction")->toolTip().endsWith(QStringLiteral("Last seed: %1").arg(*drawn)));
    EXPECT_EQ(window()->action("undoAction")->toolTip(), QStringLiteral("Undo Randomize (Seed %1)").arg(*drawn));

    auto askForSeed = [&](const QString& text) {
        window()->action("randomizeWithSeedAction")->trigger();
        auto* dialog = window()->findChild<QInputDialog*>(QStringLiteral("randomSeedDialog"));
        if (!dialog) return false;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        EXPECT_EQ(dialog->textValue(), QString::number(*document()->lastRandomSeed())) << "the last seed is offered";
        dialog->setTextValue(text);
        dialog->accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    };
    const std::string seed = "18446744073709551557";
    ASSERT_TRUE(askForSeed(QString::fromStdString(" " + seed + " ")));
    window()->action("copyCodeAction")->trigger();
    const auto cli = test::runProcess(test::lumaraBinary(), {"export", "swiftui", "--random", "--seed", seed});
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), cli.out) << "seed " << seed;

    // Not a seed: nothing changes, and the window says why.
    const OrbValues before = document()->currentConfiguration()->values();
    const int steps = document()->undoManager()->count();
    for (const char* text : {"", "twelve", "-1", "18446744073709551616", "1e5"}) {
        ASSERT_TRUE(askForSeed(QString::fromUtf8(text)));
        EXPECT_EQ(document()->currentConfiguration()->values(), before) << text;
        EXPECT_EQ(document()->undoManager()->count(), steps) << text;
        auto* banner = window()->findChild<ui::ErrorBanner*>();
        ASSERT_NE(banner, nullptr);
        EXPECT_TRUE(banner->isVisible());
        EXPECT_TRUE(banner->message().startsWith(QStringLiteral("Could not randomize."))) << banner->message().toStdString();
    }
}

namespace {

// The columns the orb covers on the canvas's row through its centre, over a black backdrop, once
// the frame in flight has been drawn.
std::pair<int, int> drawnOrbColumns(ui::MainCanvasView* canvas)
{
    EXPECT_TRUE(QTest::qWaitFor([&] { return !canvas->isRenderingFrame(); }, 5000));
    QCoreApplication::processEvents();
    const QImage shot = canvas->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int y = int(std::lround(canvas->orbCentre().y() * shot.devicePixelRatio()));
    int left = -1, right = -1;
    for (int x = 0; x < shot.width(); ++x) {
        const QColor c = shot.pixelColor(x, std::clamp(y, 0, shot.height() - 1));
        if (c.red() + c.green() + c.blue() > 24) {
            if (left < 0) left = x;
            right = x;
        }
    }
    return {left, right};
}

void sendWheel(QWidget* target, QPointF at, QPoint angle, Qt::KeyboardModifiers modifiers)
{
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &wheel);
}

void sendMouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent mouse(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &mouse);
}

} // namespace

// Zoomed, the orb is rendered at the zoomed size, about the pointer; it pans by a middle drag, a
// Space drag and by scrolling when larger than the canvas; and no zoom asks for an unbounded picture.
TEST_F(EditorFixture, ZoomRendersAtTheZoomedSizeAboutThePointerAndPans)
{
    // The canvas alone in the window, so the zoomed orb has room.
    for (const char* pane : {"toggleSidebarAction", "toggleInspectorAction"})
        if (window()->action(pane)->isChecked()) window()->action(pane)->trigger();
    ui::MainCanvasView* canvas = window()->canvas();
    canvas->setBackground(ui::CanvasBackground::black);
    canvas->setMotionPaused(true);
    OrbConfiguration* config = document()->currentConfiguration();
    config->setOrbSize(200);
    config->setShowShadow(false);
    config->setEdgeSoftness(0);
    ASSERT_TRUE(canvas->width() > 520 && canvas->height() > 420) << "the window leaves room for the zoomed orb";
    const double dpr = canvas->devicePixelRatioF();

    EXPECT_TRUE(canvas->zoom().fit);
    EXPECT_EQ(canvas->sizeLabelText(), QStringLiteral("200 \u00d7 200"));
    auto [left, right] = drawnOrbColumns(canvas);
    EXPECT_NEAR(right - left + 1, 200 * dpr, 3);

    window()->action("actualSizeAction")->trigger();
    EXPECT_EQ(canvas->sizeLabelText(), QStringLiteral("200 \u00d7 200 \u00b7 100 %"));
    window()->action("zoomInAction")->trigger();
    EXPECT_DOUBLE_EQ(canvas->drawnZoomFactor(), 1.5);
    EXPECT_EQ(canvas->sizeLabelText(), QStringLiteral("200 \u00d7 200 \u00b7 150 %"));
    std::tie(left, right) = drawnOrbColumns(canvas);
    EXPECT_NEAR(right - left + 1, 300 * dpr, 3) << "rendered at the zoomed size";

    // Ctrl+wheel about a point off the centre keeps the orb point under it, and the edges move
    // away from it in proportion.
    const QPointF pointer = canvas->orbCentre() + QPointF(60, -40);
    const QPointF under = canvas->orbPointAt(pointer);
    sendWheel(canvas, pointer, QPoint(0, 120), Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(canvas->drawnZoomFactor(), 1.875);
    EXPECT_NEAR(canvas->orbPointAt(pointer).x(), under.x(), 1.0);
    EXPECT_NEAR(canvas->orbPointAt(pointer).y(), under.y(), 1.0);
    const auto [newLeft, newRight] = drawnOrbColumns(canvas);
    const double p = pointer.x() * dpr;
    EXPECT_NEAR(newLeft, p - (p - left) * 1.25, 3);
    EXPECT_NEAR(newRight, p + (right - p) * 1.25, 3);

    // Pans: a middle drag, and a drag with Space held, which does not pause or resume.
    QPointF centre = canvas->orbCentre();
    sendMouse(canvas, QEvent::MouseButtonPress, {100, 100}, Qt::MiddleButton, Qt::MiddleButton);
    sendMouse(canvas, QEvent::MouseMove, {150, 130}, Qt::NoButton, Qt::MiddleButton);
    sendMouse(canvas, QEvent::MouseButtonRelease, {150, 130}, Qt::MiddleButton, Qt::NoButton);
    EXPECT_NEAR(canvas->orbCentre().x(), centre.x() + 50, 1);
    EXPECT_NEAR(canvas->orbCentre().y(), centre.y() + 30, 1);
    centre = canvas->orbCentre();
    canvas->setFocus();
    QTest::keyPress(canvas, Qt::Key_Space);
    sendMouse(canvas, QEvent::MouseButtonPress, {150, 130}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseMove, {120, 110}, Qt::NoButton, Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseButtonRelease, {120, 110}, Qt::LeftButton, Qt::NoButton);
    QTest::keyRelease(canvas, Qt::Key_Space);
    EXPECT_NEAR(canvas->orbCentre().x(), centre.x() - 30, 1);
    EXPECT_NEAR(canvas->orbCentre().y(), centre.y() - 20, 1);
    EXPECT_TRUE(canvas->isMotionPaused()) << "a Space drag pans and does not toggle the motion";

    // Scrolling pans only while the orb is larger than the canvas.
    centre = canvas->orbCentre();
    sendWheel(canvas, {100, 100}, QPoint(0, -120), Qt::NoModifier);
    EXPECT_EQ(canvas->orbCentre(), centre) << "a 375-point orb fits";
    canvas->setZoomFactor(4.0);
    ASSERT_TRUE(canvas->orbExceedsCanvas());
    centre = canvas->orbCentre();
    sendWheel(canvas, {100, 100}, QPoint(0, -120), Qt::NoModifier);
    EXPECT_NEAR(canvas->orbCentre().y(), centre.y() - 48, 1);

    // The largest zoom of the largest orb stays within the renderer's largest square, and draws.
    config->setOrbSize(800);
    canvas->setZoomFactor(8.0);
    EXPECT_LE(800 * canvas->drawnZoomFactor() * dpr, 4096.0 + 1e-9);
    EXPECT_EQ(canvas->sizeLabelText(), QStringLiteral("800 \u00d7 800 \u00b7 %1 %").arg(std::llround(409600 / (800 * dpr))));
    std::tie(left, right) = drawnOrbColumns(canvas);
    EXPECT_EQ(left, 0) << "the zoomed orb covers the whole row";

    // Fit again: centred, at its own size, or smaller when the canvas cannot hold it.
    window()->action("zoomToFitAction")->trigger();
    EXPECT_TRUE(canvas->zoom().fit);
    EXPECT_EQ(canvas->orbCentre(), QPointF(canvas->width() / 2.0, canvas->height() / 2.0));
    EXPECT_LT(canvas->drawnZoomFactor(), 1.0);
    EXPECT_TRUE(canvas->sizeLabelText().startsWith(QStringLiteral("800 \u00d7 800 \u00b7 ")));
    config->setOrbSize(200);
    EXPECT_EQ(canvas->sizeLabelText(), QStringLiteral("200 \u00d7 200"));
}

TEST_F(EditorFixture, ExportPngWritesTheOrbAtTwiceItsSize)
{
    document()->currentConfiguration()->setOrbSize(150);
    window()->exportPNGImage(); // cancelled: nothing written
    EXPECT_EQ(dialogs->questions.back().proposedName, "orb.png");
    const QString file = path("orb.png");
    dialogs->answers.push_back(file);
    window()->action("exportPNGAction")->trigger();
    window()->waitForExports();
    const QImage image(file);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(300, 300));
    EXPECT_TRUE(image.hasAlphaChannel());
    EXPECT_EQ(qAlpha(image.pixel(150, 150)), 255) << "the orb itself is opaque";
    EXPECT_LT(qAlpha(image.pixel(0, 0)), 32) << "its corner shows at most the faint shadow";
}
