// The canvas: the backdrop preference in a real settings file, the drawn checkerboard, the size
// label, the frames rendered off the UI thread (shadow beyond the square, stale requests dropped)
// and the playback stack under an injected clock.
#include "ui/UiTestSupport.h"

#include "document/OrbDocument.h"
#include "model/OrbPreset.h"
#include "ui/canvas/CanvasBackground.h"
#include "ui/canvas/FrameRenderer.h"
#include "ui/canvas/MainCanvasView.h"

#include <QAbstractButton>
#include <QPainter>
#include <QSettings>
#include <QSignalSpy>

#include <cmath>

using namespace lumara;
using lumara::test::EditorFixture;

namespace {

QColor grey(double level) { return QColor::fromRgbF(float(level), float(level), float(level)); }

bool near(const QColor& a, const QColor& b) { return std::abs(a.red() - b.red()) <= 1 && std::abs(a.blue() - b.blue()) <= 1; }

} // namespace

TEST(CanvasBackground, StoredSevenShowsTheCheckerboardUntilTheUserPicks)
{
    lumara::test::testApplication();
    QTemporaryDir dir;
    qputenv("LUMARA_CONFIG_DIR", dir.path().toUtf8());
    {
        QSettings file(dir.filePath("Lumara.conf"), QSettings::IniFormat);
        file.setValue("canvasBackground", 7);
    }
    Preferences preferences; // the default location, moved by LUMARA_CONFIG_DIR
    OrbDocument document(OrbProjectData{});
    ui::MainCanvasView canvas(&document, &preferences.settings());
    canvas.resize(100, 30);
    EXPECT_EQ(canvas.backgroundRawValue(), 7);
    EXPECT_EQ(canvas.background(), ui::CanvasBackground::checkerboard);
    for (ui::CanvasBackground choice : ui::kAllCanvasBackgrounds)
        EXPECT_FALSE(canvas.backgroundPicker()->button(choice)->isChecked()) << "no swatch is marked";

    // The backdrop itself: 12-point squares, the lighter grey top-left.
    const QImage drawn = canvas.grab().toImage();
    EXPECT_TRUE(near(drawn.pixelColor(6, 6), grey(0.18)));
    EXPECT_TRUE(near(drawn.pixelColor(18, 6), grey(0.14)));
    EXPECT_TRUE(near(drawn.pixelColor(18, 18), grey(0.18)));

    QTest::mouseClick(canvas.backgroundPicker()->button(ui::CanvasBackground::white), Qt::LeftButton);
    QCoreApplication::processEvents(); // the settings file is written at the next turn of the event loop
    EXPECT_EQ(QSettings(dir.filePath("Lumara.conf"), QSettings::IniFormat).value("canvasBackground").toInt(), 1);
    EXPECT_TRUE(canvas.backgroundPicker()->button(ui::CanvasBackground::white)->isChecked());
    EXPECT_EQ(canvas.grab().toImage().pixelColor(6, 6), QColor(Qt::white));
    qunsetenv("LUMARA_CONFIG_DIR");
}

