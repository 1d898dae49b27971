// Timing of state playback: which state is shown, when the next one fades in and how far each
// fade has come. Pure values driven by an injected monotonic time in seconds, so the rules can be
// checked without waiting. Plain values, no Qt: the canvas and the playback-loop export share them.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace lumara::render {

// Length of one cross-fade: max(transitionDuration, 0.2) seconds (0.2 for NaN).
double fadeDuration(double transitionDuration);
// How long each state rests between fades.
inline constexpr double kPlaybackRest = 0.8;
// Time from the start of one fade to the start of the next: the fade plus kPlaybackRest.
double stepInterval(double transitionDuration);
// A play index pulled back into 0...count - 1 (0 when there are no states).
std::size_t clampedPlayIndex(std::size_t index, std::size_t count);
// The state after `index`, wrapping to the first; nothing when there are no states.
std::optional<std::size_t> nextPlayIndex(std::size_t index, std::size_t count);
// Standard cubic ease-in-out of t in [0, 1] (values outside are clamped).
double easeInOut(double t);

// One orb of the playing stack and how opaque it is now.
struct PlaybackLayer {
    std::size_t index = 0;
    double opacity = 1.0;
    friend bool operator==(const PlaybackLayer&, const PlaybackLayer&) = default;
};

// The playback loop. `playIndex` survives stop and start, so a new playback resumes where the
// last one stopped (clamped to the states there are then).
class Playback {
public:
    bool isRunning() const { return m_running; }
    std::size_t playIndex() const { return m_playIndex; }

    // Shows `playIndex` (clamped) at once, without a fade; the first step comes one interval later.
    void start(double now, std::size_t count, double transitionDuration);
    // Ends the loop; the play index keeps its value.
    void stop();
    // Moves the loop on to `now`: when the next step is due, advances to the next state (re-reading
    // the count and the transition time now) and starts its fade. Returns whether the index
    // changed. Stops the loop instead when no state is left; a play index beyond the states is
    // pulled back to the last one first.
    bool advance(double now, std::size_t count, double transitionDuration);

    // The orbs with non-zero opacity at `now`, back to front in the states' order (at the wrap the
    // incoming first state lies beneath the outgoing last one). A play index beyond the states is
    // taken as the last state; an outgoing orb beyond them is left out, and the current one then
    // shows whole, so while states exist something always shows. Nothing when there are none.
    std::vector<PlaybackLayer> visibleLayers(double now, std::size_t count) const;

    // When the next step is due (meaningful while running).
    double nextStepTime() const { return m_nextStep; }

private:
    bool m_running = false;
    std::size_t m_playIndex = 0;
    std::optional<std::size_t> m_previousIndex;
    double m_fadeStart = 0.0;
    double m_fadeDuration = 0.2;
    double m_nextStep = 0.0;
};

// One full cycle of the loop: every state held, then cross-faded into the next, the last back into
// the first. count x stepInterval(transitionDuration) seconds; 0 with fewer than two states.
double playbackCycleDuration(std::size_t count, double transitionDuration);

// An orb of the recorded loop: its state, its opacity and the time its own animation shows.
struct LoopLayer {
    std::size_t index = 0;
    double opacity = 1.0;
    double time = 0.0;
    friend bool operator==(const LoopLayer&, const LoopLayer&) = default;
};

// The orbs of one cycle at `loopTime` (wrapped into 0 ... cycle), back to front, by the Playback
// rules above stepped exactly on their deadlines. The cycle opens with the first state at rest, the
// moment the fade that brought it in ends, and closes with the fade from the last state back into
// it, so its end meets its start. The layers are those of a canvas whose playback started from the
// first state fadeDuration seconds before loop time 0, and each orb shows loop time, as the canvas
// clock drives every orb, with one exception: in the closing fade the incoming first state shows
// loopTime - cycle, the moments that lead into its picture at loop time 0. Orbs move at speeds of
// their own that share no period with the cycle, so one shared clock would jump at the wrap; this
// way every orb's motion is continuous across it. With one state: that state alone; none: nothing.
// Costs O(count).
std::vector<LoopLayer> playbackLoopLayers(double loopTime, std::size_t count, double transitionDuration);

} // namespace lumara::render
