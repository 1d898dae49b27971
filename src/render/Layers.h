// The layers of the stack that draw into the orb's square, in order: the background, the glow
// pairs (behind and in front of the blobs; Reduced.h), the wavy blobs and the inner rings, then
// the clip (Finish.h). Each is built first, computing on the pool whatever it reads (fields, grids,
// tables), and then drawn a row at a time: drawRow composites the layer onto one row of the
// square and touches nothing else, so the whole stack runs in one pass over the rows while each
// row is in cache, and any thread count gives the same bytes.
#pragma once

#include "model/OrbValues.h"
#include "render/Blend.h"
#include "render/Blur.h"
#include "render/Geometry.h"
#include "render/GlowField.h"
#include "render/Gradient.h"
#include "render/OrbSquare.h"
#include "render/Parallel.h"
#include "render/SmoothGrid.h"

#include <optional>
#include <vector>

namespace lumara::render {

// Working rows of a row pass over a square of `side` pixels: the row being drawn, the alphas of a
// glow pair, a read-back line, four channel planes (for layers and shadows read a channel at a
// time) and the target's row of shadow. Each thread keeps its own between passes (rowScratch());
// every user writes what it reads first.
struct RowScratch {
    void reserve(int side)
    {
        const std::size_t n = static_cast<std::size_t>(side);
        if (orbRow.size() < n) orbRow.resize(n);
        if (alphaA.size() < n) alphaA.resize(n);
        if (alphaB.size() < n) alphaB.resize(n);
        if (line.size() < n) line.resize(n);
        if (channels.size() < 4 * n) channels.resize(4 * n);
    }
    std::vector<Px> orbRow;
    std::vector<float> alphaA, alphaB, line, channels;
    std::vector<Px> shadowLine;
    std::vector<float> shadowChannels;
};

// The calling thread's scratch, ready for a square of `side` pixels.
inline RowScratch& rowScratch(int side)
{
    thread_local RowScratch scratch;
    scratch.reserve(side);
    return scratch;
}

// A layer ready to draw. drawRow(y, row, scratch) composites it onto `row`, row y of the square.
class RowLayer {
public:
    virtual ~RowLayer() = default;
    virtual void drawRow(int y, Px* row, RowScratch& scratch) const = 0;
};

// The background gradient, blurred by its own radius when asked.
class BackgroundLayer final : public RowLayer {
public:
    BackgroundLayer(const OrbSquare& sq, const OrbValues& v, double ppp, WorkerPool& pool);
    bool empty() const { return m_ramp.empty(); }
    void drawRow(int y, Px* row, RowScratch& scratch) const override;

private:
    // Parameter of the gradient at pixel coordinates (x, y).
    double param(double x, double y) const;
    // param() at the centres of pixels [x0, x0 + count) of row y, into out; count at most kParamRun.
    void paramsAlong(int x0, int y, int count, double* out) const;
    static constexpr int kParamRun = 64;

    const OrbSquare& m_sq;
    GradientType m_type;
    ColourRamp m_ramp;
    double m_cos = 1.0, m_sin = 0.0, m_start = 0.0, m_radialEnd = 1.0;
    std::optional<Field> m_blurred; // the gradient on cells, blurred, when the blur is half a pixel or more
};

// The background's rows as kept between renders (StillLayers): each row's span copied from
// `pixels`, side x side, which must outlive the layer.
class KeptBackgroundLayer final : public RowLayer {
public:
    KeptBackgroundLayer(const OrbSquare& sq, const Px* pixels) : m_sq(sq), m_pixels(pixels) {}
    void drawRow(int y, Px* row, RowScratch& scratch) const override;

private:
    const OrbSquare& m_sq;
    const Px* m_pixels;
};

// One wavy blob as drawn at one time: its colour, outline, the turn of the crescent it masks and
// the cell size of its field.
struct BlobShape {
    Px colour;
    std::vector<Point> polygon;
    double glowAngle = 0.0;
    int cellSize = 1;
};

// The blobs of `v` at time t with something to draw, in drawing order.
std::vector<BlobShape> blobShapes(const OrbSquare& sq, const OrbValues& v, double t, double ppp);

// The blob's field made ready (all zero, on the blob's cells over the square) and the coverage
// of its outline on those cells. Touches only its arguments, so blobs can be covered in parallel.
void coverBlob(const OrbSquare& sq, const BlobShape& blob, Field& field, std::vector<float>& cover);

// The blob's field, made ready by coverBlob: the crescent masked by the outline's coverage,
// blurred by the blob blur.
void fillBlobField(const OrbSquare& sq, const BlobShape& blob, double sigma, const GlowSource& crescent,
                   const std::vector<float>& cover, Field& field, WorkerPool& pool);

// One blob's filled field, composited with the blob blend mode. The field must outlive the layer.
class BlobLayer final : public RowLayer {
public:
    BlobLayer(const OrbSquare& sq, const Field& field, Px colour, BlobBlendMode mode);
    void drawRow(int y, Px* row, RowScratch& scratch) const override;

private:
    const OrbSquare& m_sq;
    const Field& m_field;
    Px m_colour;
    BlobBlendMode m_mode;
    bool m_direct; // cells of one pixel on the pixel grid, read directly
    std::optional<NonZeroCells> m_nonZero;
};

// The pair of inner rings.
class RingsLayer final : public RowLayer {
public:
    RingsLayer(const OrbSquare& sq, const OrbValues& v, double ppp);
    void drawRow(int y, Px* row, RowScratch& scratch) const override;

private:
    // w: the width of ring A in pixels; rB: the radius ring B is centred on.
    RingsLayer(const OrbSquare& sq, const OrbValues& v, double ppp, double w, double rB);

    const OrbSquare& m_sq;
    RingProfile m_ringA, m_ringB;
    double m_alphaA, m_alphaB;
    Px m_rgb;
    bool m_hasB;
    double m_hole; // both rings are zero closer to the centre than this
};

} // namespace lumara::render
