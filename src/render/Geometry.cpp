// Stage 1, geometry. Pure functions; safe from any thread.
#include "render/Geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumara::render {

double rotationDegrees(double t, double degreesPerSecond)
{
    const double raw = t * degreesPerSecond;
    if (!std::isfinite(raw)) return 0.0;
    return std::fmod(raw, 360.0);
}

double loopAngle(double t, double loopDuration)
{
    if (!std::isfinite(t) || std::isnan(loopDuration) || loopDuration == 0.0) return 0.0;
    if (std::isinf(loopDuration)) return 0.0; // remainder(t, inf) = t; t / inf = 0
    const double phase = std::remainder(t, loopDuration);
    return phase / loopDuration * 2.0 * std::numbers::pi;
}

namespace {

void appendCubic(std::vector<Point>& out, Point p0, Point c1, Point c2, Point p3, double tolerance, int maxSegments)
{
    // Wang's bound: n segments keep the polygon within `tolerance` of the curve.
    const double ddx = std::max(std::abs(p0.x - 2 * c1.x + c2.x), std::abs(c1.x - 2 * c2.x + p3.x));
    const double ddy = std::max(std::abs(p0.y - 2 * c1.y + c2.y), std::abs(c1.y - 2 * c2.y + p3.y));
    const double dd = std::hypot(ddx, ddy);
    double nf = std::ceil(std::sqrt(0.75 * dd / tolerance));
    if (!std::isfinite(nf)) nf = maxSegments;
    const int n = static_cast<int>(std::clamp(nf, 1.0, static_cast<double>(maxSegments)));
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n, u = 1.0 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.push_back({a * p0.x + b * c1.x + c * c2.x + d * p3.x, a * p0.y + b * c1.y + c * c2.y + d * p3.y});
    }
}

} // namespace

std::vector<Point> wavyBlobPolygon(Point centre, double radius, long complexity, double amplitude, double angle,
                                   double tolerance)
{
    std::vector<Point> polygon;
    if (complexity <= 0 || !(radius > 0.0) || !std::isfinite(radius)) return polygon;
    if (!std::isfinite(amplitude)) return polygon;
    const long n = std::min(complexity, kMaxComplexity);
    const double step = 2.0 * std::numbers::pi / static_cast<double>(n);
    std::vector<Point> points(static_cast<std::size_t>(n));
    for (long k = 0; k < n; ++k) {
        const double phi = step * static_cast<double>(k);
        // Base point (0.5 + 0.9 cos, 0.5 + 0.9 sin) in unit coordinates, moved by the wobble:
        // sine on x and cosine on y, so each point runs round a small circle.
        const double px = 0.9 * std::cos(phi) + amplitude * std::sin(angle + static_cast<double>(k) * step);
        const double py = 0.9 * std::sin(phi) + amplitude * std::cos(angle + static_cast<double>(k) * step);
        points[static_cast<std::size_t>(k)] = {centre.x + radius * px, centre.y + radius * py};
    }
    const double handle = radius * 0.33;
    const int perCurve = static_cast<int>(std::clamp(kMaxSegmentsPerBlob / n, 1L, static_cast<long>(kMaxSegmentsPerCurve)));
    polygon.reserve(static_cast<std::size_t>(n) * 8 + 1);
    polygon.push_back(points[0]);
    for (long i = 0; i < n; ++i) {
        const Point p = points[static_cast<std::size_t>(i)];
        const Point q = points[static_cast<std::size_t>((i + 1) % n)];
        const double a0 = std::atan2(p.y - centre.y, p.x - centre.x);
        const double a1 = std::atan2(q.y - centre.y, q.x - centre.x);
        // Handles tangent to the circle through each end point: +90° at the start, -90° at the end.
        const Point c1{p.x - handle * std::sin(a0), p.y + handle * std::cos(a0)};
        const Point c2{q.x + handle * std::sin(a1), q.y - handle * std::cos(a1)};
        appendCubic(polygon, p, c1, c2, q, tolerance, perCurve);
    }
    return polygon;
}

OrbOutline::OrbOutline(double side, double cornerRadiusPixels, bool circle)
    : m_half(side / 2.0), m_extent(0.0), m_exponent(2.0), m_circle(circle)
{
    double r = std::isnan(cornerRadiusPixels) ? m_half : std::clamp(cornerRadiusPixels, 0.0, m_half);
    if (r >= m_half) m_circle = true;
    if (m_circle || r <= 0.0) return;
    // Continuous-curvature corner: a superellipse quadrant (curvature 0 where it meets the straight
    // edge) reaching 1.528 r along each edge, with its exponent chosen so that its 45° point lies
    // where a circular corner of radius r would put it. At r = side/2 it becomes the circle (n = 2).
    m_extent = std::min(1.528 * r, m_half);
    const double inset = 1.0 - (1.0 - std::numbers::sqrt2 / 2.0) * r / m_extent;
    m_exponent = -std::numbers::ln2 / std::log(inset);
}

float OrbOutline::coverage(double x, double y) const
{
    const double px = std::abs(x - m_half), py = std::abs(y - m_half);
    double distance; // signed distance to the outline in pixels, negative inside
    if (m_circle) {
        distance = std::sqrt(px * px + py * py) - m_half;
    } else {
        const double cx = m_half - m_extent; // corner curve centre
        const double qx = px - cx, qy = py - cx;
        if (qx <= 0.0 || qy <= 0.0 || m_extent <= 0.0) {
            distance = std::max(px, py) - m_half;
        } else {
            // Implicit superellipse f = (|u|^n + |v|^n)^(1/n) - 1 with u, v in corner units;
            // f / |grad f| estimates the distance.
            const double u = qx / m_extent, v = qy / m_extent, n = m_exponent;
            const double un = std::pow(u, n), vn = std::pow(v, n);
            const double norm = std::pow(un + vn, 1.0 / n);
            const double g = std::pow(norm, 1.0 - n);
            const double gx = g * std::pow(u, n - 1.0), gy = g * std::pow(v, n - 1.0);
            const double grad = std::max(std::hypot(gx, gy), 1e-9);
            distance = (norm - 1.0) / grad * m_extent;
        }
    }
    return static_cast<float>(std::clamp(0.5 - distance, 0.0, 1.0));
}

} // namespace lumara::render
