// A smooth layer sampled on a coarse grid over a rectangle of pixels and read back bilinearly at
// pixel centres: the reduced-resolution form of the glow pairs and the drop shadow (Reduced.h).
// One grid belongs to one render call; its fill runs rows on the call's pool in fixed chunks and
// its reads are const, so any thread count gives the same bytes.
#pragma once

#include "render/Blur.h"
#include "render/Parallel.h"

#include <functional>
#include <vector>

namespace lumara::render {

// Samples of `channels` planes over the pixels [x0, x0 + width) x [y0, y0 + height). On each axis
// the first and the last sample sit on the first and the last pixel centre and the others evenly
// between them, at most `step` pixels apart: every pixel centre lies between samples, so a read
// never blends in anything from outside the rectangle (a layer cut off at the rectangle's edge
// stays exact there).
class SmoothGrid {
public:
    SmoothGrid() = default;
    // An empty grid for a rectangle without pixels; `step` below 1 (or not a number) counts as 1.
    SmoothGrid(int x0, int y0, int width, int height, double step, int channels);

    bool empty() const { return m_columns <= 0 || m_rows <= 0; }
    int columns() const { return m_columns; }
    int rows() const { return m_rows; }
    // Pixel coordinates of sample (i, j), and the distance between samples on each axis.
    double sampleX(int i) const { return m_x0 + 0.5 + i * m_dx; }
    double sampleY(int j) const { return m_y0 + 0.5 + j * m_dy; }
    double stepX() const { return m_dx; }
    float* row(int channel, int j) { return m_data.data() + (static_cast<std::size_t>(channel) * m_rows + j) * m_columns; }
    const float* row(int channel, int j) const
    {
        return m_data.data() + (static_cast<std::size_t>(channel) * m_rows + j) * m_columns;
    }

    // fillRows(j0, j1) writes sample rows [j0, j1) of every channel; then the extents of the
    // non-zero samples are found for extent().
    void fill(WorkerPool& pool, const std::function<void(int, int)>& fillRows);

    // Bilinear reads of every channel at the centres of pixels [x, x + count) of pixel row y, into
    // out[c][0 .. count); zero outside the rectangle.
    void readRow(int y, int x, int count, float* const* out) const;

    // The pixels [begin, end) of row y, within [lo, hi), where a read can be non-zero.
    void extent(int y, int lo, int hi, int& begin, int& end) const;

private:
    // Sample row j and weight s of the lower row for pixel row y, false outside the rectangle.
    bool rowsFor(int y, int& j, float& s) const;

    int m_x0 = 0, m_y0 = 0, m_width = 0, m_height = 0;
    int m_columns = 0, m_rows = 0, m_channels = 0;
    double m_dx = 0.0, m_dy = 0.0;
    std::vector<float> m_data;
    std::vector<int> m_column;     // for each pixel column: the sample column at or left of it
    std::vector<float> m_weight;   // and the weight of the one to its right
    std::vector<int> m_first, m_last; // per sample row: first and one past the last non-zero sample
};

// The cells of a blurred field's rows that are not exactly zero, so that a read-back can skip
// the pixels whose bilinear reads blend four zero cells: those reads are exactly zero, so skipping
// them changes no pixel. Built after the field is filled and blurred.
class NonZeroCells {
public:
    NonZeroCells(const Field& field, int channel);
    // The pixels [begin, end) of pixel row y, within [lo, hi), where a read of the field (at pixel
    // centres, as Field::sampleRow reads them) can be non-zero.
    void pixels(int y, int lo, int hi, int& begin, int& end) const;

private:
    const Field& m_field;
    std::vector<int> m_first, m_last; // per cell row: first and one past the last non-zero cell
};

} // namespace lumara::render
