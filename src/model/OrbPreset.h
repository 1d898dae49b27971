// The built-in library of sixteen preset looks in five families. Immutable once built;
// built on first use and safe to read from any thread afterwards (function-local static).
#pragma once

#include "model/OrbValues.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QUuid>

namespace lumara {

enum class PresetCategory { cool, warm, neon, pastel, dark };
inline constexpr std::array kAllPresetCategories{PresetCategory::cool, PresetCategory::warm, PresetCategory::neon,
                                                 PresetCategory::pastel, PresetCategory::dark};

// "Cool", "Warm", "Neon", "Pastel", "Dark": the raw values, also the section titles.
std::string_view presetCategoryRawValue(PresetCategory category);
std::optional<PresetCategory> presetCategoryFromRaw(std::string_view raw);

struct OrbPreset {
    QUuid id; // drawn afresh each run; never stored
    std::string name;
    PresetCategory category;
    OrbValues configuration; // never edited: applying a preset installs a copy
};

// The sixteen presets in library order.
const std::vector<OrbPreset>& allPresets();

// The presets of one category, in library order.
std::vector<const OrbPreset*> presetsInCategory(PresetCategory category);

// The preset with exactly this name, or null.
const OrbPreset* findPreset(std::string_view name);

} // namespace lumara
