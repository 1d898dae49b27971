// Pieces of the animated exports' failure messages. Internal to src/export/media; any thread.
#pragma once

#include "export/media/AnimatedExport.h"

#include <charconv>
#include <string>

namespace lumara::exporting {

// The shortest text that reads back as `value`, whatever the user's locale.
inline std::string messageNumber(double value)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

inline Error<ExportError> renderError(std::string message)
{
    return {ExportError::renderFailed, std::move(message)};
}

} // namespace lumara::exporting
