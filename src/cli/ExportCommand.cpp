// `lumara export swiftui|html|prompt [SOURCE] [-o OUT]`: writes one text export to standard
// output exactly as generated, or to OUT (replaced only once the text is complete).
// `lumara export package [SOURCE] -o DIR [--name NAME] [--no-posters]`: writes the web package
// into the folder DIR.
#include "cli/Commands.h"

#include "cli/CliSupport.h"
#include "document/OutputFile.h"
#include "export/package/WebPackage.h"
#include "export/text/ExportText.h"

#include <map>
#include <memory>
#include <optional>

namespace lumara::cli {

namespace {

// FORMAT: one of the text exports, or nothing for the web package.
using Format = std::optional<exporting::ExportFormat>;

std::string runPackageExport(const OrbProjectData& project, const std::string& dir, std::optional<std::string> name,
                             bool noPosters, const std::string& sourcePath)
{
    if (dir.empty()) return "export package needs -o DIR, the folder to write the package in";
    if (dir == kStandardOutputPath) return "a package is a folder: -o - (standard output) cannot hold it";
    if (name && !exporting::isValidPackageName(*name))
        return "--name \"" + *name +
               "\" is not a valid npm package name (lower-case letters, digits and - . _ ~, an optional @scope/, "
               "at most 214 characters, not starting with . or _)";
    const std::string packageName = name ? *name : exporting::packageNameFor(sourcePath);
    auto written = exporting::writeWebPackage(project, dir, packageName, !noPosters);
    return written ? std::string() : written.error().message;
}

} // namespace

void addExportCommand(CLI::App& app, int& exitCode)
{
    struct Args {
        Format format;
        SourceOptions source;
        std::string out;
        std::optional<std::string> name;
        bool noPosters = false;
    };
    auto args = std::make_shared<Args>();
    auto* command = app.add_subcommand("export", "Write the SwiftUI code, the HTML page, the AI prompt or the web package of an orb");
    const std::map<std::string, Format> formats{
        {"swiftui", exporting::ExportFormat::swiftUI},
        {"html", exporting::ExportFormat::html},
        {"prompt", exporting::ExportFormat::prompt},
        {"package", std::nullopt},
    };
    command->add_option_function<std::string>(
               "FORMAT", [args, formats](const std::string& name) { args->format = formats.at(name); },
               "swiftui, html, prompt or package")
        ->required()
        ->transform(CLI::IsMember({"swiftui", "html", "prompt", "package"}, CLI::ignore_case));
    addSourceOptions(*command, args->source);
    command->add_option("-o,--output", args->out,
                        "Write to this file instead of standard output (- for standard output); for package, the "
                        "folder to write (made when missing)");
    command->add_option("--name", args->name, "For package: the npm package name (default: from the project file's name, else lumara-orb)");
    command->add_flag("--no-posters", args->noPosters, "For package: leave out the poster image of each state");
    command->footer("For package, --state picks the state the design starts in (its selected state).\n");
    command->callback([args, &exitCode] {
        if (args->format && (args->name || args->noPosters)) {
            exitCode = fail(std::string(args->name ? "--name" : "--no-posters") + " goes with export package");
            return;
        }
        auto project = loadSourceProject(args->source);
        if (!project) {
            exitCode = fail(project.error().message);
            return;
        }
        if (args->source.state) {
            // --state picks the state the prompt and a one-state export describe, and the state a
            // package starts in.
            auto values = loadSourceValues(args->source);
            if (!values) {
                exitCode = fail(values.error().message);
                return;
            }
            project->selectedStateIndex = *args->source.state;
        }
        if (!args->format) {
            const std::string failure = runPackageExport(*project, args->out, args->name, args->noPosters, args->source.path);
            exitCode = failure.empty() ? 0 : fail(failure);
            return;
        }
        const std::string text = exporting::generateExportText(*args->format, *project);
        auto written = writeOutputFile(args->out.empty() ? std::string(kStandardOutputPath) : args->out, text);
        exitCode = written ? 0 : fail(written.error().message);
    });
}

} // namespace lumara::cli
