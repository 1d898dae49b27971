// `lumara render [SOURCE] -o OUT.png [--time SECONDS] [--scale S]`: one still PNG of the orb.
#include "cli/Commands.h"

#include "cli/CliSupport.h"
#include "export/PngWriter.h"

#include <cmath>
#include <memory>

namespace lumara::cli {

void addRenderCommand(CLI::App& app, int& exitCode)
{
    struct Args {
        SourceOptions source;
        std::string out;
        double time = 0.0;
        double scale = 2.0;
    };
    auto args = std::make_shared<Args>();
    auto* command = app.add_subcommand("render", "Render the orb as a PNG image with transparency");
    addSourceOptions(*command, args->source);
    command->add_option("-o,--output", args->out, "Destination PNG file")->required();
    command->add_option("--time", args->time, "Moment to draw, in seconds (default 0)");
    command->add_option("--scale", args->scale, "Pixels per point (default 2)");
    command->callback([args, &exitCode] {
        if (!std::isfinite(args->time)) {
            exitCode = fail("--time must be a finite number of seconds");
            return;
        }
        if (!std::isfinite(args->scale) || args->scale <= 0.0) {
            exitCode = fail("--scale must be a positive number");
            return;
        }
        auto values = loadSourceValues(args->source);
        if (!values) {
            exitCode = fail(values.error().message);
            return;
        }
        const double side = values->orbSize * args->scale;
        if (render::orbPixelSize(*values, args->scale) <= 0) {
            exitCode = fail("cannot render an orb of " + std::to_string(side) + " pixels: the side must be from 1 to " +
                            std::to_string(render::kMaxOrbPixels) + " pixels (orbSize times --scale)");
            return;
        }
        auto written = exporting::exportPngImage(*values, args->time, args->scale, args->out);
        exitCode = written ? 0 : fail("cannot write " + args->out + ": " + written.error().message);
    });
}

} // namespace lumara::cli
