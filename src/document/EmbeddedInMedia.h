// The design carried inside exported GIFs and videos, next to the PNG chunk of EmbeddedProject.h:
// a GIF application extension, an MP4 / QuickTime metadata item (moov/udta/meta keys and ilst) and
// a Matroska / WebM SimpleTag. The readers walk the container's own structure over a ByteSource,
// so the same code reads bytes in memory and large files by seeking; they take untrusted input and
// bound every length, count and depth. Pure functions apart from FileSource; thread-safe.
#pragma once

#include "document/ProjectCodec.h"

#include <QFile>

#include <cstdint>
#include <string>
#include <string_view>

namespace lumara {

// The metadata key the video writers give FFmpeg. MP4 and QuickTime keep it as written (with
// `movflags +use_metadata_tags`); Matroska writes it upper-case. The readers ignore case, so a
// design survives a remux between the containers.
inline constexpr std::string_view kVideoProjectTag = "lumara_project";
// The GIF application extension's identifier (8 bytes) and authentication code (3 bytes).
inline constexpr std::string_view kGifProjectApplication = "LUMARAPR1.0";

enum class MediaKind { none, png, gif, isoMedia, matroska };

// The container `head` (the file's first bytes; 12 are enough) starts: PNG and GIF by their
// signatures, ISO media (MP4, QuickTime) by a known first box type, Matroska by its EBML magic.
MediaKind sniffMedia(std::string_view head);

// Random access to a file's bytes, in memory or on disk.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Up to `count` bytes at `offset`: fewer at the end of the source, none past it or on error.
    virtual std::string read(std::uint64_t offset, std::size_t count) const = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    std::uint64_t size() const override { return m_bytes.size(); }
    std::string read(std::uint64_t offset, std::size_t count) const override;

private:
    std::string_view m_bytes;
};

// Reads by seeking, so only the parts the walkers look at are read. Not thread-safe.
class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    bool isOpen() const { return m_open; }
    std::uint64_t size() const override { return m_size; }
    std::string read(std::uint64_t offset, std::size_t count) const override;

private:
    static constexpr std::size_t kWindowBytes = 64 * 1024;
    mutable QFile m_file;
    mutable std::string m_window; // bytes from m_windowStart, read ahead for small reads
    mutable std::uint64_t m_windowStart = 0;
    std::uint64_t m_size = 0;
    bool m_open = false;
};

// The text of the design a GIF, ISO media or Matroska file carries. Fails with notEmbedded when
// there is none (or `kind` is none or png, which EmbeddedProject.h reads), notParseable when the
// structure around it is damaged, tooLarge beyond kMaxEmbeddedChunkBytes.
Result<std::string, CodecError> findEmbeddedProjectText(const ByteSource& source, MediaKind kind);

// The GIF application extension holding `text`, ready to be placed before the trailer.
std::string gifProjectExtension(std::string_view text);
// `gif` with that extension placed before its trailer byte; returned unchanged when it does not
// end with one.
std::string embedInGif(std::string_view gif, std::string_view text);

// The smallest file of `kind` (gif, isoMedia, matroska) that carries `text` as the writers do, or
// no design when `text` is empty: what a large file's design is reduced to when it is opened, and
// a fixture for the readers.
std::string minimalMediaWithProject(MediaKind kind, std::string_view text);

} // namespace lumara
