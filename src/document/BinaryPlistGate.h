// Structural check of a binary property list before it reaches libplist: bounds every offset
// and count, rejects cycles, nesting beyond a limit, trees that would expand past a node budget
// (shared references are copied by the parser), and integers wider than 64 bits.
// A pure function of the bytes; thread-safe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumara {

inline constexpr std::size_t kMaxPlistDepth = 64;
inline constexpr std::size_t kMaxPlistExpandedNodes = 500'000;

enum class PlistGateVerdict { ok, malformed, tooDeep, tooLarge, integerTooWide };

struct PlistGateResult {
    PlistGateVerdict verdict = PlistGateVerdict::ok;
    std::string message;
};

PlistGateResult checkBinaryPlist(std::string_view bytes);

} // namespace lumara
