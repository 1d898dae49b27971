// Readers and writers of the design carried by GIFs and videos. Each reader follows only the path
// to our record (GIF blocks; moov, udta, meta, keys, ilst; Segment, SeekHead, Tags, Tag,
// SimpleTag), reads element headers and skips their contents, so a long video costs a few reads.
#include "document/EmbeddedInMedia.h"

#include "document/EmbeddedProject.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace lumara {

namespace {

using E = Error<CodecError>;

// Bounds on hostile files made of many tiny blocks or elements; far above what real files hold.
constexpr std::size_t kMaxBlocks = 4u << 20;
// The longest metadata key list read whole (real ones hold a handful of keys).
constexpr std::uint64_t kMaxKeysBytes = 1u << 20;
// A Matroska file may point at its tags from its seek index; a few such entries are followed.
constexpr std::size_t kMaxTagPointers = 8;

E noDesignInVideo() { return E{CodecError::notEmbedded, "the video carries no Lumara design"}; }
E truncatedDesign() { return E{CodecError::notParseable, "the embedded design is truncated"}; }
E designTooLarge() { return E{CodecError::tooLarge, "the embedded design is too large"}; }

std::uint64_t bigEndian(std::string_view bytes)
{
    std::uint64_t v = 0;
    for (unsigned char b : bytes) v = (v << 8) | b;
    return v;
}

void appendBigEndian(std::string& out, std::uint64_t v, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// Reads exactly `count` bytes or fails as truncated.
Result<std::string, CodecError> readExactly(const ByteSource& source, std::uint64_t offset, std::uint64_t count)
{
    if (count > kMaxEmbeddedChunkBytes) return designTooLarge();
    std::string bytes = source.read(offset, static_cast<std::size_t>(count));
    if (bytes.size() != count) return truncatedDesign();
    return bytes;
}

// ---- GIF ---------------------------------------------------------------------------------------

constexpr unsigned char kGifExtension = 0x21, kGifApplicationLabel = 0xFF, kGifImage = 0x2C, kGifTrailer = 0x3B;

// Bytes of a colour table announced by a packed field, none when its flag is clear.
std::uint64_t gifColorTableBytes(unsigned char packed) { return (packed & 0x80) ? 3u << ((packed & 7) + 1) : 0; }

// The offset after the sub-blocks starting at `at` (after their zero terminator); none when the
// source ends first.
std::optional<std::uint64_t> skipSubBlocks(const ByteSource& source, std::uint64_t at)
{
    for (;;) {
        const std::string length = source.read(at, 1);
        if (length.empty()) return std::nullopt;
        at += 1 + static_cast<unsigned char>(length[0]);
        if (length[0] == 0) return at;
    }
}

Result<std::string, CodecError> readSubBlocks(const ByteSource& source, std::uint64_t at)
{
    std::string text;
    for (;;) {
        const std::string length = source.read(at, 1);
        if (length.empty()) return truncatedDesign();
        const auto n = static_cast<unsigned char>(length[0]);
        if (n == 0) return text;
        if (text.size() + n > kMaxEmbeddedChunkBytes) return designTooLarge();
        auto block = readExactly(source, at + 1, n);
        if (!block) return block.error();
        text += *block;
        at += 1 + n;
    }
}

Result<std::string, CodecError> findInGif(const ByteSource& source)
{
    const std::string head = source.read(0, 13);
    if (head.size() < 13) return E{CodecError::notEmbedded, "not a GIF image"};
    std::uint64_t at = 13 + gifColorTableBytes(static_cast<unsigned char>(head[10]));
    for (std::size_t count = 0; count < kMaxBlocks; ++count) {
        const std::string block = source.read(at, 2);
        if (block.empty()) break;
        const auto introducer = static_cast<unsigned char>(block[0]);
        if (introducer == kGifTrailer) break;
        std::optional<std::uint64_t> next;
        if (introducer == kGifExtension && block.size() == 2) {
            if (static_cast<unsigned char>(block[1]) == kGifApplicationLabel) {
                const std::string id = source.read(at + 2, 12);
                if (id.size() == 12 && id[0] == 11 && std::string_view(id).substr(1) == kGifProjectApplication)
                    return readSubBlocks(source, at + 14);
            }
            next = skipSubBlocks(source, at + 2);
        } else if (introducer == kGifImage) {
            const std::string descriptor = source.read(at, 10);
            if (descriptor.size() < 10) break;
            // Descriptor, local colour table, the LZW code size byte, then the data sub-blocks.
            next = skipSubBlocks(source, at + 10 + gifColorTableBytes(static_cast<unsigned char>(descriptor[9])) + 1);
        }
        if (!next) break; // truncated, or a byte that starts no block: nothing further can be trusted
        at = *next;
    }
    return E{CodecError::notEmbedded, "the image carries no Lumara design"};
}

// ---- ISO media (MP4, QuickTime) ----------------------------------------------------------------

struct Box {
    std::string type;
    std::uint64_t content = 0; // offset of the data after the header
    std::uint64_t end = 0;
};

// The box at `at`, which must end by `limit`; none when its header is cut off or its size does
// not fit.
std::optional<Box> boxAt(const ByteSource& source, std::uint64_t at, std::uint64_t limit)
{
    if (at >= limit || limit - at < 8) return std::nullopt;
    const std::string head = source.read(at, 16);
    if (head.size() < 8) return std::nullopt;
    std::uint64_t size = bigEndian(std::string_view(head).substr(0, 4));
    std::uint64_t header = 8;
    if (size == 1) { // a 64-bit size follows the type
        if (head.size() < 16) return std::nullopt;
        size = bigEndian(std::string_view(head).substr(8, 8));
        header = 16;
    } else if (size == 0) { // runs to the end of its parent
        size = limit - at;
    }
    if (size < header || size > limit - at) return std::nullopt;
    return Box{head.substr(4, 4), at + header, at + size};
}

// The first child of type `type` among the boxes in [from, to).
std::optional<Box> findBox(const ByteSource& source, std::uint64_t from, std::uint64_t to, std::string_view type)
{
    std::uint64_t at = from;
    for (std::size_t count = 0; count < kMaxBlocks; ++count) {
        const auto box = boxAt(source, at, to);
        if (!box) return std::nullopt;
        if (box->type == type) return box;
        at = box->end;
    }
    return std::nullopt;
}

// The 1-based index of our key in a keys box (version and flags, entry count, then entries of
// size, namespace and name); 0 when it is not there.
std::uint32_t projectKeyIndex(std::string_view keys)
{
    if (keys.size() < 8) return 0;
    const std::uint64_t count = bigEndian(keys.substr(4, 4));
    std::size_t at = 8;
    for (std::uint64_t i = 1; i <= count && keys.size() - at >= 8; ++i) {
        const std::uint64_t size = bigEndian(keys.substr(at, 4));
        if (size < 8 || size > keys.size() - at) return 0;
        if (equalsIgnoringCase(keys.substr(at + 8, size - 8), kVideoProjectTag)) return static_cast<std::uint32_t>(i);
        at += size;
    }
    return 0;
}

Result<std::string, CodecError> findInMeta(const ByteSource& source, const Box& meta)
{
    // MP4 makes meta a full box (version and flags before the children); QuickTime does not.
    const std::uint64_t children = meta.content + (source.read(meta.content + 4, 4) == "hdlr" ? 0 : 4);
    const auto keys = findBox(source, children, meta.end, "keys");
    const auto items = findBox(source, children, meta.end, "ilst");
    if (!keys || !items || keys->end - keys->content > kMaxKeysBytes) return noDesignInVideo();
    const std::string keyList = source.read(keys->content, static_cast<std::size_t>(keys->end - keys->content));
    const std::uint32_t index = projectKeyIndex(keyList);
    if (index == 0) return noDesignInVideo();
    std::string indexType;
    appendBigEndian(indexType, index, 4);
    const auto item = findBox(source, items->content, items->end, indexType);
    if (!item) return noDesignInVideo();
    const auto data = findBox(source, item->content, item->end, "data");
    // The data box: a type (1 is UTF-8 text), a locale, then the value.
    if (!data || data->end - data->content < 8) return truncatedDesign();
    if (bigEndian(source.read(data->content, 4)) != 1) return E{CodecError::notParseable, "the embedded design is not text"};
    return readExactly(source, data->content + 8, data->end - data->content - 8);
}

Result<std::string, CodecError> findInIsoMedia(const ByteSource& source)
{
    const auto movie = findBox(source, 0, source.size(), "moov");
    if (!movie) return noDesignInVideo();
    // FFmpeg puts the metadata in moov/udta/meta; other writers in moov/meta.
    std::vector<Box> metas;
    if (const auto userData = findBox(source, movie->content, movie->end, "udta"))
        if (const auto meta = findBox(source, userData->content, userData->end, "meta")) metas.push_back(*meta);
    if (const auto meta = findBox(source, movie->content, movie->end, "meta")) metas.push_back(*meta);
    for (const Box& meta : metas) {
        auto text = findInMeta(source, meta);
        if (text || text.error().code != CodecError::notEmbedded) return text;
    }
    return noDesignInVideo();
}

// ---- Matroska, WebM ----------------------------------------------------------------------------

constexpr std::uint32_t kEbmlHeader = 0x1A45DFA3, kSegment = 0x18538067, kSeekHead = 0x114D9B74, kSeek = 0x4DBB,
                        kSeekId = 0x53AB, kSeekPosition = 0x53AC, kTags = 0x1254C367, kTag = 0x7373,
                        kSimpleTag = 0x67C8, kTagName = 0x45A3, kTagString = 0x4487;

struct Element {
    std::uint32_t id = 0;
    std::uint64_t content = 0;
    std::uint64_t end = 0;
    bool unknownSize = false; // runs to the end of its parent (a live stream's segment or cluster)
};

std::optional<Element> elementAt(const ByteSource& source, std::uint64_t at, std::uint64_t limit)
{
    if (at >= limit) return std::nullopt;
    const std::string head = source.read(at, 12);
    if (head.empty()) return std::nullopt;
    const auto first = static_cast<unsigned char>(head[0]);
    const int idLength = first >= 0x80 ? 1 : first >= 0x40 ? 2 : first >= 0x20 ? 3 : first >= 0x10 ? 4 : 0;
    if (idLength == 0 || head.size() < static_cast<std::size_t>(idLength) + 1) return std::nullopt;
    const auto sizeFirst = static_cast<unsigned char>(head[static_cast<std::size_t>(idLength)]);
    int sizeLength = 1;
    while (sizeLength <= 8 && !(sizeFirst & (0x80 >> (sizeLength - 1)))) ++sizeLength;
    if (sizeLength > 8 || head.size() < static_cast<std::size_t>(idLength + sizeLength)) return std::nullopt;
    std::uint64_t size = sizeFirst & (0xFFu >> sizeLength);
    bool allOnes = size == (0xFFu >> sizeLength);
    for (int i = 1; i < sizeLength; ++i) {
        const auto b = static_cast<unsigned char>(head[static_cast<std::size_t>(idLength + i)]);
        size = (size << 8) | b;
        allOnes = allOnes && b == 0xFF;
    }
    Element element;
    element.id = static_cast<std::uint32_t>(bigEndian(std::string_view(head).substr(0, static_cast<std::size_t>(idLength))));
    element.content = at + static_cast<std::uint64_t>(idLength + sizeLength);
    if (element.content > limit) return std::nullopt;
    element.unknownSize = allOnes;
    if (allOnes) {
        element.end = limit;
    } else {
        if (size > limit - element.content) return std::nullopt;
        element.end = element.content + size;
    }
    return element;
}

// Calls `visit` for each child of [from, to) until it returns false or the children end.
template <typename Visit>
void forEachElement(const ByteSource& source, std::uint64_t from, std::uint64_t to, Visit&& visit)
{
    std::uint64_t at = from;
    for (std::size_t count = 0; count < kMaxBlocks; ++count) {
        const auto element = elementAt(source, at, to);
        if (!element || !visit(*element) || element->unknownSize) return;
        at = element->end;
    }
}

Result<std::string, CodecError> findInTags(const ByteSource& source, const Element& tags)
{
    std::optional<Result<std::string, CodecError>> found;
    forEachElement(source, tags.content, tags.end, [&](const Element& tag) {
        if (tag.id != kTag) return true;
        forEachElement(source, tag.content, tag.end, [&](const Element& simple) {
            if (simple.id != kSimpleTag) return true;
            bool ours = false;
            std::optional<Element> value;
            forEachElement(source, simple.content, simple.end, [&](const Element& field) {
                if (field.id == kTagName && field.end - field.content == kVideoProjectTag.size())
                    ours = equalsIgnoringCase(source.read(field.content, kVideoProjectTag.size()), kVideoProjectTag);
                if (field.id == kTagString) value = field;
                return true;
            });
            if (ours) {
                if (value) found = readExactly(source, value->content, value->end - value->content);
                else found = Result<std::string, CodecError>(truncatedDesign());
            }
            return !found;
        });
        return !found;
    });
    if (found) return *found;
    return noDesignInVideo();
}

// Where the seek index says the segment's tags are (relative to the segment's content).
void collectTagPointers(const ByteSource& source, const Element& seekHead, std::uint64_t segment,
                        std::vector<std::uint64_t>& pointers)
{
    forEachElement(source, seekHead.content, seekHead.end, [&](const Element& seek) {
        if (seek.id != kSeek) return true;
        std::string id;
        std::optional<std::uint64_t> position;
        forEachElement(source, seek.content, seek.end, [&](const Element& field) {
            const std::uint64_t length = field.end - field.content;
            if (field.id == kSeekId && length <= 4) id = source.read(field.content, static_cast<std::size_t>(length));
            if (field.id == kSeekPosition && length <= 8)
                position = bigEndian(source.read(field.content, static_cast<std::size_t>(length)));
            return true;
        });
        if (position && bigEndian(id) == kTags && *position <= source.size() - segment) pointers.push_back(segment + *position);
        return pointers.size() < kMaxTagPointers;
    });
}

Result<std::string, CodecError> findInMatroska(const ByteSource& source)
{
    std::optional<Element> segment;
    forEachElement(source, 0, source.size(), [&](const Element& top) {
        if (top.id == kSegment) segment = top;
        return top.id == kEbmlHeader;
    });
    if (!segment) return noDesignInVideo();
    std::optional<Result<std::string, CodecError>> found;
    std::vector<std::uint64_t> pointers;
    std::vector<std::uint64_t> visited;
    // The children in order: FFmpeg writes the tags before the first cluster. A cluster of unknown
    // size (a stream) cannot be skipped, so the seek index is tried after that.
    forEachElement(source, segment->content, segment->end, [&](const Element& child) {
        if (child.id == kSeekHead && pointers.size() < kMaxTagPointers)
            collectTagPointers(source, child, segment->content, pointers);
        if (child.id == kTags) {
            visited.push_back(child.content);
            auto text = findInTags(source, child);
            if (text || text.error().code != CodecError::notEmbedded) found = std::move(text);
        }
        return !found;
    });
    for (std::size_t i = 0; !found && i < pointers.size(); ++i) {
        const auto tags = elementAt(source, pointers[i], segment->end);
        if (!tags || tags->id != kTags || std::find(visited.begin(), visited.end(), tags->content) != visited.end()) continue;
        visited.push_back(tags->content);
        auto text = findInTags(source, *tags);
        if (text || text.error().code != CodecError::notEmbedded) found = std::move(text);
    }
    if (found) return *found;
    return noDesignInVideo();
}

// ---- Writers of minimal files ------------------------------------------------------------------

std::string box(std::string_view type, std::string_view content)
{
    std::string out;
    appendBigEndian(out, content.size() + 8, 4);
    out.append(type);
    out.append(content);
    return out;
}

std::string element(std::uint32_t id, std::string_view content)
{
    std::string out;
    appendBigEndian(out, id, id > 0xFFFFFF ? 4 : id > 0xFFFF ? 3 : 2);
    out.push_back('\x01'); // an eight-byte size
    appendBigEndian(out, content.size(), 7);
    out.append(content);
    return out;
}

} // namespace

MediaKind sniffMedia(std::string_view head)
{
    if (isPng(head)) return MediaKind::png;
    if (head.substr(0, 6) == "GIF87a" || head.substr(0, 6) == "GIF89a") return MediaKind::gif;
    if (head.substr(0, 4) == std::string_view("\x1A\x45\xDF\xA3", 4)) return MediaKind::matroska;
    static constexpr std::array<std::string_view, 7> kFirstBoxes{"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot"};
    if (head.size() >= 8 && std::find(kFirstBoxes.begin(), kFirstBoxes.end(), head.substr(4, 4)) != kFirstBoxes.end())
        return MediaKind::isoMedia;
    return MediaKind::none;
}

std::string MemorySource::read(std::uint64_t offset, std::size_t count) const
{
    if (offset >= m_bytes.size()) return {};
    return std::string(m_bytes.substr(static_cast<std::size_t>(offset), count));
}

FileSource::FileSource(const std::string& path) : m_file(QString::fromStdString(path))
{
    m_open = m_file.open(QIODevice::ReadOnly) && !m_file.isSequential();
    if (m_open) m_size = static_cast<std::uint64_t>(m_file.size());
}

std::string FileSource::read(std::uint64_t offset, std::size_t count) const
{
    if (!m_open || offset >= m_size) return {};
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - offset));
    const auto readAt = [this](std::uint64_t at, std::size_t n) {
        std::string bytes(n, '\0');
        const qint64 got = m_file.seek(static_cast<qint64>(at)) ? m_file.read(bytes.data(), static_cast<qint64>(n)) : -1;
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return bytes;
    };
    if (count > kWindowBytes) return readAt(offset, count);
    // The walkers read headers and small blocks near each other (a GIF's sub-blocks are 256
    // bytes apart): serve them from one window instead of a system call each.
    if (offset < m_windowStart || offset + count > m_windowStart + m_window.size()) {
        m_window = readAt(offset, kWindowBytes);
        m_windowStart = offset;
    }
    return m_window.substr(static_cast<std::size_t>(offset - m_windowStart), count);
}

