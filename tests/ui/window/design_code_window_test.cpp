// Design codes in the editor: Copy Design Code puts the project on the real clipboard; pasting it
// with the Paste key into a second editor opens all five states as one undoable, unsaved step and
// draws them; a text field keeps its own Paste; a bad code shows the banner and changes nothing.
#include "support/ProjectFixtures.h"
#include "support/TestSupport.h"
#include "ui/UiTestSupport.h"

#include "document/DesignCode.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/states/StateStripView.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>

using namespace lumara;
using lumara::test::EditorFixture;

namespace {

QRect inWindow(QWidget* widget, QWidget* window) { return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()); }

// A second editor beside the fixture's, on settings of its own.
struct SecondEditor {
    QTemporaryDir dir;
    std::unique_ptr<Preferences> preferences;
    std::unique_ptr<ui::LumaraApp> app;
    bool exposed = false;

    SecondEditor()
    {
        preferences = std::make_unique<Preferences>(dir.filePath("Lumara.conf"));
        preferences->settings().setValue(keys::hasSeenOnboarding, true);
        app = std::make_unique<ui::LumaraApp>(preferences.get(), std::make_unique<test::ScriptedDialogs>());
        app->mainWindow()->show();
        exposed = QTest::qWaitForWindowExposed(app->mainWindow());
        QTest::qWait(300); // the window's enlargement to its screen, 0.1 s after it shows
    }
    ui::MainWindow* window() const { return app->mainWindow(); }
    OrbDocument* document() const { return app->document(); }
};

// The centre of the canvas as drawn, once a frame of the present project has been shown.
QColor canvasCentre(ui::MainCanvasView* canvas)
{
    canvas->setMotionPaused(true);
    canvas->setShownTime(0.0);
    const qint64 frames = canvas->presentedFrames();
    EXPECT_TRUE(QTest::qWaitFor([&] { return canvas->presentedFrames() > frames && !canvas->isRenderingFrame(); }, 5000));
    const QImage drawn = canvas->grab().toImage();
    return drawn.pixelColor(drawn.width() / 2, drawn.height() / 2);
}

bool inMenu(QMenuBar* bar, const QString& title, QAction* action)
{
    for (QAction* menu : bar->actions())
        if (menu->text().remove(u'&') == title && menu->menu() && menu->menu()->actions().contains(action)) return true;
    return false;
}

} // namespace

TEST_F(EditorFixture, ACopiedDesignCodePastedIntoAnotherWindowOpensTheWholeProjectUnsaved)
{
    const OrbProjectData project = test::fiveStateProject();
    const QString file = path("five.lumara");
    test::writeBytes(file.toStdString(), *encodeProject(project, Container::propertyList));
    ASSERT_TRUE(window()->openFile(file));
    EXPECT_TRUE(inMenu(window()->menuBar(), "File", window()->copyDesignCodeAction()));
    EXPECT_TRUE(inMenu(window()->menuBar(), "Edit", window()->pasteDesignCodeAction()));
    EXPECT_EQ(window()->copyDesignCodeAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));

    QGuiApplication::clipboard()->clear();
    // Shortcuts reach the active window only (on a real X server too, where the tests may run).
    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    QTest::keyClick(window(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    const QString code = QGuiApplication::clipboard()->text();
    EXPECT_EQ(code.toStdString(), *encodeDesignCode(project));
    EXPECT_TRUE(window()->toast()->isVisible());

    SecondEditor second;
    ASSERT_TRUE(second.exposed);
    ui::MainWindow* other = second.window();
    const QColor before = canvasCentre(other->canvas());
    const int steps = second.document()->undoManager()->count();
    const QRect stripBefore = inWindow(other->stateStrip(), other);
    const QSize windowBefore = other->size();
    // Wrapped as a mail program would wrap it.
    QGuiApplication::clipboard()->setText(QStringLiteral("\n") + code.left(70) + QStringLiteral("\r\n") + code.mid(70) +
                                          QStringLiteral("\n"));
    other->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other));
    other->canvas()->setFocus();
    QTest::keyClick(other->canvas(), Qt::Key_V, Qt::ControlModifier); // the desktop's Paste key
    QCoreApplication::processEvents();

    EXPECT_EQ(second.document()->projectData(), project);
    EXPECT_FALSE(second.document()->currentFileURL()) << "an unsaved design: Save asks where";
    EXPECT_EQ(other->windowTitle(), QStringLiteral("Lumara \u2014 Custom"));
    EXPECT_EQ(second.document()->undoManager()->count(), steps + 1);
    EXPECT_EQ(other->errorMessage(), QString());
    ASSERT_EQ(other->stateStrip()->chipCount(), 5);
    EXPECT_TRUE(other->stateStrip()->chip(3)->isSelected());
    // Five chips may widen the strip at the sidebar's cost, as opening the file does; it keeps its row.
    EXPECT_EQ(inWindow(other->stateStrip(), other).top(), stripBefore.top());
    EXPECT_EQ(inWindow(other->stateStrip(), other).height(), stripBefore.height());
    EXPECT_EQ(other->size(), windowBefore);
    for (qsizetype i = 1; i < 5; ++i)
        EXPECT_GT(inWindow(other->stateStrip()->chip(i), other).left(), inWindow(other->stateStrip()->chip(i - 1), other).right())
            << "five chips side by side";
    // The canvas draws the selected state (the deep blue of "Deep Sea"), not the default orb.
    const QColor after = canvasCentre(other->canvas());
    EXPECT_NE(after, before);
    EXPECT_GT(after.blue(), after.red() + 40) << after.name().toStdString();
    test::screenshot(other, "design-code-pasted");
    // Exports of the opened design are those of the file, byte for byte.
    EXPECT_EQ(exporting::generateExportText(exporting::ExportFormat::swiftUI, second.document()->projectData()),
              exporting::generateExportText(exporting::ExportFormat::swiftUI, project));

    second.document()->undoManager()->undo();
    EXPECT_EQ(second.document()->states().size(), 1) << "one undo step puts the previous design back";
}

