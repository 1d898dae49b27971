// The glow field, its cache and its turned read. Safe from any thread (see GlowField.h).
#include "render/GlowField.h"

#include "render/Coverage.h"
#include "render/GlowRead.h"
#include "render/Gradient.h"


#include <algorithm>
#include <list>
#include <mutex>

namespace lumara::render {

namespace {

inline double length(double x, double y) { return std::sqrt(x * x + y * y); }

GlowSource makeGlowSource(int side, double sigma, WorkerPool& pool)
{
    const double size = side, centre = size / 2.0, inv = 1.0 / size;
    const bool blurred = sigma >= 0.5;
    const int k = blurred ? Field::cellSizeFor(sigma, size) : std::max(1, side / 256);
    auto field = std::make_shared<Field>(Field::covering(0.0, 0.0, size, size, k, 1));
    field->fillAndBlur(blurred ? sigma : 0.0, pool, [&](int j0, int j1) {
        for (int j = j0; j < j1; ++j) {
            float* out = field->row(0, j);
            const double dy = field->cellCentreY(j) - centre;
            for (int i = 0; i < field->width(); ++i) {
                const double dx = field->cellCentreX(i) - centre;
                const float disc = blurred ? discCoverage(length(dx, dy), centre, k) : 1.0f;
                out[i] = disc > 0.0f ? disc * crescentMask(dx * inv, dy * inv) : 0.0f;
            }
        }
    });
    GlowSource source{field, blurred};
    int iMin = field->width(), iMax = -1, jMin = field->height(), jMax = -1;
    int iFirst = field->width(), iLast = -1, jFirst = field->height(), jLast = -1;
    for (int j = 0; j < field->height(); ++j) {
        const float* row = field->row(0, j);
        for (int i = 0; i < field->width(); ++i) {
            if (row[i] != 0.0f) {
                iFirst = std::min(iFirst, i);
                iLast = std::max(iLast, i);
                jFirst = std::min(jFirst, j);
                jLast = std::max(jLast, j);
            }
            if (row[i] > 2e-5f) { // below 1/200 of a level: nothing to draw
                iMin = std::min(iMin, i);
                iMax = std::max(iMax, i);
                jMin = std::min(jMin, j);
                jMax = std::max(jMax, j);
            }
        }
    }
    if (iLast >= 0) {
        // Cells iu and iu + 1 are read: zero unless iFirst - 1 <= iu <= iLast, and likewise for v.
        source.zeroBelowU = iFirst - 1.0;
        source.zeroFromU = iLast + 1.0;
        source.zeroBelowV = jFirst - 1.0;
        source.zeroFromV = jLast + 1.0;
    }
    if (iMax >= 0) {
        // A bilinear read is non-zero up to one cell beyond the last non-zero cell's centre.
        source.uMin = field->cellCentreX(iMin - 1) - centre;
        source.uMax = field->cellCentreX(iMax + 1) - centre;
        source.vMin = field->cellCentreY(jMin - 1) - centre;
        source.vMax = field->cellCentreY(jMax + 1) - centre;
    }
    return source;
}

// Glow fields depend only on the orb's side and the blur, and the canvas asks for the same few
// every frame. This small process-wide cache keeps the most recent ones. An entry is computed by
// one fixed function of its key whatever thread or thread count computes it, so a hit returns
// exactly what a miss would compute: the cache can never change a picture.
class GlowSourceCache {
public:
    GlowSource get(int side, double sigma, WorkerPool& pool)
    {
        const Key key{side, sigma >= 0.5 ? sigma : 0.0};
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
                if (it->first == key) {
                    m_entries.splice(m_entries.begin(), m_entries, it);
                    return m_entries.front().second;
                }
            }
        }
        GlowSource source = makeGlowSource(side, key.sigma, pool);
        const std::size_t cells = static_cast<std::size_t>(source.field->width()) * source.field->height();
        if (cells <= kMaxCachedCells) {
            std::lock_guard lock(m_mutex);
            m_entries.emplace_front(key, source);
            if (m_entries.size() > kMaxEntries) m_entries.pop_back();
        }
        return source;
    }

