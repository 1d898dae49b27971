// Stage 4, blur: a layer sampled on a grid of cells (one cell per pixel, or coarser for wide
// blurs), blurred by a Gaussian with separable passes, and read back at any point.
// A Field belongs to one render call; its passes split rows across the call's worker pool.
#pragma once

#include "render/Parallel.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

namespace lumara::render {

class Field {
public:
    Field() = default;
    // A grid of width x height cells of `cellSize` pixels whose first cell's top-left corner sits at
    // (left, top) in the caller's pixel coordinates, with `channels` planes, all zero.
    Field(double left, double top, int width, int height, int cellSize, int channels);

    // The cell size a blur of `sigma` pixels is computed at: one pixel up to 4 pixels of deviation,
    // then about sigma / 3 so that the kernel spans a bounded number of cells, but never so coarse
    // that a shape of `featurePixels` spans fewer than 8 cells.
    static int cellSizeFor(double sigma, double featurePixels);

    // Cell-grid geometry covering the pixel rectangle [x0, x1) x [y0, y1) and one more cell on
    // every side at `cellSize`, aligned to multiples of cellSize from the origin so that every
    // caller gets the same cells. Each side holds at most kMaxFieldCells cells.
    static Field covering(double x0, double y0, double x1, double y1, int cellSize, int channels);
    // The same grid made in place, reusing this field's memory: all zero, or with `cleared` false
    // holding anything until written (for a caller that writes every cell before reading one).
    void cover(double x0, double y0, double x1, double y1, int cellSize, int channels, bool cleared = true);
    // Gives the memory back.
    void release();
    // Floats held, including the blur's intermediate plane.
    std::size_t capacity() const;

    int width() const { return m_width; }
    int height() const { return m_height; }
    int cellSize() const { return m_cell; }
    int channels() const { return m_channels; }
    double left() const { return m_left; }
    double top() const { return m_top; }
    bool empty() const { return m_width <= 0 || m_height <= 0; }
    float* plane(int channel) { return m_data.data() + static_cast<std::size_t>(channel) * planeSize(); }
    const float* plane(int channel) const { return m_data.data() + static_cast<std::size_t>(channel) * planeSize(); }
    float* row(int channel, int y) { return plane(channel) + static_cast<std::size_t>(y) * m_width; }
    const float* row(int channel, int y) const { return plane(channel) + static_cast<std::size_t>(y) * m_width; }

    // Pixel coordinates of the centre of cell (i, j).
    double cellCentreX(int i) const { return m_left + (i + 0.5) * m_cell; }
    double cellCentreY(int j) const { return m_top + (j + 0.5) * m_cell; }

    // Gaussian blur of deviation `sigma` pixels, zero outside the grid. A true sampled Gaussian over
    // +-3 deviations on the cell grid; on coarse cells the deviation is reduced by the spread the
    // cell averaging and the bilinear read-back add on average (cellSize^2 / 6). Deviations under
    // half a pixel leave the field as it is.
    void blur(double sigma, WorkerPool& pool) { blurAfter(sigma, pool, nullptr, false); }
    // The same blur computed over every cell, where blur() passes over the cells no non-zero cell
    // reaches: slower; the reference blur() is checked against.
    void blurWholeGrid(double sigma, WorkerPool& pool) { blurAfter(sigma, pool, nullptr, true); }
    // fillRows(j0, j1) writes cell rows [j0, j1) of every channel, reading nothing else of the
    // field; then the field is blurred as by blur(). Each chunk of rows is filled and blurred
    // across in one hand-off, while the rows are still in cache. The result equals filling the
    // whole field first and then blurring it.
    void fillAndBlur(double sigma, WorkerPool& pool, const std::function<void(int, int)>& fillRows)
    {
        blurAfter(sigma, pool, &fillRows, false);
    }

    // Bilinear read of one channel at pixel coordinates (x, y); zero outside the grid.
    float sample(int channel, double x, double y) const
    {
        const double fx = (x - m_left) * m_inverseCell - 0.5, fy = (y - m_top) * m_inverseCell - 0.5;
        if (!(fx > -1.0 && fy > -1.0 && fx < m_width && fy < m_height)) return 0.0f;
        const int ix = static_cast<int>(fx + 1.0) - 1, iy = static_cast<int>(fy + 1.0) - 1; // floor for fx > -1
        const float tx = static_cast<float>(fx - ix), ty = static_cast<float>(fy - iy);
        const float* p = plane(channel) + static_cast<std::ptrdiff_t>(iy) * m_width + ix;
        if (ix >= 0 && iy >= 0 && ix + 1 < m_width && iy + 1 < m_height) {
            const float top = p[0] + (p[1] - p[0]) * tx;
            const float bottom = p[m_width] + (p[m_width + 1] - p[m_width]) * tx;
            return top + (bottom - top) * ty;
        }
        return sampleAtBorder(channel, ix, iy, tx, ty);
    }

    // Bilinear reads of one channel at (x0 + 0.5 + i, y) for i in [0, count): a row of pixel
    // centres, into out. The values of sample() up to float rounding (a row read blends the two
    // cell rows first, then the columns), computed a row at a time.
    void sampleRow(int channel, double x0, double y, int count, float* out) const;
    // The same for `channels` planes from firstChannel on, into out[0 .. channels).
    void sampleRows(int firstChannel, int channels, double x0, double y, int count, float* const* out) const;

private:
    void blurAfter(double sigma, WorkerPool& pool, const std::function<void(int, int)>* fillRows, bool wholeGrid);
    float sampleAtBorder(int channel, int ix, int iy, float tx, float ty) const;
    // sampleRows' parts: cell rows iy and iy + 1 blended by ty over columns lo .. hi + 1 into col
    // (indexed by column, zero outside the grid), and the four-channel read of a block.
    void blendCellRows(int channel, int iy, float ty, int lo, int hi, float* col) const;
    void sampleFour(int firstChannel, int iy, float ty, int lo, int hi, int n, const int* column, const float* weight,
                    float* const* out, int i0) const;
    static constexpr int kSampleBlock = 256; // pixels sampleRows reads a block at a time
    static constexpr int kOutside = -16; // sampleRows' column of a pixel outside the grid
    std::size_t planeSize() const { return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height); }

    double m_left = 0.0, m_top = 0.0;
    double m_inverseCell = 1.0;
    int m_width = 0, m_height = 0, m_cell = 1, m_channels = 0;
    std::vector<float> m_data;
    std::vector<float> m_scratch; // the blur's intermediate plane, kept between blurs
};

// Largest side of a field grid, in cells: wider requests get coarser cells.
inline constexpr int kMaxFieldCells = 4096;

} // namespace lumara::render
