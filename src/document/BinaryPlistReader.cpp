// Binary property lists (format bplist00): an iterative walk over the object graph that checks
// everything, then a bounded recursive build of the tree.
#include "document/BinaryPlistReader.h"

#include <QString>

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumara {

namespace {

struct Trailer {
    unsigned offsetIntSize = 0;
    unsigned objectRefSize = 0;
    std::uint64_t numObjects = 0;
    std::uint64_t topObject = 0;
    std::uint64_t offsetTableOffset = 0;
};

std::uint64_t readBigEndian(const unsigned char* p, unsigned size)
{
    std::uint64_t v = 0;
    for (unsigned i = 0; i < size; ++i) v = (v << 8) | p[i];
    return v;
}

class Walker {
public:
    explicit Walker(std::string_view bytes)
        : m_data(reinterpret_cast<const unsigned char*>(bytes.data())), m_size(bytes.size())
    {
    }

    PlistGateResult run()
    {
        if (m_size < 8 + 32 || std::string_view(reinterpret_cast<const char*>(m_data), 8) != "bplist00")
            return fail(PlistGateVerdict::malformed, "not a binary property list");
        const unsigned char* t = m_data + m_size - 32;
        m_trailer.offsetIntSize = t[6];
        m_trailer.objectRefSize = t[7];
        m_trailer.numObjects = readBigEndian(t + 8, 8);
        m_trailer.topObject = readBigEndian(t + 16, 8);
        m_trailer.offsetTableOffset = readBigEndian(t + 24, 8);
        const Trailer& tr = m_trailer;
        if (tr.offsetIntSize < 1 || tr.offsetIntSize > 8 || tr.objectRefSize < 1 || tr.objectRefSize > 8)
            return fail(PlistGateVerdict::malformed, "bad integer sizes in the property list trailer");
        const std::uint64_t tableEnd = m_size - 32;
        if (tr.numObjects == 0 || tr.topObject >= tr.numObjects || tr.offsetTableOffset < 8 ||
            tr.offsetTableOffset > tableEnd || tr.numObjects > (tableEnd - tr.offsetTableOffset) / tr.offsetIntSize)
            return fail(PlistGateVerdict::malformed, "bad object table in the property list");
        if (tr.numObjects > kMaxPlistExpandedNodes) return fail(PlistGateVerdict::tooLarge, "property list too large");
        m_offsets.resize(tr.numObjects);
        for (std::uint64_t i = 0; i < tr.numObjects; ++i) {
            const std::uint64_t off = readBigEndian(m_data + tr.offsetTableOffset + i * tr.offsetIntSize, tr.offsetIntSize);
            if (off < 8 || off >= tr.offsetTableOffset)
                return fail(PlistGateVerdict::malformed, "object offset outside the property list");
            m_offsets[i] = off;
        }
        return walk();
    }

    // Only after run() said ok: every object reachable from the top is well formed, the graph is
    // acyclic, at most kMaxPlistDepth deep and at most kMaxPlistExpandedNodes when expanded.
    nlohmann::ordered_json build() const { return build(m_trailer.topObject); }

private:
    using Json = nlohmann::ordered_json;

    std::uint64_t refAt(std::uint64_t pos, std::uint64_t i) const
    {
        return readBigEndian(m_data + pos + i * m_trailer.objectRefSize, m_trailer.objectRefSize);
    }

    // Position just past the marker (and its extended count) and the count itself.
    std::uint64_t bodyOf(std::uint64_t object, std::uint64_t& count) const
    {
        std::uint64_t pos = m_offsets[object];
        const unsigned low = m_data[pos++] & 0x0F;
        count = low;
        if (low == 0x0F) {
            const unsigned size = 1u << (m_data[pos++] & 0x0F);
            count = readBigEndian(m_data + pos, size);
            pos += size;
        }
        return pos;
    }

    Json build(std::uint64_t object) const
    {
        const std::uint64_t start = m_offsets[object];
        const unsigned char marker = m_data[start];
        const unsigned high = marker >> 4, low = marker & 0x0F;
        switch (high) {
        case 0x0:
            if (marker == 0x08) return Json(false);
            if (marker == 0x09) return Json(true);
            return Json(nullptr);
        case 0x1: { // 1, 2 and 4-byte integers are unsigned; 8-byte ones are signed
            const unsigned size = 1u << low;
            const std::uint64_t v = readBigEndian(m_data + start + 1, size);
            return Json(static_cast<std::int64_t>(v));
        }
        case 0x2: {
            if (low == 2) {
                const auto bits = static_cast<std::uint32_t>(readBigEndian(m_data + start + 1, 4));
                return Json(static_cast<double>(std::bit_cast<float>(bits)));
            }
            return Json(std::bit_cast<double>(readBigEndian(m_data + start + 1, 8)));
        }
        case 0x5: {
            std::uint64_t count = 0;
            const std::uint64_t pos = bodyOf(object, count);
            return Json(QString::fromUtf8(reinterpret_cast<const char*>(m_data + pos), static_cast<qsizetype>(count))
                            .toStdString());
        }
        case 0x6: {
            std::uint64_t count = 0;
            const std::uint64_t pos = bodyOf(object, count);
            std::u16string units(count, u'\0');
            for (std::uint64_t i = 0; i < count; ++i)
                units[i] = static_cast<char16_t>(readBigEndian(m_data + pos + 2 * i, 2));
            // Unpaired surrogates become U+FFFD on the way to UTF-8.
            return Json(QString::fromUtf16(units.data(), static_cast<qsizetype>(count)).toStdString());
        }
        case 0xA: {
            std::uint64_t count = 0;
            const std::uint64_t pos = bodyOf(object, count);
            Json array = Json::array();
            for (std::uint64_t i = 0; i < count; ++i) array.push_back(build(refAt(pos, i)));
            return array;
        }
        case 0xD: {
            std::uint64_t count = 0;
            const std::uint64_t pos = bodyOf(object, count);
            Json dict = Json::object();
            for (std::uint64_t i = 0; i < count; ++i) {
                Json key = build(refAt(pos, i));
                const std::string& k = key.get_ref<const std::string&>();
                if (!dict.contains(k)) dict[k] = build(refAt(pos, count + i));
            }
            return dict;
        }
        default: // data, dates, UIDs, sets
            return Json(nullptr);
        }
    }

    enum Mark : std::uint8_t { unvisited, onPath, done };

    struct Frame {
        std::uint64_t object;
        std::uint64_t firstRef; // byte position of the child references
        std::uint64_t refCount;
        std::uint64_t next = 0;
    };

    PlistGateResult fail(PlistGateVerdict verdict, std::string message) { return {verdict, std::move(message)}; }

    // Reads the length that follows a marker whose low nibble is 0xF; advances `pos`.
    bool readExtendedCount(std::uint64_t& pos, std::uint64_t limit, std::uint64_t& count)
    {
        if (pos >= limit) return false;
        const unsigned char marker = m_data[pos++];
        if ((marker & 0xF0) != 0x10) return false;
        const unsigned size = 1u << (marker & 0x0F);
        if (size > 8 || pos + size > limit) return false;
        count = readBigEndian(m_data + pos, size);
        pos += size;
        return true;
    }

    // Checks one object's own bytes; for arrays, sets and dictionaries returns its references.
    PlistGateResult inspect(std::uint64_t object, Frame& frame)
    {
        const std::uint64_t limit = m_trailer.offsetTableOffset;
        std::uint64_t pos = m_offsets[object];
        const unsigned char marker = m_data[pos++];
        const unsigned high = marker >> 4, low = marker & 0x0F;
        frame = {object, 0, 0};
        auto counted = [&](std::uint64_t& count) {
            count = low;
            return low != 0x0F || readExtendedCount(pos, limit, count);
        };
        auto fits = [&](std::uint64_t count, std::uint64_t unit) {
            return unit == 0 || (count <= (limit - pos) / unit);
        };
        switch (high) {
        case 0x0: // null, booleans, fill
            return {};
        case 0x1: { // integer of 2^low bytes
            if (low > 4) return fail(PlistGateVerdict::malformed, "bad integer in the property list");
            if (low == 4) return fail(PlistGateVerdict::integerTooWide, "an integer is wider than 64 bits");
            if (!fits(1u << low, 1)) return fail(PlistGateVerdict::malformed, "truncated integer");
            return {};
        }
        case 0x2: // real of 2^low bytes
            if ((low != 2 && low != 3) || !fits(1u << low, 1)) return fail(PlistGateVerdict::malformed, "bad real");
            return {};
        case 0x3: // date
            if (low != 3 || !fits(8, 1)) return fail(PlistGateVerdict::malformed, "bad date");
            return {};
        case 0x4:
        case 0x5:
        case 0x6: { // data, ASCII string, UTF-16 string
            std::uint64_t count = 0;
            if (!counted(count) || !fits(count, high == 0x6 ? 2 : 1))
                return fail(PlistGateVerdict::malformed, "truncated string or data");
            return {};
        }
        case 0x8: // UID
            if (!fits(low + 1u, 1)) return fail(PlistGateVerdict::malformed, "truncated uid");
            return {};
        case 0xA:
        case 0xC:
        case 0xD: { // array, set, dictionary (keys then values)
            std::uint64_t count = 0;
            if (!counted(count)) return fail(PlistGateVerdict::malformed, "bad container length");
            const std::uint64_t refs = high == 0xD ? count * 2 : count;
            if (high == 0xD && count > UINT64_MAX / 2) return fail(PlistGateVerdict::malformed, "bad dictionary length");
            if (!fits(refs, m_trailer.objectRefSize)) return fail(PlistGateVerdict::malformed, "truncated container");
            // Dictionary keys must be strings.
            for (std::uint64_t i = 0; high == 0xD && i < count; ++i) {
                const std::uint64_t key = readBigEndian(m_data + pos + i * m_trailer.objectRefSize, m_trailer.objectRefSize);
                if (key >= m_trailer.numObjects) return fail(PlistGateVerdict::malformed, "object reference outside the property list");
                const unsigned keyType = m_data[m_offsets[key]] >> 4;
                if (keyType != 0x5 && keyType != 0x6) return fail(PlistGateVerdict::malformed, "a dictionary key is not a string");
            }
            frame.firstRef = pos;
            frame.refCount = refs;
            return {};
        }
        default:
            return fail(PlistGateVerdict::malformed, "unknown object type in the property list");
        }
    }

    // Depth-first over the graph, each object inspected once; heights and expanded sizes are
    // memoised so shared sub-trees cost nothing extra to check.
    PlistGateResult walk()
    {
        const std::uint64_t n = m_trailer.numObjects;
        std::vector<Mark> mark(n, unvisited);
        std::vector<std::uint32_t> height(n, 0);
        std::vector<std::uint64_t> expanded(n, 0);
        std::vector<Frame> stack;

        auto push = [&](std::uint64_t object) -> PlistGateResult {
            Frame frame;
            if (auto r = inspect(object, frame); r.verdict != PlistGateVerdict::ok) return r;
            mark[object] = onPath;
            if (stack.size() >= kMaxPlistDepth) return fail(PlistGateVerdict::tooDeep, "property list nested too deeply");
            stack.push_back(frame);
            return {};
        };
        if (auto r = push(m_trailer.topObject); r.verdict != PlistGateVerdict::ok) return r;
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.next < top.refCount) {
                const std::uint64_t child =
                    readBigEndian(m_data + top.firstRef + top.next * m_trailer.objectRefSize, m_trailer.objectRefSize);
                ++top.next;
                if (child >= n) return fail(PlistGateVerdict::malformed, "object reference outside the property list");
                if (mark[child] == onPath) return fail(PlistGateVerdict::malformed, "the property list refers to itself");
                if (mark[child] == unvisited)
                    if (auto r = push(child); r.verdict != PlistGateVerdict::ok) return r;
                continue;
            }
            // All children done: fold their heights and sizes into this object.
            std::uint32_t h = 0;
            std::uint64_t size = 1;
            for (std::uint64_t i = 0; i < top.refCount; ++i) {
                const std::uint64_t child =
                    readBigEndian(m_data + top.firstRef + i * m_trailer.objectRefSize, m_trailer.objectRefSize);
                h = std::max(h, height[child] + 1);
                size += expanded[child];
                if (size > kMaxPlistExpandedNodes) return fail(PlistGateVerdict::tooLarge, "property list too large");
            }
            if (h >= kMaxPlistDepth) return fail(PlistGateVerdict::tooDeep, "property list nested too deeply");
            height[top.object] = h;
            expanded[top.object] = size;
            mark[top.object] = done;
            stack.pop_back();
        }
        return {};
    }

    const unsigned char* m_data;
    std::size_t m_size;
    Trailer m_trailer;
    std::vector<std::uint64_t> m_offsets;
};

} // namespace

PlistGateResult checkBinaryPlist(std::string_view bytes)
{
    return Walker(bytes).run();
}

PlistGateResult readBinaryPlist(std::string_view bytes, nlohmann::ordered_json& out)
{
    Walker walker(bytes);
    PlistGateResult result = walker.run();
    if (result.verdict == PlistGateVerdict::ok) out = walker.build();
    return result;
}

} // namespace lumara
