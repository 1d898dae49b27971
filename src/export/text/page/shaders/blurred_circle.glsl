// Abramowitz-Stegun approximation of the complementary error function.
float erfcApprox(float x) {
    float z = abs(x);
    float u = 1.0 / (1.0 + 0.3275911 * z);
    float r = u * (0.254829592 + u * (-0.284496736 + u * (1.421413741 + u * (-1.453152027 + u * 1.061405429)))) * exp(-z * z);
    return x >= 0.0 ? r : 2.0 - r;
}

// Coverage at distance d from the centre of a circle of radius r blurred by a Gaussian of deviation
// sigma: the blurred straight edge, moved inwards by sigma^2 / (2r) for the circle's curvature (a
// curved edge holds less of the kernel inside it than a straight one).
float blurredCircle(float d, float r, float sigma) {
    float s = max(sigma, 1e-6);
    return 0.5 * erfcApprox((d - r + s * s / (2.0 * max(r, 1e-6))) / (s * 1.41421356));
}
