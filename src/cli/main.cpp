// Entry point of `lumara`: with no arguments, or with one existing file that is not a
// subcommand's name, it starts the editor (`lumara FILE` opens that project); with a subcommand it
// runs headless and never touches the display. Failures print one "lumara: " line and exit non-zero.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "ui/window/LumaraApp.h"

#include <QFileInfo>

#include <clocale>
#include <iostream>
#include <optional>

namespace {

bool isSubcommandName(CLI::App& app, const std::string& word)
{
    for (const CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; }))
        if (sub->get_name() == word) return true;
    return false;
}

} // namespace

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
    lumara::cli::addExportCommand(app, exitCode);
    lumara::cli::addThumbnailCommand(app, exitCode);
    lumara::cli::addCompletionCommand(app, exitCode);

    if (argc == 1) return lumara::ui::runEditor(argc, argv, std::nullopt);
    if (argc == 2 && argv[1][0] != '-' && !isSubcommandName(app, argv[1]) && QFileInfo(QString::fromLocal8Bit(argv[1])).isFile()) {
        const QString file = QString::fromLocal8Bit(argv[1]);
        int editorArgc = 1;
        return lumara::ui::runEditor(editorArgc, argv, file);
    }

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
