// Orb renderer: a pure function of (values, time, pixel scale, target) -> premultiplied RGBA8 image.
// Thread-safe and free of global mutable state; callable from any thread.
#pragma once

#include <cstddef>

#include "model/OrbValues.h"

#include <cstdint>
#include <vector>

namespace lumara::render {

class StillLayers;
class WorkerPool;

// Premultiplied 8-bit RGBA, row-major, tightly packed (stride = width * 4).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width * 4; }
    const std::uint8_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width * 4; }
};

struct RenderOptions {
    double pixelsPerPoint = 2.0;
    // Target extent in pixels. 0 means the orb's square, round(orbSize * pixelsPerPoint).
    int width = 0;
    int height = 0;
    // Where the orb's square sits in the target, in pixels (top-left corner); rounded to whole pixels.
    double originX = 0.0;
    double originY = 0.0;
    // Worker threads: 0 = all cores, 1 = single-threaded. The result never depends on it.
    int threads = 0;
    // Workers kept by the caller between frames instead of threads started for this call; when
    // set, `threads` is not used. Borrowed: one render at a time may use a pool.
    WorkerPool* workers = nullptr;
    // The layers that do not change with time, kept by the caller between frames of the same
    // look (StillLayers.h); null computes everything. The result never depends on it. Borrowed:
    // one render at a time may use a cache.
    StillLayers* stillLayers = nullptr;
    // Smooth layers (glow pairs blurred by 5 px or more, the drop shadow) are evaluated on a
    // coarser grid and read back bilinearly, within 2 levels of 255 of the exact picture
    // (bench_render's BM_ReducedError). True computes them at every pixel, for measuring that.
    bool exactSmoothLayers = false;
    // Cells of the blobs' fields held at once (0: about two million, 8 MiB). The layers are drawn
    // in one pass over the rows; blobs beyond this are drawn in batches, through a full-size
    // accumulator between them. The result never depends on it.
    std::size_t blobFieldCells = 0;
    // Whether the calling thread keeps this render's working memory for its next one (up to what
    // a 2048 px orb needs), as a stream of frames wants. A one-off picture on a thread that goes
    // on serving smaller frames (an export on the editor's shared thread pool) gives it back, so
    // that thread does not hold an export-sized buffer from then on. The result never depends on it.
    bool keepWorkingMemory = true;
};

// Largest orb square drawn, in pixels; larger requests draw nothing (orbPixelSize gives 0).
// At this size a render holds a few hundred MiB of working memory (single-channel planes of the
// square for the blobs and, with many blobs, a float RGBA accumulator).
inline constexpr int kMaxOrbPixels = 4096;
// Largest target: each side is cut to kMaxTargetSide and the height further so that the
// target holds at most kMaxTargetPixels pixels (64 MiB of RGBA).
inline constexpr int kMaxTargetSide = 8192;
inline constexpr long long kMaxTargetPixels = 4096LL * 4096LL;

// Side of the orb's square in pixels for a given scale: round(orbSize * pixelsPerPoint),
// 0 for degenerate or absurd input (not finite, not positive, or above kMaxOrbPixels).
int orbPixelSize(const OrbValues& values, double pixelsPerPoint);

// Draws the orb at `timeSeconds`. Never fails: degenerate input draws nothing.
Image renderOrb(const OrbValues& values, double timeSeconds, const RenderOptions& options = {});

} // namespace lumara::render
