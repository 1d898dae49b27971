// Starts the real editor on a real X server (run under xvfb-run), waits for the canvas's first
// drawn frame, and saves a screenshot of the window next to the build for a person to look at.
#include "document/OrbDocument.h"
#include "document/Preferences.h"
#include "model/OrbPreset.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/onboarding/OnboardingOverlay.h"
#include "ui/states/StateStripView.h"
#include "ui/style/Theme.h"
#include "ui/window/LumaraApp.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

using namespace lumara;

TEST(EditorWindow, ShowsOnARealDisplayAndDrawsTheOrb)
{
    QTemporaryDir config;
    qputenv("LUMARA_CONFIG_DIR", config.path().toUtf8());
    int argc = 1;
    char name[] = "lumara";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));

    Preferences preferences;
    ui::applyAppTheme(ui::storedAppTheme(preferences.settings()));
    ui::LumaraApp app(&preferences);
    ui::MainWindow* window = app.mainWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QSignalSpy frames(window->canvas(), &ui::MainCanvasView::framePresented);
    ASSERT_TRUE(frames.wait(5000));
    QTest::qWait(400); // the enlargement and a few frames settle
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Lumara \u2014 Custom"));

    const auto screenshot = [&](const char* name) {
        const QString path = QStringLiteral(LUMARA_BINARY_DIR "/") + QLatin1String(name);
        EXPECT_TRUE(window->screen()->grabWindow(window->winId()).save(path)) << path.toStdString();
    };
    screenshot("editor-window.png");
    // The orb sits in the middle of the canvas: its centre is not the backdrop's grey.
    const QImage canvas = window->canvas()->grab().toImage();
    const QColor middle = canvas.pixelColor(canvas.width() / 2, canvas.height() / 2);
    EXPECT_FALSE(middle.red() == middle.green() && middle.green() == middle.blue()) << middle.name().toStdString();

    // A two-state project with a preset, then the light appearance, for a person to look at.
    app.document()->applyPreset(*findPreset("Northern Lights"));
    app.document()->addState();
    app.document()->applyPreset(*findPreset("Molten"));
    QTest::qWait(300);
    screenshot("editor-window-states.png");
    QTest::mouseClick(window->stateStrip()->playButton(), Qt::LeftButton);
    QTest::qWait(2600); // the first step comes 1.4 s in and fades for 0.6 s
    screenshot("editor-window-playing.png");
    EXPECT_EQ(window->canvas()->playback().playIndex(), 1u) << "the loop has moved on to the second state";
    ui::applyAppTheme(1);
    QTest::qWait(300);
    screenshot("editor-window-light.png");

    // Paused at a chosen moment, in the light and the dark appearance: the time control sits in
    // the canvas's footer between the backdrop chooser and the size label, clear of both.
    QTest::mouseClick(window->stateStrip()->playButton(), Qt::LeftButton); // stop the states
    if (QWidget* firstRun = window->onboarding()) firstRun->hide();
    ui::MainCanvasView* view = window->canvas();
    view->setMotionPaused(true);
    view->setShownTime(12.4);
    QTest::qWait(300);
    const QWidget* control = view->timeSlider()->parentWidget();
    ASSERT_TRUE(control->isVisible());
    const QRect area = control->geometry();
    EXPECT_TRUE(view->rect().contains(area));
    EXPECT_GT(area.top(), view->height() / 2);
    const auto inCanvas = [&](const QWidget* w) { return QRect(w->mapTo(view, QPoint()), w->size()); };
    EXPECT_FALSE(area.intersects(inCanvas(view->backgroundPicker())));
    for (const QLabel* label : view->findChildren<QLabel*>())
        if (label->accessibleName() == QStringLiteral("Orb size")) EXPECT_FALSE(area.intersects(inCanvas(label)));
    EXPECT_EQ(view->timeLabelText(), QStringLiteral("12.40 s"));
    screenshot("editor-window-paused-light.png");
    ui::applyAppTheme(2);
    QTest::qWait(300);
    screenshot("editor-window-paused.png");

    // Zoomed in, with two parameters locked: the orb is drawn at the zoomed size, the size label
    // names the zoom, and a locked row shows its padlock without the pointer over it.
    window->action("zoomInAction")->trigger();
    window->action("zoomInAction")->trigger();
    app.document()->setParameterLocked("backgroundColors", true);
    app.document()->setParameterLocked("blobBlur", true);
    QTest::qWait(300);
    EXPECT_TRUE(view->sizeLabelText().endsWith(QStringLiteral(" %"))) << view->sizeLabelText().toStdString();
    screenshot("editor-window-zoomed-locked.png");
    ui::applyAppTheme(1);
    QTest::qWait(300);
    screenshot("editor-window-zoomed-locked-light.png");
    ui::applyAppTheme(2);
}

