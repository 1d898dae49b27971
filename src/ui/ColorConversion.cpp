// Colour conversions between the model and Qt.
#include "ui/ColorConversion.h"

namespace lumara {

CodableColor codableColor(const QColor& color)
{
    // Extended sRGB already is sRGB (its components may lie outside 0...1, which toRgb would clamp);
    // HSV, HSL and CMYK convert into the 16-bit sRGB form, which keeps more precision than the
    // half floats of the extended form.
    QColor srgb = color;
    if (color.isValid() && color.spec() != QColor::ExtendedRgb) srgb = color.toRgb();
    return {srgb.redF(), srgb.greenF(), srgb.blueF(), srgb.alphaF()};
}

QColor displayColor(const CodableColor& color)
{
    return QColor::fromRgbF(float(color.red), float(color.green), float(color.blue), float(color.opacity));
}

} // namespace lumara
