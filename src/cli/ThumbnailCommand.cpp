// `lumara thumbnail INPUT OUTPUT.png [--size N]`: the same preview as lumara-thumbnailer, the lean
// program the .thumbnailer entry points file managers at. Main thread only.
#include "cli/Commands.h"

#include "cli/CliSupport.h"
#include "cli/Thumbnail.h"

#include <memory>

namespace lumara::cli {

void addThumbnailCommand(CLI::App& app, int& exitCode)
{
    struct Args {
        std::string input;
        std::string output;
        std::int64_t size = kDefaultThumbnailSize;
    };
    auto args = std::make_shared<Args>();
    auto* command = app.add_subcommand("thumbnail", "Write a square PNG preview of a project, for file managers");
    command->add_option("INPUT", args->input, "Project file to preview, a design code, or - for standard input")->required();
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
