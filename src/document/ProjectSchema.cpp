// Keys, order and decoding rules of the configuration, state and project records.
#include "document/ProjectSchema.h"

#include "model/OrbFields.h"
#include "model/OrbState.h"

#include <QUuid>

#include <cmath>
#include <limits>

namespace lumara::schema {

namespace {

using E = Error<CodecError>;

E missing(const char* key) { return E{CodecError::missingKey, std::string("missing key \"") + key + "\""}; }
E wrongType(const char* key) { return E{CodecError::wrongType, std::string("wrong type for \"") + key + "\""}; }

} // namespace

E tooManyStates(std::size_t count)
{
    return E{CodecError::tooLarge, "the project has " + std::to_string(count) + " states; the most a project holds is " +
                                       std::to_string(kMaxStates)};
}

E tooManyColors(std::size_t count)
{
    return E{CodecError::tooLarge, "a configuration has " + std::to_string(count) +
                                       " background colours; the most is " + std::to_string(kMaxBackgroundColors)};
}

E nameTooLong(std::size_t bytes)
{
    return E{CodecError::tooLarge, "a state's name is " + std::to_string(bytes) + " bytes long; the most is " +
                                       std::to_string(kMaxStateNameBytes)};
}

std::optional<E> checkLimits(const OrbProjectData& project)
{
    if (project.states.size() > kMaxStates) return tooManyStates(project.states.size());
    for (const OrbStateData& s : project.states) {
        if (s.name.size() > kMaxStateNameBytes) return nameTooLong(s.name.size());
        if (s.config.backgroundColors.size() > kMaxBackgroundColors) return tooManyColors(s.config.backgroundColors.size());
    }
    return std::nullopt;
}

namespace {

// Finds a key in an object; extra keys are ignored, a duplicated key takes its first value.
const Record* find(const Record& object, const char* key)
{
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

// Reads a floating-point field. Integers are accepted (writers may store 1 for 1.0);
// NaN and infinity are refused so every loaded project can be written back as JSON.
std::optional<E> readReal(const Record& object, const char* key, double& out, bool required = true)
{
    const Record* v = find(object, key);
    if (!v) return required ? std::optional<E>(missing(key)) : std::nullopt;
    if (!v->is_number()) return wrongType(key);
    const double d = v->get<double>();
    if (!std::isfinite(d)) return E{CodecError::nonFinite, std::string("\"") + key + "\" is not a finite number"};
    out = d;
    return std::nullopt;
}

// Reads a signed 64-bit integer. A real is accepted only when it holds an integral value in range.
std::optional<E> readInteger(const Record& object, const char* key, std::int64_t& out)
{
    const Record* v = find(object, key);
    if (!v) return missing(key);
    if (v->is_number_integer() && !v->is_number_unsigned()) {
        out = v->get<std::int64_t>();
        return std::nullopt;
    }
    if (v->is_number_unsigned()) {
        const auto u = v->get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return wrongType(key);
        out = static_cast<std::int64_t>(u);
        return std::nullopt;
    }
    if (v->is_number_float()) {
        const double d = v->get<double>();
        // 2^63 is the first double outside the int64 range.
        if (std::isfinite(d) && d == std::trunc(d) && d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
            out = static_cast<std::int64_t>(d);
            return std::nullopt;
        }
    }
    return wrongType(key);
}

std::optional<E> readBool(const Record& object, const char* key, bool& out)
{
    const Record* v = find(object, key);
    if (!v) return missing(key);
    if (!v->is_boolean()) return wrongType(key);
    out = v->get<bool>();
    return std::nullopt;
}

Record encodeColor(const CodableColor& c)
{
    Record r = Record::object();
    r["red"] = c.red;
    r["green"] = c.green;
    r["blue"] = c.blue;
    r["opacity"] = c.opacity;
    return r;
}

std::optional<E> decodeColor(const Record& record, const char* key, CodableColor& out)
{
    if (!record.is_object()) return wrongType(key);
    for (auto [name, field] : {std::pair{"red", &out.red}, {"green", &out.green}, {"blue", &out.blue},
                               {"opacity", &out.opacity}})
        if (auto e = readReal(record, name, *field)) return e;
    return std::nullopt;
}

bool finite(const CodableColor& c)
{
    return std::isfinite(c.red) && std::isfinite(c.green) && std::isfinite(c.blue) && std::isfinite(c.opacity);
}

} // namespace

bool allFinite(const OrbValues& v)
{
    bool finiteSoFar = true;
    forEachOrbField([&](const auto& field) {
        using T = OrbFieldType<decltype(field)>;
        const T& value = v.*field.member;
        if constexpr (std::is_same_v<T, double>) finiteSoFar = finiteSoFar && std::isfinite(value);
        else if constexpr (std::is_same_v<T, CodableColor>) finiteSoFar = finiteSoFar && finite(value);
        else if constexpr (std::is_same_v<T, std::vector<CodableColor>>)
            for (const CodableColor& c : value) finiteSoFar = finiteSoFar && finite(c);
    });
    return finiteSoFar;
}

Record encode(const OrbValues& v)
{
    Record r = Record::object();
    forEachOrbField([&](const auto& field) {
        using T = OrbFieldType<decltype(field)>;
        const T& value = v.*field.member;
        if constexpr (std::is_same_v<T, std::vector<CodableColor>>) {
            Record colors = Record::array();
            for (const CodableColor& c : value) colors.push_back(encodeColor(c));
            r[field.key] = std::move(colors);
        } else if constexpr (std::is_same_v<T, CodableColor>) {
            r[field.key] = encodeColor(value);
        } else if constexpr (std::is_enum_v<T>) {
            r[field.key] = static_cast<std::int64_t>(value); // enumerations as their raw values
        } else {
            r[field.key] = value;
        }
    });
    return r;
}

Result<OrbValues, CodecError> decodeConfiguration(const Record& r)
{
    if (!r.is_object()) return E{CodecError::wrongType, "a configuration must be a dictionary"};
    OrbValues v;
    std::optional<E> error; // the first field that fails; the rest are skipped
    forEachOrbField([&](const auto& field) {
        if (error) return;
        using T = OrbFieldType<decltype(field)>;
        T& out = v.*field.member;
        if constexpr (std::is_same_v<T, std::vector<CodableColor>>) {
            const Record* colors = find(r, field.key);
            if (!colors) error = missing(field.key);
            else if (!colors->is_array()) error = wrongType(field.key);
            else if (colors->size() > kMaxBackgroundColors) error = tooManyColors(colors->size());
            if (error) return;
            out.clear();
            out.reserve(colors->size());
            for (const Record& c : *colors) {
                CodableColor color;
                if ((error = decodeColor(c, field.key, color))) return;
                out.push_back(color);
            }
        } else if constexpr (std::is_same_v<T, CodableColor>) {
            const Record* color = find(r, field.key);
            error = color ? decodeColor(*color, field.key, out) : std::optional<E>(missing(field.key));
        } else if constexpr (std::is_same_v<T, double>) {
            error = readReal(r, field.key, out, field.required);
        } else if constexpr (std::is_same_v<T, bool>) {
            error = readBool(r, field.key, out);
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
            error = readInteger(r, field.key, out);
        } else {
            static_assert(std::is_enum_v<T>);
            std::int64_t raw = 0;
            if ((error = readInteger(r, field.key, raw))) return;
            std::optional<T> known;
            if constexpr (std::is_same_v<T, GradientType>) known = gradientTypeFromRaw(raw);
            else known = blobBlendModeFromRaw(raw);
            if (known) {
                out = *known;
                return;
            }
            std::string message = "\"";
            message.append(field.key).append("\" ").append(std::to_string(raw));
            message.append(std::is_same_v<T, GradientType> ? " is not a gradient type" : " is not a blend mode");
            error = E{CodecError::badEnumValue, std::move(message)};
        }
    });
    if (error) return *error;
    return v;
}

Record encode(const OrbStateData& state)
{
    Record r = Record::object();
    r["id"] = state.id;
    r["name"] = state.name;
    r["config"] = encode(state.config);
    // Written only when set, so a project without locks keeps the record it always had.
    if (!state.lockedParameters.empty()) {
        Record locked = Record::array();
        for (const std::string& key : state.lockedParameters) locked.push_back(key);
        r["lockedParameters"] = std::move(locked);
    }
    return r;
}

Result<OrbStateData, CodecError> decodeState(const Record& r)
{
    if (!r.is_object()) return E{CodecError::wrongType, "a state must be a dictionary"};
    OrbStateData state;
    if (const Record* id = find(r, "id")) {
        if (!id->is_string()) return wrongType("id");
        const QUuid uuid = QUuid::fromString(QString::fromStdString(id->get<std::string>()));
        if (uuid.isNull() && id->get<std::string>() != "00000000-0000-0000-0000-000000000000") return wrongType("id");
        state.id = uuidText(uuid);
    } else {
        state.id = makeStateId();
    }
    const Record* name = find(r, "name");
    if (!name) return missing("name");
    if (!name->is_string()) return wrongType("name");
    state.name = name->get<std::string>();
    if (state.name.size() > kMaxStateNameBytes) return nameTooLong(state.name.size());
    // A NUL cannot be stored in a property-list string; names never need one.
    std::erase(state.name, '\0');
    const Record* config = find(r, "config");
    if (!config) return missing("config");
    auto values = decodeConfiguration(*config);
    if (!values) return values.error();
    state.config = std::move(*values);
    // Optional. Keys this version does not know are dropped, so a newer file's locks still read.
    if (const Record* locked = find(r, "lockedParameters")) {
        if (!locked->is_array()) return wrongType("lockedParameters");
        if (locked->size() > kMaxLockedParameters)
            return E{CodecError::tooLarge, "a state locks " + std::to_string(locked->size()) + " parameters; the most is " +
                                               std::to_string(kMaxLockedParameters)};
        std::vector<std::string> keys;
        for (const Record& key : *locked) {
            if (!key.is_string()) return wrongType("lockedParameters");
            keys.push_back(key.get<std::string>());
        }
        state.lockedParameters = orderedFieldKeys(keys);
    }
    return state;
}

Record encode(const OrbProjectData& project)
{
    Record r = Record::object();
    Record states = Record::array();
    for (const OrbStateData& s : project.states) states.push_back(encode(s));
    r["states"] = std::move(states);
    r["selectedStateIndex"] = project.selectedStateIndex;
    r["transitionDuration"] = project.transitionDuration;
    return r;
}

Result<OrbProjectData, CodecError> decodeProject(const Record& r)
{
    if (!r.is_object()) return E{CodecError::wrongType, "a project must be a dictionary"};
    OrbProjectData project;
    const Record* states = find(r, "states");
    if (!states) return missing("states");
    if (!states->is_array()) return wrongType("states");
    if (states->size() > kMaxStates) return tooManyStates(states->size());
    project.states.reserve(states->size());
    for (const Record& s : *states) {
        auto state = decodeState(s);
        if (!state) return state.error();
        project.states.push_back(std::move(*state));
    }
    if (auto e = readInteger(r, "selectedStateIndex", project.selectedStateIndex)) return *e;
    if (auto e = readReal(r, "transitionDuration", project.transitionDuration)) return *e;
    return project;
}

} // namespace lumara::schema
