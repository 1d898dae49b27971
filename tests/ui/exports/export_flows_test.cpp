// The export flows in a real window on the offscreen platform, with the real bundled highlight.js
// and real encodes: the preview per format and appearance, copying and its "Copied!" timing on an
// injected clock, Escape and backdrop clicks per layer, the plain-text fallback, and the animated
// export sheet from its controls to a file checked with ffprobe, Stop and the disabled button.
// With LUMARA_SCREENSHOT_DIR set, the window is saved there as PNGs at the interesting moments.
#include "ui/UiTestSupport.h"

#include "highlight/Highlight.h"
#include "support/MediaProbe.h"
#include "support/TestSupport.h"
#include "ui/exports/AnimatedExportSheet.h"
#include "ui/exports/ExportFlows.h"
#include "ui/style/Theme.h"
#include "ui/widgets/DimmedOverlay.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QScreen>
#include <QMimeData>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTextBlock>
#include <QTextDocument>
#include <QPlainTextEdit>

using namespace lumara;
using lumara::test::screenshot;
using exporting::AnimatedExportFormat;
using exporting::ExportFormat;

namespace {

// Foreground colours of the runs of styled text, by the run's text.
std::map<QString, QColor> runColours(const QTextDocument& document)
{
    std::map<QString, QColor> colours;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            colours.emplace(it.fragment().text(), it.fragment().charFormat().foreground().color());
    return colours;
}

class ExportFlowsTest : public test::EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        flows()->setScheduler([this](int ms, std::function<void()> action) { scheduled.emplace_back(ms, std::move(action)); });
    }
    ui::ExportFlows* flows() const { return window()->exportFlows(); }

    ui::ExportPreviewSheet* waitForPreview()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return flows()->previewSheet() != nullptr; }, 20000));
        QTest::qWait(250); // the fade-in
        return flows()->previewSheet();
    }
    ui::AnimatedExportSheet* openAnimatedSheet()
    {
        window()->action("exportAnimationAction")->trigger();
        QTest::qWait(250);
        return flows()->animatedExportSheet();
    }
    void clickBackdrop(ui::DimmedOverlay* overlay) { QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(5, 5)); }

    std::vector<std::pair<int, std::function<void()>>> scheduled;
};

} // namespace

TEST_F(ExportFlowsTest, EachFormatPreviewsColouredWithItsLanguageAndTheWindowsTheme)
{
    const struct {
        const char* action;
        ExportFormat format;
        const char* title;
        const char* run;     // a run of the coloured text that its language colours
        const char* dark;    // atom-one-dark's colour for it
        const char* light;   // atom-one-light's
    } table[] = {
        {"exportSwiftUIAction", ExportFormat::swiftUI, "SwiftUI Export", "import", "#c678dd", "#a626a4"},
        {"exportHTMLAction", ExportFormat::html, "HTML Export", "meta", "#d19a66", "#986801"},
        {"exportPromptAction", ExportFormat::prompt, "Prompt Export", "#", "#e06c75", "#e45649"},
    };
    for (bool dark : {true, false}) {
        ui::applyAppTheme(dark ? 2 : 1);
        for (const auto& row : table) {
            SCOPED_TRACE(row.title);
            window()->action(row.action)->trigger();
            ASSERT_TRUE(flows()->isPreparingExport());
            ASSERT_TRUE(flows()->generatingOverlay());
            {
                // One element for assistive technology: the card, busy, with no spinner or label of
                // its own to announce the same again.
                QAccessibleInterface* card = QAccessible::queryAccessibleInterface(flows()->generatingOverlay()->content());
                ASSERT_NE(card, nullptr);
                EXPECT_EQ(card->text(QAccessible::Name), "Generating code");
                EXPECT_EQ(card->childCount(), 0);
                EXPECT_TRUE(card->state().busy);
            }
            ui::ExportPreviewSheet* sheet = waitForPreview();
            ASSERT_TRUE(sheet);
            EXPECT_EQ(sheet->titleLabel()->text(), row.title);
            const std::string expected = exporting::generateExportText(row.format, document()->projectData());
            EXPECT_EQ(sheet->textView()->toPlainText().toStdString(), QString::fromStdString(expected).trimmed().toStdString());
            // The language shows in which runs are coloured; the theme in their colours and the background.
            bool found = false;
            for (const auto& [text, colour] : runColours(*sheet->textView()->document()))
                if (text.startsWith(QLatin1String(row.run)) || (row.format == ExportFormat::html && colour == QColor(dark ? row.dark : row.light)))
                    found = found || colour == QColor(dark ? row.dark : row.light);
            EXPECT_TRUE(found) << "no run coloured " << (dark ? row.dark : row.light);
            EXPECT_EQ(sheet->textView()->palette().color(QPalette::Base), QColor(dark ? "#282c34" : "#fafafa"));
            const QSize size = sheet->size().shrunkBy(sheet->contentsMargins());
            EXPECT_GE(size.width(), 600);
            EXPECT_LE(size.width(), 800);
            EXPECT_GE(size.height(), 400);
            EXPECT_LE(size.height(), 600);
            if (row.format == ExportFormat::swiftUI) screenshot(window(), dark ? "preview-dark" : "preview-light");
            flows()->closePreview();
            QTest::qWait(250);
        }
    }
    ui::applyAppTheme(2);
}

