// Animated export: samples an orb's animation into frames and streams them to a video or
// animated-image writer. Callable from any thread; frames are rendered on worker threads and
// written on the calling thread. Progress and cancellation travel through a callback.
#pragma once

#include "model/OrbValues.h"
#include "model/Result.h"
#include "render/OrbRenderer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumara::exporting {

enum class AnimatedExportFormat { mp4, apng, gif, webm, prores };
inline constexpr std::array kAllAnimatedExportFormats{AnimatedExportFormat::mp4, AnimatedExportFormat::apng,
                                                      AnimatedExportFormat::gif, AnimatedExportFormat::webm,
                                                      AnimatedExportFormat::prores};

// "mp4", "apng", "gif", "webm", "prores".
std::string_view animatedExportFormatRawValue(AnimatedExportFormat format);
std::optional<AnimatedExportFormat> animatedExportFormatFromRaw(std::string_view raw);
// The picker's label ("MP4 Video", ...) and the one-line description under it.
std::string_view animatedExportFormatLabel(AnimatedExportFormat format);
std::string_view animatedExportFormatDescription(AnimatedExportFormat format);
// The file extension proposed for the format, without the dot: "mp4", "png", "gif", "webm", "mov".
std::string_view animatedExportFormatExtension(AnimatedExportFormat format);
// The format a file name's extension names (.mp4, .png or .apng, .gif, .webm, .mov; any case).
std::optional<AnimatedExportFormat> animatedExportFormatForPath(std::string_view path);

struct MotionSettings {
    double duration = 4.0;               // seconds of animation to sample
    int fps = 30;                        // frames per second
    double scale = 2.0;                  // pixels per point
    CodableColor matte{0.0, 0.0, 0.0, 1.0}; // background under formats without transparency
    bool seamless = true;                // fold into a forward-and-back loop

    friend bool operator==(const MotionSettings&, const MotionSettings&) = default;
};

enum class ExportError { cancelled, renderFailed, writeFailed };

// Limits checked before any work starts. Generous for real use, small enough that a typo or an
// edited file cannot ask for hours of encoding or frames the encoders refuse.
inline constexpr double kMaxAnimationDuration = 600.0; // seconds
inline constexpr int kMaxAnimationFps = 120;
inline constexpr int kMaxGifFps = 50; // GIF delays are whole hundredths; browsers slow anything under 0.02 s
inline constexpr int kMaxAnimationFrameSide = 8192; // pixels

// Checks the settings and the frame size they give for `values` before any work; the error
// (renderFailed) names the offending value and the accepted range.
Result<Ok, ExportError> checkAnimationSettings(const OrbValues& values, AnimatedExportFormat format,
                                               const MotionSettings& settings);

// The frame sequence. N = duration x fps rounded half away from zero, at least 1 (and at most the
// count the limits allow: 600 s at 120 fps).
int animationFrameCount(const MotionSettings& settings);
// Times of the rendered samples, k / fps: N of them, or H + 1 with H = N / 2 (1 when N = 1) if seamless.
std::vector<double> animationSampleTimes(const MotionSettings& settings);
// For each output frame in order, the index of its sample: 0 ... H then H - 1 down to 1 when
// seamless and there are more than two samples; 0 ... N - 1 otherwise.
std::vector<int> animationFrameOrder(const MotionSettings& settings);

// Renders every frame at once, in order (premultiplied RGBA of orbSize x scale pixels square).
// Empty when any frame cannot be rendered (no pixels). Holds every frame: for tests and small
// exports; exportAnimation streams instead.
std::vector<render::Image> renderAnimationFrames(const OrbValues& values, const MotionSettings& settings);

// The frame composited over an opaque `matte` (its own opacity is not used): no transparency left.
render::Image flattenOntoMatte(const render::Image& frame, const CodableColor& matte);
std::vector<render::Image> flattenOntoMatte(const std::vector<render::Image>& frames, const CodableColor& matte);
// The matte as the opaque RGBA bytes flattenOntoMatte paints: components clamped to 0 ... 1
// (NaN as 0) and rounded; alpha 255.
std::array<std::uint8_t, 4> opaqueMatteBytes(const CodableColor& matte);

// Called on the exporting thread after each unit of work; return false to cancel.
using ExportProgress = std::function<bool(int done, int total)>;

struct AnimationExportOptions {
    ExportProgress progress;
    // Render threads; 0 = one per core.
    int threads = 0;
    // Memory allowed for keeping frames that are shown again (a seamless loop's way back, a GIF's
    // writing pass after its palette scan), held losslessly compressed (a 600 px orb frame takes
    // about 0.3 MB instead of 1.4 MB). Frames beyond it are rendered again; the renderer is pure,
    // so the pixels agree either way.
    std::size_t reuseBudgetBytes = 32u << 20;
    // Draws one frame; called concurrently from the worker threads, so it must be pure.
    // Empty means render::renderOrb. Tests substitute a drawing that encodes the time.
    std::function<render::Image(const OrbValues&, double timeSeconds, const render::RenderOptions&)> renderer;
    // The design the file carries, from encodeEmbeddedProject; empty carries none.
    std::string embeddedProject;
};

// Streams the frame sequence to `consume` in order, rendering ahead on worker threads with at most
// a few frames in flight. The frames are those of renderAnimationFrames. A consumer error or a
// cancellation stops the workers and is returned.
using FrameConsumer = std::function<Result<Ok, ExportError>(const render::Image& frame)>;
Result<Ok, ExportError> streamAnimationFrames(const OrbValues& values, const MotionSettings& settings,
                                              const FrameConsumer& consume, const AnimationExportOptions& options = {});

// Renders and writes the animation to `destination` through OutputFile: a regular file is
// replaced only on success (on failure or cancellation it is left as it was); a device, a FIFO or
// "-" (standard output) is written as the frames come, which MP4 cannot be.
// Progress counts frames written of the total (a GIF first scans its frames for the palette,
// so its total counts those too; a WebM encodes its alpha channel after the frames, one more
// unit per frame), and reaches the total only once the file is complete.
[[nodiscard]] Result<Ok, ExportError> exportAnimation(const OrbValues& values, AnimatedExportFormat format,
                                        const MotionSettings& settings, const std::string& destination,
                                        const AnimationExportOptions& options = {});

// Any frame sequence through the same pipeline and writers: `draw` gives the frame of a sample
// time as a `side` x `side` image (called concurrently from the worker threads, so it must be
// pure); `order` lists, for each output frame, the index of its sample in `times`. The caller has
// checked its settings; of `settings` only fps and matte are used. A frame the drawer leaves
// empty fails with renderFailed.
using SampleDrawer = std::function<render::Image(double timeSeconds)>;
struct FrameSequence {
    int side = 0;
    std::vector<double> times;
    std::vector<int> order;
    SampleDrawer draw;
};
[[nodiscard]] Result<Ok, ExportError> exportFrameSequence(const FrameSequence& sequence, AnimatedExportFormat format,
                                                          const MotionSettings& settings, const std::string& destination,
                                                          const AnimationExportOptions& options = {});

} // namespace lumara::exporting
