// The in-window modal layer on its own: the backdrop-click policy, Escape, focus kept inside, and
// the fade that ends with the layer gone.
#include "ui/UiTestSupport.h"

#include "ui/widgets/DimmedOverlay.h"

#include <QAction>
#include <QBoxLayout>
#include <QLineEdit>
#include <QPushButton>

using lumara::ui::DimmedOverlay;

namespace {

struct Layer {
    struct Application {
        Application() { lumara::test::testApplication(); }
    } application; // before any widget
    QWidget window;
    QPointer<DimmedOverlay> overlay;
    QPushButton* button = nullptr;
    QLineEdit* behind = nullptr;

    Layer()
    {
        window.resize(600, 400);
        behind = new QLineEdit(&window);
        auto* content = new QWidget;
        content->setFixedSize(200, 100);
        button = new QPushButton(QStringLiteral("Done"), content);
        overlay = new DimmedOverlay(&window, content);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        overlay->present();
        QTest::qWait(250);
    }
};

} // namespace

TEST(DimmedOverlay, BackdropClicksDismissOnlyWhenAskedAndGivenAnAction)
{
    const struct {
        bool dismissOnClick;
        bool hasAction;
        bool dismisses;
    } table[] = {{false, false, false}, {false, true, false}, {true, false, false}, {true, true, true}};
    for (const auto& row : table) {
        Layer layer;
        int calls = 0;
        layer.overlay->setDismissOnBackdropClick(row.dismissOnClick);
        if (row.hasAction) layer.overlay->setOnDismiss([&] { ++calls; });
        QTest::mouseClick(layer.overlay, Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_EQ(calls, row.dismisses ? 1 : 0);
        // A click on the content itself is never a backdrop click.
        QTest::mouseClick(layer.overlay, Qt::LeftButton, {}, layer.overlay->content()->geometry().bottomRight() - QPoint(5, 5));
        EXPECT_EQ(calls, row.dismisses ? 1 : 0);
    }
}

TEST(DimmedOverlay, KeepsFocusInsideAndTurnsEscapeIntoItsAction)
{
    Layer layer;
    EXPECT_TRUE(layer.button->hasFocus()) << "the first control of the content takes focus";
    layer.behind->setFocus(); // e.g. a click or Tab towards the window behind
    EXPECT_TRUE(layer.overlay->isAncestorOf(QApplication::focusWidget()));
    int escapes = 0;
    layer.overlay->setOnEscape([&] { ++escapes; });
    QTest::keyClick(layer.button, Qt::Key_Escape);
    EXPECT_EQ(escapes, 1);
}

TEST(DimmedOverlay, FadesOutThenDeletesItself)
{
    Layer layer;
    EXPECT_DOUBLE_EQ(layer.overlay->fadeLevel(), 1.0);
    bool dismissed = false;
    QObject::connect(layer.overlay, &DimmedOverlay::dismissed, [&] { dismissed = true; });
    layer.overlay->dismiss();
    layer.overlay->dismiss(); // a second call changes nothing
    EXPECT_TRUE(layer.overlay->isDismissing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return layer.overlay.isNull(); }, 2000));
    EXPECT_TRUE(dismissed);
}

TEST(DimmedOverlay, KeepsTheWindowsShortcutsFromTheDocumentBehindExceptQuit)
{
    Layer layer;
    const struct {
        QKeySequence keys;
        bool reachesWindow;
    } table[] = {{QKeySequence::Undo, false}, {QKeySequence::Open, false}, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), false},
                 {QKeySequence(Qt::CTRL | Qt::Key_Q), true}};
    for (const auto& row : table) {
        QAction action(&layer.window);
        action.setShortcut(row.keys);
        layer.window.addAction(&action);
        int triggered = 0;
        QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
        QTest::keySequence(QApplication::focusWidget(), row.keys);
        EXPECT_EQ(triggered, row.reachesWindow ? 1 : 0) << row.keys.toString().toStdString();
        // Without the layer the same keys reach the window again.
        layer.overlay->hide();
        layer.window.setFocus();
        QTest::keySequence(&layer.window, row.keys);
        EXPECT_EQ(triggered, row.reachesWindow ? 2 : 1) << row.keys.toString().toStdString();
        layer.overlay->show();
        layer.button->setFocus();
    }
}