TEST_F(ExportFlowsTest, CopyPutsThePlainTextAndEachPressSchedulesItsOwnReset)
{
    window()->requestExportPreview(ExportFormat::html);
    ui::ExportPreviewSheet* sheet = waitForPreview();
    ASSERT_TRUE(sheet);
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    EXPECT_EQ(sheet->copyButton()->text(), "Copy to Clipboard");
    QTest::mouseClick(sheet->copyButton(), Qt::LeftButton);
    QTest::mouseClick(sheet->copyButton(), Qt::LeftButton);
    const std::string page = exporting::generateExportText(ExportFormat::html, document()->projectData());
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), page); // exactly the page, no colour markup
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasHtml());
    EXPECT_EQ(sheet->copyButton()->text(), "Copied!");
    ASSERT_EQ(scheduled.size(), 2u);
    EXPECT_EQ(scheduled[0].first, 2000);
    scheduled[0].second(); // two seconds after the first press: its reset clears "Copied!"
    EXPECT_EQ(sheet->copyButton()->text(), "Copy to Clipboard");
    scheduled[1].second();
    EXPECT_EQ(sheet->copyButton()->text(), "Copy to Clipboard");
}

TEST_F(ExportFlowsTest, EscapeAndBackdropClicksCloseWhatTheLayerAllows)
{
    // The preview: Escape closes it like Done; so does a click on the backdrop.
    window()->requestExportPreview(ExportFormat::prompt);
    ASSERT_TRUE(waitForPreview());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(flows()->previewSheet(), nullptr);
    QTest::qWait(300);
    window()->requestExportPreview(ExportFormat::prompt);
    ASSERT_TRUE(waitForPreview());
    clickBackdrop(flows()->previewOverlay());
    EXPECT_EQ(flows()->previewSheet(), nullptr);
    QTest::qWait(300);

    // The generating card ignores clicks on its backdrop.
    window()->requestExportPreview(ExportFormat::swiftUI);
    QPointer<ui::DimmedOverlay> card = flows()->generatingOverlay();
    ASSERT_TRUE(card);
    clickBackdrop(card);
    EXPECT_FALSE(card->isDismissing());
    ASSERT_TRUE(waitForPreview());
    flows()->closePreview();
    QTest::qWait(300);

    // The animated export: Escape and the backdrop close it; a click inside does not.
    for (bool escape : {true, false}) {
        ui::AnimatedExportSheet* sheet = openAnimatedSheet();
        ASSERT_TRUE(sheet);
        QTest::mouseClick(sheet, Qt::LeftButton, {}, sheet->rect().center());
        EXPECT_TRUE(flows()->animatedExportSheet());
        EXPECT_TRUE(sheet->isAncestorOf(QApplication::focusWidget()))
            << "focus stays inside the layer: " << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
        if (escape) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else clickBackdrop(flows()->animationOverlay());
        EXPECT_EQ(flows()->animatedExportSheet(), nullptr);
        QTest::qWait(300);
    }
}