    static GlowSourceCache& instance()
    {
        static GlowSourceCache cache;
        return cache;
    }

private:
    struct Key {
        int side;
        double sigma;
        bool operator==(const Key&) const = default;
    };
    // At most 8 fields of at most 4M cells each (128 MiB in the worst case; an 800-point orb at
    // 2x needs 2.6M cells for its unblurred mask and far fewer for its blurred glows).
    static constexpr std::size_t kMaxEntries = 8;
    static constexpr std::size_t kMaxCachedCells = std::size_t{1} << 22;
    std::mutex m_mutex;
    std::list<std::pair<Key, GlowSource>> m_entries;
};

} // namespace

GlowSource cachedGlowSource(int side, double sigma, WorkerPool& pool)
{
    return GlowSourceCache::instance().get(side, sigma, pool);
}

// The range [first, last) of x in a row where a + b x lies in [lo, hi] (everything when b is 0
// and a lies in it, nothing when it does not).
void clipToSlab(double a, double b, double lo, double hi, double& first, double& last)
{
    if (b == 0.0) {
        if (a < lo || a > hi) last = first;
        return;
    }
    double x0 = (lo - a) / b, x1 = (hi - a) / b;
    if (x0 > x1) std::swap(x0, x1);
    first = std::max(first, x0);
    last = std::min(last, x1);
}

void TurnedGlow::alphaAlong(double x0, double y, double step, int count, double discWidth, float* out) const
{
    const Field& f = *m_source.field;
    const double inv = 1.0 / f.cellSize();
    const double dy = y - m_sq.centre;
    const double dx0 = x0 - m_sq.centre;
    // The disc is fully covering more than one disc width inside its rim.
    const double innerRadius = std::max(m_sq.radius - discWidth, 0.0);
    GlowReadRow row;
    row.cells = f.plane(0);
    row.width = f.width();
    row.height = f.height();
    row.fu = (m_sq.centre + m_cos * dx0 + m_sin * dy - f.left()) * inv - 0.5;
    row.fv = (m_sq.centre - m_sin * dx0 + m_cos * dy - f.top()) * inv - 0.5;
    row.du = m_cos * step * inv;
    row.dv = -m_sin * step * inv;
    row.applyDisc = !m_source.withDisc; // a blurred field holds its disc already
    row.dx0 = dx0;
    row.step = step;
    row.dy2 = dy * dy;
    row.inner2 = innerRadius * innerRadius;
    row.radius = m_sq.radius;
    row.discWidth = discWidth;
    row.zeroBelowU = m_source.zeroBelowU;
    row.zeroFromU = m_source.zeroFromU;
    row.zeroBelowV = m_source.zeroBelowV;
    row.zeroFromV = m_source.zeroFromV;
    row = row.withBounds();
    const GlowReadKernels& kernels = glowReadKernels();
    // The kernel reads everything but the samples on the field's border, which take the general
    // lookup here, a block at a time.
    constexpr int kBlock = 1024;
    int border[kBlock];
    for (int first = 0; first < count; first += kBlock) {
        const int borders = readTurned(kernels, row, first, std::min(kBlock, count - first), out, border);
        for (int b = 0; b < borders; ++b) {
            const int i = border[b];
            const double u = row.fu + i * row.du, v = row.fv + i * row.dv;
            float a = f.sample(0, f.left() + (u + 0.5) * f.cellSize(), f.top() + (v + 0.5) * f.cellSize());
            if (row.applyDisc) {
                const double dx = dx0 + i * step, d2 = dx * dx + row.dy2;
                if (d2 > row.inner2) a *= discCoverage(std::sqrt(d2), m_sq.radius, discWidth);
            }
            out[i] = a;
        }
    }
}

void TurnedGlow::alphaAlongPlain(double x0, double y, double step, int count, double discWidth, float* out) const
{
    const Field& f = *m_source.field;
    const double dy = y - m_sq.centre;
    const double innerRadius = std::max(m_sq.radius - discWidth, 0.0), inner2 = innerRadius * innerRadius;
    for (int i = 0; i < count; ++i) {
        const double dx = x0 + i * step - m_sq.centre;
        float disc = 1.0f;
        if (!m_source.withDisc) {
            const double d2 = dx * dx + dy * dy;
            if (d2 > inner2) disc = discCoverage(std::sqrt(d2), m_sq.radius, discWidth);
        }
        const double u = m_sq.centre + m_cos * dx + m_sin * dy, v = m_sq.centre - m_sin * dx + m_cos * dy;
        out[i] = disc == 0.0f ? 0.0f : f.sample(0, u, v) * disc;
    }
}

} // namespace lumara::render
