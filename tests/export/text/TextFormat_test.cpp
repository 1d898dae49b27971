// The export number formats against the C library's own "%.Nf" in the C locale.
#include "export/text/TextFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace lumara::exporting {
namespace {

std::string cFormat(double x, int decimals)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
    return buffer;
}

TEST(TextFormat, FixedMatchesTheCLibraryIncludingTiesSignsAndSpecialValues)
{
    const double values[] = {0.0, -0.0, 0.0005, 0.0015, 0.0025, -0.0004, -0.0005, 1.0005, 2.5, 3.5, -2.5,
                             0.125, 0.375, 280.4, 280.5, 281.5, 1e-300, 1e21, 123456789.987654321, 0.1, 0.7,
                             std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    std::setlocale(LC_ALL, "C");
    for (double x : values)
        for (int decimals : {0, 2, 3, 4}) EXPECT_EQ(formatFixed(x, decimals), cFormat(x, decimals)) << x;
    EXPECT_EQ(formatFixed(std::nan(""), 3), cFormat(std::nan(""), 3));
    EXPECT_EQ(formatFixed(-std::nan(""), 3), cFormat(-std::nan(""), 3));

    std::mt19937_64 engine(20261206);
    std::uniform_real_distribution<double> wide(-1000.0, 1000.0);
    for (int i = 0; i < 20000; ++i) {
        const double x = wide(engine);
        for (int decimals : {0, 2, 3, 4}) ASSERT_EQ(formatFixed(x, decimals), cFormat(x, decimals)) << x;
    }
}

TEST(TextFormat, ShortestDoubleOfIntegers)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0.0"}, {6, "6.0"}, {-3, "-3.0"}, {123456789, "123456789.0"}, {10000000000000000, "1e+16"}};
    for (const auto& [n, text] : cases) EXPECT_EQ(formatShortestDouble(n), text);
}

} // namespace
} // namespace lumara::exporting
