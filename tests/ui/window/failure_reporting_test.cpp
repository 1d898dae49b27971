// Failures the editor meets on the way to and from the disk are shown, naming the file and the
// reason, and leave the document as it was; a state being renamed keeps its typed text when the
// list of states changes under it.
#include "support/TestSupport.h"
#include "ui/UiTestSupport.h"

#include "document/OrbDocument.h"
#include "model/ProjectLimits.h"
#include "ui/states/StateStripView.h"

#include <QDir>
#include <QAbstractButton>
#include <QLineEdit>

using namespace lumara;
using lumara::test::EditorFixture;

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
