// Stage 1, geometry: angles reduced from huge clock times, the wavy blob outline flattened to
// line segments, and the orb's outline (circle or continuous-corner rounded square).
// Pure functions; safe from any thread.
#pragma once

#include <vector>

namespace lumara::render {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// Rotation in degrees after t seconds at `degreesPerSecond`, reduced modulo 360 in double
// precision (the live clock counts from 2001, so t * speed is around 1e11). Non-finite input gives 0.
double rotationDegrees(double t, double degreesPerSecond);

// Wobble angle in radians of an outline whose loop lasts `loopDuration` seconds: the IEEE remainder
// of t by the duration, as a fraction of a turn. An infinite duration (speed 0) gives 0.
double loopAngle(double t, double loopDuration);

// Outline of one wavy blob: `complexity` points wobbling by `amplitude` about `centre`, joined by
// cubic Béziers whose handles are tangent to the circle through each point, flattened to a
// closed polygon (the last point joins the first). complexity <= 0 or radius <= 0 gives no points.
// `tolerance` is the largest allowed distance of the polygon from the curve, in the same units.
std::vector<Point> wavyBlobPolygon(Point centre, double radius, long complexity, double amplitude, double angle,
                                   double tolerance);

// Internal limits against absurd values from edited files. The controls produce 3 to 12 outline
// points and 1 to 5 blobs; these bounds keep a frame's work finite whatever a file says.
inline constexpr long kMaxComplexity = 1024;      // outline points per blob
inline constexpr int kMaxSegmentsPerCurve = 64;   // flattening of one Bézier
inline constexpr int kMaxSegmentsPerBlob = 8192;  // flattening of one outline, all curves together
inline constexpr long kMaxBlobs = 32;             // blobs drawn per orb
// With these, the worst outline (wild amplitude, every segment crossing the whole square) costs
// kMaxBlobs * kMaxSegmentsPerBlob rows of coverage work per row of the square: a few seconds at
// the largest square, milliseconds at the controls' values.

// The orb's outline, in pixels of the orb's square (side `side`, top-left at 0,0).
// cornerRadiusPixels >= side/2 (or a circle request) draws the inscribed circle.
class OrbOutline {
public:
    OrbOutline(double side, double cornerRadiusPixels, bool circle);
    // Antialiased coverage (0..1) of the pixel whose centre is (x, y).
    float coverage(double x, double y) const;

private:
    double m_half;   // half the side
    double m_extent; // length of each corner curve along the edges (0 for a square)
    double m_exponent; // superellipse exponent of the corners (2 is a circular arc)
    bool m_circle;
};

} // namespace lumara::render
