// Prompt export: a Markdown description of one orb for an AI code assistant.
#include "export/text/ExportText.h"
#include "export/text/TextFormat.h"
#include "export/text/TextLines.h"

#include <cmath>
#include <limits>

namespace lumara::exporting {

namespace {

std::string promptColor(const CodableColor& c)
{
    std::string out = "(";
    out.append(f3(c.red)).append(", ").append(f3(c.green)).append(", ").append(f3(c.blue));
    return out.append(", 1.0)");
}

std::string yesNo(bool b) { return b ? "yes" : "no"; }

std::string gradientName(GradientType type)
{
    switch (type) {
    case GradientType::linear: return "Linear";
    case GradientType::radial: return "Radial";
    case GradientType::angular: return "Angular";
    }
    return "Linear";
}

std::string blendName(BlobBlendMode mode)
{
    switch (mode) {
    case BlobBlendMode::plusLighter: return "Add";
    case BlobBlendMode::screen: return "Screen";
    case BlobBlendMode::overlay: return "Overlay";
    case BlobBlendMode::colorDodge: return "Dodge";
    case BlobBlendMode::softLight: return "Soft Light";
    }
    return "Add";
}

// The orb size with its fraction dropped; values beyond the integer range print as the C
// formatter prints them truncated, so nothing overflows.
std::string truncatedSize(double size)
{
    const double whole = std::trunc(size);
    if (std::isfinite(whole) && std::abs(whole) < 9.0e18) return std::to_string(static_cast<std::int64_t>(whole));
    return f0(whole);
}

} // namespace

std::string generatePrompt(const OrbValues& v)
{
    TextLines t;
    t.add("Create an animated orb component with the following specifications:").blank();
    t.add("## Shape")
        .add("- Circular orb, " + truncatedSize(v.orbSize) + "pt diameter")
        .add("- Corner radius factor: " + f3(v.cornerRadius) + " (0 = square, 1 = fully round)")
        .blank();
    t.add("## Colors").add("- Background gradient colors (RGBA):");
    for (std::size_t i = 0; i < v.backgroundColors.size(); ++i)
        t.add(2, std::to_string(i + 1) + ". " + promptColor(v.backgroundColors[i]));
    if (v.backgroundColors.empty()) t.blank(); // the heading is followed by an empty line, not nothing
    t.add("- Glow color (RGBA): " + promptColor(v.glowColor))
        .add("- Gradient type: " + gradientName(v.gradientType))
        .add("- Gradient angle: " + f3(v.gradientAngle) + "\u00b0")
        .add(std::string("- Use colored blobs: ") +
             (v.coloredBlobs ? "yes \u2014 tint each blob with a gradient color" : "no \u2014 blobs use the glow color"))
        .blank();
    t.add("## Blobs")
        .add("- Number of blobs: " + std::to_string(v.blobCount))
        .add("- Complexity (control points per blob): " + std::to_string(v.complexity))
        .add("- Amplitude (wobble intensity): " + f3(v.amplitude))
        .add("- Blob scale: " + f3(v.blobScale))
        .add("- Blob spread from center: " + f3(v.blobSpread))
        .add("- Blob opacity: " + f3(v.blobOpacity))
        .add("- Blob blur radius: " + f3(v.blobBlur) + "pt")
        .add("- Blob blend mode: " + blendName(v.blobBlendMode))
        .blank();
    t.add("## Glow Effects")
        .add("- Glow intensity: " + f3(v.glowIntensity))
        .add("- Glow softness: " + f3(v.glowSoftness))
        .add("- Inner ring stroke width: " + f3(v.innerRingWidth) + "pt")
        .blank();
    t.add("## Animation")
        .add("- Animation speed: " + f3(v.speed) + " (higher = faster)")
        .add("- Blobs should animate continuously using sinusoidal motion")
        .add("- Each blob should have a slightly different phase offset")
        .add("- Glow rings rotate at varying speeds, some clockwise, some counter-clockwise")
        .blank();
    t.add("## Background").add("- Background blur: " + f3(v.backgroundBlur) + "pt").blank();
    t.add("## Layer Visibility")
        .add("- Show background gradient: " + yesNo(v.showBackground))
        .add("- Show wavy blobs: " + yesNo(v.showWavyBlobs))
        .add("- Show glow effects: " + yesNo(v.showGlowEffects))
        .add("- Show shadow: " + yesNo(v.showShadow))
        .blank();
    t.add("## Rendering Notes")
        .add("- The orb is built as a stack of layers: background gradient \u2192 outer glow rings \u2192 animated blobs "
             "\u2192 inner glow rings \u2192 inner ring stroke")
        .add("- All layers are clipped to a circle")
        .add("- Blobs are organic, wavy shapes created with bezier curves that animate smoothly in a loop")
        .add("- Glow rings are circular gradients masked into a ring shape, rotating continuously")
        .add("- If shadow is enabled, render two soft drop shadows beneath the orb using the gradient colors")
        .add("- Use additive (plus lighter / screen) blending for glow layers to create a luminous effect");
    return t.joined();
}

} // namespace lumara::exporting