TEST_F(ExportFlowsTest, AMissingScriptShowsThePlainText)
{
    highlight::Highlight broken(QStringLiteral(":/highlight/missing.min.js"));
    flows()->setHighlighter(&broken);
    window()->requestExportPreview(ExportFormat::swiftUI);
    ui::ExportPreviewSheet* sheet = waitForPreview();
    ASSERT_TRUE(sheet);
    const QString code = QString::fromStdString(exporting::generateExportText(ExportFormat::swiftUI, document()->projectData()));
    EXPECT_EQ(sheet->textView()->toPlainText(), code);
    std::set<QRgb> colours;
    for (const auto& [text, colour] : runColours(*sheet->textView()->document())) colours.insert(colour.rgba());
    EXPECT_LE(colours.size(), 1u) << "plain text has no colouring";
    flows()->closePreview();
    QTest::qWait(250);
    flows()->setHighlighter(nullptr);
}

namespace {

// Whether a button is drawn filled with the brand accent: its face beside the text is the accent.
bool filledWithTheAccent(QAbstractButton* button)
{
    const QImage face = button->grab().toImage();
    const QColor seen = face.pixelColor(6, face.height() / 2);
    const QColor accent = ui::brandAccent();
    return std::abs(seen.red() - accent.red()) < 24 && std::abs(seen.green() - accent.green()) < 24 &&
           std::abs(seen.blue() - accent.blue()) < 24;
}

} // namespace

TEST_F(ExportFlowsTest, EachSheetsMainButtonIsFilledWithTheAccentAndTheOthersAreNot)
{
    for (int theme : {1, 2}) {
        ui::applyAppTheme(theme);
        window()->requestExportPreview(ExportFormat::swiftUI);
        ui::ExportPreviewSheet* preview = waitForPreview();
        ASSERT_TRUE(preview);
        EXPECT_TRUE(filledWithTheAccent(preview->copyButton())) << "Copy to Clipboard, theme " << theme;
        flows()->closePreview();
        QTest::qWait(250);

        ui::AnimatedExportSheet* sheet = openAnimatedSheet();
        ASSERT_TRUE(sheet);
        EXPECT_TRUE(filledWithTheAccent(sheet->exportButton())) << "Export…, theme " << theme;
        EXPECT_FALSE(filledWithTheAccent(sheet->cancelButton())) << "Cancel, theme " << theme;
        EXPECT_EQ(sheet->exportButton()->height(), sheet->cancelButton()->height());
        flows()->closeAnimatedExportSheet();
        QTest::qWait(250);
    }
    ui::applyAppTheme(2);
}

TEST_F(ExportFlowsTest, AnimatedSheetShowsTheRightControlsPerFormat)
{
    ui::AnimatedExportSheet* sheet = openAnimatedSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->format(), AnimatedExportFormat::apng);
    QStringList labels;
    for (int i = 0; i < sheet->formatPicker()->count(); ++i) labels << sheet->formatPicker()->itemText(i);
    EXPECT_EQ(labels, (QStringList{"MP4 Video", "Animated PNG", "GIF", "WebM Video", "ProRes 4444"}));

    sheet->setMatte(QColor(10, 200, 30));
    const struct {
        AnimatedExportFormat format;
        bool background;
        int topFps;
    } table[] = {{AnimatedExportFormat::mp4, true, 60}, {AnimatedExportFormat::apng, false, 60},
                 {AnimatedExportFormat::gif, true, 50}, {AnimatedExportFormat::webm, false, 60},
                 {AnimatedExportFormat::prores, false, 60}};
    for (const auto& row : table) {
        sheet->setFormat(row.format);
        EXPECT_EQ(sheet->backgroundRow()->isVisibleTo(sheet), row.background) << int(row.format);
        EXPECT_EQ(sheet->descriptionLabel()->text().toStdString(), exporting::animatedExportFormatDescription(row.format));
        EXPECT_EQ(sheet->frameRatePicker()->itemText(2), QStringLiteral("%1 fps").arg(row.topFps));
        if (row.format == AnimatedExportFormat::gif) screenshot(window(), "animated-export-gif");
        if (row.format == AnimatedExportFormat::prores) screenshot(window(), "animated-export-prores");
    }
    // A hidden background row keeps its colour; a GIF never asks for 60 fps.
    EXPECT_NEAR(sheet->settings().matte.green, 200 / 255.0, 1e-4);
    sheet->frameRatePicker()->setCurrentIndex(2);
    sheet->setFormat(AnimatedExportFormat::gif);
    EXPECT_EQ(sheet->settings().fps, 50);

    QStringList durations;
    for (int v = sheet->durationSlider()->minimum(); v <= sheet->durationSlider()->maximum(); ++v) {
        sheet->durationSlider()->setValue(v);
        durations << sheet->durationLabel()->text();
    }
    EXPECT_EQ(durations.front(), "1.0s");
    EXPECT_EQ(durations.back(), "8.0s");
    EXPECT_EQ(durations.size(), 15);
    EXPECT_TRUE(durations.contains("4.5s"));
}

