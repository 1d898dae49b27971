// Stage 3, shading. Tables are built once per object (or once per process for the edge table,
// a function-local constant); all reads are const.
#include "render/Gradient.h"

#include "render/Coverage.h"
#include "render/RowKernels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace lumara::render {

namespace {

float unit(double v) { return std::isnan(v) ? 0.0f : static_cast<float>(std::clamp(v, 0.0, 1.0)); }

// exp(-x) I0(x), Abramowitz and Stegun 9.8.1 and 9.8.2 (relative error below 2e-7).
double scaledBesselI0(double x)
{
    if (x <= 3.75) {
        const double t = x / 3.75, t2 = t * t;
        const double i0 = 1.0 + t2 * (3.5156229 + t2 * (3.0899424 + t2 * (1.2067492 + t2 * (0.2659732 + t2 * (0.0360768 + t2 * 0.0045813)))));
        return i0 * std::exp(-x);
    }
    const double t = 3.75 / x;
    const double p = 0.39894228 + t * (0.01328592 + t * (0.00225319 + t * (-0.00157565 + t * (0.00916281 + t * (-0.02057706 + t * (0.02635537 + t * (-0.01647633 + t * 0.00392377)))))));
    return p / std::sqrt(x);
}

} // namespace

ColourRamp::ColourRamp(const std::vector<CodableColor>& colours)
{
    m_stops.reserve(colours.size());
    for (const auto& c : colours) m_stops.push_back({unit(c.red), unit(c.green), unit(c.blue), unit(c.opacity)});
    if (m_stops.empty()) return;
    m_table.resize(kTableSteps + 1);
    for (int i = 0; i <= kTableSteps; ++i) m_table[static_cast<std::size_t>(i)] = at(static_cast<double>(i) / kTableSteps);
}

Px ColourRamp::premultiplied(const CodableColor& colour)
{
    const float a = unit(colour.opacity);
    return {unit(colour.red) * a, unit(colour.green) * a, unit(colour.blue) * a, a};
}

Px ColourRamp::at(double t) const
{
    if (m_stops.empty()) return {};
    const std::size_t n = m_stops.size();
    Stop s = m_stops[0];
    if (n > 1) {
        const double pos = std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0) * static_cast<double>(n - 1);
        const std::size_t i0 = std::min(static_cast<std::size_t>(pos), n - 1);
        const std::size_t i1 = std::min(i0 + 1, n - 1);
        const float f = static_cast<float>(pos - static_cast<double>(i0));
        const Stop& a = m_stops[i0];
        const Stop& b = m_stops[i1];
        s = {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f};
    }
    return {s.r * s.a, s.g * s.a, s.b * s.a, s.a};
}

float blurredEdge(double z)
{
    constexpr int kSteps = 64;  // table entries per standard deviation
    constexpr double kRange = 8.0;
    constexpr int kSize = static_cast<int>(2 * kRange * kSteps) + 2;
    static const std::array<float, kSize> table = [] {
        std::array<float, kSize> t{};
        for (int i = 0; i < kSize; ++i)
            t[i] = static_cast<float>(0.5 * std::erfc((i / static_cast<double>(kSteps) - kRange) / std::numbers::sqrt2));
        return t;
    }();
    if (!(z > -kRange)) return std::isnan(z) ? 0.0f : 1.0f;
    if (z >= kRange) return 0.0f;
    const double pos = (z + kRange) * kSteps;
    const int i = static_cast<int>(pos);
    const float f = static_cast<float>(pos - i);
    return table[i] + (table[i + 1] - table[i]) * f;
}

