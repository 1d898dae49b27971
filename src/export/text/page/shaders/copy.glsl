#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform sampler2D uSrc;
uniform sampler2D uMask;
uniform int uUseMask;
uniform float uMaskOffset;
uniform float uMaskScale;
uniform int uUnpremultiply; // 1 for the canvas, which holds straight colours

void main() {
    vec4 src = texture(uSrc, vUV);
    if (uUseMask == 1) {
        vec2 m = (vUV - uMaskOffset) / uMaskScale;
        if (m.x < 0.0 || m.x > 1.0 || m.y < 0.0 || m.y > 1.0) {
            outColor = vec4(0.0);
            return;
        }
        // The 2-D canvas runs top-down.
        src *= texture(uMask, vec2(m.x, 1.0 - m.y)).a;
    }
    if (uUnpremultiply == 1) {
        src = src.a > 0.0 ? vec4(min(src.rgb / src.a, 1.0), min(src.a, 1.0)) : vec4(0.0);
    }
    outColor = src;
}
