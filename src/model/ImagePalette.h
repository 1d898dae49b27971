// The dominant colours of a picture, for the background gradient: weighted k-means in OKLab over a
// bounded, area-weighted sample of the pixels. Pure functions of their input; any thread.
#pragma once

#include "model/CodableColor.h"
#include "model/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lumara {

inline constexpr std::size_t kMinPaletteColors = 3;
inline constexpr std::size_t kMaxPaletteColors = 6;
// The longest side of the sample the clustering sees; larger pictures are averaged down in
// whole blocks of pixels first.
inline constexpr int kPaletteSampleSide = 256;

enum class PaletteError { invalidPixels, noVisiblePixels };

enum class ChannelOrder { rgba, bgra };
enum class AlphaKind { straight, premultiplied };

// Eight bits a channel, sRGB, rows of `bytesPerLine` bytes (at least width * 4). The bytes are
// only read.
struct PixelView {
    std::span<const std::uint8_t> bytes;
    int width = 0;
    int height = 0;
    std::size_t bytesPerLine = 0;
    ChannelOrder order = ChannelOrder::rgba;
    AlphaKind alpha = AlphaKind::straight;
};

// Three to six opaque colours (opacity 1, components rounded to 1/255), ordered from dark to
// light by OKLab lightness (equal lightness: the larger area first). Lightness rather than area:
// the gradient then runs from the picture's shadows to its highlights, and the order does not
// flip between two pictures whose areas are nearly equal.
//
// The picture is averaged down to at most kPaletteSampleSide pixels a side (in linear light, each
// sample weighted by its coverage); samples under 4 % coverage are skipped. For k = 3 … 6 the
// samples are clustered with k-means++ seeding from a fixed seed (best of a few restarts, a fixed
// iteration cap), then clusters closer than kPaletteMergeDistance in OKLab are merged and clusters
// under kPaletteMinShare of the weight are dropped (a small spot neither counts nor tints the
// colour beside it). The k that leaves the most colours wins, the larger k on a tie. A picture of
// fewer than three distinct colours repeats its largest colour up to three. The same pixels
// always give the same palette.
//
// Fails with invalidPixels when the view is empty or its bytes are too few for its size, and with
// noVisiblePixels when every pixel is (nearly) transparent.
[[nodiscard]] Result<std::vector<CodableColor>, PaletteError> extractPalette(const PixelView& pixels);

// Two colours closer than this in OKLab (about three just-noticeable differences) are one colour.
inline constexpr double kPaletteMergeDistance = 0.06;
// A cluster holding less than this share of the picture's weight is not a dominant colour.
inline constexpr double kPaletteMinShare = 0.02;

// sRGB (components 0 … 1) to OKLab and back; the way back clamps to the sRGB gamut.
struct OkLab {
    double L = 0.0;
    double a = 0.0;
    double b = 0.0;
};
[[nodiscard]] OkLab okLabFromSRGB(double red, double green, double blue);
[[nodiscard]] CodableColor sRGBFromOkLab(const OkLab& lab);
// Euclidean distance in OKLab (ΔE_OK).
[[nodiscard]] double okLabDistance(const OkLab& x, const OkLab& y);

} // namespace lumara
