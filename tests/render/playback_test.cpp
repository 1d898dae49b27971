// Playback timing rules, driven by explicit times: fade and step lengths, index clamping and
// wrapping, re-reading the transition time at each step, and the cross-fade's opacities.
#include "render/Playback.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lumara::render;

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

TEST(PlaybackLoop, StacksInTheStatesOrderAndNeverShowsNothingWhileStatesExist)
{
    // The wrap from the last state to the first: the first fades in beneath the last.
    Playback wrap;
    wrap.start(0.0, 3, 0.2);
    for (double t : {1.0, 2.0, 3.0}) wrap.advance(t, 3, 0.2); // 0 -> 1 -> 2 -> 0
    const auto layers = wrap.visibleLayers(3.1, 3);
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0].index, 0u) << "incoming, at the back";
    EXPECT_EQ(layers[1].index, 2u) << "outgoing, in front";

    // The shown state deleted while playing: the last state left shows, whole, at once and on.
    Playback deleted;
    deleted.start(0.0, 3, 0.2);
    deleted.advance(1.0, 3, 0.2);
    deleted.advance(2.0, 3, 0.2); // showing 2, fading in from 1
    for (double t : {2.05, 2.5}) {
        EXPECT_EQ(deleted.visibleLayers(t, 2), (std::vector<PlaybackLayer>{{1, 1.0}})) << "at " << t;
    }
    deleted.advance(2.5, 2, 0.2);
    EXPECT_EQ(deleted.playIndex(), 1u);
    // The orb it fades from deleted: the incoming one shows whole rather than faintly.
    EXPECT_EQ(wrap.visibleLayers(3.01, 2), (std::vector<PlaybackLayer>{{0, 1.0}})) << "the last state, fading out, is gone";
    EXPECT_TRUE(Playback().visibleLayers(0.0, 0).empty());
}

TEST(PlaybackCycle, LastsEveryStepOfTheLoop)
{
    const struct {
        std::size_t count;
        double transition, cycle;
    } table[] = {{0, 0.6, 0.0}, {1, 0.6, 0.0}, {2, 0.0, 2.0}, {3, 0.6, 4.2}, {4, 2.0, 11.2}, {2, NAN, 2.0}};
    for (const auto& row : table)
        EXPECT_DOUBLE_EQ(playbackCycleDuration(row.count, row.transition), row.cycle) << row.count << " " << row.transition;
}

// Three states, transition 0.6: each state rests 0.8 s, then fades 0.6 s into the next; the cycle
// is 4.2 s and closes with the fade from the last state back into the first.
TEST(PlaybackCycle, HoldsFadesInOrderAndClosesIntoTheFirstState)
{
    const struct {
        double at;
        std::vector<LoopLayer> layers;
    } table[] = {
        {0.0, {{0, 1.0, 0.0}}},
        {0.79, {{0, 1.0, 0.79}}},
        {1.1, {{0, 0.5, 1.1}, {1, 0.5, 1.1}}},
        {1.4, {{1, 1.0, 1.4}}},
        {2.5, {{1, 0.5, 2.5}, {2, 0.5, 2.5}}},
        {3.5, {{2, 1.0, 3.5}}},
        // The closing fade: the first state runs a cycle early, into its picture at 0.
        // The first state fades in beneath the last, as the states stack.
        {3.9, {{0, 0.5, -0.3}, {2, 0.5, 3.9}}},
        {4.2, {{0, 1.0, 0.0}}},   // the wrap is the start again
        {-0.3, {{0, 0.5, -0.3}, {2, 0.5, 3.9}}},
        {NAN, {{0, 1.0, 0.0}}},
    };
    for (const auto& row : table) {
        const auto layers = playbackLoopLayers(row.at, 3, 0.6);
        ASSERT_EQ(layers.size(), row.layers.size()) << "at " << row.at;
        for (std::size_t i = 0; i < layers.size(); ++i) {
            EXPECT_EQ(layers[i].index, row.layers[i].index) << "at " << row.at;
            EXPECT_NEAR(layers[i].opacity, row.layers[i].opacity, 1e-9) << "at " << row.at;
            EXPECT_NEAR(layers[i].time, row.layers[i].time, 1e-9) << "at " << row.at;
        }
    }
    EXPECT_EQ(playbackLoopLayers(2.0, 1, 0.6), (std::vector<LoopLayer>{{0, 1.0, 2.0}})) << "one state shows alone";
    EXPECT_TRUE(playbackLoopLayers(2.0, 0, 0.6).empty());
}

TEST(PlaybackCycle, EveryOrbMovesWithoutAJumpAndTheOpacitiesAddUp)
{
    // Sampled finely over two cycles: an orb seen in two neighbouring samples has moved on by the
    // sample step, across the wrap too, and the opacities of a moment sum to one.
    const std::size_t count = 4;
    const double transition = 0.45, cycle = playbackCycleDuration(count, transition), dt = 1.0 / 240;
    std::vector<LoopLayer> previous = playbackLoopLayers(0.0, count, transition);
    for (double t = dt; t < 2 * cycle; t += dt) {
        const auto layers = playbackLoopLayers(t, count, transition);
        double total = 0;
        for (const LoopLayer& layer : layers) {
            total += layer.opacity;
            for (const LoopLayer& before : previous)
                if (before.index == layer.index) {
                    EXPECT_NEAR(layer.time - before.time, dt, 1e-9) << "state " << layer.index << " at " << t;
                }
        }
        EXPECT_NEAR(total, 1.0, 1e-9) << t;
        previous = layers;
    }
}