TEST(CanvasBackground, ChoicesNamesAndGrid)
{
    const struct {
        int raw;
        ui::CanvasBackground shown;
        const char* name;
    } table[] = {
        {0, ui::CanvasBackground::checkerboard, "Checkerboard"}, {1, ui::CanvasBackground::white, "White"},
        {2, ui::CanvasBackground::black, "Black"},               {3, ui::CanvasBackground::lightGray, "Light Gray"},
        {4, ui::CanvasBackground::darkGray, "Dark Gray"},        {-1, ui::CanvasBackground::checkerboard, "Checkerboard"},
        {5, ui::CanvasBackground::checkerboard, "Checkerboard"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(ui::canvasBackgroundForRaw(row.raw), row.shown) << row.raw;
        EXPECT_EQ(ui::canvasBackgroundName(ui::canvasBackgroundForRaw(row.raw)), row.name);
    }
    EXPECT_EQ(ui::canvasBackgroundColor(ui::CanvasBackground::lightGray), grey(0.75));
    EXPECT_EQ(ui::checkerboardGrid(100, 30, 12), std::make_pair(9, 3));
    EXPECT_EQ(ui::checkerboardGrid(0, 30, 12), std::make_pair(0, 0));
}

TEST_F(EditorFixture, SizeLabelFollowsTheSelectedStateAndSurvivesAbsurdSizes)
{
    ui::MainCanvasView* canvas = window()->canvas();
    const QString times = QString::fromUtf8(" \u00d7 ");
    EXPECT_EQ(canvas->sizeLabelText(), "280" + times + "280");
    document()->currentConfiguration()->setOrbSize(299.6);
    EXPECT_EQ(canvas->sizeLabelText(), "299" + times + "299") << "toward zero";
    document()->addState();
    document()->currentConfiguration()->setOrbSize(120);
    EXPECT_EQ(canvas->sizeLabelText(), "120" + times + "120");
    document()->selectState(0);
    EXPECT_EQ(canvas->sizeLabelText(), "299" + times + "299");
    for (double absurd : {-0.5, double(NAN), double(INFINITY), 1e30}) EXPECT_EQ(ui::orbSizeLabel(absurd), "0" + times + "0") << absurd;
}

TEST(FrameRendering, ShadowReachesBeyondTheSquareAndTheCanvasCrops)
{
    OrbValues values;
    values.orbSize = 100;
    ui::FrameRequest request{{{values, 1.0}}, 0.0, 1.0, QSize(400, 400), 1};
    const ui::Frame frame = ui::renderFrame(request);
    ASSERT_FALSE(frame.image.isNull());
    EXPECT_GT(frame.image.width(), 100);
    const QPoint below = QPoint(200, 150 + 100 + 8) - frame.topLeft; // a few points under the square
    ASSERT_TRUE(frame.image.rect().contains(below));
    EXPECT_GT(qAlpha(frame.image.pixel(below)), 0) << "the drop shadow shows below the orb's square";

    values.showShadow = false;
    request.layers = {{values, 1.0}};
    EXPECT_EQ(ui::renderFrame(request).image.size(), QSize(100, 100));

    request.canvasPixels = QSize(60, 40); // smaller than the orb: only the visible part is drawn
    const ui::Frame cropped = ui::renderFrame(request);
    EXPECT_EQ(cropped.image.size(), QSize(60, 40));
    EXPECT_EQ(cropped.topLeft, QPoint(0, 0));

    values.orbSize = NAN;
    request.layers = {{values, 1.0}};
    EXPECT_TRUE(ui::renderFrame(request).image.isNull()) << "an absurd size draws nothing";
}

TEST(FrameRendering, AbsurdValuesFromAnEditedFileStayWithinTheCanvas)
{
    const auto with = [](auto edit) {
        OrbValues values;
        edit(values);
        return values;
    };
    const OrbValues cases[] = {
        with([](OrbValues& v) { v.orbSize = 1e9; }),
        with([](OrbValues& v) { v.shadowRadius = 1e12; }),
        with([](OrbValues& v) { v.shadowRadius = NAN; }),
        with([](OrbValues& v) { v.orbSize = -50; }),
        with([](OrbValues& v) { v.blobCount = 1000000000; }),
    };
    for (const OrbValues& values : cases) {
        const auto kept = std::make_shared<render::StillLayers>();
        for (int frame = 0; frame < 3; ++frame) {
            const ui::Frame drawn = ui::renderFrame({{{values, 1.0}}, double(frame), 1.0, QSize(320, 240), 1, {}, kept});
            EXPECT_TRUE(QRect(0, 0, 320, 240).contains(QRect(drawn.topLeft, drawn.image.size())) || drawn.image.isNull());
        }
    }
}

TEST(FrameRendering, KeptStillLayersGiveTheSamePictureAsDrawingItWhole)
{
    const auto kept = std::make_shared<render::StillLayers>();
    for (const char* name : {"", "Nebula", "Cloud"}) {
        OrbValues values = *name ? findPreset(name)->configuration : OrbValues{};
        values.orbSize = 120;
        OrbValues other = values;
        other.glowColor.red = 1.0 - other.glowColor.red;
        for (double time : {0.0, 0.5, 1.25, 7.0}) { // kept from the second frame on
            // The look alone, and crossing over to another at the middle of a fade.
            for (const std::vector<ui::FrameLayer>& layers :
                 {std::vector<ui::FrameLayer>{{values, 1.0}}, std::vector<ui::FrameLayer>{{values, 0.5}, {other, 0.5}}}) {
                ui::FrameRequest request{layers, time, 1.0, QSize(400, 300), 1};
                const ui::Frame direct = ui::renderFrame(request);
                request.stillLayers = kept;
                const ui::Frame cached = ui::renderFrame(request);
                ASSERT_EQ(cached.topLeft, direct.topLeft);
                EXPECT_EQ(cached.image, direct.image) << name << " at " << time << ", " << layers.size() << " layers";
            }
        }
    }
    EXPECT_GT(kept->computed().shadows, 0);
}

TEST(FrameRendering, CrossFadeBlendsTwoOrbsByOpacity)
{
    OrbValues red, blue;
    red.backgroundColors = {{1, 0, 0, 1}};
    blue.backgroundColors = {{0, 0, 1, 1}};
    red.showGlowEffects = blue.showGlowEffects = false;
    red.showWavyBlobs = blue.showWavyBlobs = false;
    red.showShadow = blue.showShadow = false;
    ui::FrameRequest request{{{red, 0.25}, {blue, 0.75}}, 0.0, 1.0, QSize(300, 300), 1};
    const ui::Frame frame = ui::renderFrame(request);
    const QColor middle = frame.image.pixelColor(frame.image.width() / 2, frame.image.height() / 2);
    EXPECT_GT(middle.blue(), middle.red());
    EXPECT_GT(middle.red(), 10) << "the outgoing orb still shows during the fade";
}

TEST(FrameRendering, AtMostOneFrameInFlightAndStaleRequestsAreDropped)
{
    lumara::test::testApplication();
    ui::FrameRenderer renderer;
    QSignalSpy ready(&renderer, &ui::FrameRenderer::frameReady);
    OrbValues values;
    for (int i = 0; i < 5; ++i) renderer.request({{{values, 1.0}}, double(i), 1.0, QSize(300, 300), 1});
    QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 2, 10000);
    QTest::qWait(50);
    ASSERT_EQ(ready.size(), 2) << "the first request and the newest one; the three between are dropped";
    EXPECT_EQ(ready.at(0).at(0).value<ui::Frame>().time, 0.0);
    EXPECT_EQ(ready.at(1).at(0).value<ui::Frame>().time, 4.0);
}