TEST_F(ExportFlowsTest, ExportsAVideoThroughTheSheetWithProgressAndClosesOnceThePanelAnswers)
{
    document()->currentConfiguration()->setOrbSize(60);
    ui::AnimatedExportSheet* sheet = openAnimatedSheet();
    ASSERT_TRUE(sheet);
    sheet->setFormat(AnimatedExportFormat::mp4);
    sheet->durationSlider()->setValue(2); // 1.0 s
    sheet->frameRatePicker()->setCurrentIndex(0); // 24 fps
    // A dismissed save panel leaves the sheet open, without an error and without an export.
    QTest::mouseClick(sheet->exportButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions.back().proposedName, "orb.mp4");
    EXPECT_EQ(dialogs->questions.back().type.extension, "mp4");
    EXPECT_EQ(flows()->animatedExportSheet(), sheet);
    EXPECT_FALSE(sheet->errorLabel()->isVisibleTo(sheet));
    EXPECT_FALSE(flows()->animationRunner()->isAnimationExportRunning());

    const QString file = path("orb.mp4");
    dialogs->answers.push_back(file);
    int progressReports = 0;
    QObject::connect(flows()->animationRunner(), &ui::AnimationExportRunner::animationExportProgress, [&](int, int) { ++progressReports; });
    QTest::mouseClick(sheet->exportButton(), Qt::LeftButton);
    ASSERT_TRUE(flows()->animationRunner()->isAnimationExportRunning());
    EXPECT_FALSE(sheet->exportButton()->isEnabled());
    EXPECT_TRUE(sheet->stopButton()->isVisibleTo(sheet));
    EXPECT_TRUE(sheet->progressBar()->isVisibleTo(sheet));
    EXPECT_FALSE(flows()->animationRunner()->startAnimationExport(AnimatedExportFormat::mp4, sheet->settings(), path("second.mp4")))
        << "a second export while one runs is refused";
    QPointer<ui::AnimatedExportSheet> watched = sheet;
    flows()->animationRunner()->waitForAnimationExport();
    EXPECT_EQ(flows()->animationRunner()->animationExportJob()->outcome(), ui::AnimationExportJob::Outcome::succeeded);
    EXPECT_GT(progressReports, 0);
    EXPECT_EQ(flows()->animatedExportSheet(), nullptr) << "the sheet closes on success";
    EXPECT_TRUE(flows()->exportStatus()->isVisible());
    EXPECT_TRUE(flows()->exportStatus()->findChild<QLabel*>()->text().contains("orb.mp4"));

    const auto probe = test::probeVideo(file.toStdString());
    EXPECT_EQ(probe.at("streams.stream.0.codec_name"), "h264");
    EXPECT_EQ(probe.at("streams.stream.0.nb_read_frames"), "24");
    EXPECT_EQ(probe.at("streams.stream.0.width"), "120");
    EXPECT_FALSE(QFileInfo::exists(path("second.mp4")));
}

