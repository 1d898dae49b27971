// `lumara presets`: one line per preset, "<category>\t<name>", in library order.
#include "cli/Commands.h"

#include "model/OrbPreset.h"

#include <iostream>

namespace lumara::cli {

void addPresetsCommand(CLI::App& app, int& exitCode)
{
    auto* command = app.add_subcommand("presets", "List the built-in presets: category, a tab, the name");
    command->callback([&exitCode] {
        for (const OrbPreset& preset : allPresets())
            std::cout << presetCategoryRawValue(preset.category) << '\t' << preset.name << '\n';
        std::cout.flush();
        exitCode = std::cout.good() ? 0 : 1;
    });
}

} // namespace lumara::cli
