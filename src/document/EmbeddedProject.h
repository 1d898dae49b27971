// The design carried inside exported images: a PNG iTXt chunk whose text is the embedded project
// record (ProjectCodec's encodeEmbeddedProject). Pure functions of bytes, plus one bounded file
// reader; thread-safe. The readers take untrusted input: they bound chunk sizes and counts.
#pragma once

#include "document/OutputFile.h"
#include "document/ProjectCodec.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumara {

// The iTXt keyword that marks our chunk (other programs show it as the text's title).
inline constexpr std::string_view kEmbeddedProjectKeyword = "Lumara project";
// The longest chunk the readers look at: the largest record plus the keyword and the envelope.
inline constexpr std::size_t kMaxEmbeddedChunkBytes = kMaxRecordBytes + 4096;

// True when `bytes` starts with the PNG signature.
bool isPng(std::string_view bytes);

// `png` with an uncompressed iTXt chunk holding `text` under our keyword, placed right after the
// header chunk (and the animation control chunk, when there is one), before any image data.
// A `png` that does not start with a signature and a header chunk is returned unchanged.
std::string embedInPng(std::string_view png, std::string_view text);

// The whole iTXt chunk (length, type, data, CRC) for writers that assemble a PNG themselves.
std::string embeddedProjectChunk(std::string_view text);

// The text of the first iTXt chunk with our keyword. Fails with notEmbedded when there is none
// (the file may have been rewritten by a program that dropped it), notParseable when that chunk
// is damaged (CRC, compressed, truncated), tooLarge beyond kMaxEmbeddedChunkBytes.
Result<std::string, CodecError> findEmbeddedProjectText(std::string_view png);

// For files too large to read whole: the PNG signature followed by our chunk alone, copied
// verbatim from the file at `path` (just the signature when there is none), for
// findEmbeddedProjectText. Reads chunk headers and skips their data, so an animation of any size
// costs a few kilobytes. An empty result when the file is not a PNG or cannot be read.
std::string readEmbeddedProjectChunk(const std::string& path);

// What opening the file at `path` decodes: the whole file up to kMaxRecordBytes, or for a larger
// PNG what readEmbeddedProjectChunk gives, for a larger GIF or video minimalMediaWithProject of
// the design it carries. Fails as readWholeFile does.
[[nodiscard]] Result<std::string, FileError> readProjectFileBytes(const std::string& path);

// The project in the file at `path`, read and decoded as the command line opens it (a record
// without a transition time gets the default one). Fails with `unreadable` and the reader's
// message, or `notAProject` and "PATH is not a Lumara project: <why>".
enum class ProjectFileError { unreadable, notAProject };
[[nodiscard]] Result<OrbProjectData, ProjectFileError> openProjectFile(const std::string& path);

} // namespace lumara
