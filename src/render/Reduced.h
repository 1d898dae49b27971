// The glow pairs, and smooth layers at reduced resolution: a layer blurred by a wide Gaussian
// changes little from one pixel to the next, so it is evaluated on a coarser grid of sample points
// and read back bilinearly where it is composited, while the blend itself stays per pixel. Used
// for the glow pairs and the drop shadow; the layers with edges (clip, rings, unblurred outlines)
// never come here.
// Safe from any thread: grids belong to one render call and are filled in fixed row chunks.
#pragma once

#include "render/Blur.h"
#include "render/Composite.h"
#include "render/Finish.h"
#include "render/GlowField.h"
#include "render/Layers.h"
#include "render/OrbSquare.h"
#include "render/Parallel.h"
#include "render/SmoothGrid.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

namespace lumara::render {

// Below this deviation, in pixels, a layer is evaluated on the pixel grid.
inline constexpr double kReducedMinSigma = 5.0;
// Deviations per grid step of a reduced layer. Bilinear reading of a Gaussian-blurred step of
// height 1 sampled every h pixels is off by at most about 0.03 (h / sigma)^2: under one 8-bit
// level at sigma / 3. Measured over the presets and random looks (bench_render, BM_ReducedError):
// at most 1 level; at sigma / 2.5 the two inner glows of the brightest looks, adding up at the
// rim, strayed by 4 levels.
inline constexpr double kReducedSigmaPerStep = 3.0;

// Largest distance, in pixels, between the samples of a layer blurred by `sigma` pixels: 1 (the
// pixel grid, no reduction) below kReducedMinSigma or for a deviation that is not finite,
// otherwise floor(sigma / kReducedSigmaPerStep), at most 64. Whole pixels: samples sigma / 3 apart
// but drifting against the glow field's cells (a fractional step) strayed by 4 levels.
int reducedStep(double sigma);

// One glow of a pair, read a row at a time: from a coarse grid of its alphas when `reduce` is set
// and its blur allows one (reducedStep above 1), else turned at every pixel.
class GlowRows {
public:
    GlowRows(const OrbSquare& sq, const GlowLayer& layer, bool reduce, WorkerPool& pool);

    bool visible() const { return m_visible; }
    bool reduced() const { return m_reduced; }
    Px colour() const { return m_glow.colour(); }
    // Pixels [begin, end) of row y where the glow can be non-zero (empty when it is invisible).
    void span(int y, int& begin, int& end) const;
    // Alphas of pixels [begin, end) of row y into out[begin..end).
    void alphaRow(int y, int begin, int end, float* out) const;

private:
    const OrbSquare& m_sq;
    TurnedGlow m_glow;
    bool m_visible = false, m_reduced = false;
    SmoothGrid m_grid;
};

// A pair of glows composited one after the other with the same operator, in one pass: the pair
// is first combined with `pairOp` (first glow, second glow) into the single source that has the
// same effect. For plus-lighter that is the sum, since min(s1 + min(s2 + d, 1), 1) equals
// min(s1 + s2 + d, 1) for non-negative values; for destination-over it is the first over the
// second, since d + (1 - da) s1 + (1 - da)(1 - s1a) s2 = d + (1 - da)(s1 over s2).
// `behind`: the pair is drawn behind what the square holds (destination-over), so it leaves
// exactly opaque pixels exactly as they are (d + s (1 - 1) = d) and rows that are opaque across
// the pair's span are skipped. A row is skipped whole or drawn whole: each glow's read position
// is advanced from the start of its span, so a shorter span would round differently.
// Each glow is read from its own coarse grid where `reduce` is set and its blur allows one; the
// pair is combined and composited per pixel either way.
// The compositing operators of the two glow pairs: behind the blobs, each pair is drawn
// destination-over and combined source-over; in front, both are added.
struct DestinationOverOp {
    Px4 operator()(Px4 s, Px4 d) const { return destinationOver(s, d); }
};
struct SourceOverOp {
    Px4 operator()(Px4 a, Px4 b) const { return sourceOver(a, b); }
};
struct PlusLighterOp {
    Px4 operator()(Px4 s, Px4 d) const { return plusLighter(s, d); }
};
struct SumOp {
    Px4 operator()(Px4 a, Px4 b) const { return sum(a, b); }
};

template <typename Op, typename PairOp>
class GlowPairLayer final : public RowLayer {
public:
    GlowPairLayer(const OrbSquare& sq, const GlowLayer& first, const GlowLayer& second, bool reduce, bool behind,
                  WorkerPool& pool, Op op, PairOp pairOp)
        : m_a(sq, first, reduce, pool), m_b(sq, second, reduce, pool), m_behind(behind), m_op(op),
          m_pairOp(pairOp)
    {
    }

    bool visible() const { return m_a.visible() || m_b.visible(); }

    void drawRow(int y, Px* row, RowScratch& scratch) const override
    {
        int aBegin = 0, aEnd = 0, bBegin = 0, bEnd = 0;
        m_a.span(y, aBegin, aEnd);
        m_b.span(y, bBegin, bEnd);
        if (aBegin >= aEnd) aBegin = aEnd = bBegin;
        if (bBegin >= bEnd) bBegin = bEnd = aBegin;
        const int begin = std::min(aBegin, bBegin), end = std::max(aEnd, bEnd);
        if (begin >= end) return;
        if (m_behind && std::all_of(row + begin, row + end, [](const Px& p) { return p.a == 1.0f; })) return;
        float* alphaA = scratch.alphaA.data();
        float* alphaB = scratch.alphaB.data();
        std::fill(alphaA + begin, alphaA + end, 0.0f);
        std::fill(alphaB + begin, alphaB + end, 0.0f);
        if (aBegin < aEnd) m_a.alphaRow(y, aBegin, aEnd, alphaA);
        if (bBegin < bEnd) m_b.alphaRow(y, bBegin, bEnd, alphaB);
        if constexpr (std::is_same_v<Op, PlusLighterOp> && std::is_same_v<PairOp, SumOp>) {
            compositeKernels().addScaledPair(row, alphaA, alphaB, begin, end, m_a.colour(), m_b.colour());
        } else {
            const Px4 ca = load(m_a.colour()), cb = load(m_b.colour());
            for (int x = begin; x < end; ++x) {
                if (alphaA[x] <= 0.0f && alphaB[x] <= 0.0f) continue;
                store(row[x], m_op(m_pairOp(scaled(ca, alphaA[x]), scaled(cb, alphaB[x])), load(row[x])));
            }
        }
    }

private:
    GlowRows m_a, m_b;
    bool m_behind;
    Op m_op;
    PairOp m_pairOp;
};

// The shadow parts of makeShadows (Finish.h), for a target of width x height with the square at
// (ox, oy), stacked into one part held on a coarse grid whose step comes from the finest part's
// blur; parts too fine to reduce are returned as they are.
std::vector<ShadowPart> reducedShadows(std::vector<ShadowPart> parts, double ox, double oy, int width, int height,
                                       WorkerPool& pool);

} // namespace lumara::render
