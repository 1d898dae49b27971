// `lumara render [SOURCE] -o OUT.png [--time SECONDS] [--scale S]`: one still PNG of the orb.
#include "cli/Commands.h"

#include "cli/CliSupport.h"
#include "export/media/PngWriter.h"

#include <cmath>
#include <memory>
#include <sstream>

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
    command->add_option("-o,--output", args->out, "Destination PNG file, or - for standard output")->required();
    command->add_option("--time", args->time, "Moment to draw, in seconds (default 0)")->check(numberText());
    command->add_option("--scale", args->scale, "Pixels per point (default 2)")->check(numberText());
    command->callback([args, &exitCode] {
        // Beyond a million seconds the animation's phases lose their precision.
        if (!std::isfinite(args->time) || std::abs(args->time) > 1.0e6) {
            exitCode = fail("--time must be a number of seconds from -1000000 to 1000000");
            return;
        }
        if (!std::isfinite(args->scale) || args->scale <= 0.0) {
            exitCode = fail("--scale must be a positive number");
            return;
        }
        auto design = loadSourceDesign(args->source);
        if (!design) {
            exitCode = fail(design.error().message);
            return;
        }
        const OrbValues* values = &design->values;
        if (render::orbPixelSize(*values, args->scale) <= 0) {
            std::ostringstream message; // the C locale is set in main: a point as decimal separator
            message << "cannot render an orb of " << values->orbSize * args->scale
                    << " pixels: orbSize times --scale must round to 1 to " << render::kMaxOrbPixels << " pixels";
            exitCode = fail(message.str());
            return;
        }
        auto written = exporting::exportPngImage(*values, args->time, args->scale, args->out, design->embeddedProject);
        if (written) {
            exitCode = 0;
        } else if (written.error().code == exporting::PngError::cannotWrite) {
            exitCode = fail(written.error().message); // names the path already
        } else {
            exitCode = fail("cannot write " + args->out + ": " + written.error().message);
        }
    });
}

} // namespace lumara::cli
