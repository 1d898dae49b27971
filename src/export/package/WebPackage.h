// The web package: a folder that is a self-contained npm package of one design, with the
// <lumara-orb> element and createOrb() (index.js), their types, a React component, a README and a
// poster image per state. Pure functions of plain values apart from writeWebPackage, which writes
// the folder; any thread.
#pragma once

#include "model/OrbProjectData.h"
#include "model/Result.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumara::exporting {

// The name a package takes when nothing better is known (no project file, or a file name with no
// letter or digit in it).
inline constexpr std::string_view kDefaultPackageName = "lumara-orb";

// The package name for a project file: the name without its folder and its last extension
// ("My Orb.lumara" gives "my-orb"), ASCII letters lower-cased, letters and digits kept, every other
// run of characters written as one "-", no "-" at either end, at most 64 characters;
// kDefaultPackageName when nothing is left (and for "").
std::string packageNameFor(std::string_view projectFileName);

// Whether `name` is a name npm takes for a new package: at most 214 characters, an optional
// "@scope/" and a name, each non-empty, of [a-z0-9-._~] only and not starting with "." or "_".
bool isValidPackageName(std::string_view name);

enum class PackageError {
    cannotEncode,       // the design cannot be written as JSON, the name is not valid, or a poster cannot be made
    cannotCreateFolder, // the folder (or its posters/ folder) is missing and cannot be made
    notAFolder,         // the folder (or its posters/ folder) exists and is not a folder
    cannotWrite,        // a file of the package cannot be written
};

// One file of the package: its path inside the package folder ("/"-separated) and its bytes.
struct PackageFile {
    std::string path;
    std::string bytes;
};

// The text files of the package `name` for `project`, in this order: package.json, index.js,
// index.d.ts, react.js, react.d.ts, README.md. index.js opens with the design as JSON (every "<"
// written \u003c, everything outside ASCII escaped), whether posters exist (`withPosters`), and
// the page's shader sources, then carries the runtime unchanged; the other files are the
// templates with the name (and in index.d.ts the states' names) filled in. package.json lists
// "posters" among its files only `withPosters`. The same arguments give the same bytes, under any
// locale. cannotEncode when `name` is not valid (isValidPackageName) or the design cannot be
// encoded (a name that is not UTF-8).
[[nodiscard]] Result<std::vector<PackageFile>, PackageError>
generateWebPackageTexts(const OrbProjectData& project, const std::string& name, bool withPosters);

// Writes the package into the folder `dir`, made with its parents when missing, an existing file
// of the same name replaced: the text files and, `withPosters`, posters/<i>.png for each state i
// (0-based), the native render at time 0 at 2 pixels per point, with room for the drop shadow on
// every side as the runtime's drawing buffer has it: round(P * 0.36 * min(max(shadowRadius, 0), 8))
// pixels where P = round(orbSize * 2) and the shadow is shown, else none. A poster wider than 4096
// pixels is scaled down to that side as the runtime scales a buffer above its limit; a state with
// nothing to draw gets a transparent poster. Everything is generated and encoded before the first
// file is written; each file is replaced atomically, package.json last, but a failure part way
// leaves the files written before it. Files of an earlier export that this one does not write are
// left alone. Messages name the path at fault.
[[nodiscard]] Result<Ok, PackageError> writeWebPackage(const OrbProjectData& project, const std::string& dir,
                                                       const std::string& name, bool withPosters);

} // namespace lumara::exporting
