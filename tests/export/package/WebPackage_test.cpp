// The web package as written: the name rule and npm's naming, package.json read back, index.js
// with the design as JSON that real Node reads back unchanged whatever the states are called, the
// page's own shader texts, the templates filled in, posters equal to the native render with the
// shadow's room, the same bytes under any locale, and typed failures that name the path.
#include "export/package/WebPackage.h"

#include "document/ProjectCodec.h"
#include "export/package/WebPackageTestSupport.h"
#include "export/text/ExportText.h"
#include "export/text/LocaleSwitch.h"
#include "export/text/PageShaders.h"
#include "render/OrbRenderer.h"
#include "render/StraightAlpha.h"

#include <QFileInfo>
#include <QImage>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace lumara::test {
namespace {

using exporting::PackageError;
using Json = nlohmann::ordered_json;

const std::string kTemplates = LUMARA_PACKAGE_SOURCE_DIR;

std::string between(const std::string& text, const std::string& open, const std::string& close)
{
    const auto start = text.find(open);
    if (start == std::string::npos) return {};
    const auto end = text.find(close, start + open.size());
    return end == std::string::npos ? std::string() : text.substr(start + open.size(), end - start - open.size());
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) text.replace(at, from.size(), to);
    return text;
}

std::map<std::string, std::string> generated(const OrbProjectData& project, const std::string& name, bool withPosters)
{
    auto files = exporting::generateWebPackageTexts(project, name, withPosters);
    EXPECT_TRUE(files.ok()) << (files.ok() ? "" : files.error().message);
    std::map<std::string, std::string> out;
    if (files)
        for (const auto& file : *files) out[file.path] = file.bytes;
    return out;
}

TEST(WebPackage, NamesComeFromTheProjectFileAndFollowNpmsRules)
{
    const std::string sixtyFour(64, 'a');
    const std::pair<std::string, std::string> derived[] = {
        {"My Orb.lumara", "my-orb"},
        {"", "lumara-orb"},
        {"/home/me/projects/Deep Sea.json", "deep-sea"},
        {"  --Hello__World--.lumara", "hello-world"},
        {"Ros\xC3\xA9 Glow 2.lumara", "ros-glow-2"},
        {"\xE6\x97\xA5\xE6\x9C\xAC.lumara", "lumara-orb"}, // nothing ASCII is left
        {"v1.2.lumara", "v1-2"},                            // only the last extension goes
        {"ORB.lumara", "orb"},
        {"!!!.lumara", "lumara-orb"},
        {std::string(100, 'a') + ".lumara", sixtyFour},
        {std::string(63, 'a') + " b.lumara", std::string(63, 'a')}, // cut at 64, then no "-" at the end
    };
    for (const auto& [file, name] : derived) {
        EXPECT_EQ(exporting::packageNameFor(file), name) << file;
        EXPECT_TRUE(exporting::isValidPackageName(exporting::packageNameFor(file))) << file;
    }

    for (const std::string& valid : std::vector<std::string>{"my-orb", "lumara-orb", "@acme/orb", "a.b_c~d", "0", std::string(214, 'x'),
                                    "@a/" + std::string(211, 'b')})
        EXPECT_TRUE(exporting::isValidPackageName(valid)) << valid;
    for (const std::string& invalid : std::vector<std::string>{"", "My-Orb", ".hidden", "_private", "a b", "orb!", "@acme", "@/orb", "@acme/", "a/b",
                                      "@acme/.orb", "@_x/orb", "caf\xC3\xA9", std::string(215, 'x'), "@a/b/c", "orb\n"})
        EXPECT_FALSE(exporting::isValidPackageName(invalid)) << invalid;
}

