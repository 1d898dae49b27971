// Conversions between the model's colour record and Qt's colour: a picked colour becomes sRGB
// components, a stored colour becomes the sRGB colour drawn on screen. Pure; any thread.
#pragma once

#include "model/CodableColor.h"

#include <QColor>

namespace lumara {

// The colour converted to sRGB (HSV, HSL, CMYK and extended sRGB colours included, components
// outside 0...1 kept); an invalid colour, which has no sRGB form, is read as it is.
CodableColor codableColor(const QColor& color);

// An extended-sRGB colour with exactly these four components, for drawing.
QColor displayColor(const CodableColor& color);

} // namespace lumara
