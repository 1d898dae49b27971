#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform sampler2D uSrc;
uniform float uCornerRadius; // 0 square, 1 circle
uniform float uEdgeSoftness;
uniform float uOffset;
uniform float uScale;

void main() {
    vec4 src = texture(uSrc, vUV);
    vec2 p = (vUV - uOffset) / uScale - 0.5;
    float r = uCornerRadius * 0.5;
    float d = length(max(abs(p) - 0.5 + r, 0.0)) - r;
    @ANTI_ALIAS_LINE@
    float alpha = 1.0 - smoothstep(-aa, aa, d);
    if (uEdgeSoftness > 0.0) {
        alpha *= 1.0 - smoothstep(1.0 - 0.4 * uEdgeSoftness, 1.0, length(p) / 0.5);
    }
    outColor = src * alpha;
}
