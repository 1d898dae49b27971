// The 26 fields of a configuration declared once: key, member and whether a record must hold it.
// The coders, the finite-value check and the renderer's input sanitising walk this table, so a
// new field is one line here. Constants only; thread-safe.
#pragma once

#include "OrbValues.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

namespace lumara {

// One field of OrbValues. T is the member's type, which says how it is stored: double,
// std::int64_t, bool, an enumeration (its integer raw value), CodableColor or a list of them.
template <typename T>
struct OrbField {
    const char* key;
    T OrbValues::*member;
    bool required; // false: a record without it still decodes, with the default value
};

// In the order the keys are written.
inline constexpr auto kOrbFields = std::make_tuple(
    OrbField<std::vector<CodableColor>>{"backgroundColors", &OrbValues::backgroundColors, true},
    OrbField<CodableColor>{"glowColor", &OrbValues::glowColor, true},
    OrbField<bool>{"coloredBlobs", &OrbValues::coloredBlobs, true},
    OrbField<GradientType>{"gradientType", &OrbValues::gradientType, true},
    OrbField<double>{"gradientAngle", &OrbValues::gradientAngle, true},
    OrbField<double>{"backgroundBlur", &OrbValues::backgroundBlur, true},
    OrbField<double>{"orbSize", &OrbValues::orbSize, true},
    OrbField<double>{"cornerRadius", &OrbValues::cornerRadius, true},
    OrbField<std::int64_t>{"blobCount", &OrbValues::blobCount, true},
    OrbField<std::int64_t>{"complexity", &OrbValues::complexity, true},
    OrbField<double>{"amplitude", &OrbValues::amplitude, true},
    OrbField<double>{"blobScale", &OrbValues::blobScale, true},
    OrbField<double>{"blobSpread", &OrbValues::blobSpread, true},
    OrbField<double>{"blobOpacity", &OrbValues::blobOpacity, true},
    OrbField<double>{"blobBlur", &OrbValues::blobBlur, true},
    OrbField<BlobBlendMode>{"blobBlendMode", &OrbValues::blobBlendMode, true},
    OrbField<double>{"speed", &OrbValues::speed, true},
    OrbField<double>{"glowIntensity", &OrbValues::glowIntensity, true},
    OrbField<double>{"glowSoftness", &OrbValues::glowSoftness, true},
    OrbField<double>{"innerRingWidth", &OrbValues::innerRingWidth, true},
    // Records written before these two existed still load, with the defaults.
    OrbField<double>{"shadowRadius", &OrbValues::shadowRadius, false},
    OrbField<double>{"edgeSoftness", &OrbValues::edgeSoftness, false},
    OrbField<bool>{"showBackground", &OrbValues::showBackground, true},
    OrbField<bool>{"showWavyBlobs", &OrbValues::showWavyBlobs, true},
    OrbField<bool>{"showGlowEffects", &OrbValues::showGlowEffects, true},
    OrbField<bool>{"showShadow", &OrbValues::showShadow, true});

static_assert(std::tuple_size_v<decltype(kOrbFields)> == 26);

// Calls visit(field) for every field in key order.
template <typename Visit>
constexpr void forEachOrbField(Visit&& visit)
{
    std::apply([&](const auto&... field) { (visit(field), ...); }, kOrbFields);
}

// The type of a field's member, for `if constexpr` in visitors.
template <typename Field>
using OrbFieldType = std::remove_cvref_t<decltype(std::declval<OrbValues&>().*(std::declval<Field>().member))>;

// Whether `key` names one of the fields.
inline bool isOrbFieldKey(std::string_view key)
{
    bool found = false;
    forEachOrbField([&](const auto& field) { found = found || key == field.key; });
    return found;
}

// The keys of `keys` that name fields, in key order, each once; the rest is dropped.
inline std::vector<std::string> orderedFieldKeys(const std::vector<std::string>& keys)
{
    std::vector<std::string> ordered;
    forEachOrbField([&](const auto& field) {
        if (std::find(keys.begin(), keys.end(), std::string_view(field.key)) != keys.end()) ordered.emplace_back(field.key);
    });
    return ordered;
}

// Copies the fields of `from` whose keys `keys` lists into `into`.
inline void copyFields(const OrbValues& from, OrbValues& into, const std::vector<std::string>& keys)
{
    forEachOrbField([&](const auto& field) {
        if (std::find(keys.begin(), keys.end(), std::string_view(field.key)) != keys.end())
            into.*(field.member) = from.*(field.member);
    });
}

} // namespace lumara
