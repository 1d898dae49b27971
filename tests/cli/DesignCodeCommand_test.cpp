// Design codes on the real command line: `export code`, and a code (as an argument, or on standard
// input with line breaks) in place of the project file for convert, render, export and thumbnail,
// giving the very bytes the file gives; hostile codes get one "lumara: " line and no output.
#include "document/DesignCode.h"
#include "model/OrbPreset.h"
#include "support/PlistFixtures.h"
#include "support/ProjectFixtures.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumara::test {
namespace {

ProcessResult runLumara(const std::vector<std::string>& args, const std::string& input = {})
{
    return runProcess(lumaraBinary(), args, input, 60);
}

// The code `export code` prints for `source`, without its newline.
std::string exportedCode(const std::vector<std::string>& source, const std::string& input = {})
{
    std::vector<std::string> args{"export", "code"};
    args.insert(args.end(), source.begin(), source.end());
    const ProcessResult r = runLumara(args, input);
    EXPECT_EQ(r.exitCode, 0) << joined(args) << "\n" << r.err;
    EXPECT_TRUE(r.out.size() > 1 && r.out.back() == '\n' && r.out.find('\n') == r.out.size() - 1) << "one line: " << r.out;
    return r.out.empty() ? std::string() : r.out.substr(0, r.out.size() - 1);
}

TEST(DesignCodeCommand, EveryPresetsCodeExportsTheSameTextsAsThePreset)
{
    for (const OrbPreset& preset : allPresets()) {
        SCOPED_TRACE(preset.name);
        const std::string code = exportedCode({"--preset", preset.name});
        auto decoded = decodeDesignCode(code);
        ASSERT_TRUE(decoded) << decoded.error().message;
        ASSERT_EQ(decoded->states.size(), 1u);
        EXPECT_EQ(decoded->states[0].config, preset.configuration);
        EXPECT_EQ(exportedCode({code}), code) << "the code of a code is itself";
        const ProcessResult fromPreset = runLumara({"export", "swiftui", "--preset", preset.name});
        const ProcessResult fromCode = runLumara({"export", "swiftui", code});
        ASSERT_EQ(fromCode.exitCode, 0) << fromCode.err;
        EXPECT_EQ(fromCode.out, fromPreset.out);
    }
}

// Every command that reads a project gives, from the code, byte for byte what it gives from the
// file; on standard input the code may be wrapped and the file's own bytes work too.
TEST(DesignCodeCommand, AFiveStateCodeStandsInForTheProjectFileEverywhere)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto at = [&dir](const char* name) { return dir.filePath(name).toStdString(); };
    const std::string file = at("five.lumara");
    writeBytes(file, *encodeProject(fiveStateProject(), Container::propertyList));
    const std::string code = exportedCode({file});
    EXPECT_EQ(code, *encodeDesignCode(fiveStateProject()));
    EXPECT_EQ(exportedCode({"-"}, readBytes(file)), code) << "project file bytes on standard input";
    std::string wrapped = "\n";
    for (std::size_t i = 0; i < code.size(); i += 64) wrapped += "  " + code.substr(i, 64) + "\r\n";

    struct Command {
        std::vector<std::string> before, after; // around SOURCE
        const char* output;                     // the file it writes, if not standard output
    };
    const Command commands[] = {
        {{"convert"}, {at("out.lumara")}, "out.lumara"},
        {{"convert"}, {at("out.json")}, "out.json"},
        {{"render"}, {"-o", at("orb.png"), "--time", "1.5"}, "orb.png"},
        {{"render"}, {"-o", at("orb.png"), "--state", "1"}, "orb.png"},
        {{"thumbnail"}, {at("thumb.png"), "--size", "64"}, "thumb.png"},
        {{"export", "swiftui"}, {}, nullptr},
        {{"export", "html"}, {}, nullptr},
        {{"export", "prompt"}, {"--state", "2"}, nullptr},
        {{"export", "code"}, {"--state", "0", "-o", at("code.txt")}, "code.txt"},
    };
    for (const Command& command : commands) {
        const auto run = [&](const std::string& source, const std::string& input) {
            std::vector<std::string> args = command.before;
            args.push_back(source);
            args.insert(args.end(), command.after.begin(), command.after.end());
            const ProcessResult r = runLumara(args, input);
            EXPECT_EQ(r.exitCode, 0) << joined(args) << "\n" << r.err;
            const std::string written = command.output ? readBytes(at(command.output)) : r.out;
            EXPECT_FALSE(written.empty()) << joined(args);
            return written;
        };
        SCOPED_TRACE(joined(command.before) + " ... " + joined(command.after));
        const std::string fromFile = run(file, {});
        EXPECT_EQ(run(code, {}), fromFile) << "the code as an argument";
        EXPECT_EQ(run("-", wrapped), fromFile) << "the code wrapped on standard input";
    }
    EXPECT_EQ(readBytes(at("code.txt")).back(), '\n');
}

TEST(DesignCodeCommand, HostileCodesPrintOneLineAndWriteNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string code = *encodeDesignCode(fiveStateProject());
    // 64 MB of spaces in a zlib stream of about 64 KB: as an argument it stays under the kernel's
    // 128 KB limit on one.
    const std::string bomb = runPython("import base64, sys, zlib\n"
                                       "body = base64.urlsafe_b64encode(zlib.compress(b' ' * (64 << 20), 9))\n"
                                       "sys.stdout.write('lumara1.' + body.decode().rstrip('='))\n");
    ASSERT_LT(bomb.size(), 120000u);
    const struct {
        const char* name;
        std::string text;
        const char* mentions;
    } cases[] = {
        {"truncated", code.substr(0, code.size() / 2), "the design code is damaged or incomplete"},
        {"not base64", code.substr(0, 12) + "*" + code.substr(13), "\"*\" at character 13 is not part of any design code"},
        {"a decompression bomb", bomb, "unpacks to more than 16 MB"},
        {"a newer version", "lumara7." + code.substr(8), "the design code is from a newer version of Lumara"},
        {"prefix only", "lumara1.", "the design code is damaged or incomplete"},
    };
    const std::string png = dir.filePath("orb.png").toStdString();
    const std::string project = dir.filePath("out.lumara").toStdString();
    for (const auto& c : cases) {
        for (const bool onStandardInput : {false, true}) {
            const std::string source = onStandardInput ? "-" : c.text;
            const std::string input = onStandardInput ? c.text + "\n" : std::string();
            for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                     {"convert", source, project}, {"render", source, "-o", png}, {"export", "html", source}}) {
                const ProcessResult r = runLumara(args, input);
                expectOneErrorLine(r, std::string(c.name) + (onStandardInput ? " on standard input: " : ": ") + args[0], c.mentions);
                EXPECT_EQ(r.out, "");
            }
        }
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(png)));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(project)));
}

} // namespace
} // namespace lumara::test
