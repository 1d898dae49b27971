// Project and configuration records in their two containers: binary property lists (project
// files) and compact JSON (autosave, legacy record). Pure functions of bytes; thread-safe.
// Decoders take untrusted input: they bound size, depth and counts and never throw.
#pragma once

#include "model/OrbProjectData.h"
#include "model/ProjectLimits.h"
#include "model/Result.h"

#include <string>
#include <string_view>

namespace lumara {

enum class CodecError {
    tooLarge,       // over kMaxRecordBytes, or more states, colours or name bytes than ProjectLimits.h allows
    notParseable,   // not a property list / not JSON at all
    tooDeep,        // nesting beyond the decoder's limit
    missingKey,     // a required key is absent
    wrongType,      // a value of the wrong type (a string where a number belongs, ...)
    badEnumValue,   // gradientType / blobBlendMode outside the raw-value table
    nonFinite,      // NaN or infinity in a number: JSON cannot hold it, so it is refused everywhere
    noStates,       // a project record whose "states" list is empty
    encodeFailed,
    notEmbedded,    // an image or video that carries no design (or not one of ours)
    notDesignCode,  // text given as a design code that does not start as one
    newerVersion,   // a design code of a later format than this program reads
};


enum class Container { propertyList, json };

// "bplist00" at the start means a binary property list; anything else is tried as JSON.
Container sniffContainer(std::string_view bytes);

Result<std::string, CodecError> encodeProject(const OrbProjectData& project, Container container);
Result<std::string, CodecError> encodeConfiguration(const OrbValues& values, Container container);

Result<OrbProjectData, CodecError> decodeProject(std::string_view bytes, Container container);
Result<OrbValues, CodecError> decodeConfiguration(std::string_view bytes, Container container);

// What opening a file yields: a project record with at least one state, or else a single
// configuration record, which becomes one state "Default" with a new id, selected index 0 and
// `presentTransitionDuration`. The container is chosen by content. The selected index is
// limited to at most count - 1 (not to at least 0), as stored files may hold any index.
struct OpenedProject {
    OrbProjectData project;
    bool fromSingleConfiguration = false;
    bool fromDesignCode = false; // the bytes were a design code (DesignCode.h), not a project file
};
// A PNG, GIF or video is opened through the design it carries (EmbeddedProject.h,
// EmbeddedInMedia.h); one without gives notEmbedded. Text that looksLikeDesignCode is read as one
// (decodeDesignCode), with its errors.
Result<OpenedProject, CodecError> decodeProjectFile(std::string_view bytes, double presentTransitionDuration);

// A look from text a person pasted: a configuration record, or a project record whose selected
// state's configuration is taken (its selection limited as decodeProjectFile does). JSON only, with
// any whitespace around it; anything else is refused with the decoder's error.
Result<OrbValues, CodecError> decodeLook(std::string_view text);

// The record exported images and videos carry: compact JSON of an envelope
// {"format":"Lumara project","version":1,"project":<the autosave record>}. The decoder refuses a
// missing or foreign format (notEmbedded), a newer version (notParseable) and a project with no
// states, and limits the selection as decodeProjectFile does.
inline constexpr int kEmbeddedProjectVersion = 1;
Result<std::string, CodecError> encodeEmbeddedProject(const OrbProjectData& project);
Result<OrbProjectData, CodecError> decodeEmbeddedProject(std::string_view text);

// A new random UUID in upper-case standard text form.
std::string makeStateId();

} // namespace lumara
