// Still image export, on our own PNG encoder so the thumbnailer needs no GUI library. Safe from
// any thread.
#include "export/media/PngWriter.h"

#include "document/EmbeddedProject.h"
#include "document/OutputFile.h"
#include "export/media/PngEncoding.h"
#include "render/StraightAlpha.h"

#include <vector>

namespace lumara::exporting {

Result<std::string, PngError> encodePng(const render::Image& image, const std::string& embeddedProject)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
        return Error<PngError>{PngError::emptyImage, "there is no image to encode"};
    std::vector<std::uint8_t> straight(image.pixels.size());
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    for (int y = 0; y < image.height; ++y)
        render::unpremultiplyRow(image.row(y), straight.data() + rowBytes * static_cast<std::size_t>(y), image.width);
    std::string png = encodeRgbaPng(straight.data(), image.width, image.height);
    if (png.empty()) return Error<PngError>{PngError::encodingFailed, "the PNG encoder failed"};
    if (embeddedProject.empty()) return png;
    return embedInPng(png, embeddedProject);
}

Result<Ok, PngError> writePng(const render::Image& image, const std::string& path, const std::string& embeddedProject)
{
    auto bytes = encodePng(image, embeddedProject);
    if (!bytes) return bytes.error();
    auto written = writeOutputFile(path, *bytes);
    if (!written) return Error<PngError>{PngError::cannotWrite, written.error().message};
    return Ok{};
}

Result<Ok, PngError> exportPngImage(const OrbValues& values, double timeSeconds, double scale, const std::string& path,
                                    const std::string& embeddedProject)
{
    if (render::orbPixelSize(values, scale) <= 0)
        return Error<PngError>{PngError::emptyImage, "the orb's square would be empty or larger than " +
                                                         std::to_string(render::kMaxOrbPixels) + " pixels"};
    render::RenderOptions options;
    options.pixelsPerPoint = scale;
    options.keepWorkingMemory = false; // a one-off picture, often larger than the caller's frames
    return writePng(render::renderOrb(values, timeSeconds, options), path, embeddedProject);
}

} // namespace lumara::exporting
