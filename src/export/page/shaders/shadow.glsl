#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform float uRadius1;
uniform float uRadius2;
uniform float uOpacity1;
uniform float uOpacity2;
uniform float uYOffset1;
uniform float uYOffset2;
uniform float uOrbRadius;
uniform vec2 uCenter;
//@include sample_gradient
//@include blurred_circle

void main() {
    float R = uOrbRadius;
    // Whole-buffer coordinates, y upwards: the first colour lies at the bottom of the orb.
    vec4 color = sampleGradient(clamp((vUV.y - (0.5 - R)) / (2.0 * R), 0.0, 1.0));
    float s1 = blurredCircle(length(vUV - (uCenter + vec2(0.0, uYOffset1))), R, uRadius1) * uOpacity1;
    float s2 = blurredCircle(length(vUV - (uCenter + vec2(0.0, uYOffset2))), R, uRadius2) * uOpacity2;
    outColor = vec4(color.rgb, min(s1 + s2, 1.0) * color.a);
}
