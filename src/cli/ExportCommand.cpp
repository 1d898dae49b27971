// `lumara export swiftui|html|prompt|code [SOURCE] [-o OUT]`: writes one text export, or the
// design code and a newline, to standard output exactly as generated, or to OUT (replaced only once
// the text is complete).
// `lumara export package [SOURCE] -o DIR [--name NAME] [--no-posters]`: writes the web package
// into the folder DIR.
#include "cli/Commands.h"

#include "cli/CliSupport.h"
#include "document/DesignCode.h"
#include "document/OutputFile.h"
#include "export/package/WebPackage.h"
#include "export/text/ExportText.h"

#include <map>
#include <memory>
#include <optional>

namespace lumara::cli {

namespace {

// FORMAT: one of the text exports, the design code or the web package.
enum class Kind { text, code, package };
struct Format {
    Kind kind = Kind::text;
    exporting::ExportFormat text = exporting::ExportFormat::swiftUI;
};

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
    auto* command = app.add_subcommand(
        "export", "Write the SwiftUI code, the HTML page, the AI prompt, the design code or the web package of an orb");
    const std::map<std::string, Format> formats{
        {"swiftui", {Kind::text, exporting::ExportFormat::swiftUI}},
        {"html", {Kind::text, exporting::ExportFormat::html}},
        {"prompt", {Kind::text, exporting::ExportFormat::prompt}},
        {"code", {Kind::code}},
        {"package", {Kind::package}},
    };
    command->add_option_function<std::string>(
               "FORMAT", [args, formats](const std::string& name) { args->format = formats.at(name); },
               "swiftui, html, prompt, code (the design code) or package")
        ->required()
        ->transform(CLI::IsMember({"swiftui", "html", "prompt", "code", "package"}, CLI::ignore_case));
    addSourceOptions(*command, args->source);
    command->add_option("-o,--output", args->out,
                        "Write to this file instead of standard output (- for standard output); for package, the "
                        "folder to write (made when missing)");
    command->add_option("--name", args->name, "For package: the npm package name (default: from the project file's name, else lumara-orb)");
    command->add_flag("--no-posters", args->noPosters, "For package: leave out the poster image of each state");
    command->footer("For package, --state picks the state the design starts in (its selected state).\n");
    command->callback([args, &exitCode] {
        if (args->format.kind != Kind::package && (args->name || args->noPosters)) {
            exitCode = fail(std::string(args->name ? "--name" : "--no-posters") + " goes with export package");
            return;
        }
        auto project = loadSourceProject(args->source);
        if (!project) {
            exitCode = fail(project.error().message);
            return;
        }
        if (args->source.state) {
            // --state picks the state the prompt and a one-state export describe, the state a
            // package starts in and the state a code opens on.
            auto index = pickSourceState(*project, args->source);
            if (!index) {
                exitCode = fail(index.error().message);
                return;
            }
            project->selectedStateIndex = static_cast<std::int64_t>(*index);
        }
        if (args->format.kind == Kind::package) {
            const std::string failure =
                runPackageExport(*project, args->out, args->name, args->noPosters, sourceFilePath(args->source));
            exitCode = failure.empty() ? 0 : fail(failure);
            return;
        }
        std::string text;
        if (args->format.kind == Kind::code) {
            auto code = encodeDesignCode(*project);
            if (!code) {
                exitCode = fail("cannot make the design code: " + code.error().message);
                return;
            }
            text = std::move(*code) + '\n';
        } else {
            text = exporting::generateExportText(args->format.text, *project);
        }
        auto written = writeOutputFile(args->out.empty() ? std::string(kStandardOutputPath) : args->out, text);
        exitCode = written ? 0 : fail(written.error().message);
    });
}

} // namespace lumara::cli
