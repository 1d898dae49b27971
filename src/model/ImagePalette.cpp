// Palette extraction: block averaging in linear light, OKLab binning, weighted k-means with
// cleaning, then the dark-to-light order. No state outlives a call; any thread.
//
// The clustering runs over OKLab bins (32 steps of lightness by 32 × 32 of a and b, each holding
// the weighted mean of its samples) rather than over every sample: a flat region becomes one
// weighted point whatever its size, so the work is bounded by the bin count and a synthetic
// picture of a few colours clusters in microseconds. The bins' means keep the full precision.
#include "model/ImagePalette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>

namespace lumara {

namespace {

constexpr int kLightnessBins = 32;
constexpr int kChromaBins = 32;
constexpr double kChromaRange = 0.4; // a and b of sRGB colours lie within ±0.32
constexpr double kMinCoverage = 0.04;
constexpr int kRestarts = 3;
constexpr int kMaxIterations = 64;
constexpr std::uint64_t kSeed = 0x4c756d6172615047ull;

double linearFromEncoded(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double encodedFromLinear(double c) { return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055; }

const std::array<double, 256>& linearTable()
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) t[std::size_t(i)] = linearFromEncoded(i / 255.0);
        return t;
    }();
    return table;
}

OkLab okLabFromLinear(double r, double g, double b)
{
    const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

struct WeightedLab {
    OkLab lab;
    double weight = 0.0;
};

double squaredDistance(const OkLab& x, const OkLab& y)
{
    const double dL = x.L - y.L, da = x.a - y.a, db = x.b - y.b;
    return dL * dL + da * da + db * db;
}

WeightedLab merged(const WeightedLab& x, const WeightedLab& y)
{
    const double w = x.weight + y.weight;
    if (w <= 0.0) return x;
    return {{(x.lab.L * x.weight + y.lab.L * y.weight) / w, (x.lab.a * x.weight + y.lab.a * y.weight) / w,
             (x.lab.b * x.weight + y.lab.b * y.weight) / w},
            w};
}

bool validView(const PixelView& view)
{
    if (view.width <= 0 || view.height <= 0) return false;
    const std::size_t row = std::size_t(view.width) * 4;
    if (view.bytesPerLine < row) return false;
    const auto rows = std::size_t(view.height - 1);
    if (rows > 0 && view.bytesPerLine > (std::numeric_limits<std::size_t>::max() - row) / rows) return false;
    return view.bytes.size() >= view.bytesPerLine * rows + row;
}

// Averages the picture down in f × f blocks (f chosen so that neither side exceeds the sample
// side) and sums each visible block's OKLab colour into its bin, weighted by the block's alpha.
std::vector<WeightedLab> binnedSamples(const PixelView& view)
{
    const int longest = std::max(view.width, view.height);
    const int f = (longest + kPaletteSampleSide - 1) / kPaletteSampleSide;
    const int columns = (view.width + f - 1) / f;
    const int red = view.order == ChannelOrder::rgba ? 0 : 2;
    const int blue = 2 - red;
    const auto& linear = linearTable();

    struct Sum {
        double r = 0, g = 0, b = 0, alpha = 0;
        int count = 0;
    };
    std::vector<Sum> blocks(static_cast<std::size_t>(columns));
    std::vector<WeightedLab> bins(std::size_t(kLightnessBins) * kChromaBins * kChromaBins);

    for (int top = 0; top < view.height; top += f) {
        std::fill(blocks.begin(), blocks.end(), Sum{});
        const int bottom = std::min(view.height, top + f);
        for (int y = top; y < bottom; ++y) {
            const std::uint8_t* px = view.bytes.data() + std::size_t(y) * view.bytesPerLine;
            for (int x = 0; x < view.width; ++x, px += 4) {
                Sum& sum = blocks[std::size_t(x / f)];
                ++sum.count;
                const int a = px[3];
                if (a == 0) continue;
                int c[3] = {px[red], px[1], px[blue]};
                if (view.alpha == AlphaKind::premultiplied && a < 255)
                    for (int& v : c) v = std::min(255, (v * 255 + a / 2) / a);
                const double coverage = a / 255.0;
                sum.r += linear[std::size_t(c[0])] * coverage;
                sum.g += linear[std::size_t(c[1])] * coverage;
                sum.b += linear[std::size_t(c[2])] * coverage;
                sum.alpha += coverage;
            }
        }
        for (const Sum& sum : blocks) {
            if (sum.count == 0 || sum.alpha < kMinCoverage * sum.count) continue;
            const OkLab lab = okLabFromLinear(sum.r / sum.alpha, sum.g / sum.alpha, sum.b / sum.alpha);
            const auto step = [](double v, double lo, double hi, int n) {
                return std::clamp(int((v - lo) / (hi - lo) * n), 0, n - 1);
            };
            const int index = (step(lab.L, 0.0, 1.0, kLightnessBins) * kChromaBins +
                               step(lab.a, -kChromaRange, kChromaRange, kChromaBins)) * kChromaBins +
                              step(lab.b, -kChromaRange, kChromaRange, kChromaBins);
            WeightedLab& bin = bins[std::size_t(index)];
            bin.lab.L += lab.L * sum.alpha;
            bin.lab.a += lab.a * sum.alpha;
            bin.lab.b += lab.b * sum.alpha;
            bin.weight += sum.alpha;
        }
    }

    std::vector<WeightedLab> points;
    for (const WeightedLab& bin : bins)
        if (bin.weight > 0.0)
            points.push_back({{bin.lab.L / bin.weight, bin.lab.a / bin.weight, bin.lab.b / bin.weight}, bin.weight});
    return points;
}

// A uniform double in [0, 1) from the generator's top 53 bits, the same on every platform
// (std::uniform_real_distribution is not).
double unitDraw(std::mt19937_64& rng) { return double(rng() >> 11) * 0x1.0p-53; }

// The index whose share of `weights` covers a uniform draw.
std::size_t drawIndex(const std::vector<double>& weights, double total, std::mt19937_64& rng)
{
    double target = unitDraw(rng) * total;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (target < weights[i]) return i;
        target -= weights[i];
    }
    for (std::size_t i = weights.size(); i-- > 0;)
        if (weights[i] > 0.0) return i;
    return 0;
}

