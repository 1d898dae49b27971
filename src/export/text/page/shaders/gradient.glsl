#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform int uType;
uniform float uAngle;
uniform float uRadialEnd;
uniform float uOffset;
uniform float uScale;
//@include sample_gradient

void main() {
    vec2 p = (vUV - uOffset) / uScale;
    if (p.x < 0.0 || p.x > 1.0 || p.y < 0.0 || p.y > 1.0) {
        outColor = vec4(0.0);
        return;
    }
    if (uType == 0) {
        float dx = cos(uAngle);
        float dy = -sin(uAngle);
        vec2 start = vec2(0.5 - dx / 2.0, 0.5 + dy / 2.0);
        vec2 end = vec2(0.5 + dx / 2.0, 0.5 - dy / 2.0);
        vec2 axis = end - start;
        outColor = premultiplied(sampleGradient(dot(p - start, axis) / max(dot(axis, axis), 1e-6)));
    } else if (uType == 1) {
        outColor = premultiplied(sampleGradient(length(p - 0.5) / max(uRadialEnd, 1e-6)));
    } else {
        int count = min(uColorCount, 8);
        if (count < 1) {
            outColor = vec4(0.0);
            return;
        }
        // Clockwise on screen from three o'clock, turned by the start angle; the first colour closes the circle.
        float a = atan(-(p.y - 0.5), p.x - 0.5) - uAngle;
        float f = fract(a / (2.0 * 3.14159265));
        float idx = f * float(count);
        int i0 = int(floor(idx)) % count;
        int i1 = (i0 + 1) % count;
        outColor = premultiplied(mix(uColors[i0], uColors[i1], fract(idx)));
    }
}
