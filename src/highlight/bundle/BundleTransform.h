// Build-time adaptation of the highlight.js release to the JavaScript engine of Qt 6.4 (QJSEngine),
// applied by make_hljs_bundle while it assembles the script resource. Pure functions; any thread.
//
// Each step targets one measured incompatibility and checks how often it applied, so a new
// highlight.js release that changes the text fails the build instead of silently loading broken.
// The run-time half of the compatibility layer is shim.js (console, stable sort, RegExp source).
#pragma once

#include "model/Result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumara::highlight::bundle {

enum class TransformErrorCode { patternNotFound, unexpectedCount, unknownProperty };

// The ES module build of the core ends in `export{X as default};`. Replaces that statement with
// `var <globalName>=X;` so the file runs as a plain script defining the global. Fails when the
// statement is missing or appears more than once.
Result<std::string, TransformErrorCode> exposeDefaultExport(std::string_view module, std::string_view globalName);

// Qt 6.4 treats `__proto__:null` in an object literal as an own property holding null instead of
// setting the prototype, and highlight.js then deep-freezes that null and throws while loading.
// The literals concerned are frozen namespace objects that are only read through own keys
// (Object.assign, for-in over an object whose prototype has no enumerable keys), so dropping the
// entry keeps their behaviour. Removes `__proto__:null` directly after `{` (with its comma) and
// fails unless it applied exactly `expected` times.
Result<std::string, TransformErrorCode> dropNullPrototypeEntries(std::string_view script, int expected);

// Qt 6.4's unicode mode ("u" flag) misreads \s and \b, so a grammar compiled with it matches
// nothing where it should. Grammars ask for the mode with `unicodeRegex:!0` only to use \p{...}
// escapes; once those are expanded to explicit classes of the Basic Multilingual Plane the patterns
// mean the same without it. Turns the option off (`unicodeRegex:!1`) and fails unless it applied
// exactly `expected` times.
Result<std::string, TransformErrorCode> disableUnicodeMode(std::string_view script, int expected);

// Closed ranges of code points.
using CodePointRanges = std::vector<std::pair<char32_t, char32_t>>;
struct UnicodeProperty {
    std::string name;        // as written in \p{...}: "L", "XID_Start", ...
    CodePointRanges ranges;  // in ascending order, not overlapping
};

// Qt 6.4's regular expressions lack \p{...} property escapes. Rewrites every \p{Name} in the
// script (in regular expression literals, and as \\p{Name} inside string literals that become
// patterns) to the explicit class of its ranges: bare inside a character class, wrapped in [...]
// outside one. Only code points of the Basic Multilingual Plane are written (the engine cannot
// match \u{...}); supplementary ones are dropped. Fails on a name not in `properties` or on
// \P{...}. `count`, when given, receives the number of escapes rewritten.
Result<std::string, TransformErrorCode> expandPropertyEscapes(std::string_view script,
                                                              const std::vector<UnicodeProperty>& properties,
                                                              int* count = nullptr);

// The class body for `ranges` as \uXXXX escapes (a range as \uXXXX-\uYYYY), with each backslash
// written `backslashes` times (1 in a regular expression literal, 2 in a string literal).
std::string classBody(const CodePointRanges& ranges, int backslashes);

} // namespace lumara::highlight::bundle
