// Locale-independent number formatting for the text exports: fixed decimals as the C
// formats "%.Nf" print them, with a point as decimal separator. Pure; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace lumara::exporting {

// x as "%.<decimals>f" prints it in the C locale: correctly rounded (ties to even on the
// exact binary value), "-" kept for negative values that round to zero, "nan"/"inf" spelt
// as the C library spells them. decimals is 0 to 17.
std::string formatFixed(double x, int decimals);

inline std::string f0(double x) { return formatFixed(x, 0); }
inline std::string f2(double x) { return formatFixed(x, 2); }
inline std::string f3(double x) { return formatFixed(x, 3); }
inline std::string f4(double x) { return formatFixed(x, 4); }

// n converted to a double and printed in the shortest form that reads back as that value,
// with ".0" added when the result is a plain integer (6 gives "6.0").
std::string formatShortestDouble(std::int64_t n);

inline std::string formatBool(bool b) { return b ? "true" : "false"; }

} // namespace lumara::exporting
