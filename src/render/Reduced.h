// Smooth layers at reduced resolution: a layer blurred by a wide Gaussian changes little from one
// pixel to the next, so it is evaluated on a coarser grid of sample points and read back
// bilinearly where it is composited, while the blend itself stays per pixel. Used for the glow
// pairs and the drop shadow; the layers with edges (clip, rings, unblurred outlines) never come here.
// Safe from any thread: grids belong to one render call and are filled in fixed row chunks.
#pragma once

#include "render/Blur.h"
#include "render/Finish.h"
#include "render/GlowField.h"
#include "render/Layers.h"
#include "render/OrbSquare.h"
#include "render/Parallel.h"
#include "render/SmoothGrid.h"

#include <algorithm>
#include <cmath>
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

// One glow of a pair, read a row at a time: from a coarse grid of its alphas when its blur allows
// one (reducedStep above 1), else turned at every pixel as drawGlowPair reads it.
class GlowRows {
public:
    GlowRows(const OrbSquare& sq, const GlowLayer& layer, WorkerPool& pool);

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

// The glow pair of drawGlowPair (Layers.h) with each glow read from its own coarse grid where its
// blur allows one; the pair is then combined and composited per pixel exactly as there. When
// neither glow can be reduced this is drawGlowPair itself, bit for bit.
template <typename Op, typename PairOp>
void drawGlowPairReduced(std::vector<Px>& acc, const OrbSquare& sq, const GlowLayer& first, const GlowLayer& second,
                         WorkerPool& pool, bool behind, Op op, PairOp pairOp)
{
    const GlowRows a(sq, first, pool), b(sq, second, pool);
    if (!a.visible() && !b.visible()) return;
    if (!a.reduced() && !b.reduced()) return drawGlowPair(acc, sq, first, second, pool, behind, op, pairOp);
    const Px4 ca = load(a.colour()), cb = load(b.colour());
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        std::vector<float> alphaA(static_cast<std::size_t>(sq.side)), alphaB(static_cast<std::size_t>(sq.side));
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            int aBegin = 0, aEnd = 0, bBegin = 0, bEnd = 0;
            a.span(y, aBegin, aEnd);
            b.span(y, bBegin, bEnd);
            if (aBegin >= aEnd) aBegin = aEnd = bBegin;
            if (bBegin >= bEnd) bBegin = bEnd = aBegin;
            const int begin = std::min(aBegin, bBegin), end = std::max(aEnd, bEnd);
            if (begin >= end) continue;
            if (behind && std::all_of(row + begin, row + end, [](const Px& p) { return p.a == 1.0f; })) continue;
            std::fill(alphaA.begin() + begin, alphaA.begin() + end, 0.0f);
            std::fill(alphaB.begin() + begin, alphaB.begin() + end, 0.0f);
            if (aBegin < aEnd) a.alphaRow(y, aBegin, aEnd, alphaA.data());
            if (bBegin < bEnd) b.alphaRow(y, bBegin, bEnd, alphaB.data());
            for (int x = begin; x < end; ++x) {
                if (alphaA[x] <= 0.0f && alphaB[x] <= 0.0f) continue;
                store(row[x], op(pairOp(scaled(ca, alphaA[x]), scaled(cb, alphaB[x])), load(row[x])));
            }
        }
    });
}

// The shadow parts of makeShadows (Finish.h), for a target of width x height with the square at
// (ox, oy), stacked into one part held on a coarse grid whose step comes from the finest part's
// blur; parts too fine to reduce are returned as they are.
std::vector<ShadowPart> reducedShadows(std::vector<ShadowPart> parts, double ox, double oy, int width, int height,
                                       WorkerPool& pool);

} // namespace lumara::render
