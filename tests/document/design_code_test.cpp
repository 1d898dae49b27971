// Design codes: exact round trips of every preset and a five-state project, the stream read by an
// independent zlib and base64 (Python's), pasted whitespace, hostile codes, and the readers that
// take a code in place of a project file.
#include "document/DesignCode.h"
#include "document/OrbDocument.h"
#include "document/ProjectSource.h"
#include "support/PlistFixtures.h"
#include "support/ProjectFixtures.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <libdeflate.h>

using namespace lumara;

namespace {

std::vector<std::pair<std::string, OrbProjectData>> roundTripCases()
{
    std::vector<std::pair<std::string, OrbProjectData>> cases;
    for (const OrbPreset& preset : allPresets()) {
        OrbProjectData project;
        project.states.push_back({"0E0D9F7A-5C38-4E1B-8B6A-" + std::to_string(100000000000 + cases.size()), "Default",
                                  preset.configuration});
        cases.emplace_back(preset.name, std::move(project));
    }
    cases.emplace_back("five states", test::fiveStateProject());
    return cases;
}

// A code around any bytes, written with libdeflate and Qt's base64, apart from the encoder.
std::string codeOfStream(const std::string& stream, std::string_view prefix = kDesignCodePrefix)
{
    const QByteArray text = QByteArray::fromStdString(stream).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    return std::string(prefix) + text.toStdString();
}

std::string zlibOf(const std::string& bytes)
{
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(6);
    std::string out(libdeflate_zlib_compress_bound(compressor, bytes.size()), '\0');
    out.resize(libdeflate_zlib_compress(compressor, bytes.data(), bytes.size(), out.data(), out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

std::string codeOf(const OrbProjectData& project)
{
    auto code = encodeDesignCode(project);
    EXPECT_TRUE(code) << code.error().message;
    return code ? *code : std::string();
}

} // namespace

TEST(DesignCode, EveryPresetAndAFiveStateProjectRoundTripExactly)
{
    for (const auto& [name, project] : roundTripCases()) {
        SCOPED_TRACE(name);
        const std::string code = codeOf(project);
        ASSERT_EQ(code.rfind("lumara1.", 0), 0u);
        EXPECT_EQ(code.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_", 8),
                  std::string::npos)
            << "one line of URL-safe characters";
        auto decoded = decodeDesignCode(code);
        ASSERT_TRUE(decoded) << decoded.error().message;
        EXPECT_EQ(*decoded, project) << "ids, names, selection, transition time and every value";
        EXPECT_EQ(codeOf(*decoded), code) << "the same project gives the same code";
    }
}

// Python's zlib and base64 read the code back to the very record encodeProject writes, so the
// format is the documented one and not just whatever our decoder accepts.
TEST(DesignCode, IsBase64urlOfAZlibStreamOfTheJsonRecord)
{
    const OrbProjectData project = test::fiveStateProject();
    const std::string code = codeOf(project);
    const std::string record = test::runPython(
        "import base64, sys, zlib\n"
        "code = sys.stdin.read()\n"
        "assert code.startswith('lumara1.') and '=' not in code\n"
        "body = code[len('lumara1.'):]\n"
        "sys.stdout.buffer.write(zlib.decompress(base64.urlsafe_b64decode(body + '=' * (-len(body) % 4))))\n",
        code);
    EXPECT_EQ(record, *encodeProject(project, Container::json));
}

TEST(DesignCode, WhitespaceAndLineBreaksAnywhereAreIgnored)
{
    const OrbProjectData project = test::fiveStateProject();
    const std::string code = codeOf(project);
    std::string wrapped; // as a mail program wraps it, at 76 characters with CR LF
    for (std::size_t at = 0; at < code.size(); at += 76) wrapped += code.substr(at, 76) + "\r\n";
    const std::string cases[] = {
        "  \n\t" + code + " \n",
        wrapped,
        "lumara1.\n" + code.substr(8),
        "lum ara1 ." + code.substr(8, 10) + "\t\v\f" + code.substr(18),
    };
    for (const std::string& text : cases) {
        auto decoded = decodeDesignCode(text);
        ASSERT_TRUE(decoded) << decoded.error().message << "\n" << text;
        EXPECT_EQ(*decoded, project);
        EXPECT_TRUE(looksLikeDesignCode(text));
    }
}

TEST(DesignCode, HostileCodesGiveOneClearError)
{
    const std::string code = codeOf(test::fiveStateProject());
    std::string altered = code; // one character of the stream changed: the Adler-32 check fails
    altered[code.size() / 2] = altered[code.size() / 2] == 'A' ? 'B' : 'A';
    const std::string spaces(64u << 20, ' ');
    const struct {
        const char* name;
        std::string text;
        CodecError code;
        const char* mentions;
    } cases[] = {
        {"empty", "", CodecError::notDesignCode, "not a design code"},
        {"only whitespace", " \n\t ", CodecError::notDesignCode, "not a design code"},
        {"a JSON record", "{\"states\": []}", CodecError::notDesignCode, "not a design code"},
        {"a look-alike word", "lumarax.abc", CodecError::notDesignCode, "not a design code"},
        {"version zero", "lumara0." + code.substr(8), CodecError::notDesignCode, "not a design code"},
        {"prefix only", "lumara1.", CodecError::notParseable, "damaged or incomplete"},
        {"truncated", code.substr(0, code.size() - 12), CodecError::notParseable, "damaged or incomplete"},
        {"one character short", code.substr(0, code.size() - 1), CodecError::notParseable, "damaged or incomplete"},
        {"one character changed", altered, CodecError::notParseable, "damaged or incomplete"},
        {"a byte after the stream", codeOfStream(zlibOf(*encodeProject(test::fiveStateProject(), Container::json)) + '\0'),
         CodecError::notParseable, "damaged or incomplete"},
        {"standard base64", code.substr(0, 20) + "+/" + code.substr(22), CodecError::notParseable, "\"+\" at character 21"},
        {"padding", code + "==", CodecError::notParseable, "\"=\" at character"},
        {"a control byte", code.substr(0, 30) + '\x01' + code.substr(30), CodecError::notParseable, "byte 1 at character 31"},
        {"a newer version", "lumara2." + code.substr(8), CodecError::newerVersion, "from a newer version of Lumara"},
        {"a much newer version", "lumara100000000000000000000." + code.substr(8), CodecError::newerVersion, "newer version"},
        {"a decompression bomb", codeOfStream(zlibOf(spaces)), CodecError::tooLarge, "unpacks to more than 16 MB"},
        {"longer than any project", "lumara1." + std::string(kMaxDesignCodeChars, 'A'), CodecError::tooLarge, "longer than"},
        {"not JSON inside", codeOfStream(zlibOf("hello, orb")), CodecError::notParseable, "holds no Lumara project"},
        {"a configuration, not a project", codeOfStream(zlibOf(*encodeConfiguration(OrbValues{}, Container::json))),
         CodecError::missingKey, "holds no Lumara project"},
        {"no states", codeOfStream(zlibOf("{\"states\":[],\"selectedStateIndex\":0,\"transitionDuration\":0.6}")),
         CodecError::noStates, "no states"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto decoded = decodeDesignCode(c.text);
        ASSERT_FALSE(decoded);
        EXPECT_EQ(decoded.error().code, c.code) << decoded.error().message;
        EXPECT_NE(decoded.error().message.find(c.mentions), std::string::npos) << decoded.error().message;
        EXPECT_EQ(decoded.error().message.find('\n'), std::string::npos) << "one line";
    }
}

TEST(DesignCode, OnlyTextStartingAsACodeLooksLikeOne)
{
    const struct {
        const char* text;
        bool code;
    } cases[] = {
        {"lumara1.", true},         {" \n lumara1.eJw", true}, {"lumara2.x", true},  {"lumara12.", true},
        {"lumara.", false},         {"lumara1", false},        {"Lumara1.x", false}, {"{\"states\":[]}", false},
        {"bplist00lumara1.", false}, {"", false},              {"lumara0.x", false}, {"./lumara1.x", false},
    };
    for (const auto& c : cases) EXPECT_EQ(looksLikeDesignCode(c.text), c.code) << c.text;
}

// A file holding a code opens as its project in every reader; opened in the document it is an
// unsaved design, one undo step, as Open is.
TEST(DesignCode, AFileHoldingACodeOpensAsAnUnsavedDesign)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const OrbProjectData project = test::fiveStateProject();
    const std::string code = codeOf(project);
    const std::string path = dir.filePath("shared.txt").toStdString();
    test::writeBytes(path, "Here is my orb:\n" + code);
    auto notACode = openProjectFile(path);
    ASSERT_FALSE(notACode) << "a code must start the text";
    test::writeBytes(path, "\n  " + code.substr(0, 40) + "\n" + code.substr(40) + "\n");

    auto opened = decodeProjectFile(test::readBytes(path), 0.6);
    ASSERT_TRUE(opened) << opened.error().message;
    EXPECT_TRUE(opened->fromDesignCode);
    EXPECT_EQ(opened->project, project);
    for (const std::string& source : {path, code}) {
        auto read = openProjectSource(source);
        ASSERT_TRUE(read) << read.error().message;
        EXPECT_EQ(*read, project);
    }

    OrbDocument document(OrbProjectData{});
    QUndoStack undo;
    document.setUndoManager(&undo);
    ASSERT_TRUE(document.loadProject(QString::fromStdString(path)));
    EXPECT_EQ(document.projectData(), project);
    EXPECT_FALSE(document.currentFileURL()) << "Save must not write a project over the text file";
    EXPECT_EQ(undo.count(), 1);
    undo.undo();
    EXPECT_EQ(document.projectData().states.size(), 1u);
}

// The SOURCE rule: a file of the same spelling as a code wins, and a code's failure is its own
// message, not one about a missing file.
TEST(DesignCode, AnExistingFileWinsOverACodeOfTheSameName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    struct Restore {
        QString path;
        ~Restore() { QDir::setCurrent(path); }
    } restore{previous};
    const std::string name = "lumara1.json";
    EXPECT_EQ(sourceKindOf(name), SourceKind::designCode);
    auto missing = openProjectSource(name);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "the design code is damaged or incomplete");
    test::writeBytes(name, *encodeProject(test::fiveStateProject(), Container::json));
    EXPECT_EQ(sourceKindOf(name), SourceKind::file);
    auto file = openProjectSource(name);
    ASSERT_TRUE(file) << file.error().message;
    EXPECT_EQ(*file, test::fiveStateProject());
    EXPECT_EQ(sourceKindOf("-"), SourceKind::standardInput);
}
