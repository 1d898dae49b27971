// Stages of the layer stack that draw into the orb's accumulator, in order: the background,
// the glow pairs (behind and in front of the blobs), the wavy blobs and the inner rings. Each
// runs its rows on the pool in fixed chunks, so any thread count gives the same bytes.
#pragma once

#include "model/OrbValues.h"
#include "render/Blend.h"
#include "render/Blur.h"
#include "render/GlowField.h"
#include "render/OrbSquare.h"
#include "render/Parallel.h"

#include <algorithm>
#include <vector>

namespace lumara::render {

// The background gradient, blurred by its own radius when asked.
void drawBackground(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double ppp, WorkerPool& pool);

// A pair of glows composited one after the other with the same operator, in one pass: the pair
// is first combined with `pairOp` (first glow, second glow) into the single source that has the
// same effect. For plus-lighter that is the sum, since min(s1 + min(s2 + d, 1), 1) equals
// min(s1 + s2 + d, 1) for non-negative values; for destination-over it is the first over the
// second, since d + (1 - da) s1 + (1 - da)(1 - s1a) s2 = d + (1 - da)(s1 over s2).
// `behind`: the pair is drawn behind what the square holds (destination-over), so it leaves
// exactly opaque pixels exactly as they are (d + s (1 - 1) = d) and rows that are opaque across
// the pair's span are skipped. A row is skipped whole or drawn whole: each glow's read position
// is advanced from the start of its span, so a shorter span would round differently.
template <typename Op, typename PairOp>
void drawGlowPair(std::vector<Px>& acc, const OrbSquare& sq, const GlowLayer& first, const GlowLayer& second,
                  WorkerPool& pool, bool behind, Op op, PairOp pairOp)
{
    const TurnedGlow a(sq, first, cachedGlowSource(sq.side, first.sigma, pool));
    const TurnedGlow b(sq, second, cachedGlowSource(sq.side, second.sigma, pool));
    const bool hasA = first.colour.a > 0.0f, hasB = second.colour.a > 0.0f;
    if (!hasA && !hasB) return;
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        std::vector<float> alphaA(static_cast<std::size_t>(sq.side)), alphaB(static_cast<std::size_t>(sq.side));
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * sq.side;
            int aBegin = 0, aEnd = 0, bBegin = 0, bEnd = 0;
            if (hasA) a.span(y, aBegin, aEnd);
            if (hasB) b.span(y, bBegin, bEnd);
            if (aBegin >= aEnd) aBegin = aEnd = bBegin;
            if (bBegin >= bEnd) bBegin = bEnd = aBegin;
            const int begin = std::min(aBegin, bBegin), end = std::max(aEnd, bEnd);
            if (behind && std::all_of(row + begin, row + end, [](const Px& p) { return p.a == 1.0f; })) continue;
            std::fill(alphaA.begin() + begin, alphaA.begin() + end, 0.0f);
            std::fill(alphaB.begin() + begin, alphaB.begin() + end, 0.0f);
            a.alphaRow(y, aBegin, aEnd, alphaA.data());
            b.alphaRow(y, bBegin, bEnd, alphaB.data());
            const Px4 ca = load(a.colour()), cb = load(b.colour());
            for (int x = begin; x < end; ++x) {
                if (alphaA[x] <= 0.0f && alphaB[x] <= 0.0f) continue;
                store(row[x], op(pairOp(scaled(ca, alphaA[x]), scaled(cb, alphaB[x])), load(row[x])));
            }
        }
    });
}

// The wavy blobs, each blurred and composited with the blob blend mode; `field` and `cover` are
// the calling thread's kept working memory.
void drawBlobs(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double t, double ppp, WorkerPool& pool,
               Field& field, std::vector<float>& cover);

// The pair of inner rings.
void drawRings(std::vector<Px>& acc, const OrbSquare& sq, const OrbValues& v, double ppp, WorkerPool& pool);

} // namespace lumara::render
