// libFuzzer target: taking the colours of a picture file as the editor does (Qt's image readers
// behind the size bound, then the palette).
#include "document/ReadImagePalette.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const auto palette = lumara::decodeImagePalette(&buffer);
    if (!palette) return 0;
    // A palette is three to six opaque colours inside the sRGB gamut.
    if (palette->size() < lumara::kMinPaletteColors || palette->size() > lumara::kMaxPaletteColors) __builtin_trap();
    for (const lumara::CodableColor& c : *palette)
        if (c.opacity != 1.0 || !(c.red >= 0 && c.red <= 1) || !(c.green >= 0 && c.green <= 1) || !(c.blue >= 0 && c.blue <= 1))
            __builtin_trap();
    return 0;
}
