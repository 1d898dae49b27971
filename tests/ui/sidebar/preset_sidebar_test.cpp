// The preset sidebar with real widgets: a click applies a copy of the preset as one undo step, the
// highlight follows the document's preset name, and the appearance switch is stored and applied.
#include "ui/UiTestSupport.h"

#include "document/OrbDocument.h"
#include "model/OrbPreset.h"
#include "ui/canvas/MainCanvasView.h"
#include "ui/sidebar/PresetSidebarView.h"
#include "ui/style/Theme.h"
#include "ui/widgets/SegmentedControl.h"

#include <QListWidget>
#include <QSplitter>
#include <QSettings>

using namespace lumara;
using lumara::test::EditorFixture;

namespace {

void clickPreset(ui::PresetSidebarView* sidebar, const QString& name)
{
    QListWidgetItem* item = sidebar->itemForPreset(name);
    ASSERT_NE(item, nullptr) << name.toStdString();
    sidebar->list()->scrollToItem(item);
    QTest::mouseClick(sidebar->list()->viewport(), Qt::LeftButton, {}, sidebar->list()->visualItemRect(item).center());
}

} // namespace

TEST_F(EditorFixture, TwoClicksOnJadeAreTwoUndoSteps)
{
    const OrbValues before = document()->currentConfiguration()->values();
    const OrbPreset& jade = *findPreset("Jade");
    ui::PresetSidebarView* sidebar = window()->sidebar();
    clickPreset(sidebar, "Jade");
    clickPreset(sidebar, "Jade");
    EXPECT_EQ(window()->undoStack()->count(), 2);
    EXPECT_EQ(document()->currentConfiguration()->values(), jade.configuration);
    EXPECT_EQ(sidebar->selectedPresetID(), jade.id);

    window()->undoStack()->undo();
    EXPECT_EQ(document()->currentConfiguration()->values(), jade.configuration) << "one undo leaves the Jade look";
    window()->undoStack()->undo();
    EXPECT_EQ(document()->currentConfiguration()->values(), before);
}

TEST_F(EditorFixture, HighlightFollowsThePresetNameAcrossRandomAndStateChanges)
{
    ui::PresetSidebarView* sidebar = window()->sidebar();
    EXPECT_FALSE(sidebar->selectedPresetID().has_value());
    clickPreset(sidebar, "Electric");
    EXPECT_EQ(sidebar->selectedPresetID(), findPreset("Electric")->id);
    EXPECT_EQ(document()->currentPresetName(), "Electric");

    document()->addState(); // clears the name
    EXPECT_FALSE(sidebar->selectedPresetID().has_value());
    clickPreset(sidebar, "Cloud");
    document()->selectState(0); // selecting another state keeps the name and the highlight
    EXPECT_EQ(sidebar->selectedPresetID(), findPreset("Cloud")->id);
    window()->action("randomizeAction")->trigger();
    EXPECT_FALSE(sidebar->selectedPresetID().has_value()) << "a random orb clears the highlight";
}

TEST_F(EditorFixture, ListShowsEveryFamilyInOrderWithItsPresets)
{
    QListWidget* list = window()->sidebar()->list();
    QStringList headers;
    int presets = 0;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->flags() == Qt::NoItemFlags)
            headers << list->item(i)->text();
        else
            ++presets;
    }
    EXPECT_EQ(headers, QStringList({"Cool", "Warm", "Neon", "Pastel", "Dark"}));
    EXPECT_EQ(presets, int(allPresets().size()));
}

TEST_F(EditorFixture, AppearanceSwitchStoresAndAppliesTheTheme)
{
    ui::SegmentedControl* appearance = window()->sidebar()->appearanceControl();
    EXPECT_EQ(appearance->currentIndex(), 2) << "dark by default";
    QTest::mouseClick(appearance, Qt::LeftButton, {}, appearance->segmentRect(1).center());
    QCoreApplication::processEvents(); // the settings file is written at the next turn of the event loop
    EXPECT_EQ(QSettings(path("Lumara.conf"), QSettings::IniFormat).value("appTheme").toInt(), 1);
    EXPECT_FALSE(ui::isDarkAppearance());
    QTest::mouseClick(appearance, Qt::LeftButton, {}, appearance->segmentRect(2).center());
    EXPECT_TRUE(ui::isDarkAppearance());
    EXPECT_EQ(ui::sidebarColors(true).background, QColor::fromRgbF(0.11f, 0.10f, 0.14f));

    EXPECT_FALSE(ui::applyAppTheme(7)) << "values outside 0...2 leave the appearance alone";
    EXPECT_TRUE(ui::isDarkAppearance());
}

TEST_F(EditorFixture, TheFocusedPresetRowIsRingedAndReturnOrSpaceAppliesItUnderThePointerToo)
{
    ui::PresetSidebarView* sidebar = window()->sidebar();
    QListWidget* list = sidebar->list();
    QListWidgetItem* jade = sidebar->itemForPreset("Jade");
    list->setFocus();
    list->setCurrentItem(jade);
    QTest::mouseMove(list->viewport(), list->visualItemRect(jade).center()); // the pointer rests on the list
    QCoreApplication::processEvents();

    // The ring: the accent at the focused row's edge, gone when the list loses the focus.
    const QRect row = list->visualItemRect(jade);
    const QPoint edge(row.left() + 7, row.center().y());
    const QColor focused = list->viewport()->grab().toImage().pixelColor(edge);
    window()->canvas()->setFocus();
    QCoreApplication::processEvents();
    const QColor unfocused = list->viewport()->grab().toImage().pixelColor(edge);
    EXPECT_NE(focused, unfocused);
    const QColor ring = ui::sidebarColors(ui::isDarkAppearance()).selectionRing;
    EXPECT_LT(std::abs(focused.hue() - ring.hue()), 20) << focused.name().toStdString();

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(document()->currentPresetName(), QStringLiteral("Jade"));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(document()->currentPresetName(), list->currentItem()->text());
    EXPECT_NE(list->currentItem(), jade);
}

TEST_F(EditorFixture, TheAppearanceLabelsStayWholeAtEverySidebarWidth)
{
    auto* splitter = window()->findChild<QSplitter*>();
    ui::SegmentedControl* appearance = window()->sidebar()->appearanceControl();
    const QStringList labels{"System", "Light", "Dark"};
    for (int theme : {2, 1}) {
        ui::applyAppTheme(theme);
        for (int width : {240, 220, 200, 180}) {
            splitter->setSizes({width, 600, 300});
            QCoreApplication::processEvents();
            ASSERT_EQ(window()->sidebar()->width(), width);
            const QFontMetrics metrics(appearance->labelFont());
            for (int i = 0; i < labels.size(); ++i)
                EXPECT_LE(metrics.horizontalAdvance(labels[i]), appearance->segmentRect(i).width() - 4)
                    << labels[i].toStdString() << " at a sidebar " << width << " wide";
            EXPECT_GE(appearance->labelFont().pixelSize(), 9);
        }
        lumara::test::screenshot(window(), theme == 2 ? "narrow-sidebar-dark" : "narrow-sidebar-light");
    }
    ui::applyAppTheme(2);
}
