// Timing of state playback on the canvas: which state is shown, when the next one fades in and
// how far each fade has come. Pure values driven by an injected monotonic time in seconds, so the
// rules can be checked without waiting. UI thread (plain value, no Qt).
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace lumara::ui {

// Length of one cross-fade: max(transitionDuration, 0.2) seconds (0.2 for NaN).
double fadeDuration(double transitionDuration);
// Time from the start of one fade to the start of the next: the fade plus 0.8 s at rest.
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
    // changed. Stops the loop instead when no state is left.
    bool advance(double now, std::size_t count, double transitionDuration);

    // The orbs with non-zero opacity at `now`, back to front: the outgoing one while a fade runs,
    // then the current one. Indices at or beyond `count` are left out.
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

} // namespace lumara::ui
