// Number formatting for the text exports, built on std::to_chars so that the user's
// locale never reaches the generated text.
#include "export/text/TextFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace lumara::exporting {

std::string formatFixed(double x, int decimals)
{
    decimals = std::clamp(decimals, 0, 17);
    if (std::isnan(x)) return std::signbit(x) ? "-nan" : "nan";
    if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
    // The largest double has 309 integer digits; 17 decimals and sign fit easily.
    std::array<char, 400> buffer{};
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed, decimals);
    if (error != std::errc{}) return "nan";
    return std::string(buffer.data(), end);
}

std::string formatShortestDouble(std::int64_t n)
{
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), static_cast<double>(n));
    std::string text(buffer.data(), error == std::errc{} ? end : buffer.data());
    if (text.find_first_not_of("-0123456789") == std::string::npos) text += ".0";
    return text;
}

} // namespace lumara::exporting
