// The WebM writer: VP9 with an alpha channel, encoded in two passes so only one libvpx encoder
// is alive at a time. One writer per file, used from one thread at a time.
#pragma once

#include "export/media/AnimationWriter.h"

namespace lumara::exporting {

// Writes to `output` (its temporary file, or the stream itself) a WebM whose frames last exactly
// 1 / fps and whose transparency is kept as WebM's alpha side channel, as browsers read it.
// Frames are encoded for colour as they come; their alpha planes wait, compressed, in an
// anonymous temporary file until finish() encodes them and writes the file, so finish() does
// most of the alpha work, reporting it through settings.finishProgress. It repeats frames: the
// frames settings.repeatedLater marks keep their converted planes in that file for repeatFrame().
// Failures are writeFailed with the reason in the message.
Result<std::unique_ptr<AnimationWriter>, ExportError> openWebmWriter(OutputFile& output,
                                                                     const AnimationWriterSettings& settings);

} // namespace lumara::exporting
