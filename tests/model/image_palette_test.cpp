// The palette of pictures painted here from known colour areas (with noise and anti-aliased edges)
// comes back within a small OKLab distance, dark to light; degenerate pictures give a clear error
// or the documented fallback; the same pixels give the same palette.
#include "model/ImagePalette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace lumara;

namespace {

struct Rgb8 {
    int r, g, b;
};

// A rectangle in unit coordinates of the picture; later areas paint over earlier ones.
struct Area {
    double x0, y0, x1, y1;
    Rgb8 color;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes; // RGBA, straight alpha, tightly packed

    PixelView view() const { return {bytes, width, height, std::size_t(width) * 4, ChannelOrder::rgba, AlphaKind::straight}; }
};

// Each pixel averages n × n subsamples of the areas (so edges falling inside a pixel blend the two
// colours, as an anti-aliased drawing does), then gets ±noise of uniform noise on each channel.
Picture paint(int width, int height, const std::vector<Area>& areas, int noise, int n = 4)
{
    const int samples = n * n;
    Picture picture{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    std::mt19937 rng(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int sum[3] = {0, 0, 0};
            for (int sy = 0; sy < n; ++sy)
                for (int sx = 0; sx < n; ++sx) {
                    const double u = (x + (sx + 0.5) / n) / width, v = (y + (sy + 0.5) / n) / height;
                    Rgb8 c = areas.front().color;
                    for (const Area& a : areas)
                        if (u >= a.x0 && u < a.x1 && v >= a.y0 && v < a.y1) c = a.color;
                    sum[0] += c.r, sum[1] += c.g, sum[2] += c.b;
                }
            std::uint8_t* px = &picture.bytes[(std::size_t(y) * width + x) * 4];
            for (int i = 0; i < 3; ++i) {
                const int jitter = noise ? int(rng() % unsigned(2 * noise + 1)) - noise : 0;
                px[i] = std::uint8_t(std::clamp((sum[i] + samples / 2) / samples + jitter, 0, 255));
            }
            px[3] = 255;
        }
    return picture;
}

OkLab labOf(const Rgb8& c) { return okLabFromSRGB(c.r / 255.0, c.g / 255.0, c.b / 255.0); }
OkLab labOf(const CodableColor& c) { return okLabFromSRGB(c.red, c.green, c.blue); }

std::vector<Rgb8> darkToLight(std::vector<Rgb8> colors)
{
    std::sort(colors.begin(), colors.end(), [](const Rgb8& x, const Rgb8& y) { return labOf(x).L < labOf(y).L; });
    return colors;
}

constexpr Rgb8 kNavy{22, 30, 72}, kRed{204, 44, 40}, kGreen{52, 150, 72}, kYellow{240, 206, 60}, kSky{118, 182, 232},
    kCream{246, 238, 226}, kPurple{120, 60, 170};

} // namespace

TEST(ImagePalette, KnownColourAreasComeBackDarkToLight)
{
    const struct {
        const char* name;
        int width, height, noise, subsamples;
        std::vector<Area> areas;
        std::vector<Rgb8> colors; // the distinct colours painted
    } cases[] = {
        // Stripes of 45 %, 35 % and 20 %, edges inside pixels.
        {"three stripes", 203, 120, 4, 4,
         {{0, 0, 1, 1, kRed}, {0.453, 0, 0.803, 1, kSky}, {0.803, 0, 1, 1, kNavy}},
         {kRed, kSky, kNavy}},
        // Four quadrants of unequal size around an off-centre point.
        {"four quadrants", 180, 150, 5, 4,
         {{0, 0, 1, 1, kGreen}, {0.61, 0, 1, 0.37, kYellow}, {0, 0.37, 0.61, 1, kPurple}, {0.61, 0.37, 1, 1, kCream}},
         {kGreen, kYellow, kPurple, kCream}},
        // Six bands, the smallest 6 % of the picture.
        {"six bands", 160, 211, 3, 4,
         {{0, 0, 1, 1, kNavy}, {0, 0.24, 1, 1, kRed}, {0, 0.43, 1, 1, kGreen}, {0, 0.61, 1, 1, kYellow},
          {0, 0.77, 1, 1, kSky}, {0, 0.94, 1, 1, kCream}},
         {kNavy, kRed, kGreen, kYellow, kSky, kCream}},
        // A huge picture is averaged down in blocks and gives the same colours.
        {"three stripes, 3000 x 1700", 3000, 1700, 6, 1,
         {{0, 0, 1, 1, kCream}, {0.3, 0, 0.6, 1, kGreen}, {0.6, 0, 1, 1, kPurple}},
         {kCream, kGreen, kPurple}},
        // A spot of 1.7 % is not a dominant colour, nor does it tint one.
        {"three areas and a small spot", 200, 200, 2, 4,
         {{0, 0, 1, 1, kSky}, {0.5, 0, 1, 1, kNavy}, {0, 0.7, 1, 1, kYellow}, {0.2, 0.2, 0.33, 0.33, kRed}},
         {kSky, kNavy, kYellow}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture picture = paint(c.width, c.height, c.areas, c.noise, c.subsamples);
        const auto palette = extractPalette(picture.view());
        ASSERT_TRUE(palette.ok()) << palette.error().message;
        const std::vector<Rgb8> expected = darkToLight(c.colors);
        ASSERT_EQ(palette->size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_LT(okLabDistance(labOf((*palette)[i]), labOf(expected[i])), 0.012) << "colour " << i << ": " << okLabDistance(labOf((*palette)[i]), labOf(expected[i]));
            EXPECT_EQ((*palette)[i].opacity, 1.0);
        }
    }
}

TEST(ImagePalette, ChannelOrderAndAlphaKindAreHonoured)
{
    // Left half translucent red over right half opaque navy, a transparent band of garbage colour
    // at the top: the band is skipped, the translucent red counts by its coverage.
    const Picture straight = paint(120, 100, {{0, 0, 1, 1, kRed}, {0.5, 0, 1, 1, kNavy}, {0, 0, 1, 0.2, kYellow}}, 0);
    std::vector<std::uint8_t> rgba = straight.bytes;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 120; ++x) {
            std::uint8_t* px = &rgba[(std::size_t(y) * 120 + x) * 4];
            px[3] = y < 20 ? 2 : x < 60 ? 160 : 255;
        }
    std::vector<std::uint8_t> premultipliedBgra = rgba;
    for (std::size_t i = 0; i < premultipliedBgra.size(); i += 4) {
        std::uint8_t* px = &premultipliedBgra[i];
        const int a = px[3];
        const int r = (px[0] * a + 127) / 255, g = (px[1] * a + 127) / 255, b = (px[2] * a + 127) / 255;
        px[0] = std::uint8_t(b), px[1] = std::uint8_t(g), px[2] = std::uint8_t(r);
    }
    const PixelView views[] = {
        {rgba, 120, 100, 480, ChannelOrder::rgba, AlphaKind::straight},
        {premultipliedBgra, 120, 100, 480, ChannelOrder::bgra, AlphaKind::premultiplied},
    };
    for (const PixelView& view : views) {
        const auto palette = extractPalette(view);
        ASSERT_TRUE(palette.ok()) << palette.error().message;
        ASSERT_EQ(palette->size(), 3u);
        // Navy covers more (opaque) than the translucent red, so it takes the room of the third colour.
        EXPECT_LT(okLabDistance(labOf((*palette)[0]), labOf(kNavy)), 0.01);
        EXPECT_EQ((*palette)[0], (*palette)[1]);
        EXPECT_LT(okLabDistance(labOf((*palette)[2]), labOf(kRed)), 0.01);
    }
}

TEST(ImagePalette, DegeneratePicturesGiveTheFallbackOrAClearError)
{
    const Picture flat = paint(64, 48, {{0, 0, 1, 1, kGreen}}, 0);
    const Picture single = paint(1, 1, {{0, 0, 1, 1, kPurple}}, 0);
    const Picture twoColours = paint(100, 100, {{0, 0, 1, 1, kCream}, {0.7, 0, 1, 1, kNavy}}, 0);
    for (const auto& [picture, colors] : {std::pair{&flat, std::vector{kGreen, kGreen, kGreen}},
                                          std::pair{&single, std::vector{kPurple, kPurple, kPurple}},
                                          std::pair{&twoColours, std::vector{kNavy, kCream, kCream}}}) {
        const auto palette = extractPalette(picture->view());
        ASSERT_TRUE(palette.ok()) << palette.error().message;
        ASSERT_EQ(palette->size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            const CodableColor& c = (*palette)[i];
            const CodableColor want{colors[i].r / 255.0, colors[i].g / 255.0, colors[i].b / 255.0, 1.0};
            EXPECT_NEAR(c.red, want.red, 1.01 / 255) << i;
            EXPECT_NEAR(c.green, want.green, 1.01 / 255) << i;
            EXPECT_NEAR(c.blue, want.blue, 1.01 / 255) << i;
        }
    }

    Picture clear = paint(40, 30, {{0, 0, 1, 1, kRed}}, 0);
    for (std::size_t i = 3; i < clear.bytes.size(); i += 4) clear.bytes[i] = 3;
    const std::vector<std::uint8_t> four(4, 255);
    const struct {
        const char* name;
        PixelView view;
        PaletteError code;
    } failures[] = {
        {"all transparent", clear.view(), PaletteError::noVisiblePixels},
        {"no width", {four, 0, 1, 4}, PaletteError::invalidPixels},
        {"negative height", {four, 1, -1, 4}, PaletteError::invalidPixels},
        {"rows shorter than the width", {four, 1, 1, 3}, PaletteError::invalidPixels},
        {"too few bytes", {four, 1, 2, 4}, PaletteError::invalidPixels},
        {"a size whose bytes overflow", {four, 2, 1 << 30, std::size_t(1) << 62}, PaletteError::invalidPixels},
    };
    for (const auto& f : failures) {
        const auto palette = extractPalette(f.view);
        ASSERT_FALSE(palette.ok()) << f.name;
        EXPECT_EQ(palette.error().code, f.code) << f.name;
        EXPECT_FALSE(palette.error().message.empty()) << f.name;
    }
}

TEST(ImagePalette, ThePicturesOwnColoursAreDeterministicAndOrdered)
{
    // A smooth two-way gradient with noise: no flat areas, so every k competes.
    Picture picture{300, 200, std::vector<std::uint8_t>(300 * 200 * 4)};
    std::mt19937 rng(11);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            std::uint8_t* px = &picture.bytes[(std::size_t(y) * 300 + x) * 4];
            px[0] = std::uint8_t(std::clamp(int(255.0 * x / 299) + int(rng() % 9) - 4, 0, 255));
            px[1] = std::uint8_t(std::clamp(int(200.0 * y / 199) + int(rng() % 9) - 4, 0, 255));
            px[2] = std::uint8_t(std::clamp(180 - int(120.0 * x / 299), 0, 255));
            px[3] = 255;
        }
    const auto first = extractPalette(picture.view());
    const auto second = extractPalette(picture.view());
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_EQ(*first, *second);
    EXPECT_GE(first->size(), kMinPaletteColors);
    EXPECT_LE(first->size(), kMaxPaletteColors);
    for (std::size_t i = 1; i < first->size(); ++i) {
        EXPECT_LE(labOf((*first)[i - 1]).L, labOf((*first)[i]).L);
        EXPECT_GE(okLabDistance(labOf((*first)[i - 1]), labOf((*first)[i])), kPaletteMergeDistance - 0.01);
    }
}

TEST(ImagePalette, OkLabRoundTripsAndKnownValues)
{
    const OkLab white = okLabFromSRGB(1, 1, 1), black = okLabFromSRGB(0, 0, 0);
    EXPECT_NEAR(white.L, 1.0, 1e-4);
    EXPECT_NEAR(std::hypot(white.a, white.b), 0.0, 1e-4);
    EXPECT_NEAR(black.L, 0.0, 1e-9);
    // sRGB red is L 0.628, a 0.225, b 0.126 in OKLab.
    const OkLab red = okLabFromSRGB(1, 0, 0);
    EXPECT_NEAR(red.L, 0.628, 1e-3);
    EXPECT_NEAR(red.a, 0.225, 1e-3);
    EXPECT_NEAR(red.b, 0.126, 1e-3);
    for (const Rgb8& c : {kNavy, kRed, kGreen, kYellow, kSky, kCream, kPurple}) {
        const CodableColor back = sRGBFromOkLab(labOf(c));
        EXPECT_NEAR(back.red * 255, c.r, 1e-4);
        EXPECT_NEAR(back.green * 255, c.g, 1e-4);
        EXPECT_NEAR(back.blue * 255, c.b, 1e-4);
    }
}
