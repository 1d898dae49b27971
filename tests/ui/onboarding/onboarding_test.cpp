// The first-run pages with real widgets: texts, dots and buttons of each page, drag thresholds,
// reduce motion, the accent rule, and finishing with or without "Don’t show this again" against a
// real settings file, seen again (or not) by a new window.
#include "ui/UiTestSupport.h"

#include "document/PreferenceKeys.h"
#include "ui/onboarding/OnboardingOverlay.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/onboarding/ReduceMotion.h"
#include "ui/style/Theme.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTextLayout>

using namespace lumara;
using namespace lumara::ui;

namespace {

// A page view shown in a window of its own, on a temporary settings file.
struct PagesUnderTest {
    explicit PagesUnderTest(bool reduceMotion)
        : settings(dir.filePath("Lumara.conf"), QSettings::IniFormat), view(&settings, reduceMotion)
    {
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    // A horizontal drag across an empty part of the backdrop (above the orb).
    void drag(int dx)
    {
        const QPoint from(260, 24);
        QTest::mousePress(&view, Qt::LeftButton, {}, from);
        QTest::mouseMove(&view, from + QPoint(dx / 2, 0));
        QTest::mouseMove(&view, from + QPoint(dx, 0));
        dragOffsetWhileHeld = view.dragOffset();
        QTest::mouseRelease(&view, Qt::LeftButton, {}, from + QPoint(dx, 0));
    }
    QApplication& application = test::testApplication(); // before any widget
    QTemporaryDir dir;
    QSettings settings;
    OnboardingView view;
    double dragOffsetWhileHeld = 0;
};

std::vector<double> expectedDots(int current)
{
    std::vector<double> widths(3, 7.0);
    widths[std::size_t(current)] = 20.0;
    return widths;
}

} // namespace

TEST(Onboarding, EachPageShowsItsTextsDotsButtonAndALiveOrb)
{
    PagesUnderTest pages(true);
    const struct {
        const char* title;
        const char* subtitleStart;
        const char* button;
        const char* preset;
    } expected[] = {
        {"Welcome to Lumara", "A design tool for crafting animated orbs.", "Continue", "Deep Sea"},
        {"Full Creative Control", "Color, shape, glow, and motion.", "Continue", "Glacier"},
        {"Ready for Production", "Export clean SwiftUI, a standalone web embed,", "Get Started", "Molten"},
    };
    for (int page = 0; page < 3; ++page) {
        const auto& e = expected[page];
        EXPECT_EQ(pages.view.currentPage(), page);
        EXPECT_EQ(pages.view.titleLabel()->text(), e.title);
        EXPECT_TRUE(pages.view.subtitleLabel()->accessibleName().startsWith(e.subtitleStart)) << page;
        EXPECT_EQ(pages.view.mainButton()->text(), e.button);
        EXPECT_EQ(onboardingPages()[std::size_t(page)].presetName, std::string(e.preset));
        EXPECT_EQ(pages.view.pageDots()->dotWidths(), expectedDots(page));
        EXPECT_EQ(pages.view.dontShowAgainBox()->text(), QString::fromUtf8("Don\u2019t show this again"));
        // The orb is drawn off the UI thread and keeps arriving.
        const qint64 frames = pages.view.presentedFrames();
        EXPECT_TRUE(QTest::qWaitFor([&] { return pages.view.presentedFrames() > frames + 1; }, 10000)) << page;
        if (page < 2) QTest::mouseClick(pages.view.mainButton(), Qt::LeftButton);
    }
    EXPECT_EQ(pages.view.size(), QSize(520, 480));
}

TEST(Onboarding, EveryPageKeepsItsRhythmAndNoSubtitleEndsOnAWordAlone)
{
    // With whatever fonts the desktop has: 48 points above the orb, 36 under it, at least 24 above
    // the bottom block, all inside the panel; the text adapts instead.
    PagesUnderTest pages(true);
    const auto in = [&](QWidget* w) { return QRect(w->mapTo(&pages.view, QPoint(0, 0)), w->size()); };
    for (int page = 0; page < 3; ++page) {
        QCoreApplication::processEvents();
        const QRect orb = pages.view.orbFrame();
        const QRect title = in(pages.view.titleLabel()), subtitle = in(pages.view.subtitleLabel());
        const QRect bottom = in(pages.view.mainButton()->parentWidget());
        EXPECT_EQ(orb.top(), 48) << page;
        EXPECT_EQ(title.top() - (orb.bottom() + 1), 36) << page;
        EXPECT_GE(bottom.top() - (subtitle.bottom() + 1), 24) << page;
        EXPECT_LE(bottom.bottom(), pages.view.height() - 1) << page;
        EXPECT_GE(subtitle.height(), pages.view.subtitleLabel()->heightForWidth(subtitle.width())) << "no line is cut";

        QTextLayout layout(pages.view.subtitleLabel()->accessibleName(), pages.view.subtitleLabel()->font());
        layout.beginLayout();
        QString last;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(pages.view.textWidth());
            last = layout.text().mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
        EXPECT_TRUE(layout.lineCount() == 1 || last.contains(u' ')) << "page " << page << " ends on \"" << last.toStdString() << "\"";
        if (!qEnvironmentVariableIsEmpty("LUMARA_SCREENSHOT_DIR")) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !pages.view.orbShadow().isNull(); }, 5000));
            test::screenshot(&pages.view, page == 0 ? "first-run-1" : page == 1 ? "first-run-2" : "first-run-3");
        }
        if (page < 2) QTest::mouseClick(pages.view.mainButton(), Qt::LeftButton);
    }
}

