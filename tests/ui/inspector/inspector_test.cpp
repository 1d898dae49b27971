// The inspector on real widgets driving the real document and its QUndoStack: one undo step per
// gesture, the speed draft, the colour rules, value texts, values outside a control's range shown
// and never written back, the size field, the autosave after a pause and at quit, and the export
// rows reaching their flows.
#include "support/SliderGestures.h"
#include "support/TestSupport.h"
#include "ui/UiTestSupport.h"

#include "ui/exports/ExportFlows.h"
#include "ui/exports/ExportPreviewSheet.h"
#include "ui/inspector/ColorConversion.h"
#include "ui/inspector/ColorsSection.h"
#include "ui/inspector/EffectsSection.h"
#include "ui/inspector/ExportSection.h"
#include "ui/inspector/InspectorControls.h"
#include "ui/inspector/InspectorText.h"
#include "ui/inspector/InspectorView.h"
#include "ui/inspector/LabeledSlider.h"
#include "ui/inspector/ShapeSection.h"
#include "ui/style/Symbols.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

#include <functional>
#include <set>

using namespace lumara;
using lumara::test::EditorFixture;

namespace {

using lumara::test::sendMouse;
using lumara::test::sliderHandleRect;

void dragSlider(ui::LabeledSlider* labeled, double toFraction, int steps = 5, bool release = true)
{
    lumara::test::dragSlider(labeled->slider(), toFraction, steps, release);
}

class Inspector : public EditorFixture {
protected:
    ui::InspectorView* inspector() const { return qobject_cast<ui::InspectorView*>(window()->inspector()); }
    ui::ColorsSection* colors() const { return inspector()->colorsSection(); }
    ui::ShapeSection* shape() const { return inspector()->shapeSection(); }
    ui::EffectsSection* effects() const { return inspector()->effectsSection(); }
    OrbConfiguration* config() const { return document()->currentConfiguration(); }
    // Undo steps behind the present state (steps undone are not counted).
    int undoCount() { return window()->undoStack()->index(); }

    // Every labelled slider that writes its field live, in inspector order.
    QList<ui::LabeledSlider*> liveSliders() const
    {
        QList<ui::LabeledSlider*> all{colors()->angleSlider(), colors()->blurSlider()};
        all += shape()->sliders();
        all += effects()->sliders();
        return all;
    }
    ui::LabeledSlider* slider(const QString& label, int occurrence = 0) const
    {
        for (ui::LabeledSlider* s : liveSliders())
            if (s->label() == label && occurrence-- == 0) return s;
        return nullptr;
    }
};

} // namespace

TEST_F(Inspector, EachSliderDragIsOneUndoStepThatRestoresTheValueFromBefore)
{
    const QList<ui::LabeledSlider*> sliders = liveSliders();
    ASSERT_EQ(sliders.size(), 13);
    for (ui::LabeledSlider* s : sliders) {
        SCOPED_TRACE(s->label().toStdString());
        const double before = s->value();
        const OrbValues valuesBefore = config()->values();
        const int steps = undoCount();
        const double target = before > (s->minimum() + s->maximum()) / 2 ? 0.1 : 0.9;
        dragSlider(s, target, 6);
        EXPECT_EQ(undoCount(), steps + 1) << "one step for the whole drag";
        EXPECT_NE(s->value(), before) << "the field follows the drag";
        EXPECT_FALSE(config()->values() == valuesBefore);
        window()->undoStack()->undo();
        EXPECT_EQ(s->value(), before);
        EXPECT_TRUE(config()->values() == valuesBefore) << "undo restores the value from before the drag";
    }
}

