// Stage 2, coverage. Accumulation rasteriser: each edge adds its signed area to the cells it
// crosses; a running sum along the row then gives the coverage. Safe from any thread.
#include "render/Coverage.h"

#include "render/Wide.h"

#include <algorithm>
#include <cmath>

namespace lumara::render {

namespace {

class Accumulator {
public:
    // Accumulates in `cells`, which is resized (its memory is reused). Rows are zeroed as edges
    // first reach them, and each row remembers the span of cells its edges touched, so that
    // finish() sums only those: a blob's outline reaches a few cells at each end of a row.
    // `wholeGrid` zeroes and sums every cell instead (the reference the fast form is tested on).
    Accumulator(int width, int height, std::vector<float>& cells, bool wholeGrid)
        : m_width(width), m_height(height), m_stride(width + 2), m_wholeGrid(wholeGrid), m_cells(cells),
          m_spanBegin(static_cast<std::size_t>(height), width + 2), m_spanEnd(static_cast<std::size_t>(height), 0)
    {
        m_cells.resize(static_cast<std::size_t>(m_stride) * static_cast<std::size_t>(height));
        if (wholeGrid) zeroRows(0, height);
    }

    // Adds an edge whose x lies inside [0, width]; rows outside the grid are skipped.
    void line(double x0, double y0, double x1, double y1)
    {
        if (!(std::abs(y1 - y0) > 1e-12)) return; // horizontal edges add no area
        double dir = 1.0;
        if (y0 > y1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
            dir = -1.0;
        }
        if (y1 <= 0.0 || y0 >= m_height) return;
        const double dxdy = (x1 - x0) / (y1 - y0);
        double x = x0;
        if (y0 < 0.0) x = std::clamp(x - y0 * dxdy, 0.0, static_cast<double>(m_width));
        const int rowBegin = std::max(0, static_cast<int>(std::floor(y0)));
        const int rowEnd = std::min(m_height, static_cast<int>(std::ceil(y1)));
        zeroRows(rowBegin, rowEnd);
        for (int row = rowBegin; row < rowEnd; ++row) {
            float* cells = m_cells.data() + static_cast<std::size_t>(row) * m_stride;
            const double dy = std::min(row + 1.0, y1) - std::max(static_cast<double>(row), y0);
            const double xnext = std::clamp(x + dxdy * dy, 0.0, static_cast<double>(m_width));
            const double d = dy * dir;
            const double xa = std::min(x, xnext), xb = std::max(x, xnext);
            const double xaFloor = std::floor(xa);
            const int ia = static_cast<int>(xaFloor);
            const double xbCeil = std::ceil(xb);
            const int ib = static_cast<int>(xbCeil);
            int& spanBegin = m_spanBegin[static_cast<std::size_t>(row)];
            int& spanEnd = m_spanEnd[static_cast<std::size_t>(row)];
            spanBegin = std::min(spanBegin, ia);
            if (ib <= ia + 1) {
                const double xm = 0.5 * (x + xnext) - xaFloor;
                cells[ia] += static_cast<float>(d - d * xm);
                cells[ia + 1] += static_cast<float>(d * xm);
                spanEnd = std::max(spanEnd, ia + 2);
            } else {
                const double s = 1.0 / (xb - xa);
                const double fa = xa - xaFloor;
                const double a0 = 0.5 * s * (1.0 - fa) * (1.0 - fa);
                const double fb = xb - xbCeil + 1.0;
                const double am = 0.5 * s * fb * fb;
                cells[ia] += static_cast<float>(d * a0);
                if (ib == ia + 2) {
                    cells[ia + 1] += static_cast<float>(d * (1.0 - a0 - am));
                } else {
                    const double a1 = s * (1.5 - fa);
                    cells[ia + 1] += static_cast<float>(d * (a1 - a0));
                    for (int i = ia + 2; i < ib - 1; ++i) cells[i] += static_cast<float>(d * s);
                    const double a2 = a1 + (ib - ia - 3) * s;
                    cells[ib - 1] += static_cast<float>(d * (1.0 - a2 - am));
                }
                cells[ib] += static_cast<float>(d * am);
                spanEnd = std::max(spanEnd, ib + 1);
            }
            x = xnext;
        }
    }

