// Subcommands of the `lumara` command line. Each add* function registers one subcommand;
// its callback stores the exit code in `exitCode`.
#pragma once

#include <CLI/CLI.hpp>

namespace lumara::cli {

void addPresetsCommand(CLI::App& app, int& exitCode);
void addConvertCommand(CLI::App& app, int& exitCode);
void addAnimateCommand(CLI::App& app, int& exitCode);
void addRenderCommand(CLI::App& app, int& exitCode);
void addExportCommand(CLI::App& app, int& exitCode);
void addThumbnailCommand(CLI::App& app, int& exitCode);
// Hidden; registered last, as it describes the commands registered before it.
void addCompletionCommand(CLI::App& app, int& exitCode);

} // namespace lumara::cli
