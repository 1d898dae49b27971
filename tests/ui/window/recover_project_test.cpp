// File ▸ Recover Unsaved Project: after two editors ran at once, the next one restores the first
// editor's project and offers the second's; recovering it is one undo step and takes the offer
// away. A real settings file in a temporary folder, the real application on the offscreen platform.
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "ui/UiTestSupport.h"
#include "ui/window/LumaraApp.h"
#include "ui/window/MainWindow.h"

#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumara;
using namespace lumara::test;

namespace {

OrbProjectData projectNamed(const char* prefix, int states)
{
    OrbProjectData project;
    for (int i = 0; i < states; ++i) project.states.push_back({makeStateId(), prefix + std::to_string(i + 1), OrbValues{}});
    project.selectedStateIndex = states - 1;
    return project;
}

TEST(RecoverProject, AnEndedEditorsProjectIsOfferedAndRecoveredAsOneUndoStep)
{
    testApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath("Lumara.conf");
    {
        // Two editors at once, the second started while the first ran.
        Preferences first(path), second(path);
        OrbDocument mine(projectNamed("Mine ", 2), &first), theirs(projectNamed("Theirs ", 3), &second);
        mine.saveLastProject();
        theirs.saveLastProject();
        first.settings().setValue(keys::hasSeenOnboarding, true);
    }
    Preferences preferences(path);
    ui::LumaraApp app(&preferences, std::make_unique<ScriptedDialogs>());
    ui::MainWindow* window = app.mainWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(app.document()->stateNames(), (QStringList{"Mine 1", "Mine 2"})) << "the first slot is restored";

    QMenu* recover = window->recoverMenu();
    ASSERT_TRUE(recover->menuAction()->isVisible());
    QMenu* file = window->menuBar()->actions().at(0)->menu();
    EXPECT_TRUE(file->actions().contains(recover->menuAction())) << "in the File menu";
    ASSERT_EQ(recover->actions().size(), 1);
    EXPECT_EQ(recover->actions().at(0)->text(), "Theirs 3 (3 states)");
    file->popup(window->mapToGlobal(QPoint(20, 20)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    const QRect item = file->actionGeometry(recover->menuAction());
    EXPECT_FALSE(item.isEmpty()) << "the entry takes room in the menu";
    EXPECT_GE(file->width(), file->fontMetrics().horizontalAdvance("Recover Unsaved Project"));
    screenshot(file, "recover-menu");
    file->hide();

    recover->actions().at(0)->trigger();
    EXPECT_EQ(app.document()->stateNames(), (QStringList{"Theirs 1", "Theirs 2", "Theirs 3"}));
    EXPECT_FALSE(app.document()->currentFileURL()) << "an unsaved design: Save asks where";
    EXPECT_FALSE(recover->menuAction()->isVisible()) << "nothing more to recover";
    EXPECT_TRUE(preferences.unclaimedAutosaveSlots().empty());
    EXPECT_EQ(autosavedProject(preferences, preferences.autosaveSlot())->states.size(), 3u) << "kept in this editor's slot";

    window->undoStack()->undo();
    EXPECT_EQ(app.document()->stateNames(), (QStringList{"Mine 1", "Mine 2"}));

    // Another editor starts and ends while this one runs: the File menu offers its project next time.
    {
        Preferences later(path);
        OrbDocument project(projectNamed("Later ", 1), &later);
        project.saveLastProject();
    }
    EXPECT_FALSE(recover->menuAction()->isVisible());
    emit file->aboutToShow();
    EXPECT_TRUE(recover->menuAction()->isVisible());
    ASSERT_EQ(recover->actions().size(), 1);
    EXPECT_EQ(recover->actions().at(0)->text(), "Later 1 (1 state)");
}

} // namespace
