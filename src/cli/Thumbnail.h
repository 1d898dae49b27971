// Thumbnails of project files for file managers: the selected state's orb at rest, drawn to fill a
// square of the requested side. Callable from any thread; touches only the two files it names.
#pragma once

#include "model/Result.h"

#include <string>

namespace lumara::cli {

inline constexpr int kDefaultThumbnailSize = 256;
inline constexpr int kMaxThumbnailSize = 1024; // the largest size the thumbnail cache asks for

enum class ThumbnailError { badSize, unreadable, undecodable, cannotDraw, cannotWrite };

// Reads the project `input` names (a file, a design code or "-", as openProjectSource reads them)
// and writes a `size` x `size` PNG with transparency to `output`
// (replaced only on success; "-" is standard output). Fails with a message naming the file or
// the accepted range; the output is left untouched on failure.
[[nodiscard]] Result<Ok, ThumbnailError> writeThumbnail(const std::string& input, const std::string& output, int size);

} // namespace lumara::cli
