// The coarse grid of a smooth layer and its bilinear read-back. Safe from any thread (see SmoothGrid.h).
#include "render/SmoothGrid.h"

#include "render/GlowRead.h"

#include <algorithm>
#include <cmath>

namespace lumara::render {

namespace {

// Intervals between the samples of an axis of `pixels` pixels at most `step` apart.
int intervals(int pixels, double step)
{
    return pixels > 1 ? static_cast<int>(std::ceil((pixels - 1) / step - 1e-9)) : 1;
}

} // namespace

SmoothGrid::SmoothGrid(int x0, int y0, int width, int height, double step, int channels)
    : m_x0(x0), m_y0(y0), m_width(std::max(width, 0)), m_height(std::max(height, 0)), m_channels(std::max(channels, 0))
{
    if (m_width == 0 || m_height == 0) return;
    step = step >= 1.0 ? step : 1.0;
    const int nx = intervals(m_width, step), ny = intervals(m_height, step);
    m_columns = nx + 1;
    m_rows = ny + 1;
    m_dx = static_cast<double>(m_width - 1) / nx;
    m_dy = static_cast<double>(m_height - 1) / ny;
    m_data.assign(static_cast<std::size_t>(m_columns) * m_rows * m_channels, 0.0f);
    m_column.resize(static_cast<std::size_t>(m_width));
    m_weight.resize(static_cast<std::size_t>(m_width));
    const double inverse = m_dx > 0.0 ? 1.0 / m_dx : 0.0;
    for (int x = 0; x < m_width; ++x) {
        const double u = x * inverse;
        const int i = std::min(static_cast<int>(u), nx - 1);
        m_column[static_cast<std::size_t>(x)] = i;
        m_weight[static_cast<std::size_t>(x)] = static_cast<float>(u - i);
    }
    m_first.assign(static_cast<std::size_t>(m_rows), 0);
    m_last.assign(static_cast<std::size_t>(m_rows), 0);
}

void SmoothGrid::fill(WorkerPool& pool, const std::function<void(int, int)>& fillRows)
{
    if (empty()) return;
    pool.forChunks(m_rows, 16, [&](int j0, int j1) {
        fillRows(j0, j1);
        for (int j = j0; j < j1; ++j) {
            int a = m_columns, b = 0;
            for (int c = 0; c < m_channels; ++c) {
                const float* r = row(c, j);
                int i = 0;
                while (i < a && r[i] == 0.0f) ++i;
                a = i;
                int k = m_columns;
                while (k > b && r[k - 1] == 0.0f) --k;
                b = k;
            }
            m_first[static_cast<std::size_t>(j)] = a < b ? a : 0;
            m_last[static_cast<std::size_t>(j)] = a < b ? b : 0;
        }
    });
}

bool SmoothGrid::rowsFor(int y, int& j, float& s) const
{
    const int py = y - m_y0;
    if (empty() || py < 0 || py >= m_height) return false;
    const double v = m_dy > 0.0 ? py / m_dy : 0.0;
    j = std::min(static_cast<int>(v), m_rows - 2);
    s = static_cast<float>(v - j);
    return true;
}

void SmoothGrid::readRow(int y, int x, int count, float* const* out) const
{
    if (count <= 0) return;
    int j = 0;
    float s = 0.0f;
    const int from = std::max(x, m_x0), to = std::min(x + count, m_x0 + m_width);
    if (!rowsFor(y, j, s) || from >= to) {
        for (int c = 0; c < m_channels; ++c) std::fill(out[c], out[c] + count, 0.0f);
        return;
    }
    thread_local std::vector<float> column;
    column.resize(static_cast<std::size_t>(m_columns) + 8); // the read-back loads past the last column
    const int i0 = m_column[static_cast<std::size_t>(from - m_x0)];
    const int i1 = m_column[static_cast<std::size_t>(to - 1 - m_x0)] + 1;
    const GlowReadKernels& kernels = glowReadKernels();
    for (int c = 0; c < m_channels; ++c) {
        float* o = out[c];
        std::fill(o, o + (from - x), 0.0f);
        std::fill(o + (to - x), o + count, 0.0f);
        // The two sample rows blended first, then the columns.
        kernels.blendRows(row(c, j) + i0, row(c, j + 1) + i0, s, i1 - i0 + 1, column.data() + i0);
        kernels.between(column.data(), m_column.data() + (from - m_x0), m_weight.data() + (from - m_x0), to - from, o + (from - x));
    }
}

void SmoothGrid::extent(int y, int lo, int hi, int& begin, int& end) const
{
    begin = end = lo;
    int j = 0;
    float s = 0.0f;
    if (!rowsFor(y, j, s)) return;
    int a = m_columns, b = 0;
    for (int r : {j, j + 1}) {
        const auto k = static_cast<std::size_t>(r);
        if (m_first[k] >= m_last[k]) continue;
        a = std::min(a, m_first[k]);
        b = std::max(b, m_last[k]);
    }
    if (a >= b) return;
    // A read between samples i and i + 1 is zero unless one of them is non-zero: a - 1 <= i < b.
    const double left = m_x0 + (a - 1) * m_dx, right = m_x0 + b * m_dx;
    begin = static_cast<int>(std::clamp(std::floor(left), static_cast<double>(lo), static_cast<double>(hi)));
    end = static_cast<int>(std::clamp(std::ceil(right) + 1.0, static_cast<double>(begin), static_cast<double>(hi)));
}

NonZeroCells::NonZeroCells(const Field& field, int channel) : m_field(field)
{
    const int w = field.width(), h = field.height();
    m_first.assign(static_cast<std::size_t>(std::max(h, 0)), 0);
    m_last.assign(m_first.size(), 0);
    for (int j = 0; j < h; ++j) {
        const float* r = field.row(channel, j);
        int a = 0, b = w;
        while (a < w && r[a] == 0.0f) ++a;
        while (b > a && r[b - 1] == 0.0f) --b;
        if (a < b) {
            m_first[static_cast<std::size_t>(j)] = a;
            m_last[static_cast<std::size_t>(j)] = b;
        }
    }
}

void NonZeroCells::pixels(int y, int lo, int hi, int& begin, int& end) const
{
    begin = end = lo;
    const double k = m_field.cellSize();
    const double fy = (y + 0.5 - m_field.top()) / k - 0.5;
    if (!(fy > -1.0 && fy < m_field.height())) return;
    const int iy = static_cast<int>(std::floor(fy));
    int a = m_field.width(), b = 0;
    for (int j : {iy, iy + 1}) {
        if (j < 0 || j >= m_field.height()) continue;
        const auto r = static_cast<std::size_t>(j);
        if (m_first[r] >= m_last[r]) continue;
        a = std::min(a, m_first[r]);
        b = std::max(b, m_last[r]);
    }
    if (a >= b) return;
    // A read at cell position fx = (x + 0.5 - left) / k - 0.5 blends cells floor(fx) and
    // floor(fx) + 1, so it is zero unless a - 1 < fx < b; one pixel of slack on each side.
    const double from = std::floor(m_field.left() + (a - 0.5) * k - 0.5) - 1.0;
    const double to = std::ceil(m_field.left() + (b + 0.5) * k - 0.5) + 2.0;
    begin = static_cast<int>(std::clamp(from, static_cast<double>(lo), static_cast<double>(hi)));
    end = static_cast<int>(std::clamp(to, static_cast<double>(begin), static_cast<double>(hi)));
}

} // namespace lumara::render
