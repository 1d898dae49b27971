// Stage 2, coverage. Accumulation rasteriser: each edge adds its signed area to the cells it
// crosses; a running sum along the row then gives the coverage. Safe from any thread.
#include "render/Coverage.h"

#include <algorithm>
#include <cmath>

namespace lumara::render {

namespace {

class Accumulator {
public:
    // Accumulates in `cells`, which is resized and zeroed (its memory is reused).
    Accumulator(int width, int height, std::vector<float>& cells)
        : m_width(width), m_height(height), m_stride(width + 2), m_cells(cells)
    {
        m_cells.assign(static_cast<std::size_t>(m_stride) * static_cast<std::size_t>(height), 0.0f);
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
            if (ib <= ia + 1) {
                const double xm = 0.5 * (x + xnext) - xaFloor;
                cells[ia] += static_cast<float>(d - d * xm);
                cells[ia + 1] += static_cast<float>(d * xm);
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
            }
            x = xnext;
        }
    }

    // Turns the accumulated areas into coverage in place: row r moves from r * (width + 2) to
    // r * width, never ahead of where it is read, and the buffer ends width * height long.
    void finish()
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

    int width() const { return m_width; }

private:
    int m_width, m_height, m_stride;
    std::vector<float>& m_cells;
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

void polygonCoverage(const std::vector<Point>& polygon, int width, int height, Point origin, double cellSize,
                     std::vector<float>& out)
{
    Accumulator acc(width, height, out);
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

} // namespace lumara::render
