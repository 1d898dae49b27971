// Every image and video the command line writes carries its project: `lumara convert` turns each
// back into the same project, also after another program rewrote the file and kept the design,
// and says plainly when a rewrite dropped it. Runs the real binary, ffmpeg, ffprobe and Python's
// imaging library.
#include "document/ProjectCodec.h"
#include "support/TestSupport.h"

#include "support/MediaProbe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace lumara;

namespace {

test::ProcessResult runLumara(const std::vector<std::string>& args)
{
    return test::runProcess(test::lumaraBinary(), args, {}, 60,
                            {{"LUMARA_CONFIG_DIR", QDir::tempPath().toStdString() + "/lumara-design-test"}});
}

test::ProcessResult ffmpeg(std::vector<std::string> args)
{
    args.insert(args.begin(), {"-v", "error", "-y"});
    return test::runProcess("ffmpeg", args, {}, 60);
}

// Rewrites a GIF's blocks the way another editor might, in Python's own implementation: our
// extension moves to right after the screen header, and a comment extension is added before it.
const char* const kMoveGifExtension = R"(import sys
d = open(sys.argv[1], 'rb').read(); packed = d[10]
at = 13 + (3 << ((packed & 7) + 1) if packed & 0x80 else 0); head = d[:at]; blocks = []; ours = b''
def subblocks(i):
    while d[i]: i += 1 + d[i]
    return i + 1
while d[at] != 0x3B:
    if d[at] == 0x21: end = subblocks(at + 2)
    else:
        lct = 3 << ((d[at + 9] & 7) + 1) if d[at + 9] & 0x80 else 0
        end = subblocks(at + 10 + lct + 1)
    block = d[at:end]; at = end
    if block.startswith(b'\x21\xff\x0bLUMARAPR1.0'): ours = block
    else: blocks.append(block)
open(sys.argv[2], 'wb').write(head + b'\x21\xfe\x06edited\x00' + ours + b''.join(blocks) + b'\x3b')
)";

// Python's imaging library, as Debian installs it: reads every frame (printing format and frame
// count), or re-saves the image with the design's text chunk copied ("keep") or without ("drop").
const char* const kPil = R"(import sys
from PIL import Image, PngImagePlugin
im = Image.open(sys.argv[2]); frames = getattr(im, 'n_frames', 1)
if sys.argv[1] == 'read':
    for i in range(frames): im.seek(i); im.load()
    print(im.format, frames)
else:
    info = PngImagePlugin.PngInfo()
    if sys.argv[1] == 'keep': info.add_itxt('Lumara project', im.text['Lumara project'])
    im.save(sys.argv[3], format=im.format, save_all=frames > 1, pnginfo=info)
)";

test::ProcessResult pil(const std::vector<std::string>& args)
{
    std::vector<std::string> all{"-c", kPil};
    all.insert(all.end(), args.begin(), args.end());
    return test::runProcess("/usr/bin/python3", all, {}, 60);
}