TEST_F(Inspector, KeyboardStepsAndGrooveClicksRecordUndoSteps)
{
    ui::LabeledSlider* opacity = slider("Opacity");
    const double before = config()->blobOpacity();
    opacity->slider()->setFocus();
    QTest::keyClick(opacity->slider(), Qt::Key_Left);
    QTest::keyClick(opacity->slider(), Qt::Key_Left);
    EXPECT_LT(config()->blobOpacity(), before);
    EXPECT_EQ(undoCount(), 1) << "quick key steps merge into one undo step";
    QTest::keyClick(opacity->slider(), Qt::Key_PageDown);
    EXPECT_NEAR(config()->blobOpacity(), before - 0.02 - 0.1, 1e-9);
    window()->undoStack()->setIndex(0); // one or two steps, depending on the pause before Page Down
    EXPECT_DOUBLE_EQ(config()->blobOpacity(), before);

    // Clicks on the groove: the left button pages, the middle button sets the value at once;
    // each is one step taken before the value changes.
    ui::LabeledSlider* spread = slider("Spread");
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
        const double spreadBefore = config()->blobSpread();
        const QPoint farRight(spread->slider()->width() - 4, spread->slider()->height() / 2);
        const int steps = undoCount();
        QTest::mouseClick(spread->slider(), button, {}, farRight);
        EXPECT_GT(config()->blobSpread(), spreadBefore) << button;
        EXPECT_EQ(undoCount(), steps + 1) << button;
        window()->undoStack()->undo();
        EXPECT_DOUBLE_EQ(config()->blobSpread(), spreadBefore) << button;
    }
}

TEST_F(Inspector, SpeedDragMovesOnlyTheDraftUntilReleaseWhichRecordsOneStep)
{
    ui::LabeledSlider* speed = effects()->speedSlider();
    EXPECT_EQ(speed->valueText(), "60");
    dragSlider(speed, 1.0, 4, /*release=*/false);
    EXPECT_EQ(speed->valueText(), "120") << "the header shows the draft";
    ASSERT_TRUE(effects()->speedDraft().has_value());
    EXPECT_DOUBLE_EQ(config()->speed(), 60) << "the orb keeps its speed during the drag";
    EXPECT_EQ(undoCount(), 0) << "the start of a speed drag records nothing";
    sendMouse(speed->slider(), QEvent::MouseButtonRelease, sliderHandleRect(speed->slider()).center(), Qt::NoButton);
    EXPECT_DOUBLE_EQ(config()->speed(), 120);
    EXPECT_FALSE(effects()->speedDraft().has_value());
    EXPECT_EQ(undoCount(), 1);

    // Pressing and releasing without a move leaves the speed but still records a step.
    dragSlider(speed, double(sliderHandleRect(speed->slider()).center().x()) / speed->slider()->width(), 0);
    EXPECT_DOUBLE_EQ(config()->speed(), 120);
    EXPECT_EQ(undoCount(), 2);
    window()->undoStack()->undo();
    window()->undoStack()->undo();
    EXPECT_DOUBLE_EQ(config()->speed(), 60);
    EXPECT_EQ(speed->valueText(), "60");
}

TEST_F(Inspector, EachControlGestureIsOneUndoStepThatUndoRestores)
{
    ui::ToggleSwitch* shadow = effects()->toggles().at(3);
    EXPECT_EQ(shadow->text(), "Shadow");
    const std::pair<const char*, std::function<void()>> gestures[] = {
        {"count +", [&] { QTest::mouseClick(shape()->countStepper()->incrementButton(), Qt::LeftButton); }},
        {"points -", [&] { QTest::mouseClick(shape()->pointsStepper()->decrementButton(), Qt::LeftButton); }},
        {"size -", [&] { QTest::mouseClick(shape()->sizeStepper()->decrementButton(), Qt::LeftButton); }},
        {"shadow", [&] { QTest::mouseClick(shadow, Qt::LeftButton); }},
        {"coloured blobs", [&] { QTest::mouseClick(shape()->coloredBlobsToggle(), Qt::LeftButton); }},
        {"gradient picker", [&] {
             colors()->gradientPicker()->setFocus();
             QTest::keyClick(colors()->gradientPicker(), Qt::Key_Down); // as a user picks
         }},
        {"add colour", [&] { QTest::mouseClick(colors()->addButton(), Qt::LeftButton); }},
        {"remove colour", [&] { QTest::mouseClick(colors()->removeButton(), Qt::LeftButton); }},
    };
    for (const auto& [name, gesture] : gestures) {
        const OrbValues before = config()->values();
        const int steps = undoCount();
        gesture();
        const OrbValues after = config()->values();
        EXPECT_FALSE(after == before) << name;
        EXPECT_EQ(undoCount(), steps + 1) << name;
        window()->undoStack()->undo();
        EXPECT_TRUE(config()->values() == before) << name << ": undo takes back this gesture only";
        window()->undoStack()->redo();
        EXPECT_TRUE(config()->values() == after) << name;
    }
    EXPECT_FALSE(config()->showShadow());
    EXPECT_FALSE(shadow->isChecked()) << "the controls follow undo and redo";
    EXPECT_EQ(shape()->countStepper()->text(), "3");
}

