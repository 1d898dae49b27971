// Containers for the keyed records: JSON through nlohmann ordered_json; binary property lists
// written through libplist and read by our hardened reader. Exceptions from the JSON parser stay
// in this file.
#include "document/ProjectCodec.h"

#include "document/BinaryPlistReader.h"
#include "document/DesignCode.h"
#include "document/EmbeddedInMedia.h"
#include "document/EmbeddedProject.h"
#include "document/ProjectSchema.h"
#include "model/OrbState.h"

#include <plist/plist.h>

#include <QUuid>

#include <memory>

namespace lumara {

namespace {

using schema::Record;
using E = Error<CodecError>;

constexpr std::size_t kMaxJsonDepth = 64;
constexpr std::size_t kMaxJsonValues = kMaxRecordValues;

// ---- JSON ----------------------------------------------------------------------------------

Result<Record, CodecError> parseJson(std::string_view bytes)
{
    if (bytes.size() > kMaxRecordBytes) return E{CodecError::tooLarge, "the record is too large"};
    struct Abort {
        CodecError code;
    };
    std::size_t values = 0;
    // The callback sees every value as it is parsed: it bounds nesting and the number of values,
    // so hostile input cannot build a huge tree.
    auto limit = [&values](int depth, Record::parse_event_t event, Record&) {
        if (static_cast<std::size_t>(depth) > kMaxJsonDepth) throw Abort{CodecError::tooDeep};
        if (event == Record::parse_event_t::value && ++values > kMaxJsonValues) throw Abort{CodecError::tooLarge};
        return true;
    };
    try {
        return Record::parse(bytes.begin(), bytes.end(), limit, /*allow_exceptions=*/true, /*ignore_comments=*/false);
    } catch (const Abort& abort) {
        return E{abort.code, abort.code == CodecError::tooDeep ? "the record is nested too deeply" : "the record is too large"};
    } catch (const nlohmann::json::parse_error& e) {
        // The library's own text ("[json.exception.parse_error.101] ...") means little to a user.
        return E{CodecError::notParseable,
                 "neither a property list nor valid JSON (unexpected text at byte " + std::to_string(e.byte) + ")"};
    } catch (const std::exception& e) {
        return E{CodecError::notParseable, std::string("not valid JSON: ") + e.what()};
    }
}

Result<std::string, CodecError> dumpJson(const Record& record)
{
    try {
        return record.dump(); // compact: no spaces, no line breaks
    } catch (const std::exception& e) {
        return E{CodecError::encodeFailed, std::string("cannot encode JSON: ") + e.what()};
    }
}

// ---- Binary property lists -----------------------------------------------------------------

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// libplist 2.2 has only unsigned integer accessors; the 64 bits are those of a signed integer.
plist_t toPlist(const Record& r)
{
    switch (r.type()) {
    case Record::value_t::object: {
        plist_t dict = plist_new_dict();
        for (auto it = r.begin(); it != r.end(); ++it) plist_dict_set_item(dict, it.key().c_str(), toPlist(it.value()));
        return dict;
    }
    case Record::value_t::array: {
        plist_t array = plist_new_array();
        for (const Record& item : r) plist_array_append_item(array, toPlist(item));
        return array;
    }
    case Record::value_t::string: return plist_new_string(r.get_ref<const std::string&>().c_str());
    case Record::value_t::boolean: return plist_new_bool(r.get<bool>() ? 1 : 0);
    case Record::value_t::number_integer: return plist_new_uint(static_cast<std::uint64_t>(r.get<std::int64_t>()));
    case Record::value_t::number_unsigned: return plist_new_uint(r.get<std::uint64_t>());
    case Record::value_t::number_float: return plist_new_real(r.get<double>());
    default: return plist_new_string("");
    }
}

Result<Record, CodecError> parsePlist(std::string_view bytes)
{
    if (bytes.size() > kMaxRecordBytes) return E{CodecError::tooLarge, "the file is too large"};
    Record record;
    const PlistGateResult gate = readBinaryPlist(bytes, record);
    switch (gate.verdict) {
    case PlistGateVerdict::ok: break;
    case PlistGateVerdict::tooDeep: return E{CodecError::tooDeep, gate.message};
    case PlistGateVerdict::tooLarge: return E{CodecError::tooLarge, gate.message};
    case PlistGateVerdict::integerTooWide: return E{CodecError::wrongType, gate.message};
    case PlistGateVerdict::malformed: return E{CodecError::notParseable, gate.message};
    }
    return record;
}

Result<std::string, CodecError> dumpPlist(const Record& record)
{
    PlistPtr root(toPlist(record));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    if (!bytes || length == 0) return E{CodecError::encodeFailed, "cannot encode the property list"};
    std::string out(bytes, length);
    plist_to_bin_free(bytes);
    return out;
}

Result<Record, CodecError> parse(std::string_view bytes, Container container)
{
    return container == Container::propertyList ? parsePlist(bytes) : parseJson(bytes);
}

Result<std::string, CodecError> dump(const Record& record, Container container)
{
    return container == Container::propertyList ? dumpPlist(record) : dumpJson(record);
}

E notFinite() { return E{CodecError::nonFinite, "a number is not finite (NaN or infinity)"}; }

} // namespace

Container sniffContainer(std::string_view bytes)
{
    return bytes.substr(0, 8) == "bplist00" ? Container::propertyList : Container::json;
}

Result<std::string, CodecError> encodeProject(const OrbProjectData& project, Container container)
{
    // Refused in both containers, so that whatever we write can be read back and autosaved.
    if (auto beyond = schema::checkLimits(project)) return *beyond;
    for (const OrbStateData& s : project.states)
        if (!schema::allFinite(s.config)) return notFinite();
    if (!std::isfinite(project.transitionDuration)) return notFinite();
    return dump(schema::encode(project), container);
}

Result<std::string, CodecError> encodeConfiguration(const OrbValues& values, Container container)
{
    if (!schema::allFinite(values)) return notFinite();
    if (values.backgroundColors.size() > kMaxBackgroundColors) return schema::tooManyColors(values.backgroundColors.size());
    return dump(schema::encode(values), container);
}

Result<OrbProjectData, CodecError> decodeProject(std::string_view bytes, Container container)
{
    auto record = parse(bytes, container);
    if (!record) return record.error();
    return schema::decodeProject(*record);
}

Result<OrbValues, CodecError> decodeConfiguration(std::string_view bytes, Container container)
{
    auto record = parse(bytes, container);
    if (!record) return record.error();
    return schema::decodeConfiguration(*record);
}

namespace {
constexpr std::string_view kEmbeddedFormat = "Lumara project";
}

Result<std::string, CodecError> encodeEmbeddedProject(const OrbProjectData& project)
{
    auto record = encodeProject(project, Container::json);
    if (!record) return record.error();
    return "{\"format\":\"" + std::string(kEmbeddedFormat) + "\",\"version\":" + std::to_string(kEmbeddedProjectVersion) +
           ",\"project\":" + *record + "}";
}

Result<OrbProjectData, CodecError> decodeEmbeddedProject(std::string_view text)
{
    auto envelope = parseJson(text);
    if (!envelope) return envelope.error();
    const auto format = envelope->is_object() ? envelope->find("format") : envelope->end();
    if (!envelope->is_object() || format == envelope->end() || !format->is_string() || *format != kEmbeddedFormat)
        return E{CodecError::notEmbedded, "the embedded text is not a Lumara design"};
    const auto version = envelope->find("version");
    if (version == envelope->end() || !version->is_number_integer())
        return E{CodecError::missingKey, "the embedded design has no version"};
    if (version->get<std::int64_t>() > kEmbeddedProjectVersion)
        return E{CodecError::notParseable, "the embedded design was made by a newer version of Lumara"};
    const auto record = envelope->find("project");
    if (record == envelope->end()) return E{CodecError::missingKey, "the embedded design has no project"};
    auto project = schema::decodeProject(*record);
    if (!project) return project.error();
    if (project->states.empty()) return E{CodecError::noStates, "the project has no states"};
    project->limitSelectionToLastState();
    return project;
}

Result<OpenedProject, CodecError> decodeProjectFile(std::string_view bytes, double presentTransitionDuration)
{
    if (const MediaKind media = sniffMedia(bytes); media != MediaKind::none) {
        auto text = media == MediaKind::png ? findEmbeddedProjectText(bytes)
                                            : findEmbeddedProjectText(MemorySource(bytes), media);
        if (!text) return text.error();
        auto project = decodeEmbeddedProject(*text);
        if (!project) return project.error();
        return OpenedProject{std::move(*project), false};
    }
    if (looksLikeDesignCode(bytes)) {
        auto project = decodeDesignCode(bytes);
        if (!project) return project.error();
        OpenedProject opened{std::move(*project), false};
        opened.fromDesignCode = true;
        return opened;
    }
    const Container container = sniffContainer(bytes);
    auto record = parse(bytes, container);
    if (!record) return record.error();
    auto project = schema::decodeProject(*record);
    if (project && !project->states.empty()) {
        project->limitSelectionToLastState();
        return OpenedProject{std::move(*project), false};
    }
    // Not a usable project: the same bytes may hold a single configuration.
    auto values = schema::decodeConfiguration(*record);
    if (!values) {
        if (project && project->states.empty()) return E{CodecError::noStates, "the project has no states"};
        // A record with "states" was meant as a project: its own error says more.
        if (!project && record->is_object() && record->contains("states")) return project.error();
        return values.error();
    }
    OpenedProject opened;
    opened.fromSingleConfiguration = true;
    opened.project.states.push_back({makeStateId(), "Default", std::move(*values)});
    opened.project.selectedStateIndex = 0;
    opened.project.transitionDuration = presentTransitionDuration;
    return opened;
}

Result<OrbValues, CodecError> decodeLook(std::string_view text)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    // Only a JSON record: never a property list or a picture, whatever the clipboard holds.
    if (text.empty() || text.front() != '{') return E{CodecError::notParseable, "the text is not a look's record"};
    auto opened = decodeProjectFile(text, 0.6);
    if (!opened) return opened.error();
    return opened->project.states.at(opened->project.effectiveSelectedIndex()).config;
}

std::string makeStateId()
{
    return uuidText(QUuid::createUuid());
}

} // namespace lumara
