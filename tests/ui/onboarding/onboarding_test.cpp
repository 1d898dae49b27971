// The first-run pages with real widgets: texts, dots and buttons of each page, drag thresholds,
// reduce motion, the accent rule, and finishing with or without "Don’t show this again" against a
// real settings file, seen again (or not) by a new window.
#include "ui/UiTestSupport.h"

#include "document/PreferenceKeys.h"
#include "ui/onboarding/OnboardingOverlay.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/onboarding/ReduceMotion.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

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