TEST_F(Inspector, SteppersFollowTheArrowKeysAndStopAtTheirEnds)
{
    ui::Stepper* count = shape()->countStepper();
    EXPECT_EQ(count->text(), "2");
    count->setFocus();
    QTest::keyClick(count, Qt::Key_Up);
    EXPECT_EQ(config()->blobCount(), 3) << "the arrow keys step a focused stepper";
    config()->setBlobCount(5);
    EXPECT_FALSE(count->incrementButton()->isEnabled());
    config()->setComplexity(3);
    EXPECT_FALSE(shape()->pointsStepper()->decrementButton()->isEnabled());
    config()->setOrbSize(800);
    EXPECT_FALSE(shape()->sizeStepper()->incrementButton()->isEnabled());
    QTest::mouseClick(shape()->sizeStepper()->decrementButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(config()->orbSize(), 790);
}

TEST_F(Inspector, AddCopiesTheLastColourAndTheButtonsKeepTwoToSixColours)
{
    const CodableColor red{1, 0, 0, 1}, blue{0, 0, 1, 1};
    config()->setBackgroundColors({red, blue});
    EXPECT_FALSE(colors()->removeButton()->isEnabled()) << "Remove is disabled below 3 colours";
    QTest::mouseClick(colors()->addButton(), Qt::LeftButton);
    EXPECT_EQ(config()->backgroundColors(), (std::vector<CodableColor>{red, blue, blue}));
    EXPECT_EQ(colors()->colorSwatches().size(), 3);
    EXPECT_EQ(colors()->colorSwatches()[2]->accessibleName(), "Color 3");

    struct Case {
        std::size_t count;
        bool addEnabled, removeEnabled;
    };
    for (const Case c : {Case{2, true, false}, Case{3, true, true}, Case{5, true, true}, Case{6, false, true}}) {
        config()->setBackgroundColors(std::vector<CodableColor>(c.count, red));
        EXPECT_EQ(colors()->addButton()->isEnabled(), c.addEnabled) << c.count;
        EXPECT_EQ(colors()->removeButton()->isEnabled(), c.removeEnabled) << c.count;
        EXPECT_EQ(std::size_t(colors()->colorSwatches().size()), c.count);
    }
    QTest::mouseClick(colors()->removeButton(), Qt::LeftButton);
    EXPECT_EQ(config()->backgroundColors().size(), 5u);
}

TEST_F(Inspector, RadialHidesTheAngleAndKeepsIt)
{
    config()->setGradientAngle(135);
    QComboBox* gradient = colors()->gradientPicker();
    gradient->setFocus();
    QTest::keyClick(gradient, Qt::Key_Down); // Linear -> Radial, as a user picks it
    EXPECT_EQ(config()->gradientType(), GradientType::radial);
    EXPECT_TRUE(colors()->angleSlider()->isHidden());
    QTest::keyClick(gradient, Qt::Key_Down);
    EXPECT_EQ(config()->gradientType(), GradientType::angular);
    EXPECT_FALSE(colors()->angleSlider()->isHidden());
    EXPECT_DOUBLE_EQ(config()->gradientAngle(), 135);
    EXPECT_EQ(colors()->angleSlider()->valueText(), "135°");
}

TEST_F(Inspector, ValueTextsOfTheEdgeCases)
{
    struct Case {
        void (OrbConfiguration::*set)(double);
        double value;
        ui::LabeledSlider* slider;
        QString text;
    };
    const Case cases[] = {
        {&OrbConfiguration::setCornerRadius, 0.995, slider("Corner Radius"), "Circle"},
        {&OrbConfiguration::setCornerRadius, 0.005, slider("Corner Radius"), "Square"},
        {&OrbConfiguration::setCornerRadius, 0.5, slider("Corner Radius"), "50%"},
        {&OrbConfiguration::setGradientAngle, 359.9, slider("Angle"), "359°"},
        {&OrbConfiguration::setGlowIntensity, 2.0, slider("Intensity"), "100%"},
        {&OrbConfiguration::setShadowRadius, 1.0, slider("Outer Glow"), "50%"},
        {&OrbConfiguration::setAmplitude, 0.5, slider("Distortion"), "100%"},
        {&OrbConfiguration::setBlobSpread, 0.25, slider("Spread"), "50%"},
        {&OrbConfiguration::setBlobBlur, 12.34, slider("Blur", 1), "12.3"},
        {&OrbConfiguration::setBackgroundBlur, 12.5, slider("Blur", 0), "12"},
        {&OrbConfiguration::setInnerRingWidth, 0.05, slider("Ring"), "0.1"},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.slider, nullptr);
        (config()->*c.set)(c.value);
        EXPECT_EQ(c.slider->valueText(), c.text) << c.value;
    }
    EXPECT_EQ(ui::angleText(-0.5), "0°");
    EXPECT_EQ(ui::integerPartText(1e9), "1000000000");
    // The slider's positions reach every value text that a ten times finer slider would.
    for (ui::LabeledSlider* s : liveSliders()) {
        std::set<QString> reached, all;
        for (int i = 0; i <= ui::LabeledSlider::kSteps; ++i)
            reached.insert(s->textFor(s->minimum() + (s->maximum() - s->minimum()) * i / ui::LabeledSlider::kSteps));
        for (int i = 0; i <= 10 * ui::LabeledSlider::kSteps; ++i)
            all.insert(s->textFor(s->minimum() + (s->maximum() - s->minimum()) * i / (10 * ui::LabeledSlider::kSteps)));
        EXPECT_EQ(reached, all) << s->label().toStdString();
    }
}

