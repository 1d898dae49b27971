// Stage 2, coverage: antialiased area coverage of closed polygons (non-zero winding) on a pixel
// grid, and of circles. Each call owns its buffers; safe from any thread.
#pragma once

#include "render/Geometry.h"

#include <vector>

namespace lumara::render {

// Exact area coverage of a closed polygon over a grid of width x height cells. A cell (i, j) spans
// [i, i+1) x [j, j+1) in grid units; the polygon's points are mapped to grid units by
// (p - origin) / cellSize. Signed areas are accumulated per cell and summed along each row, so
// the result is the winding number clamped to 1 (non-zero rule) in fully covered cells and the
// exact fraction along simple edges. Parts of the polygon outside the grid are clipped correctly.
// Writes width * height values in 0..1, row-major, into `out` (resized; its memory is reused).
void polygonCoverage(const std::vector<Point>& polygon, int width, int height, Point origin, double cellSize,
                     std::vector<float>& out);

// The same values from zeroing and summing every cell of the grid rather than only the rows and
// cells the outline reaches: slower; the reference polygonCoverage is checked against.
void polygonCoverageWholeGrid(const std::vector<Point>& polygon, int width, int height, Point origin,
                              double cellSize, std::vector<float>& out);

inline std::vector<float> polygonCoverage(const std::vector<Point>& polygon, int width, int height, Point origin,
                                          double cellSize)
{
    std::vector<float> out;
    polygonCoverage(polygon, width, height, origin, cellSize, out);
    return out;
}

// Coverage of a disc of `radius` by a cell of size `cellSize` whose centre is `distance` from the
// disc's centre: a linear ramp one cell wide across the rim.
inline float discCoverage(double distance, double radius, double cellSize)
{
    const double c = 0.5 + (radius - distance) / cellSize;
    return static_cast<float>(c < 0.0 ? 0.0 : (c > 1.0 ? 1.0 : c));
}

} // namespace lumara::render
