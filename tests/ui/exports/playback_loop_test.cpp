// The playback loop export against the editor: its frames are the canvas's frames at the same
// moments, and the animated export sheet offers it only for two or more states, with the length it
// will have, up to a real file checked with ffprobe. With LUMARA_SCREENSHOT_DIR set, the sheet is
// saved there in the light and the dark appearance.
#include "ui/UiTestSupport.h"

#include "export/media/PlaybackLoopExport.h"
#include "render/Playback.h"
#include "support/MediaProbe.h"
#include "ui/canvas/FrameRenderer.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/exports/AnimatedExportSheet.h"
#include "ui/exports/ExportFlows.h"
#include "ui/style/Theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>

#include <cstring>

using namespace lumara;
using lumara::test::screenshot;

namespace {

OrbProjectData threeStates(double transition)
{
    OrbProjectData project;
    const double sizes[] = {20, 14, 18};
    const CodableColor glows[] = {{1, 0.2, 0.2, 1}, {0.2, 1, 0.3, 1}, {0.3, 0.3, 1, 1}};
    for (int i = 0; i < 3; ++i) {
        OrbValues values;
        values.orbSize = sizes[i];
        values.glowColor = glows[i];
        values.showShadow = i == 1; // a shadow reaching past its own square
        project.states.push_back({"", "State", values});
    }
    project.transitionDuration = transition;
    return project;
}

// The canvas's frame placed in a canvas of side x side pixels, as premultiplied bytes.
std::vector<std::uint8_t> placed(const ui::Frame& frame, int side)
{
    std::vector<std::uint8_t> bytes(std::size_t(side) * side * 4, 0);
    const QImage& image = frame.image;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bytes.data() + (std::size_t(frame.topLeft.y() + y) * side + frame.topLeft.x()) * 4, image.constScanLine(y),
                    std::size_t(image.width()) * 4);
    return bytes;
}

} // namespace

TEST(PlaybackLoopCanvas, EveryFrameIsWhatTheCanvasShowsAtThatMoment)
{
    test::testApplication();
    QTemporaryDir dir;
    QSettings settings(dir.filePath("Lumara.conf"), QSettings::IniFormat);
    const OrbProjectData project = threeStates(0.3);
    OrbDocument document(project);
    const exporting::PlaybackLoop loop = exporting::playbackLoopOf(document.projectData());
    const double cycle = exporting::playbackLoopDuration(loop), fade = render::fadeDuration(0.3);
    const int side = exporting::playbackLoopFrameSide(loop, 1.0);
    ASSERT_EQ(side, 20);

    // The loop's time 0 is the canvas clock `fade` seconds after playback started from the first state.
    double clock = -fade;
    ui::MainCanvasView canvas(&document, &settings);
    canvas.setClock([&] { return clock; });
    canvas.setPlaying(true);
    for (double t : exporting::playbackLoopSampleTimes(loop, 12)) {
        // A canvas whose frames come on time: it steps exactly when each step is due.
        while (canvas.playback().nextStepTime() <= t) {
            clock = canvas.playback().nextStepTime();
            canvas.currentLayers();
        }
        clock = t;
        const auto shown = canvas.currentLayers();
        const auto layers = render::playbackLoopLayers(t, loop.states.size(), loop.transitionDuration);
        ASSERT_EQ(shown.size(), layers.size()) << "at " << t;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i].index, layers[i].index) << "at " << t;
            EXPECT_NEAR(shown[i].opacity, layers[i].opacity, 1e-9) << "at " << t;
        }
        // In the closing fade the incoming first state runs a cycle early (so the file has no
        // seam); everywhere else the pixels are the canvas's own.
        if (t >= cycle - fade) continue;
        ui::FrameRequest request;
        for (const auto& layer : shown) request.layers.push_back({project.states[layer.index].config, layer.opacity});
        request.time = t;
        request.pixelsPerPoint = 1.0;
        request.canvasPixels = QSize(side, side);
        request.threads = 1;
        EXPECT_EQ(placed(ui::renderFrame(request), side), exporting::renderPlaybackLoopFrame(loop, t, 1.0).pixels)
            << (t == 0.0 ? "the first frame is the first state as the canvas shows it" : "frame") << " at " << t;
    }
}

