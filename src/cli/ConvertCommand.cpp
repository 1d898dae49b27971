// `lumara convert IN OUT`: re-encodes a project (a file, a design code or standard input, as SOURCE
// reads them) in the container OUT's extension names.
#include "cli/Commands.h"

#include "cli/CliSupport.h"
#include "document/OutputFile.h"
#include "document/ProjectCodec.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace lumara::cli {

namespace {

std::optional<Container> containerForPath(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "lumara") return Container::propertyList;
    if (ext == "json") return Container::json;
    return std::nullopt;
}

} // namespace

void addConvertCommand(CLI::App& app, int& exitCode)
{
    struct Args {
        std::string in, out;
    };
    auto args = std::make_shared<Args>();
    auto* command = app.add_subcommand("convert", "Convert a project between .lumara (binary plist) and .json");
    command->add_option("IN", args->in, "Project or configuration file, in either container, a design code, or - for standard input")
        ->required();
    command->add_option("OUT", args->out, "Destination; its extension (.lumara or .json) picks the container")->required();
    command->callback([args, &exitCode] {
        const auto container = containerForPath(args->out);
        if (!container) {
            exitCode = fail("cannot tell the container of " + args->out + ": use a .lumara or .json extension");
            return;
        }
        SourceOptions source;
        source.path = args->in;
        auto project = loadSourceProject(source);
        if (!project) {
            exitCode = fail(project.error().message);
            return;
        }
        // Written as the document saves it: the effective (clamped) selection.
        project->selectedStateIndex = static_cast<std::int64_t>(project->effectiveSelectedIndex());
        auto bytes = encodeProject(*project, *container);
        if (!bytes) {
            exitCode = fail("cannot encode the project: " + bytes.error().message);
            return;
        }
        auto written = writeOutputFile(args->out, *bytes);
        exitCode = written ? 0 : fail(written.error().message);
    });
}

} // namespace lumara::cli
