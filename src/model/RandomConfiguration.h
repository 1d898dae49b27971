// Random orb generation: uniform draws over closed intervals, both ends reachable.
// The engine is passed in so tests can seed it; the application uses an unseeded one.
#pragma once

#include "model/OrbValues.h"

#include <cstdint>
#include <random>

namespace lumara {

using RandomEngine = std::mt19937_64;

inline constexpr std::uint64_t kClosedIntervalSteps = std::uint64_t{1} << 53;

// The point k / 2^53 of the way from a to b; k = 2^53 gives b exactly.
double closedIntervalPoint(std::uint64_t k, double a, double b);

// A real in [a, b], both ends reachable: closedIntervalPoint(k) for k uniform in [0, 2^53].
double randomClosed(RandomEngine& engine, double a, double b);
// An integer in [a, b], both ends included.
std::int64_t randomInteger(RandomEngine& engine, std::int64_t a, std::int64_t b);

OrbValues makeRandomConfiguration(RandomEngine& engine);

// Draws from an engine seeded once per thread from the system's random device.
OrbValues makeRandomConfiguration();

} // namespace lumara
