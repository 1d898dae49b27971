// Build-time adaptation of the highlight.js release to Qt 6.4's JavaScript engine. Pure; any thread.
#include "highlight/bundle/BundleTransform.h"

#include <cstdio>

namespace lumara::highlight::bundle {

namespace {

using Failure = Error<TransformErrorCode>;

std::size_t countOf(std::string_view text, std::string_view needle)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + needle.size())) ++n;
    return n;
}

bool isIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

// Whether position `at` (the start of a \p escape) lies inside a character class of its pattern.
// Walks back to the start of the enclosing literal on the same line (an unescaped '/' or '"'),
// then reads the pattern forward. In a string literal the pattern is the decoded string, so each
// `\\` there is one backslash of the pattern.
bool insideCharacterClass(std::string_view text, std::size_t at, bool inString)
{
    std::size_t start = at;
    while (start > 0) {
        const char c = text[start - 1];
        if (c == '\n') break;
        if ((c == '/' || c == '"') && (start < 2 || text[start - 2] != '\\')) break;
        --start;
    }
    std::string pattern;
    for (std::size_t i = start; i < at; ++i) {
        if (inString && text[i] == '\\' && i + 1 < at) ++i; // string escape: keep the escaped character
        pattern += text[i];
    }
    bool inClass = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\') {
            ++i; // the escaped character, whatever it is
            continue;
        }
        if (c == '[') inClass = true;
        else if (c == ']') inClass = false;
    }
    return inClass;
}

} // namespace

Result<std::string, TransformErrorCode> exposeDefaultExport(std::string_view module, std::string_view globalName)
{
    static constexpr std::string_view kOpen = "export{";
    static constexpr std::string_view kClose = " as default};";
    const std::size_t open = module.rfind(kOpen);
    if (open == std::string_view::npos || countOf(module, kOpen) != 1)
        return Failure{TransformErrorCode::patternNotFound, "no single `export{... as default};` statement"};
    const std::size_t nameStart = open + kOpen.size();
    std::size_t nameEnd = nameStart;
    while (nameEnd < module.size() && isIdentifierChar(module[nameEnd])) ++nameEnd;
    if (nameEnd == nameStart || module.substr(nameEnd, kClose.size()) != kClose)
        return Failure{TransformErrorCode::patternNotFound, "the export statement does not name one default binding"};
    std::string out(module.substr(0, open));
    out += "var ";
    out += globalName;
    out += '=';
    out += module.substr(nameStart, nameEnd - nameStart);
    out += ';';
    out += module.substr(nameEnd + kClose.size());
    return out;
}

Result<std::string, TransformErrorCode> dropNullPrototypeEntries(std::string_view script, int expected)
{
    static constexpr std::string_view kEntry = "__proto__:null";
    std::string out;
    out.reserve(script.size());
    int applied = 0;
    std::size_t from = 0;
    for (std::size_t at = script.find(kEntry); at != std::string_view::npos; at = script.find(kEntry, at + 1)) {
        // Only an entry that opens an object literal: `{` then optional white space.
        std::size_t before = at;
        while (before > 0 && (script[before - 1] == ' ' || script[before - 1] == '\n' || script[before - 1] == '\t')) --before;
        if (before == 0 || script[before - 1] != '{') continue;
        std::size_t end = at + kEntry.size();
        if (end < script.size() && script[end] == ',') ++end;
        else if (end >= script.size() || script[end] != '}') continue;
        out.append(script.substr(from, at - from));
        from = end;
        ++applied;
    }
    out.append(script.substr(from));
    if (applied != expected)
        return Failure{TransformErrorCode::unexpectedCount,
                       "__proto__:null entries: found " + std::to_string(applied) + ", expected " + std::to_string(expected)};
    return out;
}

Result<std::string, TransformErrorCode> disableUnicodeMode(std::string_view script, int expected)
{
    static constexpr std::string_view kOn = "unicodeRegex:!0";
    std::string out(script);
    int applied = 0;
    for (std::size_t at = out.find(kOn); at != std::string::npos; at = out.find(kOn, at + kOn.size())) {
        out[at + kOn.size() - 1] = '1';
        ++applied;
    }
    if (applied != expected)
        return Failure{TransformErrorCode::unexpectedCount,
                       "unicodeRegex options: found " + std::to_string(applied) + ", expected " + std::to_string(expected)};
    return out;
}

std::string classBody(const CodePointRanges& ranges, int backslashes)
{
    const std::string slash(static_cast<std::size_t>(backslashes), '\\');
    std::string out;
    char buffer[8];
    auto unit = [&](char32_t cp) {
        std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(cp));
        out += slash;
        out += 'u';
        out += buffer;
    };
    for (const auto& [first, last] : ranges) {
        if (first > 0xFFFF) break;
        const char32_t top = last > 0xFFFF ? 0xFFFF : last;
        unit(first);
        if (top != first) {
            out += '-';
            unit(top);
        }
    }
    return out;
}

Result<std::string, TransformErrorCode> expandPropertyEscapes(std::string_view script,
                                                              const std::vector<UnicodeProperty>& properties, int* count)
{
    std::string out;
    out.reserve(script.size());
    int applied = 0;
    std::size_t from = 0;
    for (std::size_t at = script.find("p{"); at != std::string_view::npos; at = script.find("p{", at + 1)) {
        if (at == 0 || script[at - 1] != '\\') continue;
        const std::size_t slash = at - 1;
        // `\\p{` is the escape inside a string literal; `\p{` inside a regular expression literal.
        // (A lone `\\p{` in a literal would be an escaped backslash and a p: not used by the bundle.)
        const bool inString = slash > 0 && script[slash - 1] == '\\';
        const std::size_t start = inString ? slash - 1 : slash;
        const std::size_t close = script.find('}', at);
        if (close == std::string_view::npos) continue;
        const std::string_view name = script.substr(at + 2, close - at - 2);
        const UnicodeProperty* property = nullptr;
        for (const UnicodeProperty& p : properties)
            if (p.name == name) property = &p;
        if (!property)
            return Failure{TransformErrorCode::unknownProperty, "no table for the property \\p{" + std::string(name) + "}"};
        const std::string body = classBody(property->ranges, inString ? 2 : 1);
        out.append(script.substr(from, start - from));
        if (insideCharacterClass(script, start, inString)) out += body;
        else out += '[' + body + ']';
        from = close + 1;
        ++applied;
    }
    if (script.find("\\P{") != std::string_view::npos)
        return Failure{TransformErrorCode::unknownProperty, "negated property escapes (\\P{...}) are not supported"};
    out.append(script.substr(from));
    if (count) *count = applied;
    return out;
}

} // namespace lumara::highlight::bundle
