// Projects shared by the tests of several layers: plain values, no I/O; any thread.
#pragma once

#include "model/OrbPreset.h"
#include "model/OrbProjectData.h"

namespace lumara::test {

// Five states with fixed ids, names beyond ASCII, values of several presets and some edited past
// them, the fourth selected and a transition time that is not the default.
inline OrbProjectData fiveStateProject()
{
    OrbProjectData project;
    const char* presets[] = {"Molten", "Glacier", "Jade", "Deep Sea", "Molten"};
    const char* names[] = {"Default", "Ros\u00e9 \u2728", "State 3", "\u6df1\u6d77", "Last \"quoted\" \\ one"};
    for (int i = 0; i < 5; ++i) {
        const OrbPreset* preset = findPreset(presets[i]);
        OrbValues values = preset ? preset->configuration : OrbValues{};
        values.gradientAngle += 17.125 * i;
        values.blobCount += i;
        project.states.push_back({"6F1C3F0E-1D2B-4C6E-9A55-0123456789A" + std::string(1, static_cast<char>('0' + i)),
                                  names[i], values});
    }
    project.states[2].config.backgroundColors.push_back({0.125, 0.5, 0.75, 0.5});
    project.states[4].config.showShadow = false;
    project.states[4].config.orbSize = 201.5;
    project.selectedStateIndex = 3;
    project.transitionDuration = 1.75;
    return project;
}

} // namespace lumara::test
