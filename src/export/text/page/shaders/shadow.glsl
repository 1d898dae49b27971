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
    // Whole-buffer coordinates, y upwards. Each shadow circle runs from its first colour at its
    // bottom edge to the last at its top; the near shadow lies over the far one.
    vec2 c1 = uCenter + vec2(0.0, uYOffset1);
    vec2 c2 = uCenter + vec2(0.0, uYOffset2);
    vec4 near = premultiplied(sampleGradient((vUV.y - (c1.y - R)) / (2.0 * R)));
    vec4 far = premultiplied(sampleGradient((vUV.y - (c2.y - R)) / (2.0 * R)));
    near *= blurredCircle(length(vUV - c1), R, uRadius1) * uOpacity1;
    far *= blurredCircle(length(vUV - c2), R, uRadius2) * uOpacity2;
    outColor = near + far * (1.0 - near.a);
}
