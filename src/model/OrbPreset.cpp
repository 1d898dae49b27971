// The preset library data.
#include "model/OrbPreset.h"

#include <functional>

namespace lumara {

std::string_view presetCategoryRawValue(PresetCategory category)
{
    switch (category) {
    case PresetCategory::cool: return "Cool";
    case PresetCategory::warm: return "Warm";
    case PresetCategory::neon: return "Neon";
    case PresetCategory::pastel: return "Pastel";
    case PresetCategory::dark: return "Dark";
    }
    return {};
}

std::optional<PresetCategory> presetCategoryFromRaw(std::string_view raw)
{
    for (PresetCategory category : kAllPresetCategories)
        if (presetCategoryRawValue(category) == raw) return category;
    return std::nullopt;
}

namespace {

using Rgb = std::array<double, 3>;

OrbPreset makePreset(const char* name, PresetCategory category, std::initializer_list<Rgb> background,
                     std::optional<Rgb> glow, const std::function<void(OrbValues&)>& edit)
{
    OrbValues v;
    v.backgroundColors.clear();
    for (const Rgb& c : background) v.backgroundColors.push_back({c[0], c[1], c[2], 1.0});
    if (glow) v.glowColor = {(*glow)[0], (*glow)[1], (*glow)[2], 1.0};
    edit(v);
    return {QUuid::createUuid(), name, category, std::move(v)};
}

using C = PresetCategory;
using G = GradientType;
using B = BlobBlendMode;

std::vector<OrbPreset> buildLibrary()
{
    std::vector<OrbPreset> p;
    p.push_back(makePreset("Deep Sea", C::cool, {{0, 0.08, 0.35}, {0, 0.3, 0.5}, {0, 0.55, 0.7}}, {}, [](OrbValues& v) {
        v.gradientType = G::radial; v.coloredBlobs = true; v.blobCount = 4; v.complexity = 5; v.amplitude = 0.25;
        v.blobSpread = 0.35; v.blobOpacity = 0.8; v.blobBlur = 5; v.speed = 40; v.glowSoftness = 1.5;
    }));
    p.push_back(makePreset("Northern Lights", C::cool, {{0.05, 0.5, 0.25}, {0.3, 0, 0.6}, {0, 0.7, 0.5}, {0.15, 0.1, 0.45}}, {},
                           [](OrbValues& v) {
        v.gradientType = G::angular; v.coloredBlobs = true; v.blobCount = 5; v.complexity = 6; v.amplitude = 0.18;
        v.blobScale = 1.3; v.blobSpread = 0.4; v.blobOpacity = 0.6; v.blobBlur = 10; v.blobBlendMode = B::screen;
        v.speed = 50; v.glowSoftness = 1.8;
    }));
    p.push_back(makePreset("Jade", C::cool, {{0.1, 0.55, 0.4}, {0.25, 0.8, 0.55}, {0.6, 0.95, 0.75}}, Rgb{0.7, 1, 0.85},
                           [](OrbValues& v) {
        v.gradientAngle = 160; v.blobCount = 2; v.complexity = 8; v.amplitude = 0.1; v.blobOpacity = 0.65; v.blobBlur = 4;
        v.blobBlendMode = B::screen; v.speed = 65; v.glowIntensity = 0.7; v.glowSoftness = 0.8;
    }));
    p.push_back(makePreset("Glacier", C::cool, {{0.6, 0.85, 0.95}, {0.4, 0.7, 0.9}, {0.8, 0.95, 1}}, {}, [](OrbValues& v) {
        v.cornerRadius = 0.6; v.blobCount = 4; v.complexity = 11; v.amplitude = 0.03; v.blobOpacity = 0.5; v.blobBlur = 7;
        v.blobBlendMode = B::softLight; v.speed = 75; v.glowIntensity = 0.6; v.glowSoftness = 1.2;
    }));
    p.push_back(makePreset("Golden Hour", C::warm, {{0.95, 0.55, 0.15}, {0.85, 0.2, 0.25}, {0.98, 0.8, 0.2}}, Rgb{1, 0.7, 0.3},
                           [](OrbValues& v) {
        v.gradientAngle = 30; v.backgroundBlur = 10; v.coloredBlobs = true; v.blobCount = 3; v.complexity = 7;
        v.amplitude = 0.1; v.blobOpacity = 0.5; v.blobBlur = 8; v.blobBlendMode = B::overlay; v.speed = 70;
    }));
    p.push_back(makePreset("Molten", C::warm, {{0.75, 0.08, 0}, {0.95, 0.45, 0}, {0.15, 0.02, 0}}, {}, [](OrbValues& v) {
        v.gradientType = G::radial; v.backgroundBlur = 12; v.cornerRadius = 0.7; v.blobCount = 1; v.complexity = 3;
        v.amplitude = 0.35; v.blobOpacity = 0.9; v.blobBlur = 14; v.speed = 55; v.glowIntensity = 1.4;
    }));
    p.push_back(makePreset("Ros\u00e9", C::warm, {{0.85, 0.35, 0.45}, {0.95, 0.55, 0.5}, {0.75, 0.25, 0.4}}, {}, [](OrbValues& v) {
        v.gradientAngle = 60; v.backgroundBlur = 5; v.coloredBlobs = true; v.blobCount = 3; v.complexity = 6;
        v.amplitude = 0.12; v.blobOpacity = 0.55; v.blobBlur = 5; v.blobBlendMode = B::screen; v.speed = 60;
    }));
    p.push_back(makePreset("Coral Reef", C::warm, {{0, 0.4, 0.5}, {0.95, 0.4, 0.3}, {1, 0.7, 0.35}, {0, 0.6, 0.55}}, {},
                           [](OrbValues& v) {
        v.gradientType = G::angular; v.coloredBlobs = true; v.blobCount = 4; v.complexity = 6; v.amplitude = 0.15;
        v.blobSpread = 0.3; v.blobOpacity = 0.7; v.blobBlur = 4; v.blobBlendMode = B::screen; v.speed = 45;
    }));
    p.push_back(makePreset("Electric", C::neon, {{0.9, 0, 0.55}, {0.1, 0.1, 0.6}, {0.4, 0, 0.9}}, {}, [](OrbValues& v) {
        v.coloredBlobs = true; v.blobCount = 2; v.complexity = 4; v.amplitude = 0.22; v.blobOpacity = 0.85; v.blobBlur = 2;
        v.blobBlendMode = B::colorDodge; v.speed = 35; v.glowIntensity = 1.6; v.innerRingWidth = 2;
    }));
    p.push_back(makePreset("Venom", C::neon, {{0, 0.9, 0.2}, {0, 0.15, 0}, {0.3, 1, 0}}, {}, [](OrbValues& v) {
        v.gradientType = G::radial; v.coloredBlobs = true; v.blobCount = 2; v.complexity = 3; v.amplitude = 0.3;
        v.blobOpacity = 0.95; v.blobBlur = 1; v.blobBlendMode = B::colorDodge; v.speed = 25; v.glowIntensity = 1.9;
        v.innerRingWidth = 2.5;
    }));
    p.push_back(makePreset("Cloud", C::pastel, {{0.75, 0.82, 0.95}, {0.92, 0.85, 0.95}, {0.85, 0.92, 0.98}}, Rgb{0.95, 0.95, 1},
                           [](OrbValues& v) {
        v.gradientAngle = 135; v.backgroundBlur = 18; v.blobCount = 3; v.complexity = 12; v.amplitude = 0.04;
        v.blobOpacity = 0.35; v.blobBlur = 6; v.blobBlendMode = B::softLight; v.speed = 90; v.glowIntensity = 0.4;
        v.glowSoftness = 0.5;
    }));
    p.push_back(makePreset("Lavender", C::pastel, {{0.7, 0.6, 0.9}, {0.9, 0.75, 0.95}, {0.8, 0.7, 1}}, Rgb{0.9, 0.85, 1},
                           [](OrbValues& v) {
        v.gradientAngle = 90; v.backgroundBlur = 12; v.blobCount = 2; v.complexity = 10; v.amplitude = 0.06;
        v.blobOpacity = 0.4; v.blobBlur = 9; v.blobBlendMode = B::softLight; v.speed = 80; v.glowIntensity = 0.5;
    }));
    p.push_back(makePreset("Peach", C::pastel, {{1, 0.75, 0.65}, {0.98, 0.6, 0.55}, {1, 0.85, 0.75}}, Rgb{1, 0.9, 0.85},
                           [](OrbValues& v) {
        v.gradientAngle = 180; v.backgroundBlur = 15; v.blobCount = 2; v.complexity = 9; v.amplitude = 0.05;
        v.blobOpacity = 0.3; v.blobBlur = 10; v.blobBlendMode = B::overlay; v.speed = 85; v.glowIntensity = 0.3;
    }));
    p.push_back(makePreset("Nebula", C::dark, {{0.12, 0, 0.25}, {0.6, 0.5, 0.9}, {0.05, 0.1, 0.35}, {0.3, 0, 0.5}}, {},
                           [](OrbValues& v) {
        v.gradientType = G::angular; v.gradientAngle = 90; v.cornerRadius = 0.5; v.coloredBlobs = true; v.blobCount = 3;
        v.complexity = 9; v.amplitude = 0.06; v.blobScale = 0.9; v.blobOpacity = 0.7; v.blobBlur = 3;
        v.blobBlendMode = B::softLight; v.speed = 45;
    }));
    p.push_back(makePreset("Midnight", C::dark, {{0.02, 0.02, 0.12}, {0.1, 0.05, 0.3}, {0, 0.1, 0.2}}, {}, [](OrbValues& v) {
        v.gradientType = G::radial; v.coloredBlobs = true; v.blobCount = 3; v.complexity = 5; v.amplitude = 0.15;
        v.blobOpacity = 0.9; v.blobBlur = 6; v.blobBlendMode = B::colorDodge; v.speed = 30; v.glowIntensity = 1.8;
        v.glowSoftness = 1.5; v.innerRingWidth = 1.5;
    }));
    p.push_back(makePreset("Void", C::dark, {{0.05, 0, 0.05}, {0.15, 0, 0.2}, {0, 0, 0.1}}, {}, [](OrbValues& v) {
        v.gradientType = G::radial; v.cornerRadius = 0.85; v.blobCount = 1; v.complexity = 4; v.amplitude = 0.4;
        v.blobOpacity = 1; v.blobBlur = 18; v.blobBlendMode = B::colorDodge; v.speed = 20; v.glowIntensity = 2;
        v.glowSoftness = 2; v.innerRingWidth = 0.5;
    }));
    return p;
}

} // namespace

const std::vector<OrbPreset>& allPresets()
{
    static const std::vector<OrbPreset> library = buildLibrary();
    return library;
}

std::vector<const OrbPreset*> presetsInCategory(PresetCategory category)
{
    std::vector<const OrbPreset*> result;
    for (const OrbPreset& preset : allPresets())
        if (preset.category == category) result.push_back(&preset);
    return result;
}

const OrbPreset* findPreset(std::string_view name)
{
    for (const OrbPreset& preset : allPresets())
        if (preset.name == name) return &preset;
    return nullptr;
}

} // namespace lumara