TEST_F(EditorFixture, PlayingStackCrossFadesOnTheInjectedClock)
{
    ui::MainCanvasView* canvas = window()->canvas();
    double now = 100.0;
    canvas->setClock([&now] { return now; });
    document()->addState();
    document()->addState(); // three states, the third selected
    document()->setTransitionDuration(1.0);
    EXPECT_EQ(canvas->currentLayers(), (std::vector<render::PlaybackLayer>{{2, 1.0}})) << "editing shows the selection";

    canvas->setPlaying(true);
    EXPECT_EQ(canvas->currentLayers(), (std::vector<render::PlaybackLayer>{{0, 1.0}})) << "playback starts at index 0";
    now += 1.79;
    EXPECT_EQ(canvas->currentLayers(), (std::vector<render::PlaybackLayer>{{0, 1.0}}));
    now += 0.01; // 1.8 s: the fade to the next state begins
    canvas->currentLayers();
    now += 0.5;
    const auto layers = canvas->currentLayers();
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0].index, 0u);
    EXPECT_EQ(layers[1].index, 1u);
    EXPECT_NEAR(layers[0].opacity, 0.5, 1e-9);
    EXPECT_NEAR(layers[1].opacity, 0.5, 1e-9);
    EXPECT_EQ(document()->selectedStateIndex(), 2) << "playback never moves the selection";

    // Deleting down to one state ends playback; the selected orb shows again.
    document()->deleteState(2);
    document()->deleteState(1);
    EXPECT_EQ(canvas->currentLayers(), (std::vector<render::PlaybackLayer>{{0, 1.0}}));
    EXPECT_FALSE(canvas->playback().isRunning());
}

TEST_F(EditorFixture, CanvasStopsDrawingWhileHiddenOrMinimised)
{
    ui::MainCanvasView* canvas = window()->canvas();
    QSignalSpy frames(canvas, &ui::MainCanvasView::framePresented);
    ASSERT_TRUE(frames.wait(5000)) << "the shown canvas draws";
    for (auto hideIt : {+[](QWidget* w) { w->showMinimized(); }, +[](QWidget* w) { w->hide(); }}) {
        hideIt(window());
        // A frame already in flight may still land: wait until none is, then for its delivery.
        QTRY_VERIFY_WITH_TIMEOUT(!canvas->isRenderingFrame(), 5000);
        QTest::qWait(150);
        const qint64 before = canvas->presentedFrames();
        QTest::qWait(300);
        EXPECT_EQ(canvas->presentedFrames(), before);
        window()->showNormal();
        EXPECT_TRUE(frames.wait(5000)) << "drawing resumes when shown again";
    }
}
