// The finishing stages: clip and feather, the drop shadow, the store. Safe from any thread.
#include "render/Finish.h"

#include "render/Composite.h"
#include "render/Coverage.h"
#include "render/Geometry.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumara::render {

namespace {

inline double length(double x, double y) { return std::sqrt(x * x + y * y); }

// The shadow along one row of the target, x from 0: the parts stacked, the last (near) one on top.
void shadowRow(const std::vector<ShadowPart>& parts, double x0, double y, int count, std::vector<float>& scratch,
               Px* out)
{
    if (count <= 0) return;
    scratch.resize(static_cast<std::size_t>(count) * 4);
    for (const auto& part : parts) {
        float* channel[4];
        for (int c = 0; c < 4; ++c) channel[c] = scratch.data() + static_cast<std::size_t>(c) * count;
        if (part.stack.empty()) part.field.sampleRows(0, 4, x0, y - part.shiftY, count, channel);
        else part.stack.readRow(static_cast<int>(std::floor(y - part.shiftY)), static_cast<int>(x0), count, channel);
        for (int i = 0; i < count; ++i) {
            const Px4 p = scaled(_mm_setr_ps(channel[0][i], channel[1][i], channel[2][i], channel[3][i]), part.opacity);
            store(out[i], sourceOver(p, load(out[i])));
        }
    }
}

} // namespace

ClipLayer::ClipLayer(const OrbSquare& sq, const OrbValues& v, double ppp)
    : m_sq(sq), m_outline(sq.size, v.cornerRadius * 500.0 * ppp, v.cornerRadius >= 1.0),
      // Radial alpha mask: opaque to `stop` of the inscribed radius, linear to transparent at it.
      m_stop(std::clamp(1.0 - 0.4 * v.edgeSoftness, 0.0, 1.0)),
      // Inside this radius both the mask and the outline (which always contains the inscribed
      // circle) are fully opaque, so the pixels keep their values.
      m_untouched(std::min(m_stop * sq.radius, sq.radius - 2.0))
{
}

void ClipLayer::drawRow(int y, Px* row, RowScratch&) const
{
    const int b = m_sq.spanBegin[static_cast<std::size_t>(y)], e = m_sq.spanEnd[static_cast<std::size_t>(y)];
    std::fill(row, row + b, Px{});
    std::fill(row + e, row + m_sq.side, Px{});
    const double dy = y + 0.5 - m_sq.centre;
    int keepBegin, keepEnd; // fully opaque mask: left as they are
    m_sq.within(y, m_untouched, keepBegin, keepEnd);
    for (int x = b; x < e; ++x) {
        if (x == keepBegin) x = keepEnd;
        if (x >= e) break;
        const double rho = length(x + 0.5 - m_sq.centre, dy) / m_sq.radius;
        const double feather = rho <= m_stop ? 1.0 : (rho >= 1.0 ? 0.0 : (1.0 - rho) / (1.0 - m_stop));
        const float k = static_cast<float>(feather) * m_outline.coverage(x + 0.5, y + 0.5);
        store(row[x], scaled(load(row[x]), k));
    }
}

