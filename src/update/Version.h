// Ordering of version strings as release feeds write them ("1.9", "1.10", "2.0b1", "2.0-rc.2").
// Pure functions; any thread.
#pragma once

#include <string_view>

namespace lumara::update {

// Negative when `a` is older than `b`, zero when they name the same version, positive when newer.
// Numeric components compare as numbers and missing ones count as zero (1.10 > 1.9, 1.0 = 1.0.0).
// A pre-release tag after the numbers ("b1", "-beta.2", "rc3") sorts below the plain release, and
// tags order alpha < beta < rc, then by their numbers. A leading "v" is ignored. Text that is not a
// version at all still gives a stable answer (compared as its pre-release tag against zero).
int compareVersions(std::string_view a, std::string_view b);

} // namespace lumara::update
