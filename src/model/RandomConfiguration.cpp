// Random orb generation.
#include "model/RandomConfiguration.h"

#include "model/OrbFields.h"

#include <algorithm>
#include <charconv>

namespace lumara {

double closedIntervalPoint(std::uint64_t k, double a, double b)
{
    if (k >= kClosedIntervalSteps) return b; // exact upper end, free of rounding
    return a + (b - a) * (static_cast<double>(k) / static_cast<double>(kClosedIntervalSteps));
}

double randomClosed(RandomEngine& engine, double a, double b)
{
    return closedIntervalPoint(std::uniform_int_distribution<std::uint64_t>(0, kClosedIntervalSteps)(engine), a, b);
}

std::int64_t randomInteger(RandomEngine& engine, std::int64_t a, std::int64_t b)
{
    return std::uniform_int_distribution<std::int64_t>(a, b)(engine);
}

OrbValues makeRandomConfiguration(RandomEngine& engine)
{
    OrbValues v;
    const auto colorCount = randomInteger(engine, 2, 5);
    v.backgroundColors.clear();
    for (std::int64_t i = 0; i < colorCount; ++i) {
        CodableColor c;
        c.red = randomClosed(engine, 0, 1);
        c.green = randomClosed(engine, 0, 1);
        c.blue = randomClosed(engine, 0, 1);
        c.opacity = 1.0;
        v.backgroundColors.push_back(c);
    }
    v.glowColor.red = randomClosed(engine, 0.5, 1.0);
    v.glowColor.green = randomClosed(engine, 0.5, 1.0);
    v.glowColor.blue = randomClosed(engine, 0.5, 1.0);
    v.glowColor.opacity = 1.0;
    v.coloredBlobs = randomInteger(engine, 0, 1) == 1;
    v.gradientType = kAllGradientTypes[static_cast<std::size_t>(randomInteger(engine, 0, kAllGradientTypes.size() - 1))];
    v.gradientAngle = randomClosed(engine, 0, 360);
    v.backgroundBlur = randomClosed(engine, 0, 15);
    v.orbSize = 280;
    v.cornerRadius = randomClosed(engine, 0.4, 1.0);
    v.blobCount = randomInteger(engine, 1, 5);
    v.complexity = randomInteger(engine, 3, 12);
    v.amplitude = randomClosed(engine, 0.03, 0.35);
    v.blobScale = randomClosed(engine, 0.6, 1.5);
    v.blobSpread = randomClosed(engine, 0.1, 0.45);
    v.blobOpacity = randomClosed(engine, 0.3, 0.95);
    v.blobBlur = randomClosed(engine, 0, 12);
    v.blobBlendMode = kAllBlobBlendModes[static_cast<std::size_t>(randomInteger(engine, 0, kAllBlobBlendModes.size() - 1))];
    v.speed = randomClosed(engine, 25, 90);
    v.glowIntensity = randomClosed(engine, 0.3, 1.8);
    v.glowSoftness = randomClosed(engine, 0.3, 1.8);
    v.innerRingWidth = randomClosed(engine, 0, 2.5);
    v.shadowRadius = randomClosed(engine, 0, 2);
    v.edgeSoftness = randomClosed(engine, 0, 1);
    v.showBackground = v.showWavyBlobs = v.showGlowEffects = v.showShadow = true;
    return v;
}

OrbValues makeRandomConfiguration(RandomEngine& engine, const OrbValues& kept, const std::vector<std::string>& locked)
{
    OrbValues drawn = makeRandomConfiguration(engine);
    copyFields(kept, drawn, locked);
    return drawn;
}

std::optional<std::uint64_t> parseRandomSeed(std::string_view text)
{
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    std::uint64_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt; // beyond 2^64 - 1
    return seed;
}

std::uint64_t makeRandomSeed()
{
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
}

OrbValues makeRandomConfiguration()
{
    thread_local RandomEngine engine{[] {
        std::random_device device;
        std::seed_seq seq{device(), device(), device(), device()};
        return RandomEngine(seq);
    }()};
    return makeRandomConfiguration(engine);
}

} // namespace lumara