Result<std::string, CodecError> findEmbeddedProjectText(const ByteSource& source, MediaKind kind)
{
    switch (kind) {
    case MediaKind::gif: return findInGif(source);
    case MediaKind::isoMedia: return findInIsoMedia(source);
    case MediaKind::matroska: return findInMatroska(source);
    case MediaKind::png:
    case MediaKind::none: break;
    }
    return E{CodecError::notEmbedded, "the file carries no Lumara design"};
}

std::string gifProjectExtension(std::string_view text)
{
    std::string out{static_cast<char>(kGifExtension), static_cast<char>(kGifApplicationLabel), '\x0B'};
    out.append(kGifProjectApplication);
    for (std::size_t at = 0; at < text.size(); at += 255) {
        const std::string_view part = text.substr(at, 255);
        out.push_back(static_cast<char>(part.size()));
        out.append(part);
    }
    out.push_back('\0');
    return out;
}

std::string embedInGif(std::string_view gif, std::string_view text)
{
    if (gif.empty() || static_cast<unsigned char>(gif.back()) != kGifTrailer) return std::string(gif);
    std::string out(gif.substr(0, gif.size() - 1));
    out.append(gifProjectExtension(text));
    out.push_back(static_cast<char>(kGifTrailer));
    return out;
}

std::string minimalMediaWithProject(MediaKind kind, std::string_view text)
{
    switch (kind) {
    case MediaKind::gif: {
        // A 1 x 1 screen without colour table or image: readers still see a well-formed stream.
        std::string gif("GIF89a\x01\x00\x01\x00\x00\x00\x00", 13);
        if (!text.empty()) gif.append(gifProjectExtension(text));
        gif.push_back(static_cast<char>(kGifTrailer));
        return gif;
    }
    case MediaKind::isoMedia: {
        const std::string brand = box("ftyp", std::string_view("isom\0\0\x02\0isom", 12));
        if (text.empty()) return brand + box("moov", box("udta", ""));
        const std::string fullBox(4, '\0');
        std::string keys = fullBox + std::string("\0\0\0\x01", 4);
        appendBigEndian(keys, 8 + kVideoProjectTag.size(), 4);
        keys.append("mdta").append(kVideoProjectTag);
        const std::string handler = fullBox + std::string(4, '\0') + "mdta" + std::string(13, '\0');
        const std::string value = box("data", std::string("\0\0\0\x01\0\0\0\0", 8) + std::string(text));
        const std::string meta = box("meta", fullBox + box("hdlr", handler) + box("keys", keys) +
                                                  box("ilst", box(std::string_view("\0\0\0\x01", 4), value)));
        return brand + box("moov", box("udta", meta));
    }
    case MediaKind::matroska: {
        std::string tags;
        if (!text.empty()) {
            std::string name(kVideoProjectTag);
            std::transform(name.begin(), name.end(), name.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
            tags = element(kTags, element(kTag, element(0x63C0, "") +
                                                    element(kSimpleTag, element(kTagName, name) + element(kTagString, text))));
        }
        return element(kEbmlHeader, element(0x4282, "webm")) + element(kSegment, tags);
    }
    case MediaKind::png:
    case MediaKind::none: break;
    }
    return {};
}

} // namespace lumara