// The X server unmaps the window behind Qt's back, as a window manager does when it minimises it
// or shows another workspace, and then the window is minimised through Qt: the canvas renders
// nothing while it is not seen, and when it is seen again it asks for a frame at once, as the
// exposure arrives, rather than at its next tick.
TEST(EditorWindow, DrawsNothingWhileItsWindowIsUnmapped)
{
    QTemporaryDir config;
    qputenv("LUMARA_CONFIG_DIR", config.path().toUtf8());
    int argc = 1;
    char name[] = "lumara";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    auto* x11 = application.nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);

    Preferences preferences;
    ui::LumaraApp app(&preferences);
    ui::MainWindow* window = app.mainWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ui::MainCanvasView* canvas = window->canvas();
    QSignalSpy frames(canvas, &ui::MainCanvasView::framePresented);
    ASSERT_TRUE(frames.wait(5000));

    // Right after the exposure has been handled (a zero timer posted while it is delivered runs
    // before any 16 ms tick could), a frame has been asked for.
    qint64 requestedWhenShown = -1;
    struct ExposeWatch : QObject {
        ui::MainCanvasView* canvas;
        qint64* requested;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Expose)
                QTimer::singleShot(0, canvas, [this] { if (*requested < 0) *requested = canvas->requestedFrames(); });
            return false;
        }
    } watch;
    watch.canvas = canvas;
    watch.requested = &requestedWhenShown;

    const auto surface = static_cast<xcb_window_t>(window->winId());
    xcb_unmap_window(x11->connection(), surface);
    xcb_flush(x11->connection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->windowHandle()->isExposed(); }, 5000));
    QTest::qWait(200); // a frame already in flight may still arrive
    const qint64 presented = canvas->presentedFrames(), requested = canvas->requestedFrames();
    QTest::qWait(1000);
    EXPECT_EQ(canvas->requestedFrames(), requested) << "frames were rendered for an unmapped window";
    EXPECT_EQ(canvas->presentedFrames(), presented);
    EXPECT_TRUE(window->isVisible()); // Qt still thinks it is shown: only exposure tells

    window->windowHandle()->installEventFilter(&watch);
    xcb_map_window(x11->connection(), surface);
    xcb_flush(x11->connection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowHandle()->isExposed() && requestedWhenShown >= 0; }, 5000));
    EXPECT_GT(requestedWhenShown, requested) << "no frame asked for as the window was shown";
    EXPECT_TRUE(QTest::qWaitFor([&] { return canvas->presentedFrames() > presented; }, 2000));
    window->windowHandle()->removeEventFilter(&watch);

    // Minimised through Qt (with no window manager the window stays mapped): nothing either.
    window->setWindowState(Qt::WindowMinimized);
    QTest::qWait(200);
    const qint64 minimised = canvas->requestedFrames();
    QTest::qWait(500);
    EXPECT_EQ(canvas->requestedFrames(), minimised) << "frames were rendered for a minimised window";
    window->setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(QTest::qWaitFor([&] { return canvas->requestedFrames() > minimised; }, 2000));
}