TEST(Onboarding, TheOrbsShadowIsItsShapeBlurred)
{
    PagesUnderTest pages(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pages.view.orbShadow().isNull(); }, 10000));
    const QImage shadow = pages.view.orbShadow();
    // Across the middle row: solid where the orb is, then a soft fall that flattens as it goes
    // (a blur's tail), reaching nothing at the rim; not a disc of one strength with a linear edge.
    const int y = shadow.height() / 2;
    std::vector<int> alpha;
    for (int x = 0; x < shadow.width(); ++x) alpha.push_back(qAlpha(shadow.pixel(x, y)));
    EXPECT_EQ(alpha[alpha.size() / 2], 255) << "under the orb";
    EXPECT_EQ(alpha.front(), 0);
    EXPECT_EQ(alpha.back(), 0);
    const auto peak = std::max_element(alpha.begin(), alpha.end());
    const auto edge = std::find_if(peak, alpha.end(), [](int a) { return a < 128; }); // about the orb's rim
    ASSERT_NE(edge, alpha.end());
    const std::ptrdiff_t d = (alpha.end() - edge) / 3;
    const int near = *(edge + d / 4), middle = *(edge + d), far = *(edge + 2 * d);
    EXPECT_GT(near, middle);
    EXPECT_GT(middle, far);
    EXPECT_LT(middle, (near + far) / 2) << "the fall flattens outward: " << near << " " << middle << " " << far;
    for (std::size_t x = 1; x < alpha.size() / 2; ++x) EXPECT_GE(alpha[x], alpha[x - 1]) << "rising towards the orb at " << x;

    // The main button's shadow is a soft glow of the accent, not outlines.
    const QRect button(pages.view.mainButton()->mapTo(&pages.view, QPoint(0, 0)), pages.view.mainButton()->size());
    const QColor beside = pages.view.grab().toImage().pixelColor(button.left() - 5, button.center().y() + 5);
    EXPECT_LT(std::abs(beside.hslHue() - ui::brandAccent().hslHue()), 25) << beside.name().toStdString();
    EXPECT_GT(beside.hslSaturationF(), 0.3) << beside.name().toStdString();
}

TEST(Onboarding, DragPagesOnlyPastFiftyPointsAndSpringsBack)
{
    const struct {
        int startPage;
        int dx;
        int expectedPage;
        bool dragging; // past the 30-point minimum
    } cases[] = {
        {0, -20, 0, false}, {0, -40, 0, true}, {0, -60, 1, true}, {1, 60, 0, true},
        {0, 60, 0, true},   {2, -60, 2, true}, {1, -60, 2, true},
    };
    for (const auto& c : cases) {
        PagesUnderTest pages(true);
        for (int i = 0; i < c.startPage; ++i) pages.view.advance();
        pages.drag(c.dx);
        EXPECT_EQ(pages.view.currentPage(), c.expectedPage) << c.startPage << " by " << c.dx;
        EXPECT_EQ(pages.dragOffsetWhileHeld, c.dragging ? c.dx : 0) << "follows the finger once past 30 points";
        EXPECT_EQ(pages.view.dragOffset(), 0.0) << "springs back on release";
    }
}

