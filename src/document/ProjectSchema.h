// The keyed schema of configurations, states and projects, written once over an ordered JSON
// tree. Both containers go through it: JSON directly, binary property lists by conversion.
// Pure functions; thread-safe; never throw.
#pragma once

#include "document/ProjectCodec.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace lumara::schema {

using Record = nlohmann::ordered_json;

Record encode(const OrbValues& values);
Record encode(const OrbStateData& state);
Record encode(const OrbProjectData& project);

Result<OrbValues, CodecError> decodeConfiguration(const Record& record);
Result<OrbStateData, CodecError> decodeState(const Record& record);
// Decodes the record as stored; the caller applies the index rule and the empty-states rule.
Result<OrbProjectData, CodecError> decodeProject(const Record& record);

// Errors for records beyond the limits of ProjectLimits.h (tooLarge, with the count and the limit).
Error<CodecError> tooManyStates(std::size_t count);
Error<CodecError> tooManyColors(std::size_t count);
Error<CodecError> nameTooLong(std::size_t bytes);
// The first limit the project exceeds, if any.
std::optional<Error<CodecError>> checkLimits(const OrbProjectData& project);

// True when every number in the values is finite (JSON cannot hold NaN or infinity).
bool allFinite(const OrbValues& values);

} // namespace lumara::schema
