#version 300 es
precision highp float;
in vec2 vUV;
out vec4 outColor;
uniform sampler2D uSrc;
uniform vec2 uDir;
uniform float uSigma;
uniform vec2 uResolution;

// Separable Gaussian: taps one texel apart out to min(ceil(3 sigma), 64) on each side, weights
// exp(-i^2 / (2 sigma^2)), normalised by their sum. Two neighbouring taps are read with one
// linear-filtered fetch placed between them in proportion to their weights (the same sum with
// half the reads), and the weights follow the recurrence w(i+1) = w(i) * exp(-(2i+1) k).
void main() {
    vec4 centre = texture(uSrc, vUV);
    if (uSigma < 0.5) {
        outColor = centre;
        return;
    }
    int radius = int(min(ceil(3.0 * uSigma), 64.0));
    vec2 texel = uDir / uResolution;
    float k = 1.0 / (2.0 * uSigma * uSigma);
    float ratioStep = exp(-2.0 * k);
    float ratio = exp(-k); // w(1) / w(0)
    float w = 1.0;         // w(0)
    vec4 sum = centre;
    float total = 1.0;
    for (int i = 1; i <= radius; i += 2) {
        float wa = w * ratio;
        ratio *= ratioStep;
        float wb = wa * ratio;
        ratio *= ratioStep;
        w = wb;
        if (i + 1 > radius) wb = 0.0;
        float pair = wa + wb;
        float offset = (float(i) * wa + float(i + 1) * wb) / pair;
        sum += (texture(uSrc, vUV + texel * offset) + texture(uSrc, vUV - texel * offset)) * pair;
        total += 2.0 * pair;
    }
    outColor = sum / total;
}