TEST_F(Inspector, ValuesOutsideTheControlsAreShownAsTheyAreAndNeverWrittenBack)
{
    OrbValues absurd = config()->values();
    absurd.blobBlur = 80;
    absurd.backgroundBlur = -4;
    absurd.blobCount = 1'000'000'000;
    absurd.complexity = 0;
    absurd.orbSize = -5;
    absurd.gradientType = GradientType(7);
    absurd.blobBlendMode = BlobBlendMode(-1);
    absurd.speed = 500;
    // Loaded as a file would load it: a new configuration installed in the current state.
    document()->setCurrentConfiguration(new OrbConfiguration(absurd));
    QApplication::processEvents();
    EXPECT_TRUE(config()->values() == absurd) << "showing the values wrote nothing";
    EXPECT_EQ(undoCount(), 0);

    EXPECT_EQ(slider("Blur", 1)->valueText(), "80.0");
    EXPECT_EQ(slider("Blur", 1)->slider()->value(), ui::LabeledSlider::kSteps) << "the handle is pinned at the end";
    EXPECT_EQ(slider("Blur", 0)->valueText(), "-4");
    EXPECT_EQ(slider("Blur", 0)->slider()->value(), 0);
    EXPECT_EQ(effects()->speedSlider()->valueText(), "500");
    EXPECT_EQ(shape()->countStepper()->text(), "1000000000");
    EXPECT_EQ(shape()->pointsStepper()->text(), "0");
    EXPECT_EQ(shape()->sizeField()->text(), "-5");
    EXPECT_EQ(colors()->gradientPicker()->currentIndex(), -1) << "an unknown kind selects no choice";
    EXPECT_EQ(shape()->blendPicker()->currentIndex(), -1);
    EXPECT_FALSE(colors()->angleSlider()->isHidden());

    // Leaving the size field without typing keeps the value too.
    shape()->sizeField()->setFocus();
    shape()->submitSizeField();
    // Moving the selection away and back rebinds the same widgets; still nothing is written.
    document()->addState();
    document()->selectState(0);
    QApplication::processEvents();
    EXPECT_TRUE(config()->values() == absurd);
    EXPECT_EQ(undoCount(), 1) << "only the added state";

    // A step from outside the range lands inside it.
    QTest::mouseClick(shape()->countStepper()->decrementButton(), Qt::LeftButton);
    EXPECT_EQ(config()->blobCount(), 5);
}

