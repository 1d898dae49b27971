// SOURCE arguments: standard input, files and design codes.
#include "document/ProjectSource.h"

#include "document/DesignCode.h"
#include "document/ReadWholeFile.h"

#include <QFileInfo>

namespace lumara {

namespace {

Result<OrbProjectData, ProjectFileError> decodeSourceBytes(std::string_view bytes, const std::string& what)
{
    auto opened = decodeProjectFile(bytes, OrbProjectData{}.transitionDuration);
    if (opened) return std::move(opened->project);
    // A code's own message says all; a file's names where it came from.
    const std::string message = looksLikeDesignCode(bytes) ? opened.error().message
                                                           : what + " is not a Lumara project: " + opened.error().message;
    return Error<ProjectFileError>{ProjectFileError::notAProject, message};
}

} // namespace

SourceKind sourceKindOf(const std::string& argument)
{
    if (argument == kStandardInputArgument) return SourceKind::standardInput;
    // A file wins over a code of the same spelling, so every existing path still opens as before.
    if (looksLikeDesignCode(argument) && !QFileInfo::exists(QString::fromStdString(argument))) return SourceKind::designCode;
    return SourceKind::file;
}

Result<OrbProjectData, ProjectFileError> openProjectSource(const std::string& argument)
{
    switch (sourceKindOf(argument)) {
    case SourceKind::standardInput: {
        auto bytes = readStandardInput(static_cast<std::int64_t>(kMaxDesignCodeTextBytes));
        if (!bytes) return Error<ProjectFileError>{ProjectFileError::unreadable, bytes.error().message};
        return decodeSourceBytes(*bytes, "standard input");
    }
    case SourceKind::designCode: return decodeSourceBytes(argument, "the design code");
    case SourceKind::file: break;
    }
    return openProjectFile(argument);
}

} // namespace lumara
