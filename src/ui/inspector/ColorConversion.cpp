// Colour conversions between the model and Qt.
#include "ui/inspector/ColorConversion.h"

namespace lumara {

CodableColor codableColor(const QColor& color)
{
    // Colours inside the sRGB gamut take the 16-bit sRGB form, which keeps more precision than the
    // half floats of the extended form; only components outside 0...1, which toRgb would clamp,
    // are taken from the extended form.
    if (!color.isValid()) return {color.redF(), color.greenF(), color.blueF(), color.alphaF()};
    const QColor extended = color.toExtendedRgb();
    const auto inGamut = [](float c) { return c >= 0.0f && c <= 1.0f; };
    const QColor srgb = inGamut(extended.redF()) && inGamut(extended.greenF()) && inGamut(extended.blueF())
                            ? color.toRgb()
                            : extended;
    return {srgb.redF(), srgb.greenF(), srgb.blueF(), srgb.alphaF()};
}

QColor displayColor(const CodableColor& color)
{
    return QColor::fromRgbF(float(color.red), float(color.green), float(color.blue), float(color.opacity));
}

} // namespace lumara
