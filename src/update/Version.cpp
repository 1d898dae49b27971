// Version comparison: numeric components, then an optional pre-release tag. Any thread.
#include "update/Version.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace lumara::update {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Compares two runs of digits as numbers of any length (no overflow): strip leading zeros, then
// the longer run is larger, then the first differing digit decides.
int compareDigits(std::string_view a, std::string_view b)
{
    while (a.size() > 1 && a.front() == '0') a.remove_prefix(1);
    while (b.size() > 1 && b.front() == '0') b.remove_prefix(1);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

struct Parsed {
    std::vector<std::string_view> numbers;
    std::string_view tag; // empty for a release
};

Parsed parse(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    if (!text.empty() && (text.front() == 'v' || text.front() == 'V') && text.size() > 1 && isDigit(text[1]))
        text.remove_prefix(1);
    Parsed parsed;
    std::size_t i = 0;
    while (i < text.size() && isDigit(text[i])) {
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i])) ++i;
        parsed.numbers.push_back(text.substr(start, i - start));
        if (i + 1 < text.size() && text[i] == '.' && isDigit(text[i + 1]))
            ++i;
        else
            break;
    }
    parsed.tag = text.substr(i);
    return parsed;
}

// Where a word of a pre-release tag ranks; unknown words rank by their text after these.
int wordRank(std::string word)
{
    std::transform(word.begin(), word.end(), word.begin(), [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); });
    if (word == "dev") return 0;
    if (word == "a" || word == "alpha") return 1;
    if (word == "b" || word == "beta") return 2;
    if (word == "pre" || word == "preview") return 3;
    if (word == "c" || word == "rc") return 4;
    return 5;
}

// Splits a tag into runs of letters and runs of digits; separators are dropped.
std::vector<std::string_view> tagRuns(std::string_view tag)
{
    std::vector<std::string_view> runs;
    std::size_t i = 0;
    while (i < tag.size()) {
        if (!isDigit(tag[i]) && !isAlpha(tag[i])) {
            ++i;
            continue;
        }
        const bool digits = isDigit(tag[i]);
        const std::size_t start = i;
        while (i < tag.size() && (digits ? isDigit(tag[i]) : isAlpha(tag[i]))) ++i;
        runs.push_back(tag.substr(start, i - start));
    }
    return runs;
}

int compareTags(std::string_view a, std::string_view b)
{
    const auto ra = tagRuns(a);
    const auto rb = tagRuns(b);
    for (std::size_t i = 0; i < std::max(ra.size(), rb.size()); ++i) {
        if (i >= ra.size()) return -1; // "beta" < "beta2"
        if (i >= rb.size()) return 1;
        const bool da = isDigit(ra[i].front());
        const bool db = isDigit(rb[i].front());
        if (da && db) {
            if (int c = compareDigits(ra[i], rb[i])) return c;
        } else if (da != db) {
            return da ? 1 : -1;
        } else {
            const int wa = wordRank(std::string(ra[i]));
            const int wb = wordRank(std::string(rb[i]));
            if (wa != wb) return wa < wb ? -1 : 1;
            const int c = ra[i].compare(rb[i]);
            if (c != 0) return c < 0 ? -1 : 1;
        }
    }
    return 0;
}

} // namespace

int compareVersions(std::string_view a, std::string_view b)
{
    const Parsed pa = parse(a);
    const Parsed pb = parse(b);
    static constexpr std::string_view zero = "0";
    for (std::size_t i = 0; i < std::max(pa.numbers.size(), pb.numbers.size()); ++i) {
        const std::string_view na = i < pa.numbers.size() ? pa.numbers[i] : zero;
        const std::string_view nb = i < pb.numbers.size() ? pb.numbers[i] : zero;
        if (int c = compareDigits(na, nb)) return c;
    }
    const bool releaseA = tagRuns(pa.tag).empty();
    const bool releaseB = tagRuns(pb.tag).empty();
    if (releaseA || releaseB) return releaseA == releaseB ? 0 : (releaseA ? 1 : -1);
    return compareTags(pa.tag, pb.tag);
}

} // namespace lumara::update