TEST(Onboarding, ReduceMotionMakesEveryChangeInstant)
{
    for (bool reduce : {true, false}) {
        PagesUnderTest pages(reduce);
        EXPECT_TRUE(pages.view.appearAnimation());
        EXPECT_EQ(pages.view.orbScale() == 1.0 && pages.view.orbOpacity() == 1.0, reduce) << "entry at once only when reduced";
        pages.view.advance();
        EXPECT_EQ(pages.view.pageDots()->dotWidths() == expectedDots(1), reduce) << "dots move at once only when reduced";
        if (!reduce) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return pages.view.pageDots()->dotWidths() == expectedDots(1); }, 3000))
                << "and settle after the ease-out";
            EXPECT_TRUE(QTest::qWaitFor([&] { return pages.view.orbScale() == 1.0; }, 3000));
        }
    }
    qputenv(kReduceMotionVariable, "1");
    EXPECT_TRUE(prefersReducedMotion());
    qputenv(kReduceMotionVariable, "0");
    EXPECT_FALSE(prefersReducedMotion());
    qunsetenv(kReduceMotionVariable);
}

TEST(Onboarding, AccentIsTheBrightestBackgroundColourEarlierOnATie)
{
    const CodableColor white{1, 1, 1, 1};
    const CodableColor dim{0.1, 0.2, 0.3, 1};
    const CodableColor bright{0.9, 0.5, 0.1, 0.6};
    const CodableColor tieA{0.5, 0.3, 0.2, 0.8}; // the same sum as tieB
    const CodableColor tieB{0.2, 0.3, 0.5, 1.0};
    const struct {
        std::vector<CodableColor> colours;
        CodableColor expected;
    } cases[] = {
        {{}, white},
        {{dim}, dim},
        {{dim, bright}, bright},
        {{bright, dim}, bright},
        {{tieA, tieB}, tieA},
        {{tieB, tieA}, tieB},
        {{dim, tieA, tieB}, tieA},
    };
    for (const auto& c : cases) {
        OrbValues values;
        values.backgroundColors = c.colours;
        EXPECT_EQ(pageAccentColor(values), c.expected) << c.colours.size();
    }
}

namespace {

// The editor on a fresh settings file, with motion reduced so closing is immediate.
class FirstRun : public test::EditorFixture {
protected:
    void SetUp() override
    {
        qputenv(kReduceMotionVariable, "1");
        firstStart = true;
        EditorFixture::SetUp();
    }
    void TearDown() override
    {
        EditorFixture::TearDown();
        qunsetenv(kReduceMotionVariable);
    }
    bool storedHasSeenOnboarding()
    {
        QSettings file(path("Lumara.conf"), QSettings::IniFormat);
        return file.value(keys::hasSeenOnboarding, false).toBool();
    }
};

} // namespace

TEST_F(FirstRun, FinishingStoresTheChoiceOnlyWhenTickedAndANewWindowFollowsIt)
{
    for (bool ticked : {false, true}) {
        QPointer<OnboardingOverlay> overlay = window()->onboarding();
        ASSERT_TRUE(overlay) << "pages cover a window while they were not dismissed for good";
        EXPECT_TRUE(overlay->isVisible());
        EXPECT_EQ(overlay->geometry(), window()->rect());
        OnboardingView* pages = overlay->view();
        EXPECT_TRUE(pages->mainButton()->hasFocus()) << "focus is on the pages";
        if (ticked) QTest::mouseClick(pages->dontShowAgainBox(), Qt::LeftButton);
        // A click on the backdrop does nothing.
        QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(5, overlay->height() - 5));
        EXPECT_TRUE(overlay && overlay->isVisible());
        for (int i = 0; i < 3; ++i) QTest::mouseClick(pages->mainButton(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(overlay) << "finishing closes the pages";
        QCoreApplication::processEvents(); // the settings file is written at the next turn of the event loop
        EXPECT_EQ(storedHasSeenOnboarding(), ticked);

        // A new window on the same settings.
        app.reset();
        app = std::make_unique<ui::LumaraApp>(preferences.get(), std::make_unique<test::ScriptedDialogs>());
        window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
        EXPECT_EQ(window()->onboarding() != nullptr, !ticked);
    }
}
