// The design carried in GIFs and videos: the block, box and element walkers over memory and over
// large files, and hostile structures around the record.
#include "document/EmbeddedInMedia.h"
#include "document/EmbeddedProject.h"
#include "document/ProjectCodec.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumara;

namespace {

OrbProjectData twoStates()
{
    OrbProjectData p;
    OrbValues second;
    second.blobCount = 5;
    p.states.push_back({"6F1C3F0E-1D2B-4C6E-9A55-0123456789AB", "Calm", OrbValues{}});
    p.states.push_back({"0A1B2C3D-4E5F-4061-8273-8495A6B7C8D9", "Ünïcode ✨", second});
    p.selectedStateIndex = 1;
    p.transitionDuration = 1.5;
    return p;
}

const std::string& record()
{
    static const std::string text = *encodeEmbeddedProject(twoStates());
    return text;
}

std::string bigEndianBytes(std::uint64_t v, int bytes)
{
    std::string out;
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
    return out;
}

std::string box(const std::string& type, const std::string& content) { return bigEndianBytes(content.size() + 8, 4) + type + content; }

// A Matroska element with an eight-byte size; `unknownSize` marks it as running to its parent's end.
std::string element(std::uint32_t id, const std::string& content, bool unknownSize = false)
{
    const int idBytes = id > 0xFFFFFF ? 4 : id > 0xFFFF ? 3 : 2;
    std::string out = bigEndianBytes(id, idBytes);
    out.push_back('\x01'); // an eight-byte size follows
    out.append(unknownSize ? std::string(7, '\xff') : bigEndianBytes(content.size(), 7));
    return out.append(content);
}

const std::string kEbml = element(0x1A45DFA3, element(0x4282, "webm"));
std::string tags(const std::string& name, const std::string& value)
{
    return element(0x1254C367, element(0x7373, element(0x67C8, element(0x45A3, name) + element(0x4487, value))));
}

// Replaces the first `from` in `s` by `to`.
std::string replaced(std::string s, const std::string& from, const std::string& to)
{
    const auto at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

} // namespace

TEST(EmbeddedInMedia, EachContainerCarriesTheDesignFromMemoryAndFromAFile)
{
    QTemporaryDir dir;
    for (const MediaKind kind : {MediaKind::gif, MediaKind::isoMedia, MediaKind::matroska}) {
        const std::string file = minimalMediaWithProject(kind, record());
        ASSERT_EQ(sniffMedia(file), kind);
        auto opened = decodeProjectFile(file, 0.6);
        ASSERT_TRUE(opened) << opened.error().message;
        EXPECT_EQ(opened->project, twoStates());

        const std::string path = dir.filePath("f").toStdString();
        test::writeBytes(path, file);
        auto fromFile = findEmbeddedProjectText(FileSource(path), kind);
        ASSERT_TRUE(fromFile) << fromFile.error().message;
        EXPECT_EQ(*fromFile, record());

        auto without = decodeProjectFile(minimalMediaWithProject(kind, ""), 0.6);
        ASSERT_FALSE(without);
        EXPECT_EQ(without.error().code, CodecError::notEmbedded);
        EXPECT_EQ(without.error().message, kind == MediaKind::gif ? "the image carries no Lumara design"
                                                                  : "the video carries no Lumara design");
    }
    // Matroska writes tag names upper-case, MP4 as given: either opens after a remux.
    const std::string lowerKey = kEbml + element(0x18538067, tags("lumara_project", record()));
    EXPECT_TRUE(decodeProjectFile(lowerKey, 0.6));
}

TEST(EmbeddedInMedia, HostileStructuresFailCleanly)
{
    const std::string gif = minimalMediaWithProject(MediaKind::gif, record());
    const std::string mp4 = minimalMediaWithProject(MediaKind::isoMedia, record());
    const std::string webm = kEbml + element(0x18538067, tags("LUMARA_PROJECT", record()));
    const std::string gifHead = gif.substr(0, 13);
    std::string wideTable = gifHead;
    wideTable[10] = '\x87'; // a 256-colour table the file does not hold
    const std::size_t moov = mp4.find("moov") - 4;
    std::string absurd = record();
    absurd = replaced(absurd, "\"blobCount\":5", "\"blobCount\":1e300");

    const struct {
        const char* what;
        std::string bytes;
        CodecError code;
    } cases[] = {
        {"a GIF cut inside the record", gif.substr(0, gif.size() / 2), CodecError::notParseable},
        {"a GIF block the format does not have", gifHead + "\x07" + gif.substr(13), CodecError::notEmbedded},
        {"a GIF colour table past the end", wideTable + "\x3b", CodecError::notEmbedded},
        {"a GIF image whose data runs past the end", gifHead + "\x2c" + std::string(9, '\0') + "\x02\xff" + "abc", CodecError::notEmbedded},
        {"a GIF record that is not JSON", minimalMediaWithProject(MediaKind::gif, "{ nope"), CodecError::notParseable},
        {"a GIF record nested too deep", minimalMediaWithProject(MediaKind::gif, std::string(100000, '[') + std::string(100000, ']')), CodecError::tooDeep},
        {"a box larger than the file", std::string(mp4).replace(moov, 4, "\xff\xff\xff\xff"), CodecError::notEmbedded},
        {"a 64-bit box size beyond the file", mp4.substr(0, moov) + std::string("\0\0\0\x01moov", 8) + bigEndianBytes(~0ull, 8) + mp4.substr(moov + 8), CodecError::notEmbedded},
        {"a key list claiming no keys", replaced(mp4, std::string("\0\0\0\x01\0\0\0\x16mdta", 12), std::string("\0\0\0\0\0\0\0\x16mdta", 12)), CodecError::notEmbedded},
        {"a key entry longer than its list", replaced(mp4, std::string("\0\0\0\x16mdta", 8), std::string("\x7f\0\0\0mdta", 8)), CodecError::notEmbedded},
        {"a value that is not text", replaced(mp4, std::string("data\0\0\0\x01", 8), std::string("data\0\0\0\x0d", 8)), CodecError::notParseable},
        {"a record of absurd values", minimalMediaWithProject(MediaKind::isoMedia, absurd), CodecError::wrongType},
        {"a value longer than its tag", kEbml + element(0x18538067, element(0x1254C367, element(0x7373, element(0x67C8, element(0x45A3, "LUMARA_PROJECT") + "\x44\x87\x01" + bigEndianBytes(1ull << 40, 7) + record())))), CodecError::notParseable},
        {"an element id of more than four bytes", kEbml + element(0x18538067, "\x08" + tags("LUMARA_PROJECT", record())), CodecError::notEmbedded},
        {"a seek index pointing past the file", kEbml + element(0x18538067, element(0x114D9B74, element(0x4DBB, element(0x53AB, "\x12\x54\xc3\x67") + element(0x53AC, bigEndianBytes(~0ull, 8))))), CodecError::notEmbedded},
    };
    for (const auto& c : cases) {
        auto opened = decodeProjectFile(c.bytes, 0.6);
        ASSERT_FALSE(opened) << c.what;
        EXPECT_EQ(opened.error().code, c.code) << c.what << ": " << opened.error().message;
        EXPECT_FALSE(opened.error().message.empty()) << c.what;
    }
    // Every prefix of every container: an error or the design, never anything else.
    for (const std::string& file : {gif, mp4, webm})
        for (std::size_t n = 0; n < file.size(); n += 7) {
            auto opened = decodeProjectFile(file.substr(0, n), 0.6);
            if (opened) {
                EXPECT_EQ(opened->project, twoStates());
            }
        }
}

TEST(EmbeddedInMedia, FilesTooLargeToReadWholeOpenFromTheirRecordAlone)
{
    QTemporaryDir dir;
    const std::string bulk(kMaxRecordBytes + 1, '\x55');
    std::string gifBulk; // a comment extension of full sub-blocks before the design
    const std::string subBlock = '\xff' + std::string(255, 'U');
    while (gifBulk.size() <= kMaxRecordBytes) gifBulk += subBlock;
    const std::string gif = minimalMediaWithProject(MediaKind::gif, record());
    const std::string mp4 = minimalMediaWithProject(MediaKind::isoMedia, record());
    const std::string segmentTags = tags("LUMARA_PROJECT", record());
    const auto seekHead = [](std::uint64_t position) {
        return element(0x114D9B74, element(0x4DBB, element(0x53AB, "\x12\x54\xc3\x67") + element(0x53AC, bigEndianBytes(position, 8))));
    };
    const std::string liveCluster = element(0x1F43B675, bulk, true);
    const struct {
        const char* what;
        std::string bytes;
        bool carries;
    } files[] = {
        {"GIF", gif.substr(0, 13) + "\x21\xfe" + gifBulk + '\0' + gif.substr(13), true},
        {"MP4 with the index last", mp4.substr(0, 20) + box("mdat", bulk) + mp4.substr(20), true},
        {"WebM with the tags after a cluster", kEbml + element(0x18538067, element(0x1F43B675, bulk) + segmentTags), true},
        {"WebM from a stream", kEbml + element(0x18538067, segmentTags + liveCluster, true), true},
        // Behind a cluster of unknown size only the seek index finds the tags.
        {"WebM indexed", kEbml + element(0x18538067, seekHead(seekHead(0).size() + liveCluster.size()) + liveCluster + segmentTags, true), true},
        {"WebM without a design", kEbml + element(0x18538067, seekHead(0) + element(0x1F43B675, bulk)), false},
    };
    for (const auto& f : files) {
        const std::string path = dir.filePath("big").toStdString();
        test::writeBytes(path, f.bytes);
        auto bytes = readProjectFileBytes(path);
        ASSERT_TRUE(bytes) << f.what << ": " << bytes.error().message;
        EXPECT_LT(bytes->size(), 64u * 1024) << f.what;
        auto opened = decodeProjectFile(*bytes, 0.6);
        EXPECT_EQ(bool(opened), f.carries) << f.what;
        if (opened) {
            EXPECT_EQ(opened->project, twoStates()) << f.what;
        } else {
            EXPECT_EQ(opened.error().code, CodecError::notEmbedded) << f.what;
        }
    }
}
