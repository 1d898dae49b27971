// Entry point of `lumara`: with no arguments it starts the editor (the help for now);
// with a subcommand it runs headless. Failures print one "lumara: " line and exit non-zero.
#include "cli/Commands.h"
#include "cli/CliSupport.h"

#include <clocale>
#include <iostream>

int main(int argc, char** argv)
{
    // Generated text must not depend on the user's locale.
    std::setlocale(LC_ALL, "C");

    CLI::App app{"Lumara: design animated orbs and export them as code, pages, images and video.", "lumara"};
    app.set_version_flag("--version", std::string("lumara ") + LUMARA_VERSION);
    app.require_subcommand(0, 1);

    int exitCode = 0;
    lumara::cli::addPresetsCommand(app, exitCode);
    lumara::cli::addConvertCommand(app, exitCode);
    lumara::cli::addAnimateCommand(app, exitCode);
    lumara::cli::addRenderCommand(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return lumara::cli::fail(e.what());
    }
    if (app.get_subcommands().empty()) {
        std::cout << app.help();
        return 0;
    }
    return exitCode;
}