TEST(WebPackage, PackageJsonDeclaresTheModuleItsEntriesAndReactAsAnOptionalPeer)
{
    for (const bool posters : {true, false}) {
        SCOPED_TRACE(posters ? "with posters" : "without posters");
        auto files = exporting::generateWebPackageTexts(threeStateProject(), "@acme/orb", posters);
        ASSERT_TRUE(files.ok()) << files.error().message;
        std::vector<std::string> paths;
        for (const auto& file : *files) paths.push_back(file.path);
        EXPECT_EQ(paths, (std::vector<std::string>{"package.json", "index.js", "index.d.ts", "react.js", "react.d.ts", "README.md"}));

        const std::string text = files->front().bytes;
        EXPECT_EQ(text.back(), '\n');
        EXPECT_EQ(text.substr(0, 23), "{\n  \"name\": \"@acme/orb\"") << "two-space indent";
        const Json package = Json::parse(text);
        std::vector<std::string> keys;
        for (auto it = package.begin(); it != package.end(); ++it) keys.push_back(it.key());
        EXPECT_EQ(keys, (std::vector<std::string>{"name", "version", "description", "type", "main", "types", "exports", "files",
                                                  "sideEffects", "peerDependencies", "peerDependenciesMeta"}));
        EXPECT_EQ(package["version"], "1.0.0");
        EXPECT_EQ(package["type"], "module");
        EXPECT_EQ(package["main"], "./index.js");
        EXPECT_EQ(package["types"], "./index.d.ts");
        EXPECT_EQ(package["exports"].dump(), R"({".":{"types":"./index.d.ts","default":"./index.js"},)"
                                             R"("./react":{"types":"./react.d.ts","default":"./react.js"},)"
                                             R"("./package.json":"./package.json"})");
        const Json files_ = posters ? Json::array({"index.js", "index.d.ts", "react.js", "react.d.ts", "posters", "README.md"})
                                    : Json::array({"index.js", "index.d.ts", "react.js", "react.d.ts", "README.md"});
        EXPECT_EQ(package["files"], files_);
        EXPECT_EQ(package["sideEffects"], Json::array({"./index.js"}));
        EXPECT_EQ(package["peerDependencies"].dump(), R"({"react":">=18"})");
        EXPECT_EQ(package["peerDependenciesMeta"].dump(), R"({"react":{"optional":true}})");
        EXPECT_FALSE(package.contains("dependencies"));
        EXPECT_NE(package["description"].get<std::string>().find("<lumara-orb>"), std::string::npos);
    }
}

TEST(WebPackage, IndexCarriesTheDesignThePagesShadersAndTheRuntimeUnchanged)
{
    const OrbProjectData project = threeStateProject();
    auto files = generated(project, "my-orb", true);
    const std::string& index = files["index.js"];
    EXPECT_EQ(index.rfind("// my-orb: an orb designed in Lumara. The <lumara-orb> element, createOrb() and the design's "
                          "states.\n// Generated by Lumara; the design is data (JSON), the rest is the same for every design.\n"
                          "const DESIGN = {\n",
                          0),
              0u);
    EXPECT_NE(index.find("\nconst POSTERS = true;"), std::string::npos);
    EXPECT_NE(generated(project, "my-orb", false)["index.js"].find("\nconst POSTERS = false;"), std::string::npos);

    // The design is the project's record, readable as JSON and equal to the project.
    const std::string design = between(index, "const DESIGN = ", ";\nconst POSTERS");
    auto decoded = decodeProject(design, Container::json);
    ASSERT_TRUE(decoded.ok()) << decoded.error().message;
    EXPECT_EQ(*decoded, project);
    EXPECT_EQ(Json::parse(design), Json::parse(*encodeProject(project, Container::json)));

    // The constants in the page's order, with the same texts as the generated page: the ring and
    // clip shaders keep their marker where the page writes its anti-alias line.
    const std::string shaders = exporting::pageShaderConstants(std::nullopt, std::nullopt);
    EXPECT_NE(index.find(shaders), std::string::npos);
    const std::string page = exporting::generateStaticHTML(project.states[0].config);
    for (const char* name : {"VERT_SRC", "FRAG_GRADIENT", "FRAG_CRESCENT", "FRAG_BLUR", "FRAG_COMPOSITE", "FRAG_RING", "FRAG_CLIP",
                             "FRAG_SHADOW", "FRAG_COPY"}) {
        SCOPED_TRACE(name);
        const std::string open = std::string("const ") + name + " = `";
        std::string ours = between(index, open, "`;\n");
        const std::string theirs = between(page, open, "`;\n");
        ASSERT_FALSE(theirs.empty());
        const bool marked = std::string(name) == "FRAG_RING" || std::string(name) == "FRAG_CLIP";
        EXPECT_EQ(ours.find(exporting::kAntiAliasMarker) != std::string::npos, marked);
        if (marked) {
            const std::string line = std::string(name) == "FRAG_RING"
                                         ? "float aa = 2.0 / (uScale * float(280)); // anti-alias width"
                                         : "float aa = 1.5 / (uScale * float(280));";
            ours = replaced(ours, std::string(exporting::kAntiAliasMarker), line);
        }
        EXPECT_EQ(ours, theirs);
    }

    // After the constants, the runtime exactly as it is in the source tree.
    const std::string runtime = readBytes(kTemplates + "/runtime.js");
    ASSERT_GE(index.size(), runtime.size());
    EXPECT_EQ(index.substr(index.size() - runtime.size()), runtime);
    EXPECT_NE(index.find(shaders + "\n" + runtime), std::string::npos);
}

