// Frames of the playback loop: the playback rules give the orbs and opacities of each moment, the
// renderer draws each orb, the layer stack composites them, and the animated-export pipeline
// writes the result.
#include "export/media/PlaybackLoopExport.h"

#include "export/media/ExportMessages.h"
#include "render/LayerStack.h"
#include "render/Playback.h"

#include <algorithm>
#include <cmath>

namespace lumara::exporting {

PlaybackLoop playbackLoopOf(const OrbProjectData& project)
{
    PlaybackLoop loop;
    for (const OrbStateData& state : project.states) loop.states.push_back(state.config);
    loop.transitionDuration = project.transitionDuration;
    return loop;
}

double playbackLoopDuration(const PlaybackLoop& loop)
{
    return render::playbackCycleDuration(loop.states.size(), loop.transitionDuration);
}

int playbackLoopFrameCount(const PlaybackLoop& loop, int fps)
{
    MotionSettings settings;
    settings.duration = playbackLoopDuration(loop);
    settings.fps = fps;
    return animationFrameCount(settings);
}

std::vector<double> playbackLoopSampleTimes(const PlaybackLoop& loop, int fps)
{
    const int count = playbackLoopFrameCount(loop, fps);
    const double cycle = playbackLoopDuration(loop);
    std::vector<double> times(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) times[static_cast<std::size_t>(k)] = cycle * k / count;
    return times;
}

int playbackLoopFrameSide(const PlaybackLoop& loop, double scale)
{
    int side = 0;
    for (const OrbValues& values : loop.states) side = std::max(side, render::orbPixelSize(values, scale));
    return side;
}

Result<Ok, ExportError> checkPlaybackLoopSettings(const PlaybackLoop& loop, AnimatedExportFormat format,
                                                  const MotionSettings& settings)
{
    if (loop.states.size() < 2)
        return renderError("the playback loop needs at least two states (the project has " +
                           std::to_string(loop.states.size()) + ")");
    const double cycle = playbackLoopDuration(loop);
    if (!(cycle <= kMaxAnimationDuration))
        return renderError("one playback cycle of " + std::to_string(loop.states.size()) + " states lasts " + messageNumber(cycle) +
                           " seconds; the most is " + messageNumber(kMaxAnimationDuration));
    MotionSettings checked = settings;
    checked.duration = cycle;
    for (const OrbValues& values : loop.states)
        if (auto result = checkAnimationSettings(values, format, checked); !result) return result.error();
    return Ok{};
}

render::Image renderPlaybackLoopFrame(const PlaybackLoop& loop, double loopTime, double scale, int threads,
                                      const AnimationExportOptions& options)
{
    const int side = playbackLoopFrameSide(loop, scale);
    render::Image frame;
    if (side <= 0) return frame;
    const auto layers = render::playbackLoopLayers(loopTime, loop.states.size(), loop.transitionDuration);
    const auto draw = [&](const render::LoopLayer& layer) {
        const OrbValues& values = loop.states[layer.index];
        const int origin = render::centredOrigin(side, render::orbPixelSize(values, scale));
        render::RenderOptions renderOptions;
        renderOptions.pixelsPerPoint = scale;
        renderOptions.width = renderOptions.height = side;
        renderOptions.originX = renderOptions.originY = origin;
        renderOptions.threads = threads;
        return options.renderer ? options.renderer(values, layer.time, renderOptions)
                                : render::renderOrb(values, layer.time, renderOptions);
    };
    // As on the canvas: one opaque orb is its own frame; otherwise the orbs go over a clear frame.
    if (layers.size() == 1 && layers.front().opacity >= 1.0) return draw(layers.front());
    frame.width = frame.height = side;
    frame.pixels.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side) * 4, 0);
    for (const render::LoopLayer& layer : layers) {
        const render::Image image = draw(layer);
        if (image.width != side || image.height != side) return {};
        render::drawOver(frame, image, layer.opacity);
    }
    return frame;
}

Result<Ok, ExportError> exportPlaybackLoop(const PlaybackLoop& loop, AnimatedExportFormat format,
                                           const MotionSettings& settings, const std::string& destination,
                                           const AnimationExportOptions& options)
{
    if (auto checked = checkPlaybackLoopSettings(loop, format, settings); !checked) return checked.error();
    FrameSequence sequence;
    sequence.side = playbackLoopFrameSide(loop, settings.scale);
    sequence.times = playbackLoopSampleTimes(loop, settings.fps);
    for (std::size_t k = 0; k < sequence.times.size(); ++k) sequence.order.push_back(static_cast<int>(k));
    // Each frame single-threaded: the pipeline renders several frames at once.
    sequence.draw = [&loop, &options, scale = settings.scale](double t) { return renderPlaybackLoopFrame(loop, t, scale, 1, options); };
    return exportFrameSequence(sequence, format, settings, destination, options);
}

} // namespace lumara::exporting
