// The largest project the program accepts, shared by everything that writes a project (the
// document, the file and autosave coders, the command line) and everything that reads one, so
// whatever is written can be read back. Constants only; thread-safe.
#pragma once

#include <cstddef>

namespace lumara {

// Far beyond any design (a strip of chips is usable to a few dozen), small enough that the
// largest project stays a few megabytes in every container.
inline constexpr std::size_t kMaxStates = 1000;
inline constexpr std::size_t kMaxBackgroundColors = 32;
// In UTF-8 bytes; longer names are cut at a character boundary when typed, refused when read.
inline constexpr std::size_t kMaxStateNameBytes = 256;
// Entries of a state's list of locked parameters (there are 26 fields; room for newer ones).
inline constexpr std::size_t kMaxLockedParameters = 64;

// Bounds on the containers, derived from the limits above with room to spare, so that a reader
// never refuses what a writer produced. A state holds at most this many values (numbers, texts,
// booleans, lists and dictionaries, not counting keys): 32 colours of 5, the glow colour's 5, the
// other 24 fields, the configuration, id, name and the state itself, and a list of locks naming
// each of the 26 fields once.
inline constexpr std::size_t kMaxValuesPerState = kMaxBackgroundColors * 5 + 5 + 24 + 4 + 1 + 26;
// Values and keys of the largest project, twice over.
inline constexpr std::size_t kMaxRecordValues = 2 * (kMaxStates * kMaxValuesPerState * 2 + 64);
// Worst case per state in JSON is about 4 KB of colours, 600 bytes of locks, plus 6 bytes per name
// byte ("\u0001"); 16 MB leaves room for four times that.
inline constexpr std::size_t kMaxRecordBytes = 16 * 1024 * 1024;
static_assert(kMaxStates * (kMaxBackgroundColors * 130 + 1200 + 600 + 6 * kMaxStateNameBytes) * 2 < kMaxRecordBytes);

} // namespace lumara
