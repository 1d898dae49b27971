// Still image export: the rendered orb as an 8-bit RGBA PNG with straight alpha.
// Pure functions over plain values; safe from any thread.
#pragma once

#include "model/OrbValues.h"
#include "model/Result.h"
#include "render/OrbRenderer.h"

#include <string>

namespace lumara::exporting {

enum class PngError { emptyImage, encodingFailed, cannotWrite };

// PNG bytes of a premultiplied image, converted to straight alpha, carrying `embeddedProject`
// (encodeEmbeddedProject's text; nothing when empty) in an iTXt chunk. Fails with emptyImage for
// a 0 x 0 image and encodingFailed if the encoder refuses.
Result<std::string, PngError> encodePng(const render::Image& image, const std::string& embeddedProject = {});

// Encodes and writes through OutputFile: a regular file at `path` is replaced only on success;
// a device, a FIFO or "-" (standard output) is written in place.
[[nodiscard]] Result<Ok, PngError> writePng(const render::Image& image, const std::string& path,
                                            const std::string& embeddedProject = {});

// The orb of `values` at `timeSeconds`, cropped to its square of round(orbSize * scale) pixels
// (the shadow beyond the square is cut off), written to `path`. emptyImage when the square
// would be empty or larger than render::kMaxOrbPixels. The file carries `embeddedProject`.
[[nodiscard]] Result<Ok, PngError> exportPngImage(const OrbValues& values, double timeSeconds, double scale,
                                                  const std::string& path, const std::string& embeddedProject = {});

} // namespace lumara::exporting