    // Turns the accumulated areas into coverage in place: row r moves from r * (width + 2) to
    // r * width, never ahead of where it is read, and the buffer ends width * height long. Along a
    // row the coverage is the running sum of the cells, clamped; it is 0 before the row's span,
    // holds its last value after it, and stays put across runs of empty cells inside it, which are
    // skipped four at a time. Adding an empty cell leaves the sum as it is, so this is the sum over
    // every cell, bit for bit.
    void finish()
    {
        if (m_wholeGrid) return finishWholeGrid();
        for (int row = 0; row < m_height; ++row) {
            const float* cells = m_cells.data() + static_cast<std::size_t>(row) * m_stride;
            float* o = m_cells.data() + static_cast<std::size_t>(row) * m_width;
            const bool reached = row >= m_zeroBegin && row < m_zeroEnd;
            const int begin = reached ? std::min(m_spanBegin[static_cast<std::size_t>(row)], m_width) : m_width;
            const int end = reached ? std::min(m_spanEnd[static_cast<std::size_t>(row)], m_width) : 0;
            if (begin >= end) {
                std::fill(o, o + m_width, 0.0f);
                continue;
            }
            std::fill(o, o + begin, 0.0f);
            float sum = 0.0f;
            int i = begin;
            while (i < end) {
                if (i + F32x4::lanes <= end) {
                    const F32x4 block = F32x4::load(cells + i);
                    if (allZero(block)) {
                        F32x4::splat(std::min(std::abs(sum), 1.0f)).store(o + i);
                        i += F32x4::lanes;
                        continue;
                    }
                    // Read before the writes below, which may overwrite these cells in place.
                    float values[F32x4::lanes];
                    block.store(values);
                    for (float value : values) {
                        sum += value;
                        o[i++] = std::min(std::abs(sum), 1.0f);
                    }
                    continue;
                }
                sum += cells[i];
                o[i++] = std::min(std::abs(sum), 1.0f);
            }
            std::fill(o + end, o + m_width, std::min(std::abs(sum), 1.0f));
        }
        m_cells.resize(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
    }

    int width() const { return m_width; }

private:
    void finishWholeGrid()
    {
        for (int row = 0; row < m_height; ++row) {
            const float* cells = m_cells.data() + static_cast<std::size_t>(row) * m_stride;
            float* o = m_cells.data() + static_cast<std::size_t>(row) * m_width;
            float sum = 0.0f;
            for (int i = 0; i < m_width; ++i) {
                sum += cells[i];
                o[i] = std::min(std::abs(sum), 1.0f);
            }
        }
        m_cells.resize(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
    }

    // Zeroes the rows of [begin, end) not zeroed yet; the zeroed rows stay one run.
    void zeroRows(int begin, int end)
    {
        if (begin >= end) return;
        if (m_zeroBegin >= m_zeroEnd) {
            m_zeroBegin = begin;
            m_zeroEnd = begin;
        }
        auto clear = [&](int from, int to) {
            if (from < to)
                std::fill(m_cells.data() + static_cast<std::size_t>(from) * m_stride,
                          m_cells.data() + static_cast<std::size_t>(to) * m_stride, 0.0f);
        };
        if (begin < m_zeroBegin) {
            clear(begin, m_zeroBegin);
            m_zeroBegin = begin;
        }
        if (end > m_zeroEnd) {
            clear(m_zeroEnd, end);
            m_zeroEnd = end;
        }
    }

    int m_width, m_height, m_stride;
    bool m_wholeGrid;
    std::vector<float>& m_cells;
    std::vector<int> m_spanBegin, m_spanEnd; // cells [begin, end) of each row that edges touched
    int m_zeroBegin = 0, m_zeroEnd = 0;      // rows zeroed so far
};

// Splits an edge where it crosses x = 0 and x = width and clamps each piece into [0, width]. A
// piece left of the grid becomes a vertical edge on its left border, which covers every cell to
// its right exactly as the original did; a piece right of it lands on the spare column.
void addClipped(Accumulator& acc, double x0, double y0, double x1, double y1)
{
    const double w = acc.width();
    double ts[4] = {0.0, 0.0, 0.0, 0.0};
    int n = 1;
    if (x0 != x1) {
        for (double edge : {0.0, w}) {
            const double t = (edge - x0) / (x1 - x0);
            if (t > 0.0 && t < 1.0) ts[n++] = t;
        }
    }
    if (n == 3 && ts[1] > ts[2]) std::swap(ts[1], ts[2]);
    ts[n++] = 1.0;
    for (int i = 0; i + 1 < n; ++i) {
        const double ta = ts[i], tb = ts[i + 1];
        const double ax = std::clamp(x0 + (x1 - x0) * ta, 0.0, w), ay = y0 + (y1 - y0) * ta;
        const double bx = std::clamp(x0 + (x1 - x0) * tb, 0.0, w), by = y0 + (y1 - y0) * tb;
        acc.line(ax, ay, bx, by);
    }
}

} // namespace

namespace {

void accumulate(const std::vector<Point>& polygon, int width, int height, Point origin, double cellSize,
                std::vector<float>& out, bool wholeGrid)
{
    if (width <= 0 || height <= 0) {
        out.clear();
        return;
    }
    Accumulator acc(width, height, out, wholeGrid);
    const std::size_t n = polygon.size();
    if (n >= 2 && cellSize > 0.0) {
        for (std::size_t i = 0; i < n; ++i) {
            const Point a = polygon[i], b = polygon[(i + 1) % n];
            const double ax = (a.x - origin.x) / cellSize, ay = (a.y - origin.y) / cellSize;
            const double bx = (b.x - origin.x) / cellSize, by = (b.y - origin.y) / cellSize;
            if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) continue;
            addClipped(acc, ax, ay, bx, by);
        }
    }
    acc.finish();
}

} // namespace

void polygonCoverage(const std::vector<Point>& polygon, int width, int height, Point origin, double cellSize,
                     std::vector<float>& out)
{
    accumulate(polygon, width, height, origin, cellSize, out, false);
}

void polygonCoverageWholeGrid(const std::vector<Point>& polygon, int width, int height, Point origin,
                              double cellSize, std::vector<float>& out)
{
    accumulate(polygon, width, height, origin, cellSize, out, true);
}

} // namespace lumara::render
