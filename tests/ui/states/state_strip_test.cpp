// The state strip with real widgets driving a real document: select, add after the selected chip,
// rename by double click and context menu with trimming, delete refused on the last state, the
// playback group from two states on, the transition slider and the play button.
#include "ui/UiTestSupport.h"

#include "document/OrbDocument.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/states/StateStripView.h"
#include "ui/style/Theme.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QToolButton>

using namespace lumara;
using lumara::test::EditorFixture;

namespace {

QStringList chipNames(const ui::StateStripView& strip)
{
    QStringList names;
    for (qsizetype i = 0; i < strip.chipCount(); ++i) names << strip.chip(i)->displayedName();
    return names;
}

} // namespace

TEST_F(EditorFixture, AddInsertsAfterTheSelectedChipAndTheGroupShowsFromTwoStates)
{
    ui::StateStripView* strip = window()->stateStrip();
    EXPECT_EQ(chipNames(*strip), QStringList{"Default"});
    EXPECT_TRUE(strip->addButton()->isVisible());
    EXPECT_EQ(strip->addButton()->toolTip(), "Add state");
    EXPECT_FALSE(strip->playbackGroup()->isVisible());
    const QList<QAction*> menu = strip->chip(0)->menuActions();
    ASSERT_EQ(menu.size(), 2);
    EXPECT_EQ(menu[0]->text(), "Rename");
    EXPECT_EQ(menu[1]->text(), "Delete State");
    EXPECT_FALSE(menu[1]->isEnabled()) << "the last state cannot be deleted";
    menu[1]->trigger();
    EXPECT_EQ(document()->states().size(), 1);

    // Add inserts after the selected chip and selects the new one.
    QTest::mouseClick(strip->addButton(), Qt::LeftButton);
    EXPECT_EQ(chipNames(*strip), QStringList({"Default", "State 2"}));
    EXPECT_TRUE(strip->chip(1)->isSelected());
    EXPECT_TRUE(strip->playbackGroup()->isVisible()) << "two states bring the playback group";

    QTest::mouseClick(strip->chip(0), Qt::LeftButton);
    EXPECT_EQ(document()->selectedStateIndex(), 0);
    EXPECT_TRUE(strip->chip(0)->isSelected());
    EXPECT_FALSE(strip->chip(1)->isSelected());

    QTest::mouseClick(strip->addButton(), Qt::LeftButton);
    EXPECT_EQ(chipNames(*strip), QStringList({"Default", "State 3", "State 2"}));
    EXPECT_EQ(chipNames(*strip), document()->stateNames());
    EXPECT_EQ(document()->selectedStateIndex(), 1);

    strip->chip(1)->menuActions()[1]->trigger(); // Delete State
    EXPECT_EQ(chipNames(*strip), QStringList({"Default", "State 2"}));
    strip->chip(1)->menuActions()[1]->trigger();
    EXPECT_EQ(chipNames(*strip), QStringList{"Default"});
    EXPECT_FALSE(strip->playbackGroup()->isVisible()) << "deleting down to one state removes the group";
}

TEST_F(EditorFixture, DoubleClickRenamesWithTrimmingAndBlankKeepsTheName)
{
    ui::StateStripView* strip = window()->stateStrip();
    document()->addState();
    document()->selectState(0);

    QTest::mouseDClick(strip->chip(1), Qt::LeftButton);
    EXPECT_EQ(document()->selectedStateIndex(), 1) << "double-clicking an unselected chip selects it";
    ASSERT_NE(strip->renameField(), nullptr);
    EXPECT_EQ(strip->renameField()->text(), "State 2") << "the field opens with the full current name";
    EXPECT_EQ(strip->renameField()->placeholderText(), "Name");

    struct Case {
        QString typed;
        QString stored;
    };
    const Case cases[] = {{"  Sunrise  ", "Sunrise"}, {"   ", "Sunrise"}, {"\tDusk\n", "Dusk"}};
    for (const Case& c : cases) {
        strip->startRenaming(1);
        ASSERT_NE(strip->renameField(), nullptr);
        strip->renameField()->setText(c.typed);
        QTest::keyClick(strip->renameField(), Qt::Key_Return);
        EXPECT_FALSE(strip->editingIndex().has_value());
        EXPECT_EQ(document()->states().at(1)->name(), c.stored) << c.typed.toStdString();
        EXPECT_EQ(strip->chip(1)->displayedName(), c.stored);
    }
    // Each rename is one undo step; the blank one was none.
    window()->action("undoAction")->trigger();
    EXPECT_EQ(strip->chip(1)->displayedName(), "Sunrise");
    window()->action("undoAction")->trigger();
    EXPECT_EQ(strip->chip(1)->displayedName(), "State 2");
}

