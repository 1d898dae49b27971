// Colors ▸ From Image… and a picture dropped on the gradient bar, with real PNG files on a temporary
// folder: the picture's colours become the background's in one undo step, the glow and the rest
// stay, the bar and the swatches show the new colours, and a file that is no picture shows the
// failure notice and changes nothing. With LUMARA_SCREENSHOT_DIR set (under xvfb-run with
// QT_QPA_PLATFORM=xcb), saves the Colors menu open and the inspector after a palette, dark and light.
#include "ui/UiTestSupport.h"

#include "ui/inspector/ColorConversion.h"
#include "ui/inspector/ColorsSection.h"
#include "ui/inspector/InspectorControls.h"
#include "ui/inspector/InspectorView.h"
#include "ui/style/Theme.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QUndoStack>

using namespace lumara;
using lumara::test::EditorFixture;

namespace {

// Four horizontal bands of 40 %, 25 %, 20 % and 15 %, light to dark from the top.
const QColor kBands[] = {QColor(250, 226, 160), QColor(236, 110, 60), QColor(140, 40, 120), QColor(24, 20, 60)};
const int kBandHeights[] = {40, 25, 20, 15};

QString writeBands(const QString& path)
{
    QImage image(120, 100, QImage::Format_ARGB32);
    QPainter p(&image);
    int top = 0;
    for (int i = 0; i < 4; ++i) {
        p.fillRect(0, top, 120, kBandHeights[i], kBands[i]);
        top += kBandHeights[i];
    }
    p.end();
    EXPECT_TRUE(image.save(path));
    return path;
}

// The bands dark to light, as the palette orders them.
std::vector<CodableColor> bandPalette()
{
    std::vector<CodableColor> colors;
    for (int i = 3; i >= 0; --i) colors.push_back({kBands[i].redF(), kBands[i].greenF(), kBands[i].blueF(), 1.0});
    return colors;
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

class ColorsFromImage : public EditorFixture {
protected:
    ui::ColorsSection* colors() const
    {
        return static_cast<ui::InspectorView*>(window()->inspector())->colorsSection();
    }
    ui::GradientPreviewBar* bar() const { return colors()->previewBar(); }

    // The colours as they stand, and that everything but the background colours is as `before`.
    void expectOnlyBackgroundChanged(const OrbValues& before, const std::vector<CodableColor>& background)
    {
        OrbValues expected = before;
        expected.backgroundColors = background;
        EXPECT_EQ(document()->currentConfiguration()->values(), expected);
    }

    // The bar's own pixels near its two ends and the swatches show `background`.
    void expectShown(const std::vector<CodableColor>& background)
    {
        QCoreApplication::processEvents();
        const QImage shown = bar()->grab().toImage();
        const int middle = shown.height() / 2;
        EXPECT_TRUE(near(shown.pixelColor(3, middle), displayColor(background.front()), 6))
            << shown.pixelColor(3, middle).name().toStdString();
        EXPECT_TRUE(near(shown.pixelColor(shown.width() - 4, middle), displayColor(background.back()), 6))
            << shown.pixelColor(shown.width() - 4, middle).name().toStdString();
        const QList<ui::ColorSwatch*> swatches = colors()->colorSwatches();
        ASSERT_EQ(swatches.size(), qsizetype(background.size()));
        for (qsizetype i = 0; i < swatches.size(); ++i) {
            EXPECT_TRUE(swatches[i]->isVisible());
            EXPECT_EQ(swatches[i]->color(), background[std::size_t(i)]);
        }
    }

    void dropOnBar(const QString& file, bool expectTaken)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPoint at = bar()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar(), &enter);
        EXPECT_EQ(bar()->isDropTarget(), expectTaken) << "the accent outline shows while a picture hovers";
        if (expectTaken) {
            const QImage hovered = bar()->grab().toImage();
            EXPECT_TRUE(near(hovered.pixelColor(1, hovered.height() / 2), ui::brandAccent(), 40))
                << hovered.pixelColor(1, hovered.height() / 2).name().toStdString();
        }
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar(), &drop);
        EXPECT_FALSE(bar()->isDropTarget());
    }

    // With LUMARA_SCREENSHOT_DIR set, the screen's pixels where the window and its open menu are.
    void screenshotWithMenu(const char* name)
    {
        const QByteArray dir = qgetenv("LUMARA_SCREENSHOT_DIR");
        if (dir.isEmpty()) return;
        QTest::qWait(500);
        const QRect area = window()->frameGeometry();
        window()->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) + ".png");
    }
};

} // namespace

