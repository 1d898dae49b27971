// The serialised project (states, selection, transition time) as plain values: what the
// project file and the autosave record hold, and what the text exporters take.
#pragma once

#include "OrbValues.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumara {

struct OrbStateData {
    std::string id;   // UUID text, upper-case when written by us
    std::string name; // UTF-8
    OrbValues config;
    // Keys of the fields Randomize keeps (OrbFields.h), in key order, each once; empty for most states.
    std::vector<std::string> lockedParameters = {};

    friend bool operator==(const OrbStateData&, const OrbStateData&) = default;
};

struct OrbProjectData {
    std::vector<OrbStateData> states;
    std::int64_t selectedStateIndex = 0;
    double transitionDuration = 0.6;

    // The stored index limited to at most count - 1, then to at least 0.
    std::size_t effectiveSelectedIndex() const
    {
        if (states.empty() || selectedStateIndex < 0) return 0;
        const auto last = static_cast<std::int64_t>(states.size()) - 1;
        return static_cast<std::size_t>(selectedStateIndex > last ? last : selectedStateIndex);
    }

    // How stored projects are read: the index is limited to at most count - 1 (not to at least
    // 0); readers clamp the rest through effectiveSelectedIndex().
    void limitSelectionToLastState()
    {
        const auto last = static_cast<std::int64_t>(states.size()) - 1;
        if (selectedStateIndex > last) selectedStateIndex = last;
    }

    friend bool operator==(const OrbProjectData&, const OrbProjectData&) = default;
};

} // namespace lumara
