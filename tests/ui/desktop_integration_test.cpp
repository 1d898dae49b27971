// `cmake --install` into a temporary prefix: the launcher entry, the icons and the project file
// type land where desktops look for them, and they agree with each other.
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumara::test;

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString desktopKey(const QString& entry, const QString& key)
{
    const auto match = QRegularExpression(QStringLiteral("^%1=(.*)$").arg(key), QRegularExpression::MultilineOption).match(entry);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

TEST(DesktopIntegration, InstallPutsEntryIconsAndFileTypeInPlace)
{
    QTemporaryDir prefix;
    const auto installed = runProcess("cmake", {"--install", LUMARA_BINARY_DIR, "--prefix", prefix.path().toStdString()});
    ASSERT_EQ(installed.exitCode, 0) << installed.err;
    const QDir share(prefix.filePath("share"));

    const QString entry = readText(share.filePath("applications/com.quillfen.Lumara.desktop"));
    ASSERT_FALSE(entry.isEmpty());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_EQ(desktopKey(entry, "Type"), "Application");
    EXPECT_EQ(desktopKey(entry, "Exec"), "lumara %f") << "a double-clicked file reaches `lumara FILE`";
    EXPECT_EQ(desktopKey(entry, "Icon"), "com.quillfen.Lumara");
    EXPECT_EQ(desktopKey(entry, "MimeType"), "application/x-lumara-project;");
    EXPECT_TRUE(QFileInfo::exists(prefix.filePath("bin/lumara")));

    const QString mime = readText(share.filePath("mime/packages/com.quillfen.Lumara.xml"));
    EXPECT_TRUE(mime.contains("type=\"application/x-lumara-project\""));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.lumara\"/>"));

    for (const char* icon : {"icons/hicolor/scalable/apps/com.quillfen.Lumara.svg",
                             "icons/hicolor/scalable/mimetypes/application-x-lumara-project.svg"}) {
        const QString svg = readText(share.filePath(icon));
        EXPECT_TRUE(svg.contains("<svg") && svg.contains("</svg>")) << icon;
    }
}
