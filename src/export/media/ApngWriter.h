// The animated PNG writer: our own encoder on libdeflate. Frames are compared with the previous
// one on the calling thread, compressed on worker threads the writer keeps for the whole file,
// and written in order. One writer per file, used from one thread at a time.
#pragma once

#include "export/media/AnimationWriter.h"

#include <cstdint>

namespace lumara::exporting {

// Writes to `output` (its temporary file, or the stream itself) a truecolour-with-alpha PNG whose
// frames all last exactly 1 / fps and which loops forever; the caller commits `output` after
// finish(). `threads` compress frames (0 = one per core). A stream cannot be rewound, so there
// the frame count given in the settings must be the count written. Failures are writeFailed with
// the reason in the message.
Result<std::unique_ptr<AnimationWriter>, ExportError> openApngWriter(OutputFile& output,
                                                                     const AnimationWriterSettings& settings,
                                                                     int threads = 0);

// Where a frame after the first is stored: the smallest rectangle holding every pixel that
// differs from the previous frame (1 x 1 when none does). It is drawn replacing what is under it
// or, when `canBlendOver`, possibly over it with the unchanged pixels made fully transparent (long
// runs of zeros may compress better); the writer keeps the smaller. Either way the decoded frame
// equals the current one exactly: over is allowed only when every changed pixel is opaque.
struct ApngFrameRegion {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool canBlendOver = false;
};
// `previous` and `current` are straight RGBA rows of `width` x `height` pixels, packed.
ApngFrameRegion apngChangedRegion(const std::uint8_t* previous, const std::uint8_t* current, int width, int height);

} // namespace lumara::exporting
