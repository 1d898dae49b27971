#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform sampler2D uSrc;
uniform sampler2D uDst;
uniform int uBlend; // 0 normal, 1 destination over, 2 plus lighter, 3 screen, 4 overlay, 5 colour dodge, 6 soft light

vec3 overlayBlend(vec3 base, vec3 blend) {
    return mix(2.0 * base * blend, 1.0 - 2.0 * (1.0 - base) * (1.0 - blend), step(0.5, base));
}

vec3 softLightBlend(vec3 base, vec3 blend) {
    vec3 D = mix(((16.0 * base - 12.0) * base + 4.0) * base, sqrt(base), step(0.25, base));
    vec3 darker = base - (1.0 - 2.0 * blend) * base * (1.0 - base);
    vec3 lighter = base + (2.0 * blend - 1.0) * (D - base);
    return mix(darker, lighter, step(0.5, blend));
}

void main() {
    vec4 s = texture(uSrc, vUV);
    vec4 d = texture(uDst, vUV);
    float screenAlpha = s.a + d.a - s.a * d.a;
    if (uBlend == 0) {
        float a = s.a + d.a * (1.0 - s.a);
        outColor = vec4((s.rgb * s.a + d.rgb * d.a * (1.0 - s.a)) / max(a, 0.001), a);
    } else if (uBlend == 1) {
        float a = d.a + s.a * (1.0 - d.a);
        outColor = vec4((d.rgb * d.a + s.rgb * s.a * (1.0 - d.a)) / max(a, 0.001), a);
    } else if (uBlend == 2) {
        outColor = vec4(s.rgb + d.rgb, min(s.a + d.a, 1.0));
    } else if (uBlend == 3) {
        outColor = vec4(s.rgb + d.rgb - s.rgb * d.rgb, screenAlpha);
    } else if (uBlend == 4) {
        outColor = vec4(mix(d.rgb, overlayBlend(d.rgb, s.rgb), s.a), screenAlpha);
    } else if (uBlend == 5) {
        outColor = vec4(mix(d.rgb, min(d.rgb / max(1.0 - s.rgb, 0.001), 1.0), s.a), screenAlpha);
    } else {
        outColor = vec4(mix(d.rgb, softLightBlend(d.rgb, s.rgb), s.a), screenAlpha);
    }
}