ShadowPart makeShadow(const OrbSquare& sq, const ColourRamp& ramp, double sigma, float opacity, double shiftY,
                      double ox, double oy, int width, int height, WorkerPool& pool)
{
    ShadowPart part;
    part.opacity = opacity;
    part.shiftY = shiftY;
    part.sigma = sigma;
    const double S = sq.size;
    // The grid holds the circle (shape coordinates, before the shift) and the part of the target
    // the blur reaches; what it cannot reach stays zero.
    const double reach = 3.0 * sigma + 1.0;
    const double tx0 = std::max(-ox, -reach), ty0 = std::max(-oy - shiftY, -reach);
    const double tx1 = std::min(width - ox, S + reach), ty1 = std::min(height - oy - shiftY, S + reach);
    const double x0 = std::min(0.0, tx0), y0 = std::min(0.0, ty0);
    const double x1 = std::max(S, tx1), y1 = std::max(S, ty1);
    int k = Field::cellSizeFor(sigma, S);
    const double span = std::max(x1 - x0, y1 - y0);
    k = std::max(k, static_cast<int>(std::ceil(span / kMaxFieldCells)));
    part.field = Field::covering(x0, y0, x1, y1, k, 4);
    Field& field = part.field;
    field.fillAndBlur(sigma, pool, [&](int j0, int j1) {
        for (int j = j0; j < j1; ++j) {
            const double y = field.cellCentreY(j);
            const double dy = y - sq.centre;
            if (std::abs(dy) > sq.radius + k) continue;
            // First colour at the bottom edge, last at the top.
            const Px colour = ramp.fast((S - y) / S);
            for (int i = 0; i < field.width(); ++i) {
                const float cover = discCoverage(length(field.cellCentreX(i) - sq.centre, dy), sq.radius, k);
                if (cover <= 0.0f) continue;
                field.row(0, j)[i] = colour.r * cover;
                field.row(1, j)[i] = colour.g * cover;
                field.row(2, j)[i] = colour.b * cover;
                field.row(3, j)[i] = colour.a * cover;
            }
        }
    });
    return part;
}

std::vector<ShadowPart> makeShadows(const OrbSquare& sq, const OrbValues& v, double ox, double oy, int width,
                                    int height, WorkerPool& pool)
{
    std::vector<ShadowPart> shadows;
    const ColourRamp shadowRamp(v.backgroundColors);
    if (v.showShadow && !shadowRamp.empty()) {
        const double r = std::max(sq.size * 0.08 * v.shadowRadius, 0.0);
        // A blur of sigma spreads the circle's area so that no point exceeds R^2 / (2 sigma^2) of
        // its colour; below 1e-4 (0.03 of a level) the part is skipped instead of computed.
        const auto visible = [&](double sigma) { return sq.radius * sq.radius / (2.0 * sigma * sigma) >= 1e-4; };
        if (visible(r * 3.0))
            shadows.push_back(makeShadow(sq, shadowRamp, r * 3.0, 0.3f, r * 0.75, ox, oy, width, height, pool));
        if (visible(r * 0.75))
            shadows.push_back(makeShadow(sq, shadowRamp, r * 0.75, 0.5f, r * 0.5, ox, oy, width, height, pool));
    }
    return shadows;
}

