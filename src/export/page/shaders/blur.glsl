#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform sampler2D uSrc;
uniform vec2 uDir;
uniform float uSigma;
uniform vec2 uResolution;

void main() {
    if (uSigma < 0.5) {
        outColor = texture(uSrc, vUV);
        return;
    }
    int radius = int(min(ceil(3.0 * uSigma), 64.0));
    vec2 texel = uDir / uResolution;
    vec4 sum = vec4(0.0);
    float total = 0.0;
    for (int i = -radius; i <= radius; i++) {
        float w = exp(-float(i * i) / (2.0 * uSigma * uSigma));
        sum += texture(uSrc, vUV + texel * float(i)) * w;
        total += w;
    }
    outColor = sum / total;
}
