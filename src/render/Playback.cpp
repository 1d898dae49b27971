// Playback timing as plain arithmetic on the times handed in. No shared state.
#include "render/Playback.h"

#include <algorithm>
#include <cmath>

namespace lumara::render {

double fadeDuration(double transitionDuration)
{
    return std::isnan(transitionDuration) ? 0.2 : std::max(transitionDuration, 0.2);
}

double stepInterval(double transitionDuration) { return fadeDuration(transitionDuration) + kPlaybackRest; }

std::size_t clampedPlayIndex(std::size_t index, std::size_t count)
{
    return count == 0 ? 0 : std::min(count - 1, index);
}

std::optional<std::size_t> nextPlayIndex(std::size_t index, std::size_t count)
{
    if (count == 0) return std::nullopt;
    return (index + 1) % count;
}

double easeInOut(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t < 0.5 ? 4.0 * t * t * t : 1.0 - std::pow(-2.0 * t + 2.0, 3.0) / 2.0;
}

void Playback::start(double now, std::size_t count, double transitionDuration)
{
    m_running = true;
    m_playIndex = clampedPlayIndex(m_playIndex, count);
    m_previousIndex.reset();
    m_nextStep = now + stepInterval(transitionDuration);
}

void Playback::stop()
{
    m_running = false;
    m_previousIndex.reset();
}

bool Playback::advance(double now, std::size_t count, double transitionDuration)
{
    // States deleted under the loop: it goes on from the last one there is.
    if (m_running && count > 0) m_playIndex = std::min(m_playIndex, count - 1);
    if (!m_running || now < m_nextStep) return false;
    const auto next = nextPlayIndex(m_playIndex, count);
    if (!next) {
        stop();
        return false;
    }
    m_previousIndex = m_playIndex;
    m_playIndex = *next;
    m_fadeStart = now;
    m_fadeDuration = fadeDuration(transitionDuration);
    // The interval is read when the step happens, so a new transition time applies from here on.
    // Counting from `now` rather than the missed deadline keeps a late frame from bunching steps.
    m_nextStep = now + stepInterval(transitionDuration);
    return m_previousIndex != m_playIndex;
}

std::vector<PlaybackLayer> Playback::visibleLayers(double now, std::size_t count) const
{
    if (count == 0) return {};
    const std::size_t current = std::min(m_playIndex, count - 1);
    const double progress = m_previousIndex ? easeInOut((now - m_fadeStart) / m_fadeDuration) : 1.0;
    // Without an orb to fade from (none, or one deleted meanwhile) the current one shows whole.
    if (!m_previousIndex || progress >= 1.0 || *m_previousIndex >= count || *m_previousIndex == current)
        return {{current, 1.0}};
    const PlaybackLayer outgoing{*m_previousIndex, 1.0 - progress};
    if (progress <= 0.0) return {outgoing};
    // The orbs stack in the states' order, so at the wrap the first state fades in beneath the last.
    const PlaybackLayer incoming{current, progress};
    if (incoming.index < outgoing.index) return {incoming, outgoing};
    return {outgoing, incoming};
}

double playbackCycleDuration(std::size_t count, double transitionDuration)
{
    return count < 2 ? 0.0 : double(count) * stepInterval(transitionDuration);
}

std::vector<LoopLayer> playbackLoopLayers(double loopTime, std::size_t count, double transitionDuration)
{
    if (count == 0) return {};
    const double cycle = playbackCycleDuration(count, transitionDuration);
    if (count == 1) return {{0, 1.0, std::isfinite(loopTime) ? loopTime : 0.0}};
    double t = std::isfinite(loopTime) ? std::fmod(loopTime, cycle) : 0.0;
    if (t < 0.0) t += cycle;
    Playback playback;
    playback.start(-fadeDuration(transitionDuration), count, transitionDuration);
    // Steps land exactly on their deadlines, as on a canvas whose frames come on time. The last
    // of the cycle's `count` steps starts the fade back into the first state.
    std::size_t steps = 0;
    while (steps < count && playback.nextStepTime() <= t) {
        playback.advance(playback.nextStepTime(), count, transitionDuration);
        ++steps;
    }
    std::vector<LoopLayer> layers;
    for (const PlaybackLayer& layer : playback.visibleLayers(t, count))
        layers.push_back({layer.index, layer.opacity, steps == count && layer.index == 0 ? t - cycle : t});
    return layers;
}

} // namespace lumara::render
