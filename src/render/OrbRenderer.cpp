// Orb renderer: the layer stack of one orb, drawn in software. Pure; safe from any thread.
//
// Design note.
// Stages, one file each, in pipeline order: Geometry (angles reduced modulo 360 in double, the
// wavy outline flattened to a polygon, the orb's outline), Coverage (exact-area polygon and
// circle coverage), Gradient (colour ramps, the glow crescent, blurred ring profiles), Blur
// (layers on a cell grid, separable Gaussian passes, bilinear read-back), Blend (the compositing
// operators), GlowField (the unturned glow fields, their cache and the turned read), Layers
// (background, glow pairs, blobs, rings) and Finish (clip, edge feather, drop shadow, store).
// This file lists the stages: background, outer glows, blobs, inner glows, rings, then clip,
// edge feather and the drop shadow behind, and stores 8-bit premultiplied RGBA.
// Pixel format: premultiplied RGBA in 32-bit floats, gamma-encoded sRGB (the flattened layer is
// non-linear sRGB); only the last step narrows to 8 bits. Layers that are blurred and have one
// colour (glows, blobs) are blurred as one alpha plane.
// One pass: every layer is built first, computing on the pool whatever it reads (its blurred
// field, coarse grid or tables), and then a single pass over the target's rows draws each row of
// the square through all the layers while it is in cache and stores it over the shadow. The
// square is never held whole: at 560 px it would be 5 MB, more than the cache, written and read
// back by every layer. Only when the blobs' fields do not fit in memory at once
// (RenderOptions::blobFieldCells) are they drawn in batches, through a full-size accumulator.
// Threading: each call uses a WorkerPool, its own or one the caller keeps between frames; every
// pass splits rows into fixed chunks whose results do not depend on which thread runs them, so
// any thread count gives the same bytes. A frame is a few dozen short passes, so hand-offs are
// kept few and cheap: a field is filled and blurred across in one pass, all its channels at once,
// and the pool polls briefly before sleeping (Parallel.cpp). No state outlives a call except the
// constant erfc table, the glow-field cache (GlowField.cpp), whose entries are fixed functions of
// their keys, and each calling thread's working memory (FrameMemory, and the row scratch of
// every thread of the pool, RowScratch), which is cleared or overwritten before it is read.
// Speed: the compositing operators run on the four channels at once with SSE2 (Blend.h), lane
// for lane the scalar operations in the same order, so they give the scalar results bit for bit.
// The loops that run over most pixels every frame have vector paths, chosen once at start-up:
// AVX2 where the processor has it, else SSE2 (LUMARA_VECTOR_PATH=baseline forces SSE2): the
// blur (BlurKernels.h), the turned glow read (GlowRead.h), the row geometry, gradient parameters
// and ring profiles (RowKernels.h), and the store's narrowing and the additive blends
// (Composite.h); blend modes other than plus-lighter run four pixels at a time with their
// channels transposed. Every path gives the same bytes (vector_paths_test, and render_compare in
// bench/render/, which keeps one build's pictures and compares another build's). The glow reads split
// each row into runs (zeros outside the box of non-zero cells, a plain bilinear loop inside the
// rim) and compute each position from the row's first; a coarse blob field is read back only on
// each row's run of non-zero cells (NonZeroCells); coverage and blur visit only the cells an
// outline or a non-zero cell reaches.
// Blur: a sampled Gaussian over +-3 deviations. Up to 4 px of deviation it runs on the pixel grid;
// wider blurs run on cells of about sigma / 3 pixels (the kernel then spans about 19 taps) and
// are read back bilinearly, with the deviation reduced by the spread the cells add. Against an
// exact Gaussian (bench_render, BM_BlurError: a disc blurred by 1 to 72 px) the largest
// difference is 1.1 of an 8-bit level. Measured and rejected: cells of sigma / 2.5 (up to 1.5
// levels); cells of sigma / 4 (at most 1.03 levels) took about a third more time on the preset
// with the heaviest blobs ("Nebula") for a difference no one can see.
// Glows: every glow is the same crescent turned, so each blurred glow is computed once unturned
// (and kept in a small cache keyed by side and deviation) and read back at turned positions;
// the two glows of each pair are composited in one pass. Computing the two fields afresh every
// frame (a cache miss) was measured at about 3 ms more per 560 px frame on one core.
// Reduced resolution (Reduced.h, SmoothGrid.h): the smooth layers, each glow blurred by 6 px or
// more and the drop shadow, are sampled on a coarse grid, samples floor(sigma / 3) pixels apart
// at most with the first and last on the first and last pixel centres, and read back
// bilinearly where they are composited; the blends stay per pixel, and the edges (clip, feather,
// rings, blob outlines) stay on the pixel grid. Blurred blobs and the blurred background already
// run on cells of sigma / 3 and are read back the same way. Against the per-pixel path
// (RenderOptions::exactSmoothLayers) no byte moves by more than 1 level over the presets and 50
// random looks (bench_render, BM_ReducedError). Measured and rejected: samples sigma / 2.5 apart
// (4 levels at the rim of the brightest looks, where their two inner glows add up), or sigma / 3
// and sigma / 4 apart without rounding down to whole pixels (4 and 3 levels); the blur's own cell
// grid, aligned to multiples of the step (5 levels: reads at the square's edge blended in samples
// beyond it, where the glow field is cut off).
// Everything outside the inscribed circle ends transparent (edge feather), so the per-pixel passes
// of the orb's layers only visit the pixels whose centres lie inside it.
#include "render/OrbRenderer.h"