void storeRow(Image& image, int y, const Px* orb, const OrbSquare& sq, const std::vector<ShadowPart>& shadows,
              const StillLayers::ShadowPixels* kept, double ox, double oy, RowScratch& scratch)
{
    const int side = sq.side;
    const int ix = static_cast<int>(ox), iy = static_cast<int>(oy);
    const int orbRow = y - iy;
    const bool inOrb = orb != nullptr;
    const int end = inOrb ? static_cast<int>(std::clamp<long long>(static_cast<long long>(ix) + side, 0, image.width)) : 0;
    const int begin = inOrb ? std::clamp(ix, 0, end) : 0;
    // The run of the row where the orb is opaque hides the shadow: it is not computed there.
    // (Opaque within 1e-6, which moves no value by more than 0.0003 of a level.)
    int opaqueBegin = begin, opaqueEnd = begin;
    if (inOrb && begin < end) {
        const int middle = std::clamp(ix + side / 2, begin, end - 1);
        if (orb[middle - ix].a >= 1.0f - 1e-6f) {
            opaqueBegin = middle;
            opaqueEnd = middle + 1;
            while (opaqueBegin > begin && orb[opaqueBegin - 1 - ix].a >= 1.0f - 1e-6f) --opaqueBegin;
            while (opaqueEnd < end && orb[opaqueEnd - ix].a >= 1.0f - 1e-6f) ++opaqueEnd;
        }
    }
    // The opaque run is the orb alone (the orb over nothing is the orb: s + 0 (1 - sa) = s);
    // the rest of the row is the shadow with the orb over it. With the shadow kept, the pixels
    // outside the square are copied as stored and only the square's are composed: [from, to).
    std::uint8_t* out = image.row(y);
    int from = 0, to = image.width;
    const Px* under = nullptr; // the kept shadow under the square's row, indexed by x - ix
    std::vector<Px>& line = scratch.shadowLine;
    line.resize(static_cast<std::size_t>(image.width));
    if (kept) {
        const std::size_t width = static_cast<std::size_t>(image.width);
        const std::uint8_t* still = kept->outside.data() + static_cast<std::size_t>(y) * width * 4;
        std::memcpy(out, still, static_cast<std::size_t>(begin) * 4);
        std::memcpy(out + 4 * static_cast<std::size_t>(end), still + 4 * static_cast<std::size_t>(end),
                    (width - static_cast<std::size_t>(end)) * 4);
        if (begin >= end) return;
        from = begin;
        to = end;
        under = kept->under.data() + static_cast<std::size_t>(orbRow) * static_cast<std::size_t>(side);
    } else {
        std::fill(line.begin(), line.begin() + opaqueBegin, Px{});
        std::fill(line.begin() + opaqueEnd, line.end(), Px{});
        if (!shadows.empty()) {
            shadowRow(shadows, -ix, orbRow + 0.5, opaqueBegin, scratch.shadowChannels, line.data());
            shadowRow(shadows, opaqueEnd - ix, orbRow + 0.5, image.width - opaqueEnd, scratch.shadowChannels,
                      line.data() + opaqueEnd);
        }
    }
    for (int x = begin; x < end; ++x) {
        if (x == opaqueBegin) x = opaqueEnd;
        if (x >= end) break;
        Px& d = line[static_cast<std::size_t>(x)];
        store(d, sourceOver(load(orb[x - ix]), under ? load(under[x - ix]) : load(d)));
    }
    const CompositeKernels& kernels = compositeKernels();
    kernels.storeBytes(line.data() + from, opaqueBegin - from, out + 4 * from);
    if (opaqueBegin < opaqueEnd) kernels.storeBytes(orb + (opaqueBegin - ix), opaqueEnd - opaqueBegin, out + 4 * opaqueBegin);
    kernels.storeBytes(line.data() + opaqueEnd, to - opaqueEnd, out + 4 * opaqueEnd);
}

StillLayers::ShadowPixels keptShadow(StillLayers::ShadowKey key, const OrbSquare& sq,
                                     const std::vector<ShadowPart>& shadows, WorkerPool& pool)
{
    StillLayers::ShadowPixels kept;
    const int width = key.width, height = key.height, side = sq.side;
    const int ix = static_cast<int>(key.originX), iy = static_cast<int>(key.originY);
    kept.outside.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    kept.under.resize(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    const int end = static_cast<int>(std::clamp<long long>(static_cast<long long>(ix) + side, 0, width));
    const int begin = std::clamp(ix, 0, end);
    // Every pixel's shadow in one run per row: a shadow pixel does not depend on where the run it
    // is read in starts, so these are the values storeRow's runs compute.
    pool.forChunks(height, kRowChunk, [&](int y0, int y1) {
        std::vector<Px> line(static_cast<std::size_t>(width));
        std::vector<float> channels;
        for (int y = y0; y < y1; ++y) {
            const int orbRow = y - iy;
            std::fill(line.begin(), line.end(), Px{});
            shadowRow(shadows, -ix, orbRow + 0.5, width, channels, line.data());
            compositeKernels().storeBytes(line.data(), width, kept.outside.data() + static_cast<std::size_t>(y) * width * 4);
            if (orbRow >= 0 && orbRow < side && begin < end)
                std::copy(line.begin() + begin, line.begin() + end,
                          kept.under.begin() + static_cast<std::ptrdiff_t>(orbRow) * side + (begin - ix));
        }
    });
    kept.key = std::move(key);
    return kept;
}

} // namespace lumara::render
