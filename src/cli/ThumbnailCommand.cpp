// `lumara thumbnail INPUT OUTPUT.png [--size N]`: the thumbnailer file managers run for project
// files (see the .thumbnailer entry installed beside the desktop entry).
#include "cli/Commands.h"

#include "cli/CliSupport.h"
#include "cli/Thumbnail.h"
#include "export/PngWriter.h"

#include <memory>

namespace lumara::cli {

Result<Ok, ThumbnailError> writeThumbnail(const std::string& input, const std::string& output, int size)
{
    if (size < 1 || size > kMaxThumbnailSize)
        return Error<ThumbnailError>{ThumbnailError::badSize, "--size must be from 1 to " +
                                                                  std::to_string(kMaxThumbnailSize) + " pixels (got " +
                                                                  std::to_string(size) + ")"};
    SourceOptions source;
    source.path = input;
    auto values = loadSourceValues(source);
    if (!values)
        return Error<ThumbnailError>{values.error().code == SourceError::unreadable ? ThumbnailError::unreadable
                                                                                    : ThumbnailError::undecodable,
                                     values.error().message};
    // The orb's square fills the thumbnail: orbSize points at size / orbSize pixels per point.
    const double scale = size / values->orbSize;
    if (render::orbPixelSize(*values, scale) != size)
        return Error<ThumbnailError>{ThumbnailError::cannotDraw, "cannot draw the orb of " + input};
    auto written = exporting::exportPngImage(*values, 0.0, scale, output);
    if (!written) {
        if (written.error().code == exporting::PngError::cannotWrite)
            return Error<ThumbnailError>{ThumbnailError::cannotWrite, written.error().message};
        return Error<ThumbnailError>{ThumbnailError::cannotDraw,
                                     "cannot draw the orb of " + input + ": " + written.error().message};
    }
    return Ok{};
}

void addThumbnailCommand(CLI::App& app, int& exitCode)
{
    struct Args {
        std::string input;
        std::string output;
        std::int64_t size = kDefaultThumbnailSize;
    };
    auto args = std::make_shared<Args>();
    auto* command = app.add_subcommand("thumbnail", "Write a square PNG preview of a project, for file managers");
    command->add_option("INPUT", args->input, "Project file to preview")->required();
    command->add_option("OUTPUT", args->output, "Destination PNG file, or - for standard output")->required();
    command->add_option("--size", args->size, "Side of the preview in pixels, 1 to 1024 (default 256)")
        ->check(numberText());
    command->callback([args, &exitCode] {
        // Checked here rather than narrowed, so 4294967552 is not read as 256.
        const int size = args->size < 1 || args->size > kMaxThumbnailSize ? 0 : static_cast<int>(args->size);
        if (size == 0) {
            exitCode = fail("--size must be from 1 to " + std::to_string(kMaxThumbnailSize) + " pixels (got " +
                            std::to_string(args->size) + ")");
            return;
        }
        auto written = writeThumbnail(args->input, args->output, size);
        exitCode = written ? 0 : fail(written.error().message);
    });
}

} // namespace lumara::cli
