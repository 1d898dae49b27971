// Random orb generation: uniform draws over closed intervals, both ends reachable.
// The engine is passed in so tests can seed it; the application uses an unseeded one.
#pragma once

#include "model/OrbValues.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string_view>
#include <string>
#include <vector>

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

// Draws exactly as makeRandomConfiguration(engine) does, then puts back the fields of `kept` whose
// keys `locked` lists, so a seed gives the same unlocked fields whatever is locked.
OrbValues makeRandomConfiguration(RandomEngine& engine, const OrbValues& kept, const std::vector<std::string>& locked);

// A seed as a person types it: a whole number from 0 to 2^64 - 1 in decimal digits, white space
// around it allowed; anything else gives nothing.
std::optional<std::uint64_t> parseRandomSeed(std::string_view text);

// A seed for one Randomize, from the system's random device.
std::uint64_t makeRandomSeed();

// Draws from an engine seeded once per thread from the system's random device.
OrbValues makeRandomConfiguration();

} // namespace lumara
