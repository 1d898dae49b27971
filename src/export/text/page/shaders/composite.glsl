#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform sampler2D uSrc;
uniform sampler2D uDst;
uniform int uBlend; // 0 normal, 1 destination over, 2 plus lighter, 3 screen, 4 overlay, 5 colour dodge, 6 soft light

// Every layer is held premultiplied (colour times coverage, as drawn, blurred and clipped), so
// the operators below are the premultiplied forms. The separable modes blend the straight
// colours: co = cs (1 - ab) + cb (1 - as) + as ab B(Cb, Cs), alpha the screen of the alphas.

vec3 overlayBlend(vec3 base, vec3 blend) {
    return mix(2.0 * base * blend, 1.0 - 2.0 * (1.0 - base) * (1.0 - blend), step(0.5, base));
}

// The soft-light curve of the native renderer, so that page and editor agree: D is the square
// root below a quarter and the cubic above (the reverse of the W3C curve).
vec3 softLightBlend(vec3 base, vec3 blend) {
    vec3 D = mix(sqrt(base), ((16.0 * base - 12.0) * base + 4.0) * base, step(0.25, base));
    vec3 darker = base - (1.0 - 2.0 * blend) * base * (1.0 - base);
    vec3 lighter = base + (2.0 * blend - 1.0) * (D - base);
    return mix(darker, lighter, step(0.5, blend));
}

void main() {
    vec4 s = texture(uSrc, vUV);
    vec4 d = texture(uDst, vUV);
    if (uBlend == 0) {
        outColor = s + d * (1.0 - s.a);
    } else if (uBlend == 1) {
        outColor = d + s * (1.0 - d.a);
    } else if (uBlend == 2) {
        outColor = min(s + d, 1.0);
    } else if (s.a <= 0.0) {
        outColor = d;
    } else if (d.a <= 0.0) {
        outColor = s;
    } else {
        vec3 cs = min(s.rgb / s.a, 1.0);
        vec3 cb = min(d.rgb / d.a, 1.0);
        vec3 blended;
        if (uBlend == 3) {
            blended = cb + cs - cb * cs;
        } else if (uBlend == 4) {
            blended = overlayBlend(cb, cs);
        } else if (uBlend == 5) {
            blended = min(cb / max(1.0 - cs, 0.001), 1.0);
        } else {
            blended = softLightBlend(cb, cs);
        }
        float a = s.a + d.a - s.a * d.a;
        outColor = vec4(clamp(s.rgb * (1.0 - d.a) + d.rgb * (1.0 - s.a) + s.a * d.a * blended, 0.0, a), a);
    }
}
