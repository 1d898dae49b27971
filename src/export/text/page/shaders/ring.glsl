#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform vec4 uColor;
uniform float uLineWidth;
uniform float uPadding;
uniform float uOffset;
uniform float uScale;

void main() {
    vec2 p = (vUV - uOffset) / uScale;
    float d = 2.0 * length(p - 0.5); // 1 at the rim
    float ringRadius = 1.0 - 2.0 * uPadding;
    float ring = abs(d - ringRadius) - uLineWidth;
    @ANTI_ALIAS_LINE@
    outColor = vec4(uColor.rgb * uColor.a, uColor.a) * (1.0 - smoothstep(-aa, aa, ring));
}