bool pilRewrite(const std::string& mode, const std::string& in, const std::string& out)
{
    const auto r = pil({mode, in, out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.exitCode == 0;
}

} // namespace

TEST(DesignInExports, EveryFormatConvertsBackAfterRewritesThatKeepItAndFailsPlainlyWithout)
{
    QTemporaryDir dir;
    const auto at = [&](const std::string& name) { return dir.filePath(QString::fromStdString(name)).toStdString(); };
    OrbProjectData original;
    OrbValues second;
    second.blobCount = 6;
    second.orbSize = 40;
    original.states.push_back({"6F1C3F0E-1D2B-4C6E-9A55-0123456789AB", "One", OrbValues{}});
    original.states.push_back({"0A1B2C3D-4E5F-4061-8273-8495A6B7C8D9", "Twö", second});
    original.transitionDuration = 0.75;
    const std::string project = at("in.lumara");
    test::writeBytes(project, *encodeProject(original, Container::propertyList));

    const std::vector<std::string> animate{"animate", project, "--state", "1", "--duration", "0.3", "--fps", "10", "-o"};
    const auto copyWith = [](std::vector<std::string> metadata) {
        return [metadata](const std::string& in, const std::string& out) {
            std::vector<std::string> args{"-i", in, "-c", "copy"};
            args.insert(args.end(), metadata.begin(), metadata.end());
            args.push_back(out);
            return ffmpeg(args).exitCode == 0;
        };
    };
    using Rewrite = std::function<bool(const std::string&, const std::string&)>;
    const Rewrite mdtaKept = copyWith({"-map_metadata", "0", "-movflags", "use_metadata_tags"});
    const Rewrite dropped = copyWith({"-map_metadata", "-1"});
    const Rewrite pilKeep = [](const std::string& in, const std::string& out) { return pilRewrite("keep", in, out); };
    const Rewrite pilDrop = [](const std::string& in, const std::string& out) { return pilRewrite("drop", in, out); };
    const struct {
        const char* file;
        const char* codec;
        bool still;
        Rewrite keep; // another program that keeps the design, when there is one to run here
        Rewrite drop;
    } exports[] = {
        {"still.png", "png", true, pilKeep, pilDrop},
        {"loop.apng", "apng", false, pilKeep, pilDrop},
        {"loop.gif", "gif", false,
         [](const std::string& in, const std::string& out) { return test::runProcess("python3", {"-c", kMoveGifExtension, in, out}).exitCode == 0; },
         copyWith({})},
        {"loop.mp4", "h264", false, mdtaKept, dropped},
        {"loop.webm", "vp9", false, copyWith({"-map_metadata", "0"}), dropped},
        {"loop.mov", "prores", false, mdtaKept, dropped},
    };
    for (const auto& e : exports) {
        SCOPED_TRACE(e.file);
        const std::string file = at(e.file);
        const std::string codec = e.codec;
        const bool image = codec == "png" || codec == "apng" || codec == "gif";
        std::vector<std::string> args = e.still ? std::vector<std::string>{"render", project, "--state", "1", "-o"} : animate;
        args.push_back(file);
        auto r = runLumara(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;

        const auto expectDesign = [&](const std::string& path) {
            EXPECT_EQ(test::probeVideo(path)["streams.stream.0.codec_name"], e.codec) << path;
            if (image) {
                const auto read = pil({"read", path});
                EXPECT_EQ(read.exitCode, 0) << read.err;
                EXPECT_EQ(read.out.substr(0, 4), codec == "gif" ? "GIF " : "PNG ") << read.out;
            }
            const std::string back = path + ".lumara";
            const auto converted = runLumara({"convert", path, back});
            ASSERT_EQ(converted.exitCode, 0) << converted.err;
            auto reopened = decodeProject(test::readBytes(back), Container::propertyList);
            ASSERT_TRUE(reopened);
            EXPECT_EQ(reopened->selectedStateIndex, 1) << "the state that was drawn";
            reopened->selectedStateIndex = 0;
            EXPECT_EQ(*reopened, original);
        };
        expectDesign(file);
        if (e.keep) {
            const std::string kept = at(std::string("kept-") + e.file);
            ASSERT_TRUE(e.keep(file, kept));
            expectDesign(kept);
        }
        if (e.drop) {
            const std::string without = at(std::string("dropped-") + e.file);
            ASSERT_TRUE(e.drop(file, without));
            EXPECT_EQ(test::probeVideo(without)["streams.stream.0.codec_name"], e.codec);
            r = runLumara({"convert", without, at("none.lumara")});
            EXPECT_NE(r.exitCode, 0);
            EXPECT_EQ(r.err, "lumara: " + without + " is not a Lumara project: the " + (image ? "image" : "video") +
                                 " carries no Lumara design\n");
        }
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(at("none.lumara"))));

    // Written to a pipe, where nothing can be patched afterwards, GIF and WebM carry it too.
    for (const std::string format : {"gif", "webm"}) {
        std::vector<std::string> args = animate;
        args.insert(args.end(), {"-", "--format", format});
        const auto streamed = runLumara(args);
        ASSERT_EQ(streamed.exitCode, 0) << streamed.err;
        const auto opened = decodeProjectFile(streamed.out, 0.6);
        ASSERT_TRUE(opened) << format << ": " << opened.error().message;
        EXPECT_EQ(opened->project.states, original.states) << format;
    }
}