#include "render/Blend.h"
#include "render/Blur.h"
#include "render/Finish.h"
#include "render/Geometry.h"
#include "render/GlowField.h"
#include "render/Gradient.h"
#include "render/Layers.h"
#include "render/OrbSquare.h"
#include "render/Parallel.h"
#include "render/Reduced.h"
#include "render/StillLayers.h"

#include "model/OrbFields.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace lumara::render {

int orbPixelSize(const OrbValues& values, double pixelsPerPoint)
{
    const double side = values.orbSize * pixelsPerPoint;
    if (!std::isfinite(side) || side <= 0.0 || side > kMaxOrbPixels) return 0;
    return static_cast<int>(std::lround(side));
}

namespace {

// Values from an edited file reach the renderer unchanged: NaN falls back to the field's default,
// infinities become a large finite value that the limits below then bound.
double sane(double value, double fallback)
{
    if (std::isnan(value)) return fallback;
    return std::clamp(value, -1.0e12, 1.0e12);
}

OrbValues sanitised(const OrbValues& in)
{
    // Every number but the size, which the caller has already turned into the pixel side.
    const OrbValues d;
    OrbValues v = in;
    forEachOrbField([&](const auto& field) {
        if constexpr (std::is_same_v<OrbFieldType<decltype(field)>, double>) {
            if (field.member != &OrbValues::orbSize) v.*field.member = sane(in.*field.member, d.*field.member);
        }
    });
    return v;
}

// Blob fields held at once by default, in cells (RenderOptions::blobFieldCells).
constexpr std::size_t kBlobBatchCells = std::size_t{1} << 21;

// Working memory of the calling thread, kept between its renders so that a steady stream of frames
// (the live canvas) does not map, fault in and unmap fresh pages every frame. Every buffer is
// cleared or overwritten before it is read, so what it held before never reaches a picture. Only
// buffers up to the size a 2048 px orb needs are kept.
struct FrameMemory {
    std::vector<Px> acc;
    std::vector<Field> blobFields;
    std::vector<std::vector<float>> blobCovers;

    static constexpr std::size_t kKeptFloats = std::size_t{2048} * 2048 * 4;

    void release() { *this = FrameMemory{}; }

    void trim()
    {
        if (acc.capacity() * 4 > kKeptFloats) std::vector<Px>().swap(acc);
        std::size_t kept = 0;
        for (Field& field : blobFields) {
            kept += field.capacity();
            if (kept > kKeptFloats) field.release();
        }
        kept = 0;
        for (std::vector<float>& cover : blobCovers) {
            kept += cover.capacity();
            if (kept > kKeptFloats) std::vector<float>().swap(cover);
        }
    }
};

FrameMemory& frameMemory()
{
    thread_local FrameMemory memory;
    return memory;
}

// Draws `layers` in order onto every row of the square held in `acc`, starting from transparent
// rows when `fresh`.
void drawIntoAccumulator(std::vector<Px>& acc, const OrbSquare& sq, const std::vector<const RowLayer*>& layers,
                         bool fresh, WorkerPool& pool)
{
    const std::size_t side = static_cast<std::size_t>(sq.side);
    acc.resize(side * side);
    pool.forChunks(sq.side, kRowChunk, [&](int y0, int y1) {
        RowScratch& scratch = rowScratch(sq.side);
        for (int y = y0; y < y1; ++y) {
            Px* row = acc.data() + static_cast<std::size_t>(y) * side;
            if (fresh) std::fill(row, row + side, Px{});
            for (const RowLayer* layer : layers) layer->drawRow(y, row, scratch);
        }
    });
}
} // namespace

