// The PNG still: our encoder read back by libpng, the orb's square, atomic writes and typed failures.
#include "export/media/PngWriter.h"
#include "render/StraightAlpha.h"

#include "support/TestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

namespace lumara::test {
namespace {

// What libpng (through QImage) decodes from our encoder, as packed straight RGBA bytes.
std::vector<std::uint8_t> decodeRgba(const std::string& png)
{
    QImage decoded;
    if (!decoded.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG") ||
        !decoded.hasAlphaChannel())
        return {};
    decoded = decoded.convertToFormat(QImage::Format_RGBA8888);
    std::vector<std::uint8_t> out;
    for (int y = 0; y < decoded.height(); ++y)
        out.insert(out.end(), decoded.constScanLine(y), decoded.constScanLine(y) + decoded.width() * 4);
    return out;
}

TEST(PngWriter, EncodesStraightAlphaLosslessly)
{
    // Premultiplied: opaque red, half-transparent red, transparent, a quarter-alpha grey.
    render::Image handMade{4, 1, {255, 0, 0, 255, 128, 0, 0, 128, 0, 0, 0, 0, 32, 32, 32, 64}};
    auto bytes = exporting::encodePng(handMade);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(decodeRgba(*bytes), (std::vector<std::uint8_t>{255, 0, 0, 255, 255, 0, 0, 128, 0, 0, 0, 0, 128, 128, 128, 64}));

    // Rendered orbs of odd and even sides exercise every row filter; each pixel comes back exactly.
    for (const double points : {1.0, 37.0, 300.0}) {
        SCOPED_TRACE(points);
        OrbValues v;
        v.orbSize = points;
        render::RenderOptions options;
        const render::Image image = render::renderOrb(v, 1.25, options);
        std::vector<std::uint8_t> straight(image.pixels.size());
        render::unpremultiplyRow(image.pixels.data(), straight.data(), image.width * image.height);
        auto png = exporting::encodePng(image);
        ASSERT_TRUE(png.ok());
        EXPECT_EQ(decodeRgba(*png), straight);
    }
}

TEST(PngWriter, ExportsTheOrbsSquareAndFailsWithoutTouchingTheFile)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("orb.png").toStdString();
    OrbValues v;
    v.orbSize = 150;
    v.showShadow = false; // the shadow may fall in the square's corners
    ASSERT_TRUE(exporting::exportPngImage(v, 0.0, 2.0, path).ok());
    QImage written(QString::fromStdString(path));
    EXPECT_EQ(written.width(), 300);
    EXPECT_EQ(written.height(), 300);
    EXPECT_EQ(qAlpha(written.pixel(0, 0)), 0); // outside the inscribed circle
    EXPECT_EQ(qAlpha(written.pixel(150, 150)), 255);

    // An empty orb fails as emptyImage and leaves the earlier file as it was.
    const std::string before = readBytes(path);
    v.orbSize = 0;
    auto empty = exporting::exportPngImage(v, 0.0, 2.0, path);
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.error().code, exporting::PngError::emptyImage);
    EXPECT_EQ(readBytes(path), before);

    // A destination in a missing folder fails as cannotWrite.
    v.orbSize = 20;
    auto unwritable = exporting::exportPngImage(v, 0.0, 1.0, dir.filePath("missing/orb.png").toStdString());
    ASSERT_FALSE(unwritable.ok());
    EXPECT_EQ(unwritable.error().code, exporting::PngError::cannotWrite);
}

} // namespace
} // namespace lumara::test
