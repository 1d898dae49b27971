// Design codes: the JSON project record through libdeflate's zlib coder and base64url. Each call
// owns its compressor or decompressor, so calls on several threads share nothing.
#include "document/DesignCode.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace lumara {

namespace {

using E = Error<CodecError>;

// Level 12 is libdeflate's smallest output; a project record of a few kilobytes takes well under
// a millisecond at it, and the same level always gives the same bytes.
constexpr int kCompressionLevel = 12;
// Inflating starts with room for this many times the stream and doubles up to kMaxRecordBytes, so
// a small code never reserves the whole bound and a bomb stops at it.
constexpr std::size_t kFirstInflateRatio = 16;

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

bool isAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

E damaged() { return E{CodecError::notParseable, "the design code is damaged or incomplete"}; }

std::string base64url(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    const auto byte = [&bytes](std::size_t at) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])); };
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(group >> shift) & 63]);
    }
    // One or two bytes left: two or three characters, no padding.
    if (const std::size_t left = bytes.size() - i; left > 0) {
        const std::uint32_t group = byte(i) << 16 | (left == 2 ? byte(i + 1) << 8 : 0);
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        if (left == 2) out.push_back(kAlphabet[(group >> 6) & 63]);
    }
    return out;
}

// Strict: only the alphabet, no padding, and the unused low bits of the last character zero, so
// that each stream has exactly one spelling. `offset` is where `text` starts in the code, for messages.
Result<std::string, CodecError> fromBase64url(std::string_view text, std::size_t offset)
{
    static const auto values = [] {
        std::array<std::int8_t, 256> v{};
        v.fill(-1);
        for (std::size_t i = 0; i < kAlphabet.size(); ++i) v[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
        return v;
    }();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (values[c] >= 0) continue;
        std::string shown = "byte " + std::to_string(c);
        if (c >= 0x21 && c < 0x7F) shown = {'"', static_cast<char>(c), '"'};
        return E{CodecError::notParseable, "the design code is damaged: " + shown + " at character " +
                                               std::to_string(offset + i + 1) + " is not part of any design code"};
    }
    if (text.size() % 4 == 1) return damaged();
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    std::uint32_t bits = 0;
    int held = 0;
    for (const char c : text) {
        bits = bits << 6 | static_cast<std::uint32_t>(values[static_cast<unsigned char>(c)]);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(static_cast<char>((bits >> held) & 0xFF));
        }
    }
    if ((bits & ((1u << held) - 1)) != 0) return damaged();
    return out;
}

Result<std::string, CodecError> inflate(std::string_view stream)
{
    const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> inflater(libdeflate_alloc_decompressor());
    if (!inflater) return E{CodecError::tooLarge, "not enough memory to read the design code"};
    std::string out;
    std::size_t room = std::min(kMaxRecordBytes, std::max<std::size_t>(4096, stream.size() * kFirstInflateRatio));
    for (;;) {
        out.resize(room);
        std::size_t used = 0;
        std::size_t written = 0;
        const libdeflate_result result =
            libdeflate_zlib_decompress_ex(inflater.get(), stream.data(), stream.size(), out.data(), out.size(), &used, &written);
        if (result == LIBDEFLATE_SUCCESS) {
            if (used != stream.size()) return damaged(); // bytes after the end of the stream
            out.resize(written);
            return out;
        }
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE) return damaged();
        if (room == kMaxRecordBytes)
            return E{CodecError::tooLarge, "the design code unpacks to more than " + std::to_string(kMaxRecordBytes >> 20) +
                                               " MB, more than any Lumara project holds"};
        room = std::min(kMaxRecordBytes, room * 2);
    }
}

struct Prefix {
    bool found = false;
    bool newer = false;
    std::size_t length = 0; // of "lumara<digits>."
};

// Reads "lumara<digits>." at the start of text without whitespace.
Prefix readPrefix(std::string_view text)
{
    constexpr std::string_view kWord = "lumara";
    Prefix prefix;
    if (text.substr(0, kWord.size()) != kWord) return prefix;
    std::size_t at = kWord.size();
    std::size_t digitsEnd = at;
    while (digitsEnd < text.size() && text[digitsEnd] >= '0' && text[digitsEnd] <= '9') ++digitsEnd;
    if (digitsEnd == at || digitsEnd >= text.size() || text[digitsEnd] != '.') return prefix;
    prefix.found = true;
    prefix.length = digitsEnd + 1;
    const std::string_view digits = text.substr(at, digitsEnd - at);
    // Compared as text, so no number of digits overflows: a version is its digits without leading zeros.
    const std::string ours = std::to_string(kDesignCodeVersion);
    const std::size_t zeros = std::min(digits.find_first_not_of('0'), digits.size());
    const std::string_view version = digits.substr(zeros);
    prefix.newer = version.size() > ours.size() || (version.size() == ours.size() && version > ours);
    // "lumara0." and "lumara01." were never written: not a code of any version.
    if (zeros > 0) prefix.found = false;
    return prefix;
}

} // namespace

Result<std::string, CodecError> encodeDesignCode(const OrbProjectData& project)
{
    auto record = encodeProject(project, Container::json);
    if (!record) return record.error();
    const std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(libdeflate_alloc_compressor(kCompressionLevel));
    if (!compressor) return E{CodecError::encodeFailed, "not enough memory to make the design code"};
    std::string stream(libdeflate_zlib_compress_bound(compressor.get(), record->size()), '\0');
    const std::size_t size = libdeflate_zlib_compress(compressor.get(), record->data(), record->size(), stream.data(), stream.size());
    if (size == 0) return E{CodecError::encodeFailed, "cannot compress the design code"};
    stream.resize(size);
    return std::string(kDesignCodePrefix) + base64url(stream);
}

bool looksLikeDesignCode(std::string_view text)
{
    // The prefix is short: only the first non-space characters matter.
    std::string head;
    for (std::size_t i = 0; i < text.size() && head.size() < 32; ++i)
        if (!isAsciiSpace(text[i])) head.push_back(text[i]);
    return readPrefix(head).found;
}

Result<OrbProjectData, CodecError> decodeDesignCode(std::string_view text)
{
    const E tooLong{CodecError::tooLarge, "the design code is longer than any Lumara project needs"};
    if (text.size() > kMaxDesignCodeTextBytes) return tooLong;
    std::string code;
    code.reserve(std::min(text.size(), kMaxDesignCodeChars));
    for (const char c : text) {
        if (isAsciiSpace(c)) continue;
        if (code.size() == kMaxDesignCodeChars) return tooLong;
        code.push_back(c);
    }
    const Prefix prefix = readPrefix(code);
    if (!prefix.found)
        return E{CodecError::notDesignCode, "not a design code (one starts with \"" + std::string(kDesignCodePrefix) + "\")"};
    if (prefix.newer)
        return E{CodecError::newerVersion, "the design code is from a newer version of Lumara: update Lumara to open it"};
    const std::string_view payload = std::string_view(code).substr(prefix.length);
    if (payload.empty()) return damaged();
    auto stream = fromBase64url(payload, prefix.length);
    if (!stream) return stream.error();
    auto record = inflate(*stream);
    if (!record) return record.error();
    auto project = decodeProject(*record, Container::json);
    if (!project) return E{project.error().code, "the design code holds no Lumara project (" + project.error().message + ")"};
    if (project->states.empty()) return E{CodecError::noStates, "the design code holds a project with no states"};
    project->limitSelectionToLastState();
    return project;
}

} // namespace lumara
