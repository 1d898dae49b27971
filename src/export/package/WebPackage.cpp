// The web package's files: the design as JSON in index.js before the embedded runtime, the
// templates with the package's name, posters rendered natively, and the folder written through
// OutputFile. Exceptions of the JSON library and of std::filesystem stay in this file. Any thread.
#include "export/package/WebPackage.h"

#include "document/OutputFile.h"
#include "document/ProjectCodec.h"
#include "export/media/PngWriter.h"
#include "export/package/PackageResources.h"
#include "export/text/PageShaders.h"
#include "render/OrbRenderer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <system_error>

namespace lumara::exporting {

namespace {

using E = Error<PackageError>;
using Json = nlohmann::ordered_json;

constexpr std::size_t kMaxDerivedNameLength = 64;
constexpr std::size_t kMaxPackageNameLength = 214;
constexpr double kPosterPixelsPerPoint = 2.0;
// The runtime's largest drawing buffer side, and the renderer's largest square.
constexpr int kMaxPosterSide = 4096;

bool isAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::string replaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// JSON text that is also safe inside a <script> element and in any JavaScript source: ASCII only
// (so U+2028 and U+2029 are escaped too) and no "<". nlohmann prints numbers the same under
// every locale.
Result<std::string, PackageError> scriptSafeJson(const Json& value, int indent)
{
    try {
        return replaceAll(value.dump(indent, ' ', /*ensure_ascii=*/true), "<", "\\u003c");
    } catch (const std::exception& e) {
        return E{PackageError::cannotEncode, std::string("cannot encode the design as JSON: ") + e.what()};
    }
}

Result<std::string, PackageError> designJson(const OrbProjectData& project)
{
    auto record = encodeProject(project, Container::json);
    if (!record) return E{PackageError::cannotEncode, "cannot encode the design: " + record.error().message};
    Json parsed;
    try {
        parsed = Json::parse(*record);
    } catch (const std::exception& e) {
        return E{PackageError::cannotEncode, std::string("cannot encode the design: ") + e.what()};
    }
    return scriptSafeJson(parsed, 2);
}

// `"Idle" | "Listening"`: each distinct state name once, in the states' order.
Result<std::string, PackageError> stateNameUnion(const OrbProjectData& project)
{
    std::string out;
    std::set<std::string> seen;
    for (const OrbStateData& state : project.states) {
        if (!seen.insert(state.name).second) continue;
        auto literal = scriptSafeJson(Json(state.name), -1);
        if (!literal) return literal.error();
        if (!out.empty()) out += " | ";
        out += *literal;
    }
    return out.empty() ? std::string("never") : out;
}

std::string packageJson(const std::string& name, bool withPosters)
{
    Json files = Json::array({"index.js", "index.d.ts", "react.js", "react.d.ts"});
    if (withPosters) files.push_back("posters");
    files.push_back("README.md");
    Json package;
    package["name"] = name;
    package["version"] = "1.0.0";
    package["description"] = "An animated orb designed in Lumara: the <lumara-orb> element, createOrb() and a React component";
    package["type"] = "module";
    package["main"] = "./index.js";
    package["types"] = "./index.d.ts";
    package["exports"] = Json::object();
    package["exports"]["."] = {{"types", "./index.d.ts"}, {"default", "./index.js"}};
    package["exports"]["./react"] = {{"types", "./react.d.ts"}, {"default", "./react.js"}};
    package["exports"]["./package.json"] = "./package.json";
    package["files"] = std::move(files);
    package["sideEffects"] = Json::array({"./index.js"});
    package["peerDependencies"] = {{"react", ">=18"}};
    package["peerDependenciesMeta"] = {{"react", {{"optional", true}}}};
    return package.dump(2) + "\n"; // only ASCII, nothing that could throw
}

std::string withName(std::string_view text, const std::string& name)
{
    return replaceAll(std::string(text), "@PACKAGE_NAME@", name);
}

// The poster's square and its room for the shadow, as the runtime sizes its drawing buffer at 2
// device pixels per point.
struct PosterGeometry {
    int orbPixels = 1;
    int pad = 0;
    double pixelsPerPoint = kPosterPixelsPerPoint;
    int side() const { return orbPixels + 2 * pad; }
};

PosterGeometry posterGeometry(const OrbValues& v)
{
    PosterGeometry g;
    const double radius = std::isfinite(v.shadowRadius) ? v.shadowRadius : 0.0;
    const double padFactor = v.showShadow ? 0.36 * std::min(std::max(radius, 0.0), 8.0) : 0.0;
    const double wanted = std::isfinite(v.orbSize) ? std::round(v.orbSize * kPosterPixelsPerPoint) : 0.0;
    if (!(wanted >= 1.0)) return g; // nothing to draw: a transparent pixel and its room
    const double pad = std::round(wanted * padFactor);
    if (wanted + 2 * pad <= kMaxPosterSide) {
        g.orbPixels = static_cast<int>(wanted);
        g.pad = static_cast<int>(pad);
        return g;
    }
    // Above the limit the orb shrinks so that it and its room fit (the runtime's own rule).
    g.orbPixels = std::max(1, static_cast<int>(std::floor(wanted * kMaxPosterSide / (wanted + 2 * pad))));
    g.pad = (kMaxPosterSide - g.orbPixels) / 2;
    g.pixelsPerPoint = g.orbPixels / v.orbSize;
    return g;
}

Result<std::string, PackageError> posterPng(const OrbValues& values, std::size_t index)
{
    const PosterGeometry g = posterGeometry(values);
    render::RenderOptions options;
    options.pixelsPerPoint = g.pixelsPerPoint;
    options.width = options.height = g.side();
    options.originX = options.originY = g.pad;
    options.keepWorkingMemory = false; // one picture per state, not a stream of frames
    auto png = encodePng(render::renderOrb(values, 0.0, options));
    if (!png) return E{PackageError::cannotEncode, "cannot encode the poster of state " + std::to_string(index) + ": " +
                                                       png.error().message};
    return std::move(*png);
}

// `dir` as a folder: made with its parents when missing, refused when something else.
Result<Ok, PackageError> ensureFolder(const std::filesystem::path& dir)
{
    std::error_code error;
    const auto status = std::filesystem::status(dir, error);
    if (std::filesystem::exists(status)) {
        if (std::filesystem::is_directory(status)) return Ok{};
        return E{PackageError::notAFolder, dir.string() + " is not a folder"};
    }
    error.clear();
    std::filesystem::create_directories(dir, error);
    if (error) return E{PackageError::cannotCreateFolder, "cannot create the folder " + dir.string() + ": " + error.message()};
    return Ok{};
}

} // namespace

std::string packageNameFor(std::string_view projectFileName)
{
    std::string_view base = projectFileName;
    if (const auto slash = base.find_last_of('/'); slash != std::string_view::npos) base.remove_prefix(slash + 1);
    if (const auto dot = base.find_last_of('.'); dot != std::string_view::npos && dot > 0) base = base.substr(0, dot);
    std::string name;
    bool pendingDash = false;
    for (const char raw : base) {
        const char c = raw >= 'A' && raw <= 'Z' ? static_cast<char>(raw - 'A' + 'a') : raw;
        if (!isAsciiLower(c) && !isAsciiDigit(c)) {
            pendingDash = !name.empty();
            continue;
        }
        if (pendingDash) name += '-';
        pendingDash = false;
        name += c;
        if (name.size() >= kMaxDerivedNameLength) break;
    }
    if (name.size() > kMaxDerivedNameLength) name.resize(kMaxDerivedNameLength);
    while (!name.empty() && name.back() == '-') name.pop_back();
    return name.empty() ? std::string(kDefaultPackageName) : name;
}

bool isValidPackageName(std::string_view name)
{
    if (name.empty() || name.size() > kMaxPackageNameLength) return false;
    auto validPart = [](std::string_view part) {
        if (part.empty() || part.front() == '.' || part.front() == '_') return false;
        return std::all_of(part.begin(), part.end(), [](char c) {
            return isAsciiLower(c) || isAsciiDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
        });
    };
    if (name.front() != '@') return validPart(name);
    const auto slash = name.find('/');
    if (slash == std::string_view::npos) return false;
    return validPart(name.substr(1, slash - 1)) && validPart(name.substr(slash + 1));
}

Result<std::vector<PackageFile>, PackageError> generateWebPackageTexts(const OrbProjectData& project,
                                                                       const std::string& name, bool withPosters)
{
    if (!isValidPackageName(name))
        return E{PackageError::cannotEncode, "\"" + name + "\" is not a valid npm package name"};
    auto design = designJson(project);
    if (!design) return design.error();
    auto stateNames = stateNameUnion(project);
    if (!stateNames) return stateNames.error();

    std::string index = "// " + name +
                        ": an orb designed in Lumara. The <lumara-orb> element, createOrb() and the design's states.\n"
                        "// Generated by Lumara; the design is data (JSON), the rest is the same for every design.\n";
    index += "const DESIGN = " + *design + ";\n";
    index += std::string("const POSTERS = ") + (withPosters ? "true" : "false") +
             "; // whether posters/<index>.png exist beside this file\n";
    // The anti-alias lines depend on the drawn size, which the runtime knows only when it draws.
    index += pageShaderConstants(std::nullopt, std::nullopt);
    index += "\n";
    index += package::kRuntimeScript;

    std::vector<PackageFile> files;
    files.push_back({"package.json", packageJson(name, withPosters)});
    files.push_back({"index.js", std::move(index)});
    files.push_back({"index.d.ts", replaceAll(withName(package::kIndexTypes, name), "@STATE_NAMES@", *stateNames)});
    files.push_back({"react.js", withName(package::kReactScript, name)});
    files.push_back({"react.d.ts", withName(package::kReactTypes, name)});
    files.push_back({"README.md", withName(package::kReadme, name)});
    return files;
}

Result<Ok, PackageError> writeWebPackage(const OrbProjectData& project, const std::string& dir, const std::string& name,
                                         bool withPosters)
{
    auto texts = generateWebPackageTexts(project, name, withPosters);
    if (!texts) return texts.error();
    std::vector<PackageFile> posters;
    if (withPosters) {
        for (std::size_t i = 0; i < project.states.size(); ++i) {
            auto png = posterPng(project.states[i].config, i);
            if (!png) return png.error();
            posters.push_back({"posters/" + std::to_string(i) + ".png", std::move(*png)});
        }
    }

    if (dir.empty()) return E{PackageError::cannotCreateFolder, "no folder given for the package"};
    try {
        const std::filesystem::path root(dir);
        if (auto made = ensureFolder(root); !made) return made.error();
        if (withPosters)
            if (auto made = ensureFolder(root / "posters"); !made) return made.error();
        auto write = [&root](const PackageFile& file) -> Result<Ok, PackageError> {
            const std::string path = (root / file.path).string();
            auto written = writeOutputFile(path, file.bytes);
            if (!written) return E{PackageError::cannotWrite, written.error().message};
            return Ok{};
        };
        // package.json last: once it is there, so is the rest.
        for (const PackageFile& file : posters)
            if (auto written = write(file); !written) return written.error();
        for (std::size_t i = 1; i < texts->size(); ++i)
            if (auto written = write((*texts)[i]); !written) return written.error();
        return write(texts->front());
    } catch (const std::exception& e) {
        // Paths are built from what the caller gave; only an allocation failure could throw here.
        return E{PackageError::cannotWrite, std::string("cannot write the package in ") + dir + ": " + e.what()};
    }
}

} // namespace lumara::exporting
