// `lumara export swiftui|html|prompt [SOURCE] [-o OUT]`: writes one text export to standard
// output exactly as generated, or to OUT (replaced only once the text is complete).
#include "cli/Commands.h"

#include "cli/CliSupport.h"
#include "document/OutputFile.h"
#include "export/text/ExportText.h"

#include <map>
#include <memory>

namespace lumara::cli {

void addExportCommand(CLI::App& app, int& exitCode)
{
    struct Args {
        exporting::ExportFormat format = exporting::ExportFormat::swiftUI;
        SourceOptions source;
        std::string out;
    };
    auto args = std::make_shared<Args>();
    auto* command = app.add_subcommand("export", "Write the SwiftUI code, the HTML page or the AI prompt of an orb");
    const std::map<std::string, exporting::ExportFormat> formats{
        {"swiftui", exporting::ExportFormat::swiftUI},
        {"html", exporting::ExportFormat::html},
        {"prompt", exporting::ExportFormat::prompt},
    };
    command->add_option("FORMAT", args->format, "swiftui, html or prompt")
        ->required()
        ->transform(CLI::CheckedTransformer(formats, CLI::ignore_case));
    addSourceOptions(*command, args->source);
    command->add_option("-o,--output", args->out, "Write to this file instead of standard output (- for standard output)");
    command->callback([args, &exitCode] {
        auto project = loadSourceProject(args->source);
        if (!project) {
            exitCode = fail(project.error().message);
            return;
        }
        if (args->source.state) {
            // --state picks the state the prompt and a one-state export describe.
            auto values = loadSourceValues(args->source);
            if (!values) {
                exitCode = fail(values.error().message);
                return;
            }
            project->selectedStateIndex = *args->source.state;
        }
        const std::string text = exporting::generateExportText(args->format, *project);
        auto written = writeOutputFile(args->out.empty() ? std::string(kStandardOutputPath) : args->out, text);
        exitCode = written ? 0 : fail(written.error().message);
    });
}

} // namespace lumara::cli