TEST(WebPackage, TemplatesGetTheNameAndTheStatesNames)
{
    auto files = generated(threeStateProject(), "@acme/orb", true);
    for (const char* file : {"react.js", "react.d.ts", "README.md"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(files[file], replaced(readBytes(kTemplates + "/" + file), "@PACKAGE_NAME@", "@acme/orb"));
    }
    const std::string types = readBytes(kTemplates + "/index.d.ts");
    EXPECT_EQ(files["index.d.ts"], replaced(replaced(types, "@PACKAGE_NAME@", "@acme/orb"), "@STATE_NAMES@",
                                            R"("Idle" | "Listening" | "Speaking")"));

    // A name used twice appears once; a project without states has no state names.
    OrbProjectData twice = threeStateProject();
    twice.states[2].name = "Idle";
    EXPECT_NE(generated(twice, "x", true)["index.d.ts"].find(R"("Idle" | "Listening";)"), std::string::npos);
    if (types.find("@STATE_NAMES@;") != std::string::npos) {
        OrbProjectData none;
        EXPECT_NE(generated(none, "x", false)["index.d.ts"].find("= never;"), std::string::npos);
    }
}

// State names that break naive quoting in JSON, JavaScript, a <script> element or TypeScript.
const std::vector<std::string> kHostileNames = {
    "He said \"hi\"",
    "back\\slash \\u0041",
    "</script><script>alert(1)</script>",
    "line\xE2\x80\xA8separator\xE2\x80\xA9paragraph",
    "\xF0\x9F\x94\xAE orb \xE2\x9C\xA8",
    "",
    "new\nline\ttab",
    "`${globalThis.x}` */ // <!--",
};

OrbProjectData hostileProject()
{
    OrbProjectData project;
    for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
        OrbValues v;
        v.orbSize = 20;
        project.states.push_back({"ID-" + std::to_string(i), kHostileNames[i], v});
    }
    return project;
}

std::vector<std::string> namesFromNode(const ProcessResult& run)
{
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> names;
    if (run.exitCode == 0) names = Json::parse(run.out).get<std::vector<std::string>>();
    return names;
}

