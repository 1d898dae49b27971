// Thumbnails of project files, shared by `lumara thumbnail` and the lean `lumara-thumbnailer`
// that file managers run. Reads, renders and writes only: no GUI, video or script libraries.
#include "cli/Thumbnail.h"

#include "document/ProjectSource.h"
#include "export/media/PngWriter.h"

namespace lumara::cli {

Result<Ok, ThumbnailError> writeThumbnail(const std::string& input, const std::string& output, int size)
{
    if (size < 1 || size > kMaxThumbnailSize)
        return Error<ThumbnailError>{ThumbnailError::badSize, "--size must be from 1 to " +
                                                                  std::to_string(kMaxThumbnailSize) + " pixels (got " +
                                                                  std::to_string(size) + ")"};
    auto opened = openProjectSource(input);
    if (!opened)
        return Error<ThumbnailError>{opened.error().code == ProjectFileError::unreadable ? ThumbnailError::unreadable
                                                                                         : ThumbnailError::undecodable,
                                     opened.error().message};
    // Every opened project has a state.
    const OrbValues& values = opened->states[opened->effectiveSelectedIndex()].config;
    // The orb's square fills the thumbnail: orbSize points at size / orbSize pixels per point.
    const double scale = size / values.orbSize;
    if (render::orbPixelSize(values, scale) != size)
        return Error<ThumbnailError>{ThumbnailError::cannotDraw, "cannot draw the orb of " + input};
    auto written = exporting::exportPngImage(values, 0.0, scale, output);
    if (!written) {
        if (written.error().code == exporting::PngError::cannotWrite)
            return Error<ThumbnailError>{ThumbnailError::cannotWrite, written.error().message};
        return Error<ThumbnailError>{ThumbnailError::cannotDraw,
                                     "cannot draw the orb of " + input + ": " + written.error().message};
    }
    return Ok{};
}

} // namespace lumara::cli
