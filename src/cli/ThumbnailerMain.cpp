// Entry point of `lumara-thumbnailer INPUT OUTPUT [--size N]`, the program file managers run (see
// the .thumbnailer entry) to preview project files. It links only the project reader, the renderer
// and the PNG encoder, so it starts in a fraction of the editor's time. Failures print one
// "lumara-thumbnailer: " line and exit 1.
#include "cli/Thumbnail.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "Usage: lumara-thumbnailer INPUT OUTPUT [--size N]\n"
    "Write a square PNG preview of a Lumara project, for file managers.\n\n"
    "  INPUT        Project file to preview\n"
    "  OUTPUT       Destination PNG file, or - for standard output\n"
    "  -s, --size N Side of the preview in pixels, 1 to 1024 (default 256)\n"
    "  -h, --help   Print this help and exit\n"
    "  --version    Print the version and exit\n";

int fail(const std::string& message)
{
    std::cerr << "lumara-thumbnailer: " << message << '\n';
    return 1;
}

// 1 to kMaxThumbnailSize written in decimal digits only, else 0.
int parseSize(std::string_view text)
{
    int value = 0;
    const bool digitsOnly = !text.empty() && text.size() <= 5 &&
                            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digitsOnly || std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc()) return 0;
    return value >= 1 && value <= lumara::cli::kMaxThumbnailSize ? value : 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    std::string sizeText = std::to_string(lumara::cli::kDefaultThumbnailSize);
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "-h" || word == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (word == "--version") {
            std::cout << "lumara-thumbnailer " LUMARA_VERSION "\n";
            return 0;
        }
        if (word == "-s" || word == "--size") {
            if (i + 1 == argc) return fail(std::string(word) + " needs a number of pixels");
            sizeText = argv[++i];
        } else if (word.starts_with("--size=")) {
            sizeText = word.substr(7);
        } else if (word.size() > 1 && word.starts_with('-')) {
            return fail("unknown option " + std::string(word) + " (see --help)");
        } else {
            files.emplace_back(word);
        }
    }
    if (files.size() != 2)
        return fail(files.size() < 2 ? "INPUT and OUTPUT are required (see --help)"
                                     : "only INPUT and OUTPUT are taken, not " + files[2]);
    const int size = parseSize(sizeText);
    if (size == 0)
        return fail("--size must be from 1 to " + std::to_string(lumara::cli::kMaxThumbnailSize) + " pixels (got \"" +
                    sizeText + "\")");
    auto written = lumara::cli::writeThumbnail(files[0], files[1], size);
    return written ? 0 : fail(written.error().message);
}
