// Reading pictures for their palette. Any thread.
#include "document/ReadImagePalette.h"

#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QImageReader>

namespace lumara {

namespace {

using PaletteResult = Result<std::vector<CodableColor>, ImagePaletteError>;

Error<ImagePaletteError> failure(ImagePaletteError code, const QString& message)
{
    return {code, message.toStdString()};
}

QString readableFormats()
{
    QStringList names;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) names << QString::fromLatin1(format).toUpper();
    names.removeDuplicates();
    return names.join(QStringLiteral(", "));
}

bool tooLarge(const QSize& size)
{
    return size.width() > kMaxPaletteImageSide || size.height() > kMaxPaletteImageSide ||
           qint64(size.width()) * size.height() > kMaxPaletteImagePixels;
}

QString sizeText(const QSize& size) { return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height()); }

} // namespace

PaletteResult readImagePalette(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(ImagePaletteError::cannotRead, QStringLiteral("the file could not be read (%1)").arg(file.errorString()));
    return decodeImagePalette(&file);
}

PaletteResult decodeImagePalette(QIODevice* device)
{
    QImageReader reader(device);
    reader.setAllocationLimit(kMaxPaletteImageMegabytes);
    if (!reader.canRead())
        return failure(ImagePaletteError::notAnImage,
                       QStringLiteral("the file is not a picture in a format the editor reads (%1)").arg(readableFormats()));
    // Readers that know the size from the header let a huge picture be refused before decoding.
    if (const QSize size = reader.size(); size.isValid() && tooLarge(size))
        return failure(ImagePaletteError::tooLarge, QStringLiteral("the picture is too large (%1 pixels; at most %2 a side "
                                                                   "and %3 megapixels)")
                                                        .arg(sizeText(size))
                                                        .arg(kMaxPaletteImageSide)
                                                        .arg(kMaxPaletteImagePixels / (1024 * 1024)));
    QImage image;
    if (!reader.read(&image))
        return failure(ImagePaletteError::notAnImage,
                       QStringLiteral("the picture could not be decoded (%1)").arg(reader.errorString()));
    return imagePalette(image);
}

PaletteResult imagePalette(const QImage& decoded)
{
    if (decoded.isNull()) return failure(ImagePaletteError::notAnImage, QStringLiteral("the picture is empty"));
    if (tooLarge(decoded.size()))
        return failure(ImagePaletteError::tooLarge, QStringLiteral("the picture is too large (%1 pixels)").arg(sizeText(decoded.size())));
    QImage image = decoded;
    if (image.colorSpace().isValid() && image.colorSpace() != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));

    PixelView view;
    switch (image.format()) {
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBX8888: break;
    case QImage::Format_RGBA8888_Premultiplied: view.alpha = AlphaKind::premultiplied; break;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // 0xAARRGGBB words are B, G, R, A bytes in memory here.
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32: view.order = ChannelOrder::bgra; break;
    case QImage::Format_ARGB32_Premultiplied:
        view.order = ChannelOrder::bgra;
        view.alpha = AlphaKind::premultiplied;
        break;
#endif
    default: image = image.convertToFormat(QImage::Format_RGBA8888); break; // one copy, bounded above
    }
    if (image.isNull()) return failure(ImagePaletteError::tooLarge, QStringLiteral("the picture could not be converted"));
    view.bytes = {image.constBits(), std::size_t(image.sizeInBytes())};
    view.width = image.width();
    view.height = image.height();
    view.bytesPerLine = std::size_t(image.bytesPerLine());
    auto palette = extractPalette(view);
    if (!palette) {
        const auto code = palette.error().code == PaletteError::noVisiblePixels ? ImagePaletteError::noColors
                                                                                  : ImagePaletteError::notAnImage;
        return Error<ImagePaletteError>{code, palette.error().message};
    }
    return std::move(palette).value();
}

} // namespace lumara
