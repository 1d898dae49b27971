// Smooth layers at reduced resolution: the grid step, row extents and the stacked shadow.
// Safe from any thread (see Reduced.h).
#include "render/Reduced.h"

#include "render/Blend.h"

#include <limits>

namespace lumara::render {

int reducedStep(double sigma)
{
    if (!(sigma >= kReducedMinSigma) || !std::isfinite(sigma)) return 1;
    return static_cast<int>(std::clamp(std::floor(sigma / kReducedSigmaPerStep), 1.0, 64.0));
}

GlowRows::GlowRows(const OrbSquare& sq, const GlowLayer& layer, bool reduce, WorkerPool& pool)
    : m_sq(sq), m_glow(sq, layer, cachedGlowSource(sq.side, layer.sigma, pool)), m_visible(layer.colour.a > 0.0f)
{
    const int step = reducedStep(layer.sigma);
    m_reduced = reduce && m_visible && step > 1;
    if (!m_reduced) return;
    m_grid = SmoothGrid(0, 0, sq.side, sq.side, step, 1);
    m_grid.fill(pool, [&](int j0, int j1) {
        const double x = m_grid.sampleX(0), dx = m_grid.stepX();
        // A blurred glow holds its disc, so the disc width is not used.
        for (int j = j0; j < j1; ++j) m_glow.alphaAlong(x, m_grid.sampleY(j), dx, m_grid.columns(), dx, m_grid.row(0, j));
    });
}

void GlowRows::span(int y, int& begin, int& end) const
{
    begin = end = 0;
    if (!m_visible) return;
    if (m_reduced) m_grid.extent(y, m_sq.spanBegin[static_cast<std::size_t>(y)], m_sq.spanEnd[static_cast<std::size_t>(y)], begin, end);
    else m_glow.span(y, begin, end);
}

void GlowRows::alphaRow(int y, int begin, int end, float* out) const
{
    if (!m_reduced) return m_glow.alphaRow(y, begin, end, out);
    float* const into[1] = {out + begin};
    m_grid.readRow(y, begin, end - begin, into);
}

std::vector<ShadowPart> reducedShadows(std::vector<ShadowPart> parts, double ox, double oy, int width, int height,
                                       WorkerPool& pool)
{
    if (parts.empty()) return parts;
    double sigma = std::numeric_limits<double>::infinity();
    for (const auto& part : parts) sigma = std::min(sigma, part.sigma);
    const int step = reducedStep(sigma);
    if (step <= 1) return parts;
    // The stack covers what the parts cover (each moved down by its shift) within the target, in
    // the square's pixel coordinates like the parts themselves.
    const double inf = std::numeric_limits<double>::infinity();
    double x0 = inf, y0 = inf, x1 = -inf, y1 = -inf;
    for (const auto& part : parts) {
        const Field& f = part.field;
        x0 = std::min(x0, f.left());
        y0 = std::min(y0, f.top() + part.shiftY);
        x1 = std::max(x1, f.left() + f.width() * static_cast<double>(f.cellSize()));
        y1 = std::max(y1, f.top() + part.shiftY + f.height() * static_cast<double>(f.cellSize()));
    }
    const double ix = std::floor(ox), iy = std::floor(oy);
    x0 = std::max(std::floor(x0), -ix);
    y0 = std::max(std::floor(y0), -iy);
    x1 = std::min(std::ceil(x1), width - ix);
    y1 = std::min(std::ceil(y1), height - iy);
    if (!(x0 < x1) || !(y0 < y1)) return {};

    ShadowPart stack;
    stack.opacity = 1.0f; // scaling by one changes no bit
    stack.sigma = sigma;
    stack.stack = SmoothGrid(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                             static_cast<int>(y1 - y0), step, 4);
    SmoothGrid& grid = stack.stack;
    grid.fill(pool, [&](int j0, int j1) {
        for (int j = j0; j < j1; ++j) {
            const double y = grid.sampleY(j);
            float* out[4] = {grid.row(0, j), grid.row(1, j), grid.row(2, j), grid.row(3, j)};
            for (int i = 0; i < grid.columns(); ++i) {
                const double x = grid.sampleX(i);
                // The parts stacked as the store stacks them: each over the ones before it.
                Px4 p = _mm_setzero_ps();
                for (const auto& part : parts) {
                    const Field& f = part.field;
                    const double py = y - part.shiftY;
                    const Px4 s = _mm_setr_ps(f.sample(0, x, py), f.sample(1, x, py), f.sample(2, x, py), f.sample(3, x, py));
                    p = sourceOver(scaled(s, part.opacity), p);
                }
                Px q;
                store(q, p);
                out[0][i] = q.r;
                out[1][i] = q.g;
                out[2][i] = q.b;
                out[3][i] = q.a;
            }
        }
    });
    std::vector<ShadowPart> result;
    result.push_back(std::move(stack));
    return result;
}

} // namespace lumara::render
