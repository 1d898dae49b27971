// Picture files read for their palette: every pixel format Qt decodes to gives the same colours,
// real files on a temporary folder, and files that are no picture, too large, transparent or
// missing fail with their own code. The document takes a palette as one undo step.
#include "document/OrbDocument.h"
#include "document/ReadImagePalette.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace lumara;

namespace {

// Three vertical stripes: 50 % teal, 30 % orange, 20 % near-black.
QImage stripes(QImage::Format format)
{
    QImage image(160, 90, QImage::Format_ARGB32);
    QPainter p(&image);
    p.fillRect(0, 0, 80, 90, QColor(30, 140, 150));
    p.fillRect(80, 0, 48, 90, QColor(240, 140, 40));
    p.fillRect(128, 0, 32, 90, QColor(16, 14, 20));
    p.end();
    return image.convertToFormat(format);
}

const std::vector<CodableColor> kStripeColors = {
    {16 / 255.0, 14 / 255.0, 20 / 255.0, 1}, {30 / 255.0, 140 / 255.0, 150 / 255.0, 1}, {240 / 255.0, 140 / 255.0, 40 / 255.0, 1}};

void expectColors(const std::vector<CodableColor>& got, const std::vector<CodableColor>& want, double tolerance)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].red, want[i].red, tolerance) << i;
        EXPECT_NEAR(got[i].green, want[i].green, tolerance) << i;
        EXPECT_NEAR(got[i].blue, want[i].blue, tolerance) << i;
        EXPECT_EQ(got[i].opacity, 1.0) << i;
    }
}

std::uint32_t crc32(const QByteArray& bytes)
{
    std::uint32_t crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= std::uint8_t(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray length(4, '\0'), crc(4, '\0');
    qToBigEndian(std::uint32_t(data.size()), length.data());
    const QByteArray body = QByteArray(type) + data;
    qToBigEndian(crc32(body), crc.data());
    return length + body + crc;
}

// A well-formed PNG header announcing a picture of the given size, with a few bytes of pixel data
// after it (the header is only complete once the first data chunk starts).
QByteArray pngHeaderOnly(std::uint32_t width, std::uint32_t height)
{
    QByteArray ihdr(13, '\0');
    qToBigEndian(width, ihdr.data());
    qToBigEndian(height, ihdr.data() + 4);
    ihdr[8] = 8; // bit depth
    ihdr[9] = 6; // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", QByteArray(16, '\0')) +
           pngChunk("IEND", {});
}

} // namespace

TEST(ReadImagePalette, EveryDecodedPixelFormatGivesTheSameColours)
{
    for (const QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32, QImage::Format_RGBA8888,
          QImage::Format_RGBA8888_Premultiplied, QImage::Format_RGBX8888, QImage::Format_RGB888, QImage::Format_RGBA64,
          QImage::Format_BGR30}) {
        SCOPED_TRACE(int(format));
        const auto palette = imagePalette(stripes(format));
        ASSERT_TRUE(palette.ok()) << palette.error().message;
        expectColors(*palette, kStripeColors, 0.5 / 255);
    }
}

TEST(ReadImagePalette, RealFilesAndTheirFailures)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(stripes(QImage::Format_ARGB32).save(dir.filePath("stripes.png")));
    ASSERT_TRUE(stripes(QImage::Format_RGB32).save(dir.filePath("stripes.bmp")));
    // JPEG is lossy: its colours come back near the painted ones.
    ASSERT_TRUE(stripes(QImage::Format_RGB32).save(dir.filePath("stripes.jpg"), "JPG", 95));
    QImage clear(50, 40, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    ASSERT_TRUE(clear.save(dir.filePath("clear.png")));
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("notes.png", "These are notes, not a picture.\n");
    write("huge.png", pngHeaderOnly(40000, 40000));
    write("wide.png", pngHeaderOnly(100000, 10));
    QByteArray png;
    {
        QBuffer buffer(&png);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
        ASSERT_TRUE(stripes(QImage::Format_ARGB32).save(&buffer, "PNG"));
    }
    write("cut.png", png.left(png.size() / 2));

    for (const auto& [name, tolerance] : {std::pair{"stripes.png", 0.5 / 255}, std::pair{"stripes.bmp", 0.5 / 255},
                                          std::pair{"stripes.jpg", 6.0 / 255}}) {
        SCOPED_TRACE(name);
        const auto palette = readImagePalette(dir.filePath(name));
        ASSERT_TRUE(palette.ok()) << palette.error().message;
        expectColors(*palette, kStripeColors, tolerance);
    }

    const struct {
        const char* name;
        ImagePaletteError code;
        const char* says;
    } failures[] = {
        {"missing.png", ImagePaletteError::cannotRead, "could not be read"},
        {"notes.png", ImagePaletteError::notAnImage, "not a picture"},
        {"huge.png", ImagePaletteError::tooLarge, "40000 × 40000"},
        {"wide.png", ImagePaletteError::tooLarge, "too large"},
        {"cut.png", ImagePaletteError::notAnImage, "could not be decoded"},
        {"clear.png", ImagePaletteError::noColors, "transparent"},
    };
    for (const auto& f : failures) {
        const auto palette = readImagePalette(dir.filePath(f.name));
        ASSERT_FALSE(palette.ok()) << f.name;
        EXPECT_EQ(palette.error().code, f.code) << f.name;
        EXPECT_NE(palette.error().message.find(f.says), std::string::npos) << f.name << ": " << palette.error().message;
    }
}

TEST(ReadImagePalette, TheDocumentTakesThePaletteAsOneUndoStepAndKeepsTheGlow)
{
    QUndoStack undo;
    OrbDocument document(OrbProjectData{});
    document.setUndoManager(&undo);
    const OrbValues before = document.currentConfiguration()->values();

    document.applyBackgroundColors(kStripeColors);
    EXPECT_EQ(undo.count(), 1);
    OrbValues expected = before;
    expected.backgroundColors = kStripeColors;
    EXPECT_EQ(document.currentConfiguration()->values(), expected) << "only the background colours change";

    document.applyBackgroundColors(kStripeColors);
    document.applyBackgroundColors({});
    EXPECT_EQ(undo.count(), 1) << "the same colours or none are no step";

    undo.undo();
    EXPECT_EQ(document.currentConfiguration()->values(), before);
}
