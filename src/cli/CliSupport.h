// Shared pieces of the command line: the SOURCE options every rendering and export command
// takes, and the one-line failure report. Main thread only.
#pragma once

#include "model/OrbProjectData.h"
#include "model/Result.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace lumara::cli {

// Prints "lumara: <message>" on stderr and returns the failure exit code (1).
int fail(const std::string& message);

// SOURCE: a project file, a design code, "-" for standard input (openProjectSource), --preset NAME,
// --random [--seed N], or nothing for the default. Standard input is read once: load the project
// once per command.
struct SourceOptions {
    std::string path;
    std::string preset;
    bool random = false;
    std::optional<std::uint64_t> seed;
    std::optional<std::int64_t> state; // --state N: index into a project's states
};

void addSourceOptions(CLI::App& command, SourceOptions& options);

// Refuses an empty text for a numeric option (CLI11 would read it as 0).
const CLI::Validator& numberText();
// A whole number from 0 to 2^64 - 1 written in decimal digits only (CLI11 wraps -1 and
// saturates larger numbers).
const CLI::Validator& unsignedText();

enum class SourceError { unreadable, undecodable, unknownPreset, conflictingOptions, badState };

// The project the options name (a preset, random or default source gives one state "Default").
Result<OrbProjectData, SourceError> loadSourceProject(const SourceOptions& options);

// The configuration the options pick: --state N (checked) or the project's selected state, clamped.
Result<OrbValues, SourceError> loadSourceValues(const SourceOptions& options);
// The index of that state in a project already loaded.
Result<std::size_t, SourceError> pickSourceState(const OrbProjectData& project, const SourceOptions& options);

// SOURCE when it names a file, else an empty text (a code, standard input or no SOURCE at all).
std::string sourceFilePath(const SourceOptions& options);

// The configuration as loadSourceValues picks it, and the design an exported file of it carries:
// the whole project with the drawn state selected (encodeEmbeddedProject).
struct SourceDesign {
    OrbValues values;
    std::string embeddedProject;
};
Result<SourceDesign, SourceError> loadSourceDesign(const SourceOptions& options);

} // namespace lumara::cli
