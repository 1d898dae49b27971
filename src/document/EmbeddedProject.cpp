// PNG chunks carrying the embedded project record: written by the image writers, read when a file
// is opened.
#include "document/EmbeddedProject.h"

#include "document/EmbeddedInMedia.h"
#include "document/ReadWholeFile.h"

#include <QFile>

#include <array>
#include <cstring>

namespace lumara {

namespace {

using E = Error<CodecError>;

constexpr std::string_view kSignature{"\x89PNG\r\n\x1a\n", 8};
// Far more chunks than any animation we write holds (two per frame); a bound on hostile files
// made of empty chunks.
constexpr std::size_t kMaxChunks = 4u << 20;

std::uint32_t crc32(std::string_view bytes, std::uint32_t crc = 0)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t bigEndian32(std::string_view bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return v;
}

void appendBigEndian32(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

// An iTXt chunk's data: keyword, NUL, compression flag 0 and method 0, empty language tag and
// translated keyword (each NUL-terminated), then the UTF-8 text.
std::string itxtData(std::string_view text)
{
    std::string data(kEmbeddedProjectKeyword);
    data.push_back('\0');
    data.append(std::string_view("\0\0\0\0", 4));
    data.append(text);
    return data;
}

bool hasOurKeyword(std::string_view data)
{
    return data.size() > kEmbeddedProjectKeyword.size() && data.substr(0, kEmbeddedProjectKeyword.size()) == kEmbeddedProjectKeyword &&
           data[kEmbeddedProjectKeyword.size()] == '\0';
}

} // namespace

bool isPng(std::string_view bytes) { return bytes.substr(0, kSignature.size()) == kSignature; }

std::string embeddedProjectChunk(std::string_view text)
{
    const std::string data = itxtData(text);
    std::string chunk;
    chunk.reserve(data.size() + 12);
    appendBigEndian32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.append("iTXt");
    chunk.append(data);
    appendBigEndian32(chunk, crc32(std::string_view(chunk).substr(4)));
    return chunk;
}

std::string embedInPng(std::string_view png, std::string_view text)
{
    // Signature and a 13-byte header chunk; an animation control chunk may follow it and stays
    // first, as decoders expect it before any frame.
    constexpr std::size_t kAfterHeader = 8 + 12 + 13;
    if (!isPng(png) || png.size() < kAfterHeader || png.substr(12, 4) != "IHDR") return std::string(png);
    std::size_t at = kAfterHeader;
    if (png.size() >= at + 12 && png.substr(at + 4, 4) == "acTL") at += 12 + bigEndian32(png.substr(at, 4));
    if (at > png.size()) return std::string(png);
    std::string out(png.substr(0, at));
    out.append(embeddedProjectChunk(text));
    out.append(png.substr(at));
    return out;
}

Result<std::string, CodecError> findEmbeddedProjectText(std::string_view png)
{
    if (!isPng(png)) return E{CodecError::notEmbedded, "not a PNG image"};
    std::size_t at = kSignature.size();
    for (std::size_t count = 0; count < kMaxChunks && png.size() - at >= 12; ++count) {
        const std::uint32_t length = bigEndian32(png.substr(at, 4));
        const std::string_view type = png.substr(at + 4, 4);
        if (length > png.size() - at - 12) break; // truncated: what follows cannot be trusted
        const std::string_view data = png.substr(at + 8, length);
        if (type == "iTXt" && hasOurKeyword(data)) {
            if (length > kMaxEmbeddedChunkBytes) return E{CodecError::tooLarge, "the embedded design is too large"};
            if (crc32(png.substr(at + 4, 4 + length)) != bigEndian32(png.substr(at + 8 + length, 4)))
                return E{CodecError::notParseable, "the embedded design is damaged (checksum mismatch)"};
            std::string_view rest = data.substr(kEmbeddedProjectKeyword.size() + 1);
            if (rest.size() < 2 || rest[0] != '\0' || rest[1] != '\0')
                return E{CodecError::notParseable, "the embedded design is compressed, which Lumara does not write"};
            rest.remove_prefix(2);
            for (int field = 0; field < 2; ++field) { // language tag, translated keyword
                const auto end = rest.find('\0');
                if (end == std::string_view::npos) return E{CodecError::notParseable, "the embedded design is truncated"};
                rest.remove_prefix(end + 1);
            }
            return std::string(rest);
        }
        if (type == "IEND") break;
        at += 12 + static_cast<std::size_t>(length);
    }
    return E{CodecError::notEmbedded, "the image carries no Lumara design"};
}

std::string readEmbeddedProjectChunk(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.isSequential()) return {};
    std::string out(kSignature);
    char head[8];
    if (file.read(head, 8) != 8 || std::string_view(head, 8) != kSignature) return {};
    qint64 at = 8;
    for (std::size_t count = 0; count < kMaxChunks; ++count) {
        if (!file.seek(at) || file.read(head, 8) != 8) break;
        const std::uint32_t length = bigEndian32(std::string_view(head, 4));
        const std::string_view type(head + 4, 4);
        if (type == "IEND") break;
        if (type == "iTXt" && length <= kMaxEmbeddedChunkBytes) {
            std::string chunk(head, 8);
            chunk.resize(8 + static_cast<std::size_t>(length) + 4);
            const qint64 want = static_cast<qint64>(length) + 4;
            if (file.read(chunk.data() + 8, want) != want) break;
            if (hasOurKeyword(std::string_view(chunk).substr(8, length))) return out + chunk;
        }
        at += 12 + static_cast<qint64>(length);
    }
    return out;
}

Result<std::string, FileError> readProjectFileBytes(const std::string& path)
{
    auto bytes = readWholeFile(path, static_cast<std::int64_t>(kMaxRecordBytes));
    if (bytes || bytes.error().code != FileError::tooLarge) return bytes;
    std::string embedded = readEmbeddedProjectChunk(path);
    if (!embedded.empty()) return embedded;
    // A GIF or a video: its design alone, in a minimal file of the same kind (without one when the
    // file carries none or its record cannot be read).
    const FileSource source(path);
    const MediaKind media = sniffMedia(source.read(0, 16));
    if (media == MediaKind::none || media == MediaKind::png) return bytes;
    auto text = findEmbeddedProjectText(source, media);
    return minimalMediaWithProject(media, text ? std::string_view(*text) : std::string_view());
}

Result<OrbProjectData, ProjectFileError> openProjectFile(const std::string& path)
{
    auto bytes = readProjectFileBytes(path);
    if (!bytes) return Error<ProjectFileError>{ProjectFileError::unreadable, bytes.error().message};
    auto opened = decodeProjectFile(*bytes, OrbProjectData{}.transitionDuration);
    if (!opened)
        return Error<ProjectFileError>{ProjectFileError::notAProject, path + " is not a Lumara project: " + opened.error().message};
    return std::move(opened->project);
}

} // namespace lumara