TEST_F(ExportFlowsTest, StopLeavesTheExistingFileIntactAndCancelKeepsTheExportGoing)
{
    const QString file = path("orb.webm");
    test::writeBytes(file.toStdString(), "an earlier export");
    ui::AnimatedExportSheet* sheet = openAnimatedSheet();
    ASSERT_TRUE(sheet);
    sheet->setFormat(AnimatedExportFormat::webm);
    sheet->durationSlider()->setValue(16); // 8 s at 60 fps of a 300 point orb: long enough to stop
    sheet->frameRatePicker()->setCurrentIndex(2);
    dialogs->answers.push_back(file);
    QTest::mouseClick(sheet->exportButton(), Qt::LeftButton);
    ASSERT_TRUE(flows()->animationRunner()->isAnimationExportRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return flows()->animationRunner()->animationExportJob()->framesDone() > 0; }, 20000));
    screenshot(window(), "animated-export-running");
    // WebM's alpha pass doubles the writer's steps; the note still counts the file's 480 frames.
    auto* note = sheet->findChild<QLabel*>(QStringLiteral("progressNote"));
    ASSERT_TRUE(note);
    EXPECT_TRUE(QTest::qWaitFor([&] { return note->text().startsWith("Exporting 480 frames: "); }, 2000)) << note->text().toStdString();

    // Cancel closes the sheet; the export goes on and shows in the window with its own Stop.
    QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(flows()->animatedExportSheet(), nullptr);
    EXPECT_TRUE(flows()->animationRunner()->isAnimationExportRunning());
    QTest::qWait(300);
    EXPECT_TRUE(flows()->exportStatus()->isVisible());
    screenshot(window(), "animated-export-status");
    auto* stop = flows()->exportStatus()->findChild<QPushButton*>();
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->text(), "Stop");
    QTest::mouseClick(stop, Qt::LeftButton);
    flows()->animationRunner()->waitForAnimationExport();
    EXPECT_EQ(flows()->animationRunner()->animationExportJob()->outcome(), ui::AnimationExportJob::Outcome::stopped);
    EXPECT_EQ(test::readBytes(file.toStdString()), "an earlier export");
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_TRUE(name == "orb.webm" || name.startsWith("Lumara.conf") || name.startsWith(".Lumara.conf."))
            << "left behind: " << name.toStdString(); // .Lumara.conf.* is the settings' working copy
}

TEST_F(ExportFlowsTest, AFailedExportSaysSoInTheSheetAndInTheWindowOnceClosed)
{
    document()->currentConfiguration()->setOrbSize(40);
    for (bool sheetOpen : {true, false}) {
        ui::AnimatedExportSheet* sheet = openAnimatedSheet();
        ASSERT_TRUE(sheet);
        sheet->setFormat(AnimatedExportFormat::gif);
        sheet->durationSlider()->setValue(2);
        const QString unwritable = path("no such folder/orb.gif");
        if (sheetOpen) {
            dialogs->answers.push_back(unwritable);
            QTest::mouseClick(sheet->exportButton(), Qt::LeftButton);
        } else {
            // Closed before the outcome can arrive: the window has to say it.
            const exporting::MotionSettings settings = sheet->settings();
            flows()->closeAnimatedExportSheet();
            ASSERT_TRUE(flows()->animationRunner()->startAnimationExport(AnimatedExportFormat::gif, settings, unwritable));
        }
        flows()->animationRunner()->waitForAnimationExport();
        EXPECT_EQ(flows()->animationRunner()->animationExportJob()->outcome(), ui::AnimationExportJob::Outcome::failed);
        if (sheetOpen) {
            EXPECT_TRUE(sheet->errorLabel()->isVisibleTo(sheet));
            EXPECT_EQ(sheet->errorLabel()->text(), "Export failed. Please try again.");
            EXPECT_TRUE(sheet->exportButton()->isEnabled());
            flows()->closeAnimatedExportSheet();
            QTest::qWait(250);
        } else {
            EXPECT_TRUE(flows()->exportStatus()->isVisible());
            EXPECT_EQ(flows()->exportStatus()->findChild<QLabel*>()->text(), "Export failed. Please try again.");
        }
    }
}
