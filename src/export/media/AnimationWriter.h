// Video and animated-image writers: MP4 (H.264), GIF, WebM (VP9 with alpha) and QuickTime (ProRes
// 4444 with alpha) over FFmpeg's libraries, animated PNG on our own encoder (ApngWriter.h). One
// writer per file, used from one
// thread at a time.
#pragma once

#include "document/OutputFile.h"
#include "export/media/AnimatedExport.h"
#include "export/media/GifPalette.h"

#include <functional>
#include <memory>
#include <string>

namespace lumara::exporting {

struct AnimationWriterSettings {
    AnimatedExportFormat format = AnimatedExportFormat::mp4;
    int width = 0;  // of every frame, in pixels
    int height = 0;
    int fps = 30;
    int frameCount = 0; // frames that will be written; GIF sizes its last delay from it
    CodableColor matte{0.0, 0.0, 0.0, 1.0}; // under MP4 and GIF frames, and MP4's padding
    std::vector<PaletteColor> palette;      // GIF only: the colours every frame is indexed with
    std::string embeddedProject;            // the design the file carries (encodeEmbeddedProject); empty: none
    // Called by finish() after each of the finishingSteps() units of work it does beyond draining
    // the encoder, with the count done so far; returning false cancels (finish() then fails with
    // `cancelled`). Empty: no reports.
    std::function<bool(int done)> finishProgress;
    // For a writer that repeatsFrames(): per position, whether repeatFrame() will show that
    // frame again later; such frames are kept. Positions beyond its end are not kept.
    std::vector<bool> repeatedLater;
};

// How many units of work finish() reports through finishProgress: WebM encodes its alpha channel
// then, one unit per frame; the other writers do no more than drain their encoders.
int finishingSteps(const AnimationWriterSettings& settings);

class AnimationWriter {
public:
    virtual ~AnimationWriter() = default;
    // Appends one premultiplied RGBA frame of the opened size; frame i is shown at i / fps for 1 / fps.
    virtual Result<Ok, ExportError> writeFrame(const render::Image& frame) = 0;
    // Appends again the frame appended at position `earlier` (0-based, counting repeats), which
    // settings.repeatedLater marked; only writers whose repeatsFrames() is true.
    virtual Result<Ok, ExportError> repeatFrame(int earlier);
    // Whether repeatFrame() can show a frame again without it being drawn again.
    virtual bool repeatsFrames() const { return false; }
    // Drains the encoder and completes the file; the writer takes no frames afterwards.
    virtual Result<Ok, ExportError> finish() = 0;
};

// Prepares the encoder writing into `output` (which must outlive the writer; committing it is the
// caller's part). Failures are writeFailed with the library's own explanation in the message. MP4
// and ProRes need to seek, so they are refused for a stream. A writer destroyed before finish() leaves the
// output incomplete.
[[nodiscard]] Result<std::unique_ptr<AnimationWriter>, ExportError> openAnimationWriter(
    OutputFile& output, const AnimationWriterSettings& settings);

} // namespace lumara::exporting