Image renderOrb(const OrbValues& rawValues, double timeSeconds, const RenderOptions& options)
{
    Image image;
    const int side = orbPixelSize(rawValues, options.pixelsPerPoint);
    long long width = options.width > 0 ? options.width : side;
    long long height = options.height > 0 ? options.height : side;
    width = std::min<long long>(width, kMaxTargetSide);
    height = std::min<long long>(height, kMaxTargetSide);
    if (width * height > kMaxTargetPixels) height = kMaxTargetPixels / std::max(width, 1LL);
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.assign(static_cast<std::size_t>(width * height * 4), 0);
    if (side <= 0 || width <= 0 || height <= 0) return image;

    const OrbValues v = sanitised(rawValues);
    const double ppp = options.pixelsPerPoint;
    const double t = std::isfinite(timeSeconds) ? timeSeconds : 0.0;
    const double ox = std::isfinite(options.originX) ? std::round(std::clamp(options.originX, -1.0e9, 1.0e9)) : 0.0;
    const double oy = std::isfinite(options.originY) ? std::round(std::clamp(options.originY, -1.0e9, 1.0e9)) : 0.0;

    std::optional<WorkerPool> ownPool;
    WorkerPool& pool = options.workers ? *options.workers : ownPool.emplace(options.threads);
    const OrbSquare sq(side);
    const double S = sq.size;
    FrameMemory& memory = frameMemory();
    const bool reduce = !options.exactSmoothLayers;
    // The layers still to draw, in order; each is built, its fields computed, before the pass that
    // draws it.
    std::vector<const RowLayer*> layers;
    // Whether memory.acc holds the square's rows drawn so far (only when the blobs come in batches).
    bool accumulated = false;

    // 1-5: the group of background, glows and blobs, and the ring pair over it.
    std::optional<BackgroundLayer> background;
    std::optional<KeptBackgroundLayer> keptBackground;
    std::shared_ptr<const StillLayers::BackgroundRows> backgroundRows;
    if (v.showBackground) {
        bool wanted = false;
        StillLayers::BackgroundKey key;
        if (options.stillLayers) {
            key = {side, ppp, v.gradientType, v.backgroundColors, v.gradientAngle, v.backgroundBlur};
            backgroundRows = options.stillLayers->background(key, wanted);
        }
        if (!backgroundRows && !background.emplace(sq, v, ppp, pool).empty()) {
            if (wanted) {
                // The look is held: its rows are drawn once now and kept.
                StillLayers::BackgroundRows rows{std::move(key), std::vector<Px>(static_cast<std::size_t>(side) * side)};
                pool.forChunks(side, kRowChunk, [&](int y0, int y1) {
                    RowScratch& scratch = rowScratch(side);
                    for (int y = y0; y < y1; ++y)
                        background->drawRow(y, rows.pixels.data() + static_cast<std::size_t>(y) * side, scratch);
                });
                backgroundRows = options.stillLayers->keep(std::move(rows));
            } else {
                layers.push_back(&*background);
            }
        }
        if (backgroundRows) layers.push_back(&keptBackground.emplace(sq, backgroundRows->pixels.data()));
    }
    const bool drawsBackground = !layers.empty();
    const Px glowRgb = ColourRamp::premultiplied({v.glowColor.red, v.glowColor.green, v.glowColor.blue, 1.0});
    auto glow = [&](double alphaFactor, double speedFactor, bool clockwise, double blurFactor) {
        const double alpha = std::clamp(v.glowColor.opacity * v.glowIntensity * alphaFactor, 0.0, 1.0);
        const double speed = v.speed * speedFactor * (clockwise ? 1.0 : -1.0);
        return GlowLayer{scaled(glowRgb, static_cast<float>(alpha)), rotationDegrees(t, speed),
                         S * blurFactor * v.glowSoftness};
    };
    // The glow pairs read from coarser grids when they are blurred enough (Reduced.h), else per pixel.
    std::optional<GlowPairLayer<DestinationOverOp, SourceOverOp>> behind;
    if (v.showGlowEffects &&
        behind.emplace(sq, glow(0.6, 0.75, true, 0.02), glow(0.3, 0.25, false, 0.01), reduce, true, pool,
                       DestinationOverOp{}, SourceOverOp{}).visible())
        layers.push_back(&*behind);
    const std::vector<BlobShape> blobs = v.showWavyBlobs ? blobShapes(sq, v, t, ppp) : std::vector<BlobShape>{};
    std::vector<BlobLayer> blobLayers;
    blobLayers.reserve(blobs.size()); // the pass holds pointers to them
    if (!blobs.empty()) {
        const GlowSource crescent = cachedGlowSource(sq.side, 0.0, pool);
        const double sigma = v.blobBlur * ppp;
        const std::size_t budget = options.blobFieldCells > 0 ? options.blobFieldCells : kBlobBatchCells;
        for (std::size_t next = 0; next < blobs.size();) {
            // As many fields as the batch allows, at least one.
            std::size_t end = next, cells = 0;
            while (end < blobs.size()) {
                const std::size_t n = static_cast<std::size_t>(side / blobs[end].cellSize + 3);
                if (end > next && cells + n * n > budget) break;
                cells += n * n;
                ++end;
            }
            if (memory.blobFields.size() < end - next) memory.blobFields.resize(end - next);
            if (memory.blobCovers.size() < end - next) memory.blobCovers.resize(end - next);
            // The outlines' coverage, a blob to a thread, then each field filled and blurred.
            pool.forChunks(static_cast<int>(end - next), 1, [&](int i0, int i1) {
                for (int i = i0; i < i1; ++i)
                    coverBlob(sq, blobs[next + i], memory.blobFields[i], memory.blobCovers[i]);
            });
            for (std::size_t i = next; i < end; ++i) {
                Field& field = memory.blobFields[i - next];
                fillBlobField(sq, blobs[i], sigma, crescent, memory.blobCovers[i - next], field, pool);
                layers.push_back(&blobLayers.emplace_back(sq, field, blobs[i].colour, v.blobBlendMode));
            }
            next = end;
            if (next < blobs.size()) {
                // The next batch reuses the fields: draw what is built so far.
                drawIntoAccumulator(memory.acc, sq, layers, !accumulated, pool);
                accumulated = true;
                layers.clear();
                blobLayers.clear();
            }
        }
    }
    std::optional<GlowPairLayer<PlusLighterOp, SumOp>> front;
    std::optional<RingsLayer> rings;
    if (v.showGlowEffects) {
        if (front.emplace(sq, glow(0.8, 3.0, true, 0.02), glow(0.5, 2.3, false, 0.01), reduce, false, pool,
                          PlusLighterOp{}, SumOp{}).visible())
            layers.push_back(&*front);
        if (v.innerRingWidth > 0.0) layers.push_back(&rings.emplace(sq, v, ppp));
    }
    // 6-8: the flattened layer is clipped to the outline and feathered at its edge.
    const ClipLayer clip(sq, v, ppp);
    layers.push_back(&clip);

    // 9: the two-part shadow behind the orb.
    std::shared_ptr<const StillLayers::ShadowPixels> keptShadowPixels;
    bool shadowWanted = false;
    StillLayers::ShadowKey shadowKey;
    if (options.stillLayers && v.showShadow) {
        shadowKey = {side, ppp, v.backgroundColors, v.shadowRadius, ox, oy, image.width, image.height, reduce};
        keptShadowPixels = options.stillLayers->shadow(shadowKey, shadowWanted);
    }
    std::vector<ShadowPart> shadows;
    if (!keptShadowPixels) {
        shadows = makeShadows(sq, v, ox, oy, image.width, image.height, pool);
        if (reduce) shadows = reducedShadows(std::move(shadows), ox, oy, image.width, image.height, pool);
        if (shadowWanted && !shadows.empty())
            keptShadowPixels = options.stillLayers->keep(keptShadow(std::move(shadowKey), sq, shadows, pool));
    }
    const StillLayers::ShadowPixels* kept = keptShadowPixels.get();

    // 10: one pass over the target's rows: each row of the square is drawn while in cache, then
    // stored over the shadow, narrowed to 8 bits.
    const int iy = static_cast<int>(oy);
    pool.forChunks(image.height, kRowChunk, [&](int y0, int y1) {
        RowScratch& scratch = rowScratch(side);
        for (int y = y0; y < y1; ++y) {
            const int orbRow = y - iy;
            Px* row = nullptr;
            if (orbRow >= 0 && orbRow < side) {
                if (accumulated) {
                    row = memory.acc.data() + static_cast<std::size_t>(orbRow) * static_cast<std::size_t>(side);
                } else {
                    // The background, when drawn, writes every pixel of the row's span and the clip
                    // clears the rest, so the row starts cleared only without one.
                    row = scratch.orbRow.data();
                    if (!drawsBackground) std::fill(row, row + side, Px{});
                }
                for (const RowLayer* layer : layers) layer->drawRow(orbRow, row, scratch);
            }
            storeRow(image, y, row, sq, shadows, kept, ox, oy, scratch);
        }
    });
    if (options.keepWorkingMemory)
        memory.trim();
    else
        memory.release();
    return image;
}

} // namespace lumara::render
