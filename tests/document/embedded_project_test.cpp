// The design carried in exported PNGs: round trips, files rewritten by other programs that kept,
// moved or dropped the chunk, and hostile chunks and records.
#include "document/EmbeddedProject.h"
#include "document/ProjectCodec.h"
#include "support/PlistFixtures.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

using namespace lumara;

namespace {

std::string plainPng()
{
    QImage image(3, 2, QImage::Format_RGBA8888);
    image.fill(QColor(10, 200, 30, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

OrbProjectData twoStates()
{
    OrbProjectData p;
    OrbValues second;
    second.blobCount = 7;
    second.glowColor = {0.25, 0.5, 0.75, 0.5};
    p.states.push_back({"6F1C3F0E-1D2B-4C6E-9A55-0123456789AB", "Calm", OrbValues{}});
    p.states.push_back({"0A1B2C3D-4E5F-4061-8273-8495A6B7C8D9", "Ünïcode ✨", second});
    p.selectedStateIndex = 1;
    p.transitionDuration = 1.25;
    return p;
}

// Rewrites a PNG's chunks the way another program might, in Python's own implementation:
// "keep" copies ours after the image data and adds a comment; "drop" leaves ours out.
std::string rewriteWithPython(const std::string& png, const std::string& mode)
{
    const std::string script = R"(import struct, sys, zlib
data = sys.stdin.buffer.read(); out = [data[:8]]; ours = []; at = 8
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
while at < len(data):
    n, t = struct.unpack('>I4s', data[at:at + 8]); d = data[at + 8:at + 8 + n]; at += 12 + n
    if t == b'iTXt' and d.startswith(b'Lumara project\0'): ours.append(chunk(t, d)); continue
    if t == b'IEND':
        out.append(chunk(b'tEXt', b'Comment\0edited'))
        if sys.argv[1] == 'keep': out += ours
    out.append(chunk(t, d))
sys.stdout.buffer.write(b''.join(out))
)";
    const test::ProcessResult r = test::runProcess("python3", {"-c", script, mode}, png, 60);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
}

} // namespace

TEST(EmbeddedProject, ImagesCarryTheWholeProjectAndStayOrdinaryPngs)
{
    const std::string png = embedInPng(plainPng(), *encodeEmbeddedProject(twoStates()));
    auto opened = decodeProjectFile(png, 0.6);
    ASSERT_TRUE(opened) << opened.error().message;
    EXPECT_EQ(opened->project, twoStates());
    EXPECT_FALSE(opened->fromSingleConfiguration);

    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(QByteArray::fromStdString(png), "PNG")) << "other decoders read it as before";
    EXPECT_EQ(decoded.size(), QSize(3, 2));
    EXPECT_EQ(decoded.pixelColor(1, 1), QImage::fromData(QByteArray::fromStdString(plainPng())).pixelColor(1, 1));
    EXPECT_NE(decoded.text("Lumara project").indexOf("\"version\":1"), -1);
}

TEST(EmbeddedProject, SurvivesProgramsThatKeepTheChunkAndSaysSoWhenOneDroppedIt)
{
    const std::string png = embedInPng(plainPng(), *encodeEmbeddedProject(twoStates()));
    auto kept = decodeProjectFile(rewriteWithPython(png, "keep"), 0.6);
    ASSERT_TRUE(kept) << kept.error().message;
    EXPECT_EQ(kept->project, twoStates());

    for (const std::string& without : {rewriteWithPython(png, "drop"), plainPng()}) {
        auto dropped = decodeProjectFile(without, 0.6);
        ASSERT_FALSE(dropped);
        EXPECT_EQ(dropped.error().code, CodecError::notEmbedded);
        EXPECT_EQ(dropped.error().message, "the image carries no Lumara design");
    }
}

TEST(EmbeddedProject, HostileChunksAndRecordsFailCleanly)
{
    const std::string good = *encodeEmbeddedProject(twoStates());
    const std::string png = embedInPng(plainPng(), good);
    const std::size_t ours = png.find("iTXtLumara project");
    ASSERT_NE(ours, std::string::npos);
    auto withText = [](const std::string& text) { return embedInPng(plainPng(), text); };
    auto flipped = [&](std::size_t offset) {
        std::string damaged = png;
        damaged[offset] = static_cast<char>(damaged[offset] ^ 0x20);
        return damaged;
    };
    std::string compressed = png;
    compressed[ours + 4 + 15] = 1; // compression flag, without fixing the CRC: refused either way
    std::string hugeLength = png;
    hugeLength.replace(ours - 4, 4, std::string("\x7f\xff\xff\xff", 4));

    const struct {
        const char* what;
        std::string bytes;
        CodecError code;
    } cases[] = {
        {"a flipped byte in the record", flipped(ours + 40), CodecError::notParseable},
        {"compressed", compressed, CodecError::notParseable},
        {"a length beyond the file", hugeLength, CodecError::notEmbedded},
        {"truncated after the keyword", png.substr(0, ours + 20), CodecError::notEmbedded},
        {"another program's envelope", withText(R"({"format":"Other","version":1,"project":{}})"), CodecError::notEmbedded},
        {"not JSON", withText("{ nope"), CodecError::notParseable},
        {"a newer version", withText(R"({"format":"Lumara project","version":2,"project":{}})"), CodecError::notParseable},
        {"no version", withText(R"({"format":"Lumara project","project":{}})"), CodecError::missingKey},
        {"a project without states", withText(R"({"format":"Lumara project","version":1,"project":{"states":[],"selectedStateIndex":0,"transitionDuration":1}})"), CodecError::noStates},
        {"a state of the wrong type", withText(R"({"format":"Lumara project","version":1,"project":{"states":[7],"selectedStateIndex":0,"transitionDuration":1}})"), CodecError::wrongType},
        {"deep nesting", withText(std::string(100000, '[') + std::string(100000, ']')), CodecError::tooDeep},
    };
    for (const auto& c : cases) {
        auto opened = decodeProjectFile(c.bytes, 0.6);
        ASSERT_FALSE(opened) << c.what;
        EXPECT_EQ(opened.error().code, c.code) << c.what << ": " << opened.error().message;
        EXPECT_FALSE(opened.error().message.empty()) << c.what;
    }
}

TEST(EmbeddedProject, AnImageTooLargeToReadWholeOpensFromItsChunkAlone)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("big.png").toStdString();
    std::string png = embedInPng(plainPng(), *encodeEmbeddedProject(twoStates()));
    // A private ancillary chunk after the design pushes the file past the whole-file limit.
    const std::string filler(kMaxRecordBytes + 1, 'x');
    std::string bulky = std::string("\x01\x00\x00\x01", 4) + "prVt" + filler + "CRC!";
    png.insert(png.size() - 12, bulky);
    test::writeBytes(path, png);
    auto bytes = readProjectFileBytes(path);
    ASSERT_TRUE(bytes) << bytes.error().message;
    EXPECT_LT(bytes->size(), 64u * 1024);
    auto opened = decodeProjectFile(*bytes, 0.6);
    ASSERT_TRUE(opened) << opened.error().message;
    EXPECT_EQ(opened->project, twoStates());
}
