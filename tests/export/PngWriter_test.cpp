// The PNG still: straight alpha, the orb's square, atomic writes and typed failures.
#include "export/PngWriter.h"

#include "support/TestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

namespace lumara::test {
namespace {

TEST(PngWriter, EncodesStraightAlphaFromPremultipliedPixels)
{
    render::Image image;
    image.width = 4;
    image.height = 1;
    // Premultiplied: opaque red, half-transparent red, transparent, a quarter-alpha grey.
    image.pixels = {255, 0, 0, 255, 128, 0, 0, 128, 0, 0, 0, 0, 32, 32, 32, 64};
    auto bytes = exporting::encodePng(image);
    ASSERT_TRUE(bytes.ok());
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(reinterpret_cast<const uchar*>(bytes->data()), static_cast<int>(bytes->size()), "PNG"));
    ASSERT_TRUE(decoded.hasAlphaChannel());
    decoded = decoded.convertToFormat(QImage::Format_RGBA8888);
    const uchar* p = decoded.constScanLine(0);
    const std::vector<int> expected{255, 0, 0, 255, 255, 0, 0, 128, 0, 0, 0, 0, 128, 128, 128, 64};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], expected[static_cast<std::size_t>(i)]) << "byte " << i;
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