TEST(WebPackage, HostileStateNamesComeBackUnchangedThroughNode)
{
    ASSERT_FALSE(nodeBinary().empty()) << "Node is needed (Debian package nodejs)";
    QTemporaryDir dir;
    const OrbProjectData project = hostileProject();
    ASSERT_TRUE(exporting::writeWebPackage(project, dir.path().toStdString(), "hostile", false).ok());
    const std::string index = readBytes(dir.filePath("index.js").toStdString());

    // The design is plain ASCII JSON without "<": nothing in it can end a script element or a line.
    const std::string design = between(index, "const DESIGN = ", ";\nconst POSTERS");
    EXPECT_TRUE(std::all_of(design.begin(), design.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    EXPECT_EQ(design.find('<'), std::string::npos);
    EXPECT_NE(design.find("\\u2028"), std::string::npos);
    EXPECT_NE(design.find("\\u003c/script>"), std::string::npos);
    std::vector<std::string> parsed;
    const Json record = Json::parse(design);
    for (const auto& state : record["states"]) parsed.push_back(state["name"]);
    EXPECT_EQ(parsed, kHostileNames);

    // Node evaluates the module and its exports carry the names as they were.
    const std::string url = "file://" + dir.filePath("index.js").toStdString();
    EXPECT_EQ(namesFromNode(runNodeModule("import { design, stateNames } from '" + url +
                                          "';\n"
                                          "if (JSON.stringify(stateNames) !== JSON.stringify(design.states.map((s) => s.name)))"
                                          " throw new Error('stateNames differ');\n"
                                          "process.stdout.write(JSON.stringify(stateNames));")),
              kHostileNames);

    // The state-name union of the types is a list of JSON strings (TypeScript reads them as JSON does).
    const std::string types = readBytes(dir.filePath("index.d.ts").toStdString());
    const std::string union_ = between(types, "export type StateName = ", ";\n");
    ASSERT_FALSE(union_.empty());
    std::vector<std::string> literals;
    for (std::size_t start = 0;;) {
        const auto bar = union_.find(" | ", start);
        literals.push_back(Json::parse(union_.substr(start, bar - start)).get<std::string>());
        if (bar == std::string::npos) break;
        start = bar + 3;
    }
    EXPECT_EQ(literals, kHostileNames);
}

TEST(WebPackage, PostersAreTheNativeRenderAtTimeZeroWithTheShadowsRoom)
{
    QTemporaryDir dir;
    OrbProjectData project = threeStateProject();
    OrbValues nothing;
    nothing.orbSize = -5; // draws nothing: a transparent poster
    project.states.push_back({"N", "Nothing", nothing});
    ASSERT_TRUE(exporting::writeWebPackage(project, dir.path().toStdString(), "posters", true).ok());
    const auto files = packageFiles(dir.path());
    int posters = 0;
    for (const auto& [path, bytes] : files) posters += path.rfind("posters/", 0) == 0;
    EXPECT_EQ(posters, 4);

    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(project.states[i].name);
        const OrbValues& v = project.states[i].config;
        const int px = static_cast<int>(std::lround(v.orbSize * 2));
        const int pad = expectedPosterPad(v);
        QImage poster(dir.filePath(QString("posters/%1.png").arg(i)));
        ASSERT_FALSE(poster.isNull());
        EXPECT_EQ(poster.width(), px + 2 * pad);
        EXPECT_EQ(poster.height(), px + 2 * pad);
        render::RenderOptions options;
        options.pixelsPerPoint = 2;
        options.width = options.height = px + 2 * pad;
        options.originX = options.originY = pad;
        const render::Image expected = render::renderOrb(v, 0.0, options);
        poster = poster.convertToFormat(QImage::Format_RGBA8888);
        std::vector<std::uint8_t> straight(static_cast<std::size_t>(expected.width) * 4);
        int differing = 0;
        for (int y = 0; y < expected.height; ++y) {
            render::unpremultiplyRow(expected.row(y), straight.data(), expected.width);
            differing += std::memcmp(straight.data(), poster.constScanLine(y), straight.size()) != 0;
        }
        EXPECT_EQ(differing, 0) << "rows that differ from renderOrb's";
        if (pad > 0) {
            EXPECT_GT(qAlpha(poster.pixel(pad + px / 2, pad + px + pad / 4)), 0) << "the shadow below the orb is kept";
        }
    }
    EXPECT_EQ(expectedPosterPad(project.states[1].config), 0);
    EXPECT_GT(expectedPosterPad(project.states[2].config), expectedPosterPad(project.states[0].config));

    const QImage empty(dir.filePath("posters/3.png"));
    ASSERT_FALSE(empty.isNull());
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x) EXPECT_EQ(qAlpha(empty.pixel(x, y)), 0);
}

TEST(WebPackage, AnOrbTooLargeForOneBufferIsScaledDownToItsSide)
{
    QTemporaryDir dir;
    OrbProjectData project;
    OrbValues huge;
    huge.orbSize = 1500; // 3000 pixels and a shadow of 1080 on each side: 5160 in all
    huge.showShadow = true;
    huge.shadowRadius = 1;
    project.states.push_back({"H", "Huge", huge});
    ASSERT_TRUE(exporting::writeWebPackage(project, dir.path().toStdString(), "huge", true).ok());
    // As the runtime fits a buffer: the orb floor(3000 * 4096 / 5160) = 2381 pixels, the room
    // floor((4096 - 2381) / 2) = 857 on each side.
    const QImage poster(dir.filePath("posters/0.png"));
    EXPECT_EQ(poster.width(), 2381 + 2 * 857);
    EXPECT_EQ(poster.height(), 2381 + 2 * 857);
    EXPECT_EQ(qAlpha(poster.pixel(2047, 2047)), 255) << "the orb is drawn in the middle";
    EXPECT_EQ(qAlpha(poster.pixel(857 + 1190, 857 + 20)), 255) << "the orb's square starts after the room";
    EXPECT_LT(qAlpha(poster.pixel(857 + 1190, 857 - 20)), 255);
}