TEST_F(EditorFixture, PasteInATextFieldPastesTextAndABadCodeShowsTheBannerAndChangesNothing)
{
    const QString code = QString::fromStdString(*encodeDesignCode(test::fiveStateProject()));
    const OrbProjectData before = document()->projectData();
    const int steps = document()->undoManager()->count();
    QTest::qWait(300); // the window's enlargement to its screen
    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));

    // A state being renamed takes the Paste key for itself.
    QGuiApplication::clipboard()->setText(code);
    window()->stateStrip()->startRenaming(0);
    QLineEdit* field = window()->stateStrip()->renameField();
    ASSERT_TRUE(field && field->hasFocus());
    field->selectAll();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), code.left(field->maxLength()));
    EXPECT_EQ(document()->projectData(), before);
    field->setText(QString::fromStdString(before.states[0].name)); // and the name is kept
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_FALSE(window()->stateStrip()->editingIndex());
    ASSERT_EQ(document()->projectData(), before);

    const struct {
        const char* name;
        QString text;
        const char* shows;
    } cases[] = {
        {"plain text", QStringLiteral("hello"), "not a design code"},
        {"truncated", code.left(code.size() / 2), "damaged or incomplete"},
        {"newer", QStringLiteral("lumara9.") + code.mid(8), "newer version of Lumara"},
        {"not base64", code.left(20) + QStringLiteral("~") + code.mid(21), "is not part of any design code"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QGuiApplication::clipboard()->setText(c.text);
        window()->pasteDesignCodeAction()->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(document()->projectData(), before);
        EXPECT_EQ(document()->undoManager()->count(), steps);
        const QString shown = window()->errorMessage();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Could not open the design code.\n"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QLatin1String(c.shows), Qt::CaseInsensitive)) << shown.toStdString();
        QWidget* banner = window()->findChild<QWidget*>("errorBanner");
        ASSERT_TRUE(banner && banner->isVisible());
        const QRect at = inWindow(banner, window());
        EXPECT_TRUE(at.intersects(inWindow(window()->canvas(), window()))) << "across the top of the canvas";
        const QColor wash = window()->grab().toImage().pixelColor(at.left() + 4, at.center().y());
        EXPECT_GT(wash.red(), wash.blue() + 10) << "the notice's red wash: " << wash.name().toStdString();
    }
    test::screenshot(window(), "design-code-refused");
}

// A text file holding a code, dropped on the window, opens as an unsaved design; so does a code
// dragged as text.
TEST_F(EditorFixture, DroppingACodeFileOrCodeTextOpensItUnsaved)
{
    const OrbProjectData project = test::fiveStateProject();
    const QString file = path("from-a-friend.txt");
    test::writeBytes(file.toStdString(), *encodeDesignCode(project) + "\n");
    for (const bool asFile : {true, false}) {
        SCOPED_TRACE(asFile ? "file" : "text");
        document()->openDesign(OrbProjectData{{{makeStateId(), "Default", OrbValues{}}}});
        QMimeData data;
        if (asFile) data.setUrls({QUrl::fromLocalFile(file)});
        else data.setText(QString::fromStdString(*encodeDesignCode(project)));
        const QPoint centre = window()->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window(), &drop);
        EXPECT_EQ(document()->projectData(), project);
        EXPECT_FALSE(document()->currentFileURL()) << "Save must not write a project over the text file";
    }
}