TEST_F(Inspector, SizeFieldTakesAnyNumberAndPutsBackGarbage)
{
    QLineEdit* field = shape()->sizeField();
    EXPECT_EQ(field->text(), "280");
    struct Case {
        QString typed;
        double stored;
        QString shown;
        int newSteps;
    };
    const Case cases[] = {{"1000", 1000, QLocale().toString(1000.0, 'f', 0), 1},
                          {"abc", 1000, QLocale().toString(1000.0, 'f', 0), 0},
                          {"", 1000, QLocale().toString(1000.0, 'f', 0), 0},
                          {"  36.5 ", 36.5, QLocale().toString(36.5, 'f', 1), 1}};
    for (const Case& c : cases) {
        const int steps = undoCount();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, c.typed);
        if (c.typed.isEmpty()) field->clear();
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_DOUBLE_EQ(config()->orbSize(), c.stored) << c.typed.toStdString();
        EXPECT_EQ(field->text(), c.shown) << c.typed.toStdString();
        EXPECT_EQ(undoCount(), steps + c.newSteps) << c.typed.toStdString();
    }
}

TEST_F(Inspector, ColourDialogWritesLiveRecordsOneStepAndCancelRestores)
{
    const CodableColor before = config()->backgroundColors().at(1);
    QTest::mouseClick(colors()->colorSwatches().at(1), Qt::LeftButton);
    QColorDialog* dialog = colors()->colorDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->testOption(QColorDialog::ShowAlphaChannel));
    dialog->setCurrentColor(QColor(255, 0, 0));
    dialog->setCurrentColor(QColor(0, 255, 0));
    EXPECT_EQ(config()->backgroundColors().at(1), (CodableColor{0, 1, 0, 1})) << "the canvas follows the dialog";
    EXPECT_EQ(undoCount(), 1) << "one step for the dialog's changes";
    dialog->accept();
    window()->undoStack()->undo();
    EXPECT_EQ(config()->backgroundColors().at(1), before);

    colors()->openColorDialog(ui::ColorsSection::kGlow);
    colors()->colorDialog()->setCurrentColor(QColor(0, 0, 255));
    EXPECT_EQ(config()->glowColor(), (CodableColor{0, 0, 1, 1}));
    colors()->colorDialog()->reject();
    EXPECT_EQ(config()->glowColor(), (CodableColor{1, 1, 1, 1})) << "Cancel puts the colour back";

    // A position that no longer exists reads white and ignores writes, also from an open dialog.
    colors()->openColorDialog(2);
    OrbConfiguration& c = *config();
    c.setBackgroundColors({{0, 0, 0, 1}, {0.5, 0.5, 0.5, 1}});
    const int steps = undoCount();
    colors()->colorDialog()->setCurrentColor(QColor(255, 0, 0));
    EXPECT_EQ(undoCount(), steps);
    colors()->colorDialog()->reject();
    EXPECT_EQ(ui::backgroundColorAt(c, 5), (CodableColor{1, 1, 1, 1}));
    EXPECT_FALSE(ui::setBackgroundColorAt(c, 5, {1, 0, 0, 1}));
    EXPECT_FALSE(ui::setBackgroundColorAt(c, -1, {1, 0, 0, 1}));
    EXPECT_EQ(c.backgroundColors().size(), 2u);
}

