// Whole-file reads with a size bound. Callable from any thread (one QFile per call, no shared state).
#pragma once

#include "document/OutputFile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumara {

// Reads the whole file; files larger than `maxBytes` fail with tooLarge without being read.
[[nodiscard]] Result<std::string, FileError> readWholeFile(const std::string& path, std::int64_t maxBytes);

// Reads standard input to its end; more than `maxBytes` fails with tooLarge once that much has
// arrived, without reading the rest.
[[nodiscard]] Result<std::string, FileError> readStandardInput(std::int64_t maxBytes);

} // namespace lumara
