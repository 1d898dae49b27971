#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform vec4 uColor;
uniform float uAngle;
uniform float uBlurRadius;
uniform float uOffset;
uniform float uScale;
//@include blurred_circle

void main() {
    vec2 p = (vUV - uOffset) / uScale;
    if (p.x < -0.5 || p.x > 1.5 || p.y < -0.5 || p.y > 1.5) {
        outColor = vec4(0.0);
        return;
    }
    float c = cos(uAngle);
    float s = sin(uAngle);
    vec2 q = p - 0.5;
    q = vec2(c * q.x + s * q.y, -s * q.x + c * q.y);
    float m1 = blurredCircle(length(q), 0.5, uBlurRadius);
    float m2 = blurredCircle(length(q - vec2(0.0, -0.31)), 0.5 * 1.31, uBlurRadius);
    outColor = vec4(uColor.rgb * uColor.a, uColor.a) * max(m1 - m2, 0.0);
}
