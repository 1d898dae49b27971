// Dispatch of the text exports by format and number of states.
#include "export/text/ExportText.h"

namespace lumara::exporting {

std::string_view exportFormatRawValue(ExportFormat format)
{
    switch (format) {
    case ExportFormat::swiftUI: return "SwiftUI";
    case ExportFormat::html: return "HTML";
    case ExportFormat::prompt: return "Prompt";
    }
    return "";
}

std::optional<ExportFormat> exportFormatFromRaw(std::string_view raw)
{
    for (auto format : {ExportFormat::swiftUI, ExportFormat::html, ExportFormat::prompt})
        if (exportFormatRawValue(format) == raw) return format;
    return std::nullopt;
}

std::string generateExportText(ExportFormat format, const OrbProjectData& project)
{
    const OrbValues current =
        project.states.empty() ? OrbValues{} : project.states[project.effectiveSelectedIndex()].config;
    std::vector<OrbValues> all;
    if (project.states.size() >= 2)
        for (const auto& state : project.states) all.push_back(state.config);

    switch (format) {
    case ExportFormat::swiftUI:
        return all.empty() ? generateSwiftUIFile(current) : generateAnimatedSwiftUI(all, project.transitionDuration);
    case ExportFormat::html:
        return all.empty() ? generateStaticHTML(current) : generateAnimatedHTML(all, project.transitionDuration);
    case ExportFormat::prompt: return generatePrompt(current);
    }
    return {};
}

} // namespace lumara::exporting