TEST(WebPackage, SameProjectGivesTheSameBytesUnderAnyLocale)
{
    const OrbProjectData project = threeStateProject();
    QTemporaryDir first;
    ASSERT_TRUE(exporting::writeWebPackage(project, first.path().toStdString(), "same", true).ok());
    const auto expected = packageFiles(first.path());
    EXPECT_EQ(expected.size(), 9u);
    underEachLocale([&] {
        QTemporaryDir again;
        ASSERT_TRUE(exporting::writeWebPackage(project, again.path().toStdString(), "same", true).ok());
        EXPECT_TRUE(packageFiles(again.path()) == expected);
    });
    // 0.45 s is written with a point, the way JSON has it.
    EXPECT_NE(expected.at("index.js").find("\"transitionDuration\": 0.45"), std::string::npos);
}

TEST(WebPackage, WritesIntoNewAndExistingFoldersAndReplacesAnEarlierExport)
{
    QTemporaryDir dir;
    const QString nested = dir.filePath("a/b/orb");
    const OrbProjectData project = threeStateProject();
    ASSERT_TRUE(exporting::writeWebPackage(project, nested.toStdString(), "orb", true).ok()) << "parents are made";
    ASSERT_TRUE(QFileInfo(nested + "/posters/2.png").isFile());

    const std::string keep = (nested + "/notes.txt").toStdString();
    writeBytes(keep, "mine");
    ASSERT_TRUE(exporting::writeWebPackage(project, nested.toStdString(), "orb", false).ok());
    const auto files = packageFiles(nested);
    EXPECT_EQ(Json::parse(files.at("package.json"))["files"].size(), 5u);
    EXPECT_NE(files.at("index.js").find("\nconst POSTERS = false;"), std::string::npos);
    EXPECT_EQ(files.at("notes.txt"), "mine") << "files the package does not write are left alone";
}

TEST(WebPackage, FailuresAreTypedNameThePathAndLeaveFilesAsTheyWere)
{
    QTemporaryDir dir;
    const OrbProjectData project = threeStateProject();
    const std::string file = dir.filePath("file").toStdString();
    writeBytes(file, "not a folder");

    struct Case {
        std::string what;
        std::string dir;
        std::string name;
        bool posters;
        PackageError code;
        std::string mentions;
    };
    const std::string postersFile = dir.filePath("posters-file").toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(postersFile)));
    writeBytes(postersFile + "/posters", "a file where the folder goes");
    const Case cases[] = {
        {"a file", file, "orb", true, PackageError::notAFolder, file},
        {"under a file", file + "/orb", "orb", true, PackageError::cannotCreateFolder, file + "/orb"},
        {"in /proc", "/proc/lumara-package", "orb", false, PackageError::cannotCreateFolder, "/proc/lumara-package"},
        {"a folder that takes no files", "/proc/self", "orb", false, PackageError::cannotWrite, "/proc/self/"},
        {"posters is a file", postersFile, "orb", true, PackageError::notAFolder, postersFile + "/posters"},
        {"an invalid name", dir.filePath("bad").toStdString(), "Bad Name", true, PackageError::cannotEncode, "Bad Name"},
        {"no folder", "", "orb", false, PackageError::cannotCreateFolder, "no folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto written = exporting::writeWebPackage(project, c.dir, c.name, c.posters);
        ASSERT_FALSE(written.ok());
        EXPECT_EQ(written.error().code, c.code) << written.error().message;
        EXPECT_NE(written.error().message.find(c.mentions), std::string::npos) << written.error().message;
    }
    EXPECT_EQ(readBytes(file), "not a folder");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("bad"))) << "nothing is made for an invalid name";
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(postersFile + "/package.json"))) << "nothing is written when the posters folder cannot be made";

    auto texts = exporting::generateWebPackageTexts(project, "@scope", true);
    ASSERT_FALSE(texts.ok());
    EXPECT_EQ(texts.error().code, PackageError::cannotEncode);
}

} // namespace
} // namespace lumara::test
