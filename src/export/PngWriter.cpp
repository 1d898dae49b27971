// Still image export. Safe from any thread.
#include "export/PngWriter.h"

#include "document/AtomicFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace lumara::exporting {

Result<std::string, PngError> encodePng(const render::Image& image)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
        return Error<PngError>{PngError::emptyImage, "there is no image to encode"};
    QImage straight(image.width, image.height, QImage::Format_RGBA8888);
    if (straight.isNull()) return Error<PngError>{PngError::encodingFailed, "cannot allocate the image"};
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* in = image.row(y);
        uchar* out = straight.scanLine(y);
        for (int x = 0; x < image.width; ++x) {
            const unsigned a = in[4 * x + 3];
            for (int c = 0; c < 3; ++c) {
                // Un-premultiply with rounding; a = 0 has no colour.
                const unsigned v = in[4 * x + c];
                out[4 * x + c] = a == 0 ? 0 : static_cast<uchar>(std::min(255u, (v * 255u + a / 2u) / a));
            }
            out[4 * x + 3] = static_cast<uchar>(a);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!straight.save(&buffer, "PNG")) return Error<PngError>{PngError::encodingFailed, "the PNG encoder failed"};
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

Result<Ok, PngError> writePng(const render::Image& image, const std::string& path)
{
    auto bytes = encodePng(image);
    if (!bytes) return bytes.error();
    auto written = writeFileAtomically(path, *bytes);
    if (!written) return Error<PngError>{PngError::cannotWrite, written.error().message};
    return Ok{};
}

Result<Ok, PngError> exportPngImage(const OrbValues& values, double timeSeconds, double scale, const std::string& path)
{
    if (render::orbPixelSize(values, scale) <= 0)
        return Error<PngError>{PngError::emptyImage, "the orb's square would be empty or larger than " +
                                                         std::to_string(render::kMaxOrbPixels) + " pixels"};
    render::RenderOptions options;
    options.pixelsPerPoint = scale;
    return writePng(render::renderOrb(values, timeSeconds, options), path);
}

} // namespace lumara::exporting