TEST(ColorConversion, PlatformColoursBecomeSrgbComponents)
{
    struct Case {
        QColor color;
        CodableColor expected;
    };
    const Case cases[] = {
        {QColor::fromRgbF(0.25f, 0.5f, 1.0f, 1.0f), {0.25, 0.5, 1.0, 1.0}},
        {QColor::fromHsvF(0.0f, 1.0f, 1.0f), {1, 0, 0, 1}},
        {QColor::fromCmykF(0, 0, 1, 0), {1, 1, 0, 1}},
        {QColor::fromRgbF(1.25f, -0.25f, 0.5f, 0.5f), {1.25, -0.25, 0.5, 0.5}}, // extended sRGB kept
    };
    for (const Case& c : cases) {
        const CodableColor got = codableColor(c.color);
        EXPECT_NEAR(got.red, c.expected.red, 1e-4);
        EXPECT_NEAR(got.green, c.expected.green, 1e-4);
        EXPECT_NEAR(got.blue, c.expected.blue, 1e-4);
        EXPECT_NEAR(got.opacity, c.expected.opacity, 1e-4);
    }
}

TEST_F(Inspector, FollowsTheDocumentWithTheSameWidgets)
{
    ui::LabeledSlider* blur = slider("Blur", 1);
    ui::LabeledSlider* intensity = slider("Intensity");
    document()->addState();
    config()->setBlobBlur(7.5);
    EXPECT_EQ(blur->valueText(), "7.5");
    document()->selectState(0);
    EXPECT_EQ(blur->valueText(), "1.0") << "another state's values at once";
    document()->applyPreset(allPresets().front());
    EXPECT_EQ(intensity->valueText(), ui::percentText(allPresets().front().configuration.glowIntensity, 50));
    window()->undoStack()->undo();
    EXPECT_EQ(blur->valueText(), "1.0");
    EXPECT_EQ(blur, slider("Blur", 1)) << "no widget is rebuilt";
}

TEST_F(Inspector, SectionsShowExpandedInOrderCollapseFromTheKeyboardAndEveryControlIsNamed)
{
    QStringList titles;
    for (ui::CollapsibleSection* section : inspector()->sections()) {
        titles << section->header()->text();
        EXPECT_TRUE(section->isExpanded());
    }
    EXPECT_EQ(titles, QStringList({"Colors", "Shape", "Effects", "Export"}));
    EXPECT_GE(inspector()->width(), 280);
    EXPECT_LE(inspector()->width(), 400);

    ui::CollapsibleSection* shapeSection = inspector()->sections().at(1);
    shapeSection->header()->setFocus();
    QTest::keyClick(shapeSection->header(), Qt::Key_Space);
    EXPECT_FALSE(shapeSection->isExpanded());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shapeSection->isAnimating(); }, 3000));
    EXPECT_TRUE(shapeSection->body()->isHidden() || !shapeSection->body()->isVisible());
    EXPECT_TRUE(inspector()->sections().at(0)->isExpanded()) << "the other sections keep their state";
    QTest::keyClick(shapeSection->header(), Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shapeSection->isAnimating(); }, 3000));
    EXPECT_TRUE(shapeSection->body()->isVisible());
    EXPECT_NEAR(ui::CollapsibleSection::springProgress(1.0), 1.0, 1e-12);
    EXPECT_GT(ui::CollapsibleSection::springProgress(0.5), 0.95);

    for (QWidget* widget : inspector()->findChildren<QWidget*>()) {
        if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(inspector())) continue;
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->metaObject()->className();
    }
}

