// What a command line's SOURCE names: a project file, a design code written out, or standard
// input. Main thread of a command (it may read standard input); no shared state.
#pragma once

#include "document/EmbeddedProject.h"

#include <string>
#include <string_view>

namespace lumara {

// The argument that names standard input.
inline constexpr std::string_view kStandardInputArgument = "-";

// What `argument` names, by the rule below; a path that does not exist is a file (that fails to open).
enum class SourceKind { standardInput, file, designCode };
[[nodiscard]] SourceKind sourceKindOf(const std::string& argument);

// The project `argument` names, read by this rule:
//   "-"                           standard input, up to kMaxDesignCodeTextBytes, holding a design
//                                 code or the bytes of any file openProjectFile opens
//   the path of an existing file  that file, as openProjectFile reads it (a text file may hold a code)
//   text that looksLikeDesignCode the code itself, whitespace and line breaks allowed
//   anything else                 a path, which fails as openProjectFile does for a missing file
// A code's failure is the decoder's one-line message alone ("the design code is damaged or
// incomplete"); a file's names the file as openProjectFile does.
[[nodiscard]] Result<OrbProjectData, ProjectFileError> openProjectSource(const std::string& argument);

} // namespace lumara