struct Clustering {
    std::vector<WeightedLab> clusters;
    double error = 0.0; // the weighted sum of squared distances to the nearest centre
};

// k-means++ seeding, then Lloyd's iterations up to the cap. Fewer than k clusters come back when
// the points hold fewer than k distinct colours.
Clustering kMeans(const std::vector<WeightedLab>& points, std::size_t k, std::mt19937_64& rng)
{
    std::vector<double> weights(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) weights[i] = points[i].weight;
    double total = 0.0;
    for (double w : weights) total += w;

    std::vector<OkLab> centres{points[drawIndex(weights, total, rng)].lab};
    std::vector<double> nearest(points.size(), std::numeric_limits<double>::infinity());
    while (centres.size() < k) {
        double sum = 0.0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            nearest[i] = std::min(nearest[i], squaredDistance(points[i].lab, centres.back()));
            weights[i] = points[i].weight * nearest[i];
            sum += weights[i];
        }
        if (sum <= 0.0) break; // every point sits on a centre already
        centres.push_back(points[drawIndex(weights, sum, rng)].lab);
    }

    std::vector<std::size_t> owner(points.size(), centres.size());
    std::vector<WeightedLab> sums(centres.size());
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        bool moved = false;
        for (std::size_t i = 0; i < points.size(); ++i) {
            std::size_t best = 0;
            double bestDistance = std::numeric_limits<double>::infinity();
            for (std::size_t c = 0; c < centres.size(); ++c) {
                const double d = squaredDistance(points[i].lab, centres[c]);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = c;
                }
            }
            if (owner[i] != best) {
                owner[i] = best;
                moved = true;
            }
        }
        if (!moved) break;
        std::fill(sums.begin(), sums.end(), WeightedLab{});
        for (std::size_t i = 0; i < points.size(); ++i) sums[owner[i]] = merged(sums[owner[i]], points[i]);
        for (std::size_t c = 0; c < centres.size(); ++c)
            if (sums[c].weight > 0.0) centres[c] = sums[c].lab; // an emptied centre stays where it was
    }

    Clustering result;
    std::vector<WeightedLab> clusters(centres.size());
    for (std::size_t c = 0; c < centres.size(); ++c) clusters[c].lab = centres[c];
    for (std::size_t i = 0; i < points.size(); ++i) {
        clusters[owner[i]].weight += points[i].weight;
        result.error += points[i].weight * squaredDistance(points[i].lab, centres[owner[i]]);
    }
    for (const WeightedLab& cluster : clusters)
        if (cluster.weight > 0.0) result.clusters.push_back(cluster);
    return result;
}

