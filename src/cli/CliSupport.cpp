// SOURCE options and failure reporting for the command line.
#include "cli/CliSupport.h"

#include "document/ProjectSource.h"
#include "document/ProjectCodec.h"
#include "model/OrbPreset.h"
#include "model/RandomConfiguration.h"

#include <QUuid>

#include <algorithm>
#include <charconv>
#include <iostream>

namespace lumara::cli {

int fail(const std::string& message)
{
    std::cerr << "lumara: " << message << '\n';
    return 1;
}

const CLI::Validator& numberText()
{
    static const CLI::Validator validator(
        [](std::string& text) { return text.empty() ? std::string("a number is needed, not an empty text") : std::string(); },
        "NUMBER");
    return validator;
}

const CLI::Validator& unsignedText()
{
    static const CLI::Validator validator(
        [](std::string& text) {
            std::uint64_t value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            const bool digitsOnly = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (!digitsOnly || error != std::errc() || end != text.data() + text.size())
                return "\"" + text + "\" is not a whole number from 0 to 18446744073709551615";
            return std::string();
        },
        "UINT");
    return validator;
}

void addSourceOptions(CLI::App& command, SourceOptions& options)
{
    command.add_option("SOURCE", options.path,
                       "Project file (.lumara or .json), a design code, or - to read either from standard input; omit for "
                       "the default orb");
    command.add_option("--preset", options.preset, "Use a built-in preset by name (see `lumara presets`)");
    command.add_flag("--random", options.random, "Use a randomly generated orb");
    command.add_option("--seed", options.seed, "Seed for --random, for a reproducible orb")->check(unsignedText());
    command.add_option("--state", options.state, "Index of the project's state to use (default: the selected one)")
        ->check(numberText());
}

Result<OrbProjectData, SourceError> loadSourceProject(const SourceOptions& options)
{
    const int sources = (!options.path.empty()) + (!options.preset.empty()) + (options.random ? 1 : 0);
    if (sources > 1)
        return Error<SourceError>{SourceError::conflictingOptions, "give only one of SOURCE, --preset and --random"};
    if (options.seed && !options.random)
        return Error<SourceError>{SourceError::conflictingOptions, "--seed goes with --random"};

    // The state's id follows from its values, so the same command writes the same bytes, design included.
    auto singleState = [](OrbValues values) {
        OrbProjectData project;
        auto record = encodeConfiguration(values, Container::json);
        const QUuid id = QUuid::createUuidV5(QUuid(QStringLiteral("{3b0c5f4e-8a31-4d56-9b1e-2f7a6c0d9e41}")),
                                             QByteArray::fromStdString(record ? *record : std::string()));
        project.states.push_back({id.toString(QUuid::WithoutBraces).toUpper().toStdString(), "Default", std::move(values)});
        return project;
    };

    if (!options.path.empty()) {
        auto opened = openProjectSource(options.path);
        if (!opened)
            return Error<SourceError>{opened.error().code == ProjectFileError::unreadable ? SourceError::unreadable
                                                                                          : SourceError::undecodable,
                                      opened.error().message};
        return std::move(*opened);
    }
    if (!options.preset.empty()) {
        const OrbPreset* preset = findPreset(options.preset);
        if (!preset)
            return Error<SourceError>{SourceError::unknownPreset,
                                      "no preset named \"" + options.preset + "\" (see `lumara presets`)"};
        return singleState(preset->configuration);
    }
    if (options.random) {
        if (options.seed) {
            RandomEngine engine(*options.seed);
            return singleState(makeRandomConfiguration(engine));
        }
        return singleState(makeRandomConfiguration());
    }
    return singleState(OrbValues{});
}

Result<std::size_t, SourceError> pickSourceState(const OrbProjectData& project, const SourceOptions& options)
{
    if (options.state) {
        const auto count = static_cast<std::int64_t>(project.states.size());
        if (*options.state < 0 || *options.state >= count)
            return Error<SourceError>{SourceError::badState, "--state " + std::to_string(*options.state) +
                                                                 " is out of range (the project has " +
                                                                 std::to_string(count) + " states)"};
        return static_cast<std::size_t>(*options.state);
    }
    return project.effectiveSelectedIndex();
}

std::string sourceFilePath(const SourceOptions& options)
{
    return !options.path.empty() && sourceKindOf(options.path) == SourceKind::file ? options.path : std::string();
}

Result<OrbValues, SourceError> loadSourceValues(const SourceOptions& options)
{
    auto project = loadSourceProject(options);
    if (!project) return project.error();
    auto index = pickSourceState(*project, options);
    if (!index) return index.error();
    return project->states[*index].config;
}

Result<SourceDesign, SourceError> loadSourceDesign(const SourceOptions& options)
{
    auto project = loadSourceProject(options);
    if (!project) return project.error();
    auto index = pickSourceState(*project, options);
    if (!index) return index.error();
    project->selectedStateIndex = static_cast<std::int64_t>(*index);
    auto embedded = encodeEmbeddedProject(*project);
    if (!embedded) return Error<SourceError>{SourceError::undecodable, "cannot encode the design: " + embedded.error().message};
    return SourceDesign{project->states[*index].config, std::move(*embedded)};
}

} // namespace lumara::cli