TEST_F(ColorsFromImage, TheMenuSitsBetweenEditAndViewWithItsShortcut)
{
    QStringList titles;
    for (QAction* menu : window()->menuBar()->actions()) titles << menu->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Colors", "&View", "&Help"}));
    ASSERT_NE(window()->colorsMenu(), nullptr);
    EXPECT_EQ(window()->colorsMenu()->actions(), QList<QAction*>{window()->colorsFromImageAction()});
    EXPECT_EQ(window()->colorsFromImageAction()->text(), QStringLiteral("From Image…"));
    EXPECT_EQ(window()->colorsFromImageAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    // No other action of the window answers the same keys.
    for (const QAction* other : window()->findChildren<QAction*>()) {
        if (other == window()->colorsFromImageAction()) continue;
        EXPECT_FALSE(other->shortcuts().contains(window()->colorsFromImageAction()->shortcut()))
            << other->objectName().toStdString();
    }
}

TEST_F(ColorsFromImage, TheMenuTakesThePicturesColoursInOneUndoStep)
{
    const QString picture = writeBands(path("bands.png"));
    const OrbValues before = document()->currentConfiguration()->values();
    const int steps = window()->undoStack()->count();

    dialogs->answers.push_back(picture);
    window()->activateWindow(); // shortcuts go to the active window
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    QTest::keyClick(window(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(dialogs->questions.size(), 1u) << "the shortcut opens the panel";
    EXPECT_TRUE(dialogs->questions.back().type.filter.contains("*.png"));
    EXPECT_TRUE(dialogs->questions.back().type.filter.contains("*.jpg"));
    EXPECT_EQ(window()->errorMessage(), QString());

    const std::vector<CodableColor> taken = document()->currentConfiguration()->backgroundColors();
    const std::vector<CodableColor> expected = bandPalette();
    ASSERT_EQ(taken.size(), expected.size());
    for (std::size_t i = 0; i < taken.size(); ++i)
        EXPECT_TRUE(near(displayColor(taken[i]), displayColor(expected[i]), 1)) << i;
    expectOnlyBackgroundChanged(before, taken);
    EXPECT_EQ(window()->undoStack()->count(), steps + 1);
    expectShown(taken);

    window()->action("undoAction")->trigger();
    EXPECT_EQ(document()->currentConfiguration()->values(), before);
    expectShown(before.backgroundColors);
    window()->action("redoAction")->trigger();
    expectOnlyBackgroundChanged(before, taken);

    // Cancelling the panel changes nothing.
    dialogs->answers.push_back(QString());
    window()->colorsFromImageAction()->trigger();
    EXPECT_EQ(window()->undoStack()->count(), steps + 1);
    expectOnlyBackgroundChanged(before, taken);

    for (const int theme : {2, 1}) {
        ui::applyAppTheme(theme);
        QTest::qWait(100);
        test::screenshot(window(), theme == 2 ? "colors-from-image-dark" : "colors-from-image-light");
        window()->menuBar()->setActiveAction(window()->colorsMenu()->menuAction());
        QTest::qWait(200);
        EXPECT_TRUE(window()->colorsMenu()->isVisible());
        screenshotWithMenu(theme == 2 ? "colors-menu-dark" : "colors-menu-light");
        window()->colorsMenu()->hide();
        QCoreApplication::processEvents();
    }
    ui::applyAppTheme(0);
}

TEST_F(ColorsFromImage, APictureDroppedOnTheGradientBarDoesTheSame)
{
    const QString picture = writeBands(path("dropped.png"));
    const OrbValues before = document()->currentConfiguration()->values();
    const int steps = window()->undoStack()->count();
    ASSERT_TRUE(bar()->isVisible());
    EXPECT_TRUE(bar()->acceptDrops());

    dropOnBar(picture, true);
    const std::vector<CodableColor> taken = document()->currentConfiguration()->backgroundColors();
    ASSERT_EQ(taken.size(), 4u);
    EXPECT_TRUE(near(displayColor(taken.front()), kBands[3], 1));
    EXPECT_TRUE(near(displayColor(taken.back()), kBands[0], 1));
    expectOnlyBackgroundChanged(before, taken);
    EXPECT_EQ(window()->undoStack()->count(), steps + 1);
    expectShown(taken);
    EXPECT_EQ(document()->currentFileURL(), std::nullopt) << "the picture is not opened as a project";

    window()->undoStack()->undo();
    EXPECT_EQ(document()->currentConfiguration()->values(), before);
}

TEST_F(ColorsFromImage, AFileThatIsNoPictureShowsTheNoticeAndChangesNothing)
{
    QFile notes(path("notes.png"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("a shopping list, not a picture\n");
    notes.close();
    const OrbValues before = document()->currentConfiguration()->values();
    const int steps = window()->undoStack()->count();

    for (const bool dropped : {false, true}) {
        SCOPED_TRACE(dropped ? "dropped" : "from the menu");
        if (dropped) {
            dropOnBar(notes.fileName(), true);
        } else {
            dialogs->answers.push_back(notes.fileName());
            window()->colorsFromImageAction()->trigger();
        }
        QCoreApplication::processEvents();
        EXPECT_TRUE(window()->errorMessage().startsWith(QString::fromUtf8("Could not take colors from \u201Cnotes.png\u201D.\n"
                                                                          "The file is not a picture")))
            << window()->errorMessage().toStdString();
        auto* notice = window()->findChild<QWidget*>("errorBanner");
        ASSERT_NE(notice, nullptr);
        EXPECT_TRUE(notice->isVisible());
        EXPECT_TRUE(window()->rect().contains(QRect(notice->mapTo(window(), QPoint()), notice->size())));
        EXPECT_EQ(document()->currentConfiguration()->values(), before);
        EXPECT_EQ(window()->undoStack()->count(), steps);
    }
}

TEST_F(ColorsFromImage, AProjectDraggedOverTheBarGoesOnToTheWindow)
{
    ASSERT_TRUE(document()->saveProject(path("Saved.lumara")).ok());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path("Saved.lumara"))});
    QDragEnterEvent enter(bar()->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar(), &enter);
    EXPECT_FALSE(bar()->isDropTarget());
    EXPECT_TRUE(enter.isAccepted()) << "the window takes the project";
    EXPECT_EQ(ui::GradientPreviewBar::droppablePicture(&data), QString());
}