TEST_F(EditorFixture, LeavingTheRenameFieldCommitsAndClicksInsideDoNotReselect)
{
    ui::StateStripView* strip = window()->stateStrip();
    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    document()->addState();
    strip->chip(0)->menuActions()[0]->trigger(); // Rename from the context menu
    ASSERT_EQ(strip->editingIndex(), 0);
    EXPECT_EQ(document()->selectedStateIndex(), 0);
    strip->clickChip(0); // a click inside the field's chip changes nothing
    EXPECT_EQ(strip->editingIndex(), 0);

    strip->renameField()->setText("First");
    QTest::mouseClick(window()->canvas(), Qt::LeftButton); // focus leaves the field
    EXPECT_FALSE(strip->editingIndex().has_value());
    EXPECT_EQ(document()->states().at(0)->name(), "First");

    // Starting to rename another chip commits the first one's text.
    strip->startRenaming(0);
    strip->renameField()->setText("Again");
    QTest::mouseDClick(strip->chip(1), Qt::LeftButton);
    EXPECT_EQ(document()->states().at(0)->name(), "Again");
    EXPECT_EQ(strip->editingIndex(), 1);
}

TEST_F(EditorFixture, TransitionSliderShowsOneDecimalAndWritesTheAutosaveRecord)
{
    ui::StateStripView* strip = window()->stateStrip();
    document()->addState();
    QSlider* slider = strip->transitionSlider();
    EXPECT_EQ(strip->transitionLabel()->text(), "0.6s");
    slider->setValue(slider->minimum());
    EXPECT_EQ(strip->transitionLabel()->text(), "0.2s");
    EXPECT_DOUBLE_EQ(document()->transitionDuration(), 0.2);
    slider->setValue(slider->maximum());
    EXPECT_EQ(strip->transitionLabel()->text(), "3.0s");
    EXPECT_DOUBLE_EQ(document()->transitionDuration(), 3.0);
    const auto restored = autosavedProject(Preferences(path("Lumara.conf")), 0).value();
    EXPECT_DOUBLE_EQ(restored.transitionDuration, 3.0) << "the autosave record follows the slider";
    EXPECT_EQ(window()->undoStack()->count(), 1) << "only the added state; the slider records no undo step";
}

TEST_F(EditorFixture, TransitionSliderStepsByATenthAndSavesWhenADragEnds)
{
    ui::StateStripView* strip = window()->stateStrip();
    document()->addState();
    QSlider* slider = strip->transitionSlider();
    const auto autosaved = [&] { return autosavedProject(Preferences(path("Lumara.conf")), 0).value().transitionDuration; };
    slider->setFocus();
    const struct {
        Qt::Key key;
        double seconds;
    } presses[] = {{Qt::Key_Right, 0.7}, {Qt::Key_PageUp, 1.2}, {Qt::Key_Left, 1.1}, {Qt::Key_PageDown, 0.6}};
    for (const auto& press : presses) {
        QTest::keyClick(slider, press.key);
        EXPECT_DOUBLE_EQ(document()->transitionDuration(), press.seconds);
        EXPECT_DOUBLE_EQ(autosaved(), press.seconds) << "a key step is a whole change";
    }
    // A drag writes the record once, when it lets go.
    slider->setSliderDown(true);
    for (int value : {900, 1400, 2000}) slider->setSliderPosition(value);
    EXPECT_DOUBLE_EQ(document()->transitionDuration(), 2.0);
    EXPECT_DOUBLE_EQ(autosaved(), 0.6) << "not while the drag goes on";
    slider->setSliderDown(false);
    EXPECT_DOUBLE_EQ(autosaved(), 2.0);
}

TEST_F(EditorFixture, TheSelectedChipsNameIsTheBrandAccentInDarkToo)
{
    document()->addState();
    ui::applyAppTheme(2);
    QCoreApplication::processEvents();
    const QImage chip = window()->stateStrip()->chip(1)->grab().toImage();
    // The name is the lightest thing on the chip: brandAccent, antialiased into the dark capsule.
    double lightest = 0;
    for (int y = 0; y < chip.height(); ++y)
        for (int x = 0; x < chip.width(); ++x) lightest = std::max(lightest, double(chip.pixelColor(x, y).lightnessF()));
    EXPECT_NEAR(lightest, ui::brandAccent().lightnessF(), 0.04);
}

TEST_F(EditorFixture, PlayButtonTogglesPlaybackOnTheCanvas)
{
    ui::StateStripView* strip = window()->stateStrip();
    document()->addState();
    QToolButton* play = strip->playButton();
    EXPECT_EQ(play->toolTip(), "Play state loop");
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_TRUE(strip->isPlaying());
    EXPECT_TRUE(window()->canvas()->isPlaying());
    EXPECT_EQ(play->toolTip(), "Stop preview");
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_FALSE(window()->canvas()->isPlaying());
    EXPECT_EQ(document()->selectedStateIndex(), 1) << "playback never changes the selection";
}
