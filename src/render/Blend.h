// Stage 5, blend and composite: the pixel format of every inner loop (premultiplied RGBA in
// floats, gamma-encoded sRGB, 0..1) and the compositing operators of the layer stack.
// Header-only inline functions; safe from any thread.
#pragma once

#include <algorithm>
#include <cmath>

namespace lumara::render {

struct Px {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
};

inline Px scaled(Px p, float k) { return {p.r * k, p.g * k, p.b * k, p.a * k}; }

// Source over destination.
inline Px sourceOver(Px s, Px d)
{
    const float k = 1.0f - s.a;
    return {s.r + d.r * k, s.g + d.g * k, s.b + d.b * k, s.a + d.a * k};
}

// Destination over: the source is drawn behind what the destination holds.
inline Px destinationOver(Px s, Px d) { return sourceOver(d, s); }

// Plus-lighter: additive, each channel clamped to 1.
inline Px plusLighter(Px s, Px d)
{
    return {std::min(s.r + d.r, 1.0f), std::min(s.g + d.g, 1.0f), std::min(s.b + d.b, 1.0f),
            std::min(s.a + d.a, 1.0f)};
}

// Separable blend functions B(backdrop, source) on straight colours, as the page's blend table
// writes them.
struct ScreenFn {
    float operator()(float cb, float cs) const { return cb + cs - cb * cs; }
};
struct OverlayFn {
    float operator()(float cb, float cs) const
    {
        return cb < 0.5f ? 2.0f * cb * cs : 1.0f - 2.0f * (1.0f - cb) * (1.0f - cs);
    }
};
struct ColorDodgeFn {
    float operator()(float cb, float cs) const { return std::min(cb / std::max(1.0f - cs, 0.001f), 1.0f); }
};
struct SoftLightFn {
    float operator()(float cb, float cs) const
    {
        if (cs < 0.5f) return cb - (1.0f - 2.0f * cs) * cb * (1.0f - cb);
        const float d = cb < 0.25f ? std::sqrt(cb) : ((16.0f * cb - 12.0f) * cb + 4.0f) * cb;
        return cb + (2.0f * cs - 1.0f) * (d - cb);
    }
};

// The standard separable blend composite on premultiplied pixels:
// co = cs (1 - ab) + cb (1 - as) + as ab B(Cb, Cs), ao = as + ab - as ab.
template <typename Fn>
inline Px blendSeparable(Px s, Px d, Fn fn)
{
    if (s.a <= 0.0f) return d;
    if (d.a <= 0.0f) return s;
    const float sa = s.a, da = d.a, both = sa * da;
    const float isa = 1.0f / sa, ida = 1.0f / da;
    auto channel = [&](float cs, float cb) {
        const float straightS = std::min(cs * isa, 1.0f), straightB = std::min(cb * ida, 1.0f);
        return cs * (1.0f - da) + cb * (1.0f - sa) + both * fn(straightB, straightS);
    };
    const float a = sa + da - both;
    return {std::clamp(channel(s.r, d.r), 0.0f, a), std::clamp(channel(s.g, d.g), 0.0f, a),
            std::clamp(channel(s.b, d.b), 0.0f, a), a};
}

} // namespace lumara::render