// Merges clusters closer than the merge distance (closest pair first) and drops clusters under the
// minimum share (smallest first), until neither applies. A dropped cluster's pixels belong to no
// dominant colour, so they are not folded into a neighbour, which they would only tint. The
// largest cluster always stays: shares add up to one, so it holds at least a sixth.
void clean(std::vector<WeightedLab>& clusters, double totalWeight)
{
    const double mergeSquared = kPaletteMergeDistance * kPaletteMergeDistance;
    while (clusters.size() > 1) {
        std::size_t pairI = 0, pairJ = 0;
        double closest = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < clusters.size(); ++i)
            for (std::size_t j = i + 1; j < clusters.size(); ++j)
                if (const double d = squaredDistance(clusters[i].lab, clusters[j].lab); d < closest) {
                    closest = d;
                    pairI = i;
                    pairJ = j;
                }
        if (closest < mergeSquared) {
            clusters[pairI] = merged(clusters[pairI], clusters[pairJ]);
            clusters.erase(clusters.begin() + std::ptrdiff_t(pairJ));
            continue;
        }
        const auto smallest = std::min_element(clusters.begin(), clusters.end(), [](const auto& x, const auto& y) {
            return x.weight < y.weight;
        });
        if (smallest->weight >= kPaletteMinShare * totalWeight) break;
        clusters.erase(smallest);
    }
}

double rounded255(double v) { return std::round(std::clamp(v, 0.0, 1.0) * 255.0) / 255.0; }

} // namespace

OkLab okLabFromSRGB(double red, double green, double blue)
{
    return okLabFromLinear(linearFromEncoded(red), linearFromEncoded(green), linearFromEncoded(blue));
}

CodableColor sRGBFromOkLab(const OkLab& lab)
{
    const double l = std::pow(lab.L + 0.3963377774 * lab.a + 0.2158037573 * lab.b, 3);
    const double m = std::pow(lab.L - 0.1055613458 * lab.a - 0.0638541728 * lab.b, 3);
    const double s = std::pow(lab.L - 0.0894841775 * lab.a - 1.2914855480 * lab.b, 3);
    const auto encode = [](double c) { return encodedFromLinear(std::clamp(c, 0.0, 1.0)); };
    return {encode(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s),
            encode(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s),
            encode(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s), 1.0};
}

double okLabDistance(const OkLab& x, const OkLab& y) { return std::sqrt(squaredDistance(x, y)); }

Result<std::vector<CodableColor>, PaletteError> extractPalette(const PixelView& pixels)
{
    if (!validView(pixels))
        return Error<PaletteError>{PaletteError::invalidPixels, "the picture's pixels do not match its size"};
    const std::vector<WeightedLab> points = binnedSamples(pixels);
    if (points.empty()) return Error<PaletteError>{PaletteError::noVisiblePixels, "the picture is fully transparent"};
    double totalWeight = 0.0;
    for (const WeightedLab& p : points) totalWeight += p.weight;

    std::vector<WeightedLab> best;
    for (std::size_t k = kMinPaletteColors; k <= kMaxPaletteColors; ++k) {
        std::mt19937_64 rng(kSeed + k);
        Clustering chosen;
        for (int restart = 0; restart < kRestarts; ++restart) {
            Clustering run = kMeans(points, k, rng);
            if (restart == 0 || run.error < chosen.error) chosen = std::move(run);
        }
        clean(chosen.clusters, totalWeight);
        // On a tie the larger k wins: its extra clusters caught the spots and edge blends that
        // would otherwise tint the colours kept.
        if (chosen.clusters.size() >= best.size()) best = std::move(chosen.clusters);
    }

    // Fewer distinct colours than the gradient needs: the largest one takes the room left.
    const WeightedLab largest = *std::max_element(best.begin(), best.end(), [](const auto& x, const auto& y) {
        return x.weight < y.weight;
    });
    while (best.size() < kMinPaletteColors) best.push_back(largest);
    std::stable_sort(best.begin(), best.end(), [](const WeightedLab& x, const WeightedLab& y) {
        if (x.lab.L != y.lab.L) return x.lab.L < y.lab.L;
        return x.weight > y.weight;
    });

    std::vector<CodableColor> palette;
    for (const WeightedLab& cluster : best) {
        const CodableColor c = sRGBFromOkLab(cluster.lab);
        palette.push_back({rounded255(c.red), rounded255(c.green), rounded255(c.blue), 1.0});
    }
    return palette;
}

} // namespace lumara
