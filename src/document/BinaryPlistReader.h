// Reader of binary property lists (bplist00) for untrusted files. It first walks the object graph
// once, bounding every offset and count and rejecting cycles, nesting beyond a limit, trees that
// would expand past a node budget (shared references are expanded), non-string dictionary keys and
// integers wider than 64 bits; only then does it build the tree. A pure function; thread-safe.
// (libplist writes our files; its 2.2 reader aborts on some malformed input, so reading is ours.)
#pragma once

#include "model/ProjectLimits.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <string_view>

namespace lumara {

inline constexpr std::size_t kMaxPlistDepth = 64;
// Keys and values of the tree once shared references are expanded: room for the largest project.
inline constexpr std::size_t kMaxPlistExpandedNodes = kMaxRecordValues;

enum class PlistGateVerdict { ok, malformed, tooDeep, tooLarge, integerTooWide };

struct PlistGateResult {
    PlistGateVerdict verdict = PlistGateVerdict::ok;
    std::string message;
};

// The structural walk alone.
PlistGateResult checkBinaryPlist(std::string_view bytes);

// Checks, then builds the tree: dictionaries as objects (the first of duplicated keys wins),
// arrays as arrays, integers as signed 64-bit, reals as doubles, Booleans, strings as UTF-8
// (invalid sequences replaced with U+FFFD). Types the project records never use (null, data,
// dates, UIDs, sets) become JSON null. `out` is set only when the verdict is ok.
PlistGateResult readBinaryPlist(std::string_view bytes, nlohmann::ordered_json& out);

} // namespace lumara
