// Whole-file reads and atomic writes. Callable from any thread (QSaveFile per call, no shared state).
#pragma once

#include "model/Result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumara {

enum class FileError { cannotOpen, cannotRead, tooLarge, cannotWrite };

// Writes `bytes` to a temporary file beside `path`, then renames it over `path`.
// On failure the existing file at `path` is left exactly as it was.
Result<Ok, FileError> writeFileAtomically(const std::string& path, std::string_view bytes);

// Reads the whole file; files larger than `maxBytes` fail with tooLarge without being read.
Result<std::string, FileError> readWholeFile(const std::string& path, std::int64_t maxBytes);

} // namespace lumara
