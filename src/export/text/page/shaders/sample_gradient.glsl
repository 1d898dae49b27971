uniform vec4 uColors[8];
uniform int uColorCount;

vec4 premultiplied(vec4 c) {
    return vec4(c.rgb * c.a, c.a);
}

// Evenly spaced stops of up to eight colours, t clamped to 0..1.
vec4 sampleGradient(float t) {
    t = clamp(t, 0.0, 1.0);
    int count = min(uColorCount, 8);
    if (count <= 1) return uColors[0];
    float idx = t * float(count - 1);
    int i0 = int(floor(idx));
    int i1 = min(i0 + 1, count - 1);
    return mix(uColors[i0], uColors[i1], idx - float(i0));
}