TEST_F(Inspector, EditsReachTheAutosaveRecordAfterAPauseAndAtQuit)
{
    const QString settings = path("Lumara.conf");
    auto stored = [&] {
        const auto project = autosavedProject(Preferences(settings), 0);
        return project ? project->states.at(0).config.blobBlur : -1.0;
    };
    dragSlider(slider("Blur", 1), 0.5);
    const double dragged = config()->blobBlur();
    ASSERT_NE(dragged, 1.0);
    EXPECT_NE(stored(), dragged) << "not written on every movement";
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored() == dragged; }, 5000)) << "written once edits pause";

    // An edit followed at once by quitting is kept, and the next start shows it.
    config()->setGlowSoftness(1.7);
    app.reset();
    EXPECT_DOUBLE_EQ(autosavedProject(Preferences(settings), 0).value().states.at(0).config.glowSoftness, 1.7);
    app = std::make_unique<ui::LumaraApp>(preferences.get(), std::make_unique<lumara::test::ScriptedDialogs>());
    EXPECT_EQ(slider("Softness")->valueText(), "1.7");
}

TEST_F(Inspector, ExportRowsReachTheirFlows)
{
    const QList<ui::ExportButton*> rows = inspector()->exportSection()->rows();
    QStringList titles, subtitles;
    for (ui::ExportButton* row : rows) titles << row->title(), subtitles << row->subtitle();
    EXPECT_EQ(titles, QStringList({"SwiftUI Code", "HTML", "Prompt", "PNG Image", "Animation", "Web Component"}));
    EXPECT_EQ(subtitles, QStringList({"Copy-paste ready view code", "Self-contained web file", "Language-agnostic AI prompt",
                                      "High-resolution @2x export", "Looping MP4, GIF, or transparent video",
                                      "npm package with live states"}));
    // The SwiftUI row shows the swift, as the preview's header does, not a generic code symbol.
    EXPECT_EQ(rows[0]->icon().pixmap(QSize(24, 24)).toImage(),
              ui::symbolIcon(ui::Symbol::swift).pixmap(QSize(24, 24)).toImage());

    // The text rows preview their own format, each after the one before was closed.
    ui::ExportFlows* flows = window()->exportFlows();
    const exporting::ExportFormat formats[] = {exporting::ExportFormat::swiftUI, exporting::ExportFormat::html,
                                               exporting::ExportFormat::prompt};
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(rows[i], Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return flows->previewSheet() != nullptr; }, 20000)) << titles[i].toStdString();
        EXPECT_EQ(flows->previewSheet()->format(), formats[i]) << titles[i].toStdString();
        flows->closePreview();
        ASSERT_TRUE(QTest::qWaitFor([&] { return flows->previewSheet() == nullptr; }, 5000));
    }
    EXPECT_TRUE(dialogs->questions.empty()) << "a text row opens no save panel";

    // The PNG row goes straight to the save panel (answered "cancel"); Animation opens its sheet.
    QTest::mouseClick(rows[3], Qt::LeftButton);
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].proposedName, "orb.png");
    EXPECT_EQ(flows->previewSheet(), nullptr);
    QTest::mouseClick(rows[4], Qt::LeftButton);
    EXPECT_NE(flows->animatedExportSheet(), nullptr);
    EXPECT_EQ(dialogs->questions.size(), 1u);
    flows->closeAnimatedExportSheet();
}

TEST_F(Inspector, SlidersAndPickersTakeTheWheelOnlyWithFocusAsAnUndoStep)
{
    const std::pair<QWidget*, int> widgets[] = {
        {slider("Scale")->slider(), 120}, {colors()->gradientPicker(), -120}, {shape()->blendPicker(), -120}};
    for (const auto& [widget, delta] : widgets) {
        SCOPED_TRACE(widget->metaObject()->className());
        const OrbValues before = config()->values();
        QWheelEvent wheel(QPointF(10, 5), QPointF(widget->mapToGlobal(QPoint(10, 5))), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &wheel);
        EXPECT_TRUE(config()->values() == before) << "scrolling past a control leaves it alone";
        widget->setFocus();
        QApplication::sendEvent(widget, &wheel);
        EXPECT_FALSE(config()->values() == before);
        window()->undoStack()->undo();
        EXPECT_TRUE(config()->values() == before) << "a wheel step is an undo step of its own";
    }
}
