// Median-cut palette over a 15-bit histogram and an ordered-dither mapper with a lazy lookup table.
#include "export/media/GifPalette.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumara::exporting {

namespace {

constexpr int kHistogramBits = 5;
constexpr int kLookupBits = 6;

int binIndex(int r, int g, int b)
{
    constexpr int shift = 8 - kHistogramBits;
    return ((r >> shift) << (2 * kHistogramBits)) | ((g >> shift) << kHistogramBits) | (b >> shift);
}

// 8 x 8 Bayer matrix: thresholds 0 ... 63 spread evenly over every 2 x 2, 4 x 4 and 8 x 8 block.
constexpr std::array<std::array<int, 8>, 8> kBayer{{
    {0, 32, 8, 40, 2, 34, 10, 42},
    {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},
    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},
    {63, 31, 55, 23, 61, 29, 53, 21},
}};

} // namespace

ColorHistogram::ColorHistogram() : m_bins(std::size_t{1} << (3 * kHistogramBits)) {}

void ColorHistogram::add(const render::Image& frame, std::uint64_t weight)
{
    const std::size_t count = static_cast<std::size_t>(frame.width) * frame.height;
    const std::uint8_t* p = frame.pixels.data();
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        Bin& bin = m_bins[static_cast<std::size_t>(binIndex(p[0], p[1], p[2]))];
        bin.count += weight;
        for (int c = 0; c < 3; ++c) bin.sum[c] += weight * p[c];
    }
}

std::vector<PaletteColor> ColorHistogram::palette(int maxColors) const
{
    maxColors = std::clamp(maxColors, 1, 256);
    struct Entry {
        std::uint64_t count;
        double mean[3];
        const Bin* bin;
    };
    std::vector<Entry> entries;
    for (const Bin& bin : m_bins) {
        if (bin.count == 0) continue;
        const double n = static_cast<double>(bin.count);
        entries.push_back({bin.count, {bin.sum[0] / n, bin.sum[1] / n, bin.sum[2] / n}, &bin});
    }
    if (entries.empty()) return {PaletteColor{0, 0, 0}};

    struct Box {
        std::size_t begin, end;
        std::uint64_t count;
        int axis;
        double range;
    };
    auto describe = [&](std::size_t begin, std::size_t end) {
        Box box{begin, end, 0, 0, 0.0};
        double lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        for (std::size_t i = begin; i < end; ++i) {
            box.count += entries[i].count;
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], entries[i].mean[c]);
                hi[c] = std::max(hi[c], entries[i].mean[c]);
            }
        }
        for (int c = 0; c < 3; ++c) {
            if (hi[c] - lo[c] > box.range) {
                box.range = hi[c] - lo[c];
                box.axis = c;
            }
        }
        return box;
    };

    std::vector<Box> boxes{describe(0, entries.size())};
    while (static_cast<int>(boxes.size()) < maxColors) {
        // Split the box whose pixels lie furthest from a single colour: count times extent.
        std::size_t pick = boxes.size();
        double best = 0.0;
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            const double score = static_cast<double>(boxes[b].count) * boxes[b].range;
            if (boxes[b].end - boxes[b].begin > 1 && score > best) {
                best = score;
                pick = b;
            }
        }
        if (pick == boxes.size()) break;
        const Box box = boxes[pick];
        const int axis = box.axis;
        std::sort(entries.begin() + static_cast<std::ptrdiff_t>(box.begin),
                  entries.begin() + static_cast<std::ptrdiff_t>(box.end), [axis](const Entry& a, const Entry& b) {
                      if (a.mean[axis] != b.mean[axis]) return a.mean[axis] < b.mean[axis];
                      return a.bin < b.bin; // stable, deterministic order
                  });
        // Weighted median, keeping at least one entry on each side.
        std::uint64_t seen = 0;
        std::size_t cut = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            seen += entries[i].count;
            cut = i + 1;
            if (seen * 2 >= box.count) break;
        }
        boxes[pick] = describe(box.begin, cut);
        boxes.push_back(describe(cut, box.end));
    }

    std::vector<PaletteColor> colors;
    colors.reserve(boxes.size());
    for (const Box& box : boxes) {
        std::uint64_t sum[3] = {0, 0, 0};
        for (std::size_t i = box.begin; i < box.end; ++i)
            for (int c = 0; c < 3; ++c) sum[c] += entries[i].bin->sum[c];
        PaletteColor color;
        for (int c = 0; c < 3; ++c)
            color[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>((sum[c] + box.count / 2) / box.count);
        colors.push_back(color);
    }
    return colors;
}

PaletteMapper::PaletteMapper(std::vector<PaletteColor> palette)
    : m_palette(std::move(palette)), m_lookup(std::size_t{1} << (3 * kLookupBits), -1)
{
    if (m_palette.empty()) m_palette.push_back({0, 0, 0});
    // Dither about as far as neighbouring palette colours lie apart (the median spacing), so
    // gradients between two entries blend instead of banding.
    std::vector<double> spacing;
    for (std::size_t i = 0; i < m_palette.size(); ++i) {
        double nearest = std::numeric_limits<double>::max();
        for (std::size_t j = 0; j < m_palette.size(); ++j) {
            if (i == j) continue;
            double d = 0.0;
            for (std::size_t c = 0; c < 3; ++c) {
                const double e = double(m_palette[i][c]) - double(m_palette[j][c]);
                d += e * e;
            }
            nearest = std::min(nearest, std::sqrt(d));
        }
        if (nearest < std::numeric_limits<double>::max()) spacing.push_back(nearest);
    }
    if (!spacing.empty()) {
        std::nth_element(spacing.begin(), spacing.begin() + static_cast<std::ptrdiff_t>(spacing.size() / 2), spacing.end());
        m_ditherAmplitude = std::min(spacing[spacing.size() / 2], 32.0);
    }
}

std::uint8_t PaletteMapper::nearest(int r6, int g6, int b6)
{
    const std::size_t key = static_cast<std::size_t>((r6 << (2 * kLookupBits)) | (g6 << kLookupBits) | b6);
    if (m_lookup[key] >= 0) return static_cast<std::uint8_t>(m_lookup[key]);
    constexpr int half = 1 << (7 - kLookupBits);
    const int r = (r6 << (8 - kLookupBits)) + half, g = (g6 << (8 - kLookupBits)) + half,
              b = (b6 << (8 - kLookupBits)) + half;
    int best = 0, bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < m_palette.size(); ++i) {
        const int dr = r - m_palette[i][0], dg = g - m_palette[i][1], db = b - m_palette[i][2];
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    m_lookup[key] = static_cast<std::int16_t>(best);
    return static_cast<std::uint8_t>(best);
}

void PaletteMapper::map(const render::Image& frame, std::uint8_t* indices, int stride)
{
    std::array<std::array<int, 8>, 8> offset{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            offset[y][x] = static_cast<int>(std::lround(((kBayer[y][x] + 0.5) / 64.0 - 0.5) * m_ditherAmplitude));
    constexpr int shift = 8 - kLookupBits;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* p = frame.row(y);
        std::uint8_t* out = indices + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < frame.width; ++x, p += 4) {
            const int o = offset[y & 7][x & 7];
            const int r = std::clamp(p[0] + o, 0, 255), g = std::clamp(p[1] + o, 0, 255), b = std::clamp(p[2] + o, 0, 255);
            out[x] = nearest(r >> shift, g >> shift, b >> shift);
        }
    }
}

} // namespace lumara::exporting
