// The playback loop as an animation: one full cycle of a project's states as the canvas plays
// them (each held, cross-faded in order, the last back into the first), so the file loops without
// a seam. Frames come from the canvas's playback rules and layer stack (render/Playback.h,
// render/LayerStack.h). Callable from any thread; the export streams like exportAnimation.
#pragma once

#include "export/media/AnimatedExport.h"
#include "model/OrbProjectData.h"
#include "model/OrbValues.h"

#include <vector>

namespace lumara::exporting {

struct PlaybackLoop {
    std::vector<OrbValues> states; // in document order
    double transitionDuration = 0.6;
};

// A project's states (in order) and transition time, as the loop plays them.
PlaybackLoop playbackLoopOf(const OrbProjectData& project);

// Seconds of one cycle: states x (max(transitionDuration, 0.2) + 0.8); 0 with fewer than two states.
double playbackLoopDuration(const PlaybackLoop& loop);
// Frames of the file: round(duration x fps) (halves away from zero), at least 1.
int playbackLoopFrameCount(const PlaybackLoop& loop, int fps);
// Loop time of frame k: k x duration / count. The frames share the cycle evenly, so the step from
// the last frame back to the first is one frame like every other (the time base differs from
// k / fps by less than half a frame over the whole cycle).
std::vector<double> playbackLoopSampleTimes(const PlaybackLoop& loop, int fps);
// Side of the square frames: the largest state's orbSize x scale in pixels (0 if none draws).
// Smaller orbs sit centred in it, as on the canvas.
int playbackLoopFrameSide(const PlaybackLoop& loop, double scale);

// Checks before any work: at least two states, the frame rate and scale as for exportAnimation,
// every state's frame size, and a cycle of at most kMaxAnimationDuration. `settings.duration`
// and `settings.seamless` do not apply (the cycle fixes the one and is seamless by itself).
Result<Ok, ExportError> checkPlaybackLoopSettings(const PlaybackLoop& loop, AnimatedExportFormat format,
                                                  const MotionSettings& settings);

// The frame at `loopTime`: the orbs of render::playbackLoopLayers, each rendered at its own time
// and size, centred in a square of playbackLoopFrameSide pixels and composited at its opacity.
// `renderer` as in AnimationExportOptions (empty: render::renderOrb); `threads` for each orb.
render::Image renderPlaybackLoopFrame(const PlaybackLoop& loop, double loopTime, double scale, int threads = 0,
                                      const AnimationExportOptions& options = {});

// Checks, renders and writes the loop like exportAnimation (same destinations, progress,
// cancellation and embedded design). Of `settings`, fps, scale and matte are used.
[[nodiscard]] Result<Ok, ExportError> exportPlaybackLoop(const PlaybackLoop& loop, AnimatedExportFormat format,
                                                         const MotionSettings& settings, const std::string& destination,
                                                         const AnimationExportOptions& options = {});

} // namespace lumara::exporting