class PlaybackLoopSheetTest : public test::EditorFixture {
protected:
    ui::ExportFlows* flows() const { return window()->exportFlows(); }
    ui::AnimatedExportSheet* openSheet()
    {
        window()->action("exportAnimationAction")->trigger();
        QTest::qWait(250);
        return flows()->animatedExportSheet();
    }
};

TEST_F(PlaybackLoopSheetTest, OfferedFromTwoStatesWithItsLengthAndExportsOneCycle)
{
    ui::AnimatedExportSheet* sheet = openSheet();
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(sheet->playbackLoopSwitch()->isVisibleTo(sheet)) << "one state has no playback to export";
    EXPECT_FALSE(sheet->isPlaybackLoop());
    flows()->closeAnimatedExportSheet();

    document()->currentConfiguration()->setOrbSize(20);
    document()->addState(); // a copy of the selected state
    document()->addState();
    document()->setTransitionDuration(0.6); // 3 x 1.4 s
    sheet = openSheet();
    ASSERT_TRUE(sheet);
    QCheckBox* choice = sheet->playbackLoopSwitch();
    ASSERT_TRUE(choice->isVisibleTo(sheet));
    EXPECT_EQ(choice->text(), "Playback loop (all states)");
    EXPECT_FALSE(choice->isChecked());
    EXPECT_EQ(sheet->durationLabel()->text(), "4.0s");

    choice->setChecked(true);
    EXPECT_TRUE(sheet->isPlaybackLoop());
    EXPECT_EQ(sheet->durationLabel()->text(), "4.2s") << "the length of one cycle";
    EXPECT_FALSE(sheet->durationSlider()->isVisibleTo(sheet)) << "the cycle fixes the length";
    EXPECT_EQ(sheet->loopNoteLabel()->text(), "3 states × 1.4 s: the 0.6 s transition, then 0.8 s held");
    EXPECT_FALSE(sheet->seamlessSwitch()->isEnabled()) << "the loop is seamless by itself";
    document()->setTransitionDuration(1.0);
    EXPECT_EQ(sheet->durationLabel()->text(), "5.4s") << "follows the transition time";
    document()->setTransitionDuration(0.6);
    for (const int theme : {1, 2}) {
        ui::applyAppTheme(theme);
        screenshot(window(), theme == 1 ? "playback-loop-sheet-light" : "playback-loop-sheet-dark");
    }

    sheet->setFormat(exporting::AnimatedExportFormat::apng);
    sheet->frameRatePicker()->setCurrentIndex(0); // 24 fps: 4.2 s gives 101 frames
    const QString file = path("loop.png");
    dialogs->answers.push_back(file);
    QTest::mouseClick(sheet->exportButton(), Qt::LeftButton);
    ASSERT_TRUE(flows()->animationRunner()->isAnimationExportRunning());
    EXPECT_TRUE(flows()->animationRunner()->animationExportJob()->isPlaybackLoop());
    flows()->animationRunner()->waitForAnimationExport();
    EXPECT_EQ(flows()->animationRunner()->animationExportJob()->outcome(), ui::AnimationExportJob::Outcome::succeeded)
        << flows()->animationRunner()->animationExportJob()->failureReason().toStdString();
    EXPECT_EQ(flows()->animationRunner()->animationExportJob()->framesTotal(), 101);
    const auto probe = test::probeVideo(file.toStdString());
    EXPECT_EQ(probe.at("streams.stream.0.nb_read_frames"), "101");
    EXPECT_EQ(probe.at("streams.stream.0.width"), "40");

    // Deleting states down to one while the sheet is open withdraws the choice.
    sheet = openSheet();
    ASSERT_TRUE(sheet);
    sheet->playbackLoopSwitch()->setChecked(true);
    document()->deleteState(2);
    document()->deleteState(1);
    EXPECT_FALSE(sheet->playbackLoopSwitch()->isVisibleTo(sheet));
    EXPECT_FALSE(sheet->isPlaybackLoop());
    EXPECT_TRUE(sheet->durationSlider()->isVisibleTo(sheet));
    EXPECT_FALSE(sheet->loopNoteLabel()->isVisibleTo(sheet));
    EXPECT_EQ(sheet->durationLabel()->text(), "4.0s");
    EXPECT_FALSE(flows()->animationRunner()->startAnimationExport(exporting::AnimatedExportFormat::apng, sheet->settings(), path("refused.png"), true))
        << "a loop of one state is refused";
}