RingProfile::RingProfile(double rIn, double rOut, double sigma, double maxDistance)
    : m_rIn(std::max(rIn, 0.0)), m_rOut(rOut), m_sharp(!(sigma >= 0.25))
{
    if (m_sharp || !(m_rOut > m_rIn)) return;
    // Blurred coverage at distance d: the ring's area weighted by the Gaussian, in polar form
    //   A(d) = integral over rho in [rIn, rOut] of rho / s^2 exp(-(rho - d)^2 / 2s^2) I0e(rho d / s^2),
    // integrated with Simpson's rule over the part within 8 deviations of d.
    const double reach = 8.0 * sigma;
    m_begin = std::max(0.0, m_rIn - reach);
    const double end = std::min(m_rOut + reach, std::max(maxDistance, 0.0) + 2.0);
    if (!(end > m_begin)) return;
    constexpr int kMaxEntries = 4096;
    m_step = std::max(sigma / 8.0, (end - m_begin) / kMaxEntries);
    const int entries = static_cast<int>(std::ceil((end - m_begin) / m_step)) + 2;
    m_table.resize(static_cast<std::size_t>(entries));
    const double s2 = sigma * sigma;
    for (int e = 0; e < entries; ++e) {
        const double d = m_begin + e * m_step;
        const double a = std::max(m_rIn, d - reach), b = std::min(m_rOut, d + reach);
        if (!(b > a)) {
            m_table[static_cast<std::size_t>(e)] = 0.0f;
            continue;
        }
        int n = static_cast<int>(std::ceil((b - a) / (sigma / 4.0)));
        n = std::clamp(n + (n & 1), 2, 256);
        const double h = (b - a) / n;
        double sum = 0.0;
        for (int i = 0; i <= n; ++i) {
            const double rho = a + i * h;
            const double f = rho / s2 * std::exp(-(rho - d) * (rho - d) / (2 * s2)) * scaledBesselI0(rho * d / s2);
            sum += f * (i == 0 || i == n ? 1.0 : (i & 1 ? 4.0 : 2.0));
        }
        m_table[static_cast<std::size_t>(e)] = static_cast<float>(std::clamp(sum * h / 3.0, 0.0, 1.0));
    }
}

double RingProfile::innerEdge() const
{
    if (m_sharp || m_table.empty()) return m_rIn > 0.0 ? std::max(m_rIn - 1.0, 0.0) : 0.0;
    return m_begin;
}

void RingProfile::values(const double* distance, int count, float* out) const
{
    if (m_sharp || m_table.empty()) {
        for (int i = 0; i < count; ++i) out[i] = value(distance[i]);
        return;
    }
    // The table positions a block at a time through the vector kernels, then value()'s read of
    // the table on each.
    constexpr int kBlock = 256;
    double position[kBlock];
    const RowKernels& kernels = rowKernels();
    const double last = static_cast<double>(m_table.size() - 1);
    for (int i0 = 0; i0 < count; i0 += kBlock) {
        const int n = std::min(kBlock, count - i0);
        kernels.positions(distance + i0, m_begin, m_step, n, position);
        for (int i = 0; i < n; ++i) {
            const double pos = position[i];
            if (!(pos >= 0.0) || pos >= last) {
                out[i0 + i] = 0.0f;
                continue;
            }
            const auto k = static_cast<std::size_t>(pos);
            const float f = static_cast<float>(pos - static_cast<double>(k));
            out[i0 + i] = m_table[k] + (m_table[k + 1] - m_table[k]) * f;
        }
    }
}

void ColourRamp::fastRow(const double* t, int count, Px* out) const
{
    if (m_table.empty()) {
        std::fill(out, out + std::max(count, 0), Px{});
        return;
    }
    constexpr int kBlock = 256;
    double position[kBlock];
    const RowKernels& kernels = rowKernels();
    for (int i0 = 0; i0 < count; i0 += kBlock) {
        const int n = std::min(kBlock, count - i0);
        kernels.clampedScaled(t + i0, kTableSteps, n, position);
        for (int i = 0; i < n; ++i) {
            // fast4() from here on.
            const double pos = position[i];
            const int k = static_cast<int>(pos) < kTableSteps ? static_cast<int>(pos) : kTableSteps - 1;
            const Px4 a = load(m_table[static_cast<std::size_t>(k)]), b = load(m_table[static_cast<std::size_t>(k) + 1]);
            store(out[i0 + i], _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), _mm_set1_ps(static_cast<float>(pos - k)))));
        }
    }
}

void linearAlong(double x, double size, double offset, double c, double rowTerm, int count, double* out)
{
    if (count > 0) rowKernels().linear(x, size, offset, c, rowTerm, count, out);
}

void radialAlong(double x, double centre, double dy, double end, int count, double* out)
{
    if (count <= 0) return;
    const RowKernels& kernels = rowKernels();
    kernels.distances(x, centre, dy, count, out);
    kernels.positions(out, 0.0, end, count, out); // (d - 0) / end is d / end, bit for bit
}

void distancesAlong(double x, double centre, double dy, int count, double* out)
{
    if (count > 0) rowKernels().distances(x, centre, dy, count, out);
}

} // namespace lumara::render
