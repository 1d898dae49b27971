// Stage 5, blend and composite: the pixel format of every inner loop (premultiplied RGBA in
// floats, gamma-encoded sRGB, 0..1) and the compositing operators of the layer stack.
// Header-only inline functions; safe from any thread.
#pragma once

#include <emmintrin.h>

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

// The same operators on the four channels at once with SSE2 (part of every x86-64 CPU). Each lane
// runs the scalar form's operations in the same order, so the results are bit for bit the same;
// _mm_min_ps(a, b) is a < b ? a : b, which keeps std::min's result for NaN too.
using Px4 = __m128;

inline Px4 load(const Px& p) { return _mm_loadu_ps(&p.r); }
inline void store(Px& p, Px4 v) { _mm_storeu_ps(&p.r, v); }
inline Px4 scaled(Px4 p, float k) { return _mm_mul_ps(p, _mm_set1_ps(k)); }
inline Px4 alphaOf(Px4 p) { return _mm_shuffle_ps(p, p, 0xFF); }
inline Px4 sourceOver(Px4 s, Px4 d) { return _mm_add_ps(s, _mm_mul_ps(d, _mm_sub_ps(_mm_set1_ps(1.0f), alphaOf(s)))); }
inline Px4 destinationOver(Px4 s, Px4 d) { return sourceOver(d, s); }
inline Px4 plusLighter(Px4 s, Px4 d) { return _mm_min_ps(_mm_set1_ps(1.0f), _mm_add_ps(s, d)); }
inline Px4 sum(Px4 a, Px4 b) { return _mm_add_ps(a, b); }
// std::clamp(v, 0, 1) lane by lane.
inline Px4 clampUnit(Px4 v) { return _mm_max_ps(_mm_setzero_ps(), _mm_min_ps(_mm_set1_ps(1.0f), v)); }

// The separable blend functions on four lanes; each lane computes both sides of a branch and
// keeps the one the scalar form takes.
inline Px4 select(Px4 mask, Px4 ifTrue, Px4 ifFalse) { return _mm_or_ps(_mm_and_ps(mask, ifTrue), _mm_andnot_ps(mask, ifFalse)); }
inline Px4 splat(float v) { return _mm_set1_ps(v); }

struct ScreenFn4 {
    Px4 operator()(Px4 cb, Px4 cs) const { return _mm_sub_ps(_mm_add_ps(cb, cs), _mm_mul_ps(cb, cs)); }
};
struct OverlayFn4 {
    Px4 operator()(Px4 cb, Px4 cs) const
    {
        const Px4 one = splat(1.0f), two = splat(2.0f);
        const Px4 low = _mm_mul_ps(_mm_mul_ps(two, cb), cs);
        const Px4 high = _mm_sub_ps(one, _mm_mul_ps(_mm_mul_ps(two, _mm_sub_ps(one, cb)), _mm_sub_ps(one, cs)));
        return select(_mm_cmplt_ps(cb, splat(0.5f)), low, high);
    }
};
struct ColorDodgeFn4 {
    Px4 operator()(Px4 cb, Px4 cs) const
    {
        const Px4 one = splat(1.0f);
        return _mm_min_ps(one, _mm_div_ps(cb, _mm_max_ps(splat(0.001f), _mm_sub_ps(one, cs))));
    }
};
struct SoftLightFn4 {
    Px4 operator()(Px4 cb, Px4 cs) const
    {
        const Px4 one = splat(1.0f), two = splat(2.0f);
        const Px4 darker = _mm_sub_ps(cb, _mm_mul_ps(_mm_mul_ps(_mm_sub_ps(one, _mm_mul_ps(two, cs)), cb), _mm_sub_ps(one, cb)));
        const Px4 poly = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_mul_ps(splat(16.0f), cb), splat(12.0f)), cb), splat(4.0f)), cb);
        const Px4 d = select(_mm_cmplt_ps(cb, splat(0.25f)), _mm_sqrt_ps(cb), poly);
        const Px4 lighter = _mm_add_ps(cb, _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(two, cs), one), _mm_sub_ps(d, cb)));
        return select(_mm_cmplt_ps(cs, splat(0.5f)), darker, lighter);
    }
};

// blendSeparable on four lanes: the colour lanes as the scalar form computes them, clamped to
// [0, a] the way std::clamp does, and a in the alpha lane.
template <typename Fn4>
inline Px4 blendSeparable(Px4 s, Px4 d, Fn4 fn)
{
    const float sa = _mm_cvtss_f32(alphaOf(s)), da = _mm_cvtss_f32(alphaOf(d));
    if (sa <= 0.0f) return d;
    if (da <= 0.0f) return s;
    const float both = sa * da;
    const float isa = 1.0f / sa, ida = 1.0f / da;
    const Px4 one = splat(1.0f);
    const Px4 straightS = _mm_min_ps(one, _mm_mul_ps(s, splat(isa)));
    const Px4 straightB = _mm_min_ps(one, _mm_mul_ps(d, splat(ida)));
    const Px4 c = _mm_add_ps(_mm_add_ps(_mm_mul_ps(s, splat(1.0f - da)), _mm_mul_ps(d, splat(1.0f - sa))),
                             _mm_mul_ps(splat(both), fn(straightB, straightS)));
    const Px4 a = splat(sa + da - both);
    const Px4 clamped = _mm_andnot_ps(_mm_cmplt_ps(c, _mm_setzero_ps()), _mm_min_ps(a, c));
    return select(_mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0)), clamped, a);
}

} // namespace lumara::render
