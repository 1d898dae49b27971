// A picture file's dominant colours: Qt's image readers with a bound on the decoded size, then
// extractPalette. Any thread (one reader per call, no shared state).
#pragma once

#include "model/ImagePalette.h"

#include <QString>

#include <vector>

class QIODevice;
class QImage;

namespace lumara {

enum class ImagePaletteError { cannotRead, notAnImage, tooLarge, noColors };

// Pictures larger than this are refused before they are decoded (a quarter of a gigabyte of
// pixels at four bytes each), and no decoder may allocate more than kMaxPaletteImageMegabytes.
inline constexpr qint64 kMaxPaletteImagePixels = qint64(64) * 1024 * 1024;
inline constexpr int kMaxPaletteImageSide = 32768;
inline constexpr int kMaxPaletteImageMegabytes = 512;

// The palette of the picture in the file at `path` (the first frame of an animation), as
// extractPalette gives it. Fails with cannotRead when the file cannot be opened, notAnImage when
// no reader understands it or its data is broken, tooLarge beyond the bounds above, and noColors
// when every pixel is transparent; each message says which, ready to follow "because".
[[nodiscard]] Result<std::vector<CodableColor>, ImagePaletteError> readImagePalette(const QString& path);
// The same from an open device (the fuzz target reads from memory).
[[nodiscard]] Result<std::vector<CodableColor>, ImagePaletteError> decodeImagePalette(QIODevice* device);
// The palette of a decoded picture, converted to sRGB first when it carries another colour space.
[[nodiscard]] Result<std::vector<CodableColor>, ImagePaletteError> imagePalette(const QImage& image);

} // namespace lumara
