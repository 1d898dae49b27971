// Playback timing rules, driven by explicit times: fade and step lengths, index clamping and
// wrapping, re-reading the transition time at each step, and the cross-fade's opacities.
#include "ui/Playback.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lumara::ui;

TEST(PlaybackTiming, FadeIsAtLeastAFifthOfASecondAndEachStepAddsEightTenths)
{
    const struct {
        double transition, fade, step;
    } table[] = {
        {0.0, 0.2, 1.0}, {-3.0, 0.2, 1.0}, {0.6, 0.6, 1.4}, {2.0, 2.0, 2.8}, {NAN, 0.2, 1.0},
    };
    for (const auto& row : table) {
        EXPECT_DOUBLE_EQ(fadeDuration(row.transition), row.fade) << row.transition;
        EXPECT_DOUBLE_EQ(stepInterval(row.transition), row.step) << row.transition;
    }
}

TEST(PlaybackTiming, IndicesClampAndWrap)
{
    EXPECT_EQ(clampedPlayIndex(2, 2), 1u);
    EXPECT_EQ(clampedPlayIndex(0, 0), 0u);
    EXPECT_EQ(clampedPlayIndex(1, 3), 1u);
    EXPECT_EQ(nextPlayIndex(2, 3), 0u);
    EXPECT_EQ(nextPlayIndex(0, 3), 1u);
    EXPECT_FALSE(nextPlayIndex(0, 0).has_value()) << "no states: no step, no division by zero";
    EXPECT_DOUBLE_EQ(easeInOut(0.0), 0.0);
    EXPECT_DOUBLE_EQ(easeInOut(0.5), 0.5);
    EXPECT_DOUBLE_EQ(easeInOut(1.0), 1.0);
    EXPECT_DOUBLE_EQ(easeInOut(7.0), 1.0);
    EXPECT_LT(easeInOut(0.25), 0.25) << "slow at the start";
}

TEST(PlaybackLoop, StepsEveryIntervalAndWrapsFromTheLastState)
{
    Playback playback;
    playback.start(10.0, 3, 2.0);
    EXPECT_EQ(playback.playIndex(), 0u);
    EXPECT_EQ(playback.visibleLayers(10.0, 3), (std::vector<PlaybackLayer>{{0, 1.0}})) << "shown at once, no fade";
    double step = 10.0 + 2.8;
    EXPECT_FALSE(playback.advance(step - 0.01, 3, 2.0));
    EXPECT_TRUE(playback.advance(step, 3, 2.0));
    EXPECT_EQ(playback.playIndex(), 1u);
    EXPECT_DOUBLE_EQ(playback.nextStepTime(), step + 2.8);
    step = playback.nextStepTime();
    EXPECT_TRUE(playback.advance(step, 3, 2.0));
    EXPECT_TRUE(playback.advance(playback.nextStepTime(), 3, 2.0));
    EXPECT_EQ(playback.playIndex(), 0u) << "wraps to the first state";
}

TEST(PlaybackLoop, NewTransitionTimeAppliesFromTheNextStep)
{
    Playback playback;
    playback.start(0.0, 2, 0.6); // next step at 1.4
    EXPECT_FALSE(playback.advance(1.0, 2, 3.0));
    EXPECT_TRUE(playback.advance(1.4, 2, 3.0)); // the step re-reads the time: the next one is 3.8 later
    EXPECT_FALSE(playback.advance(5.1, 2, 3.0));
    EXPECT_TRUE(playback.advance(5.2, 2, 3.0));
}

TEST(PlaybackLoop, FadeMovesOpacityFromTheOutgoingToTheIncomingOrb)
{
    Playback playback;
    playback.start(0.0, 2, 1.0);
    playback.advance(1.8, 2, 1.0);
    const auto start = playback.visibleLayers(1.8, 2);
    ASSERT_EQ(start.size(), 1u) << "at the fade's first instant only the outgoing orb shows";
    EXPECT_EQ(start[0], (PlaybackLayer{0, 1.0}));
    const auto middle = playback.visibleLayers(2.3, 2);
    ASSERT_EQ(middle.size(), 2u);
    EXPECT_NEAR(middle[0].opacity + middle[1].opacity, 1.0, 1e-12);
    EXPECT_EQ(playback.visibleLayers(2.8, 2), (std::vector<PlaybackLayer>{{1, 1.0}}));
}

TEST(PlaybackLoop, ResumesWhereItStoppedClampedToTheStatesLeft)
{
    Playback playback;
    playback.start(0.0, 3, 0.2);
    playback.advance(1.0, 3, 0.2);
    playback.advance(2.0, 3, 0.2);
    ASSERT_EQ(playback.playIndex(), 2u);
    playback.stop();
    EXPECT_EQ(playback.playIndex(), 2u) << "stopping keeps the index";
    playback.start(5.0, 2, 0.2); // the third state was deleted meanwhile
    EXPECT_EQ(playback.playIndex(), 1u);
    EXPECT_EQ(playback.visibleLayers(5.0, 2), (std::vector<PlaybackLayer>{{1, 1.0}}));
}

TEST(PlaybackLoop, StopsWhenNoStateIsLeftAndSkipsVanishedIndices)
{
    Playback playback;
    playback.start(0.0, 3, 0.2);
    playback.advance(1.0, 3, 0.2);                // 0 -> 1, fading
    const auto layers = playback.visibleLayers(1.1, 1); // only state 0 is left
    ASSERT_EQ(layers.size(), 1u) << "the vanished incoming state is skipped";
    EXPECT_EQ(layers[0].index, 0u);
    EXPECT_FALSE(playback.advance(2.0, 0, 0.2));
    EXPECT_FALSE(playback.isRunning());
}
