// The one entry point of the three text exports (SwiftUI code, HTML page, AI prompt) and the
// generators behind it. Every function is a pure function of plain values: no state, no
// failure, no dependence on the locale. Any thread.
#pragma once

#include "model/OrbProjectData.h"
#include "model/OrbValues.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumara::exporting {

enum class ExportFormat { swiftUI, html, prompt };

// The SwiftUI view writes at most this many blob layers (the editor offers 1 to 5), so that a
// blob count of a billion from an edited file still gives bounded text; the page's script
// draws at most as many. The prompt and the page's CFG print the stored count unchanged.
inline constexpr std::int64_t kMaxExportedBlobLayers = 100;

// "SwiftUI", "HTML", "Prompt".
std::string_view exportFormatRawValue(ExportFormat format);
// The format with exactly this raw value, or nothing.
std::optional<ExportFormat> exportFormatFromRaw(std::string_view raw);

// Text of one export of a project. Two or more states give the multi-state SwiftUI file and
// the multi-state page; otherwise the current (clamped selected) state is exported. The
// prompt always describes the current state. A project without states exports the defaults.
std::string generateExportText(ExportFormat format, const OrbProjectData& project);

// SwiftUI: the single-view file, one view named "GeneratedOrbView" + suffix with its two
// companion structs, and the multi-state file.
std::string generateSwiftUIFile(const OrbValues& values);
std::string generateSwiftUIView(const OrbValues& values, std::string_view suffix);
std::string generateAnimatedSwiftUI(const std::vector<OrbValues>& states, double transitionDuration);

// HTML: the static page, its baked configuration block, and the multi-state page of frames.
std::string generateStaticHTML(const OrbValues& values);
std::string generateCFGBlock(const OrbValues& values);
std::string generateAnimatedHTML(const std::vector<OrbValues>& states, double transitionDuration);

// Markdown prompt describing one orb.
std::string generatePrompt(const OrbValues& values);

} // namespace lumara::exporting
