// The decision between light and dark from the portal's value and the GTK settings, the reading of
// settings.ini texts and files, and the unwrapping of portal answers, without a bus.
#include "ui/style/DesktopColorScheme.h"

#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumara::ui;

namespace {

GtkThemeSettings gtk(std::optional<bool> preferDark, std::optional<QString> theme) { return {preferDark, std::move(theme)}; }

QVariant wrapped(const QVariant& value, int variants)
{
    QVariant result = value;
    for (int i = 0; i < variants; ++i) result = QVariant::fromValue(QDBusVariant(result));
    return result;
}

void write(const QString& path, const QByteArray& text)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

TEST(DesktopColorScheme, PortalPreferenceWinsAndGtkSettingsDecideOtherwise)
{
    const std::optional<std::uint32_t> none;
    struct Case {
        const char* what;
        std::optional<std::uint32_t> portal;
        GtkThemeSettings gtk;
        DesktopColorScheme expected;
    };
    const Case cases[] = {
        {"portal prefers dark", kPortalPreferDark, {}, DesktopColorScheme::dark},
        {"portal prefers light", kPortalPreferLight, {}, DesktopColorScheme::light},
        {"portal dark over a light GTK theme", kPortalPreferDark, gtk(false, "Adwaita"), DesktopColorScheme::dark},
        {"portal light over a dark GTK theme", kPortalPreferLight, gtk(true, "Adwaita-dark"), DesktopColorScheme::light},
        {"no preference falls to GTK", kPortalNoPreference, gtk(true, std::nullopt), DesktopColorScheme::dark},
        {"an unknown portal value falls to GTK", 7u, gtk(std::nullopt, "Adwaita-dark"), DesktopColorScheme::dark},
        {"no portal, prefer-dark on", none, gtk(true, "Adwaita"), DesktopColorScheme::dark},
        {"no portal, a theme named -dark", none, gtk(false, "Adwaita-dark"), DesktopColorScheme::dark},
        {"no portal, -Dark in capitals", none, gtk(std::nullopt, "Arc-Dark"), DesktopColorScheme::dark},
        {"no portal, a light theme", none, gtk(std::nullopt, "Adwaita"), DesktopColorScheme::light},
        {"no portal, prefer-dark off", none, gtk(false, std::nullopt), DesktopColorScheme::light},
        {"dark inside the name is not a dark theme", none, gtk(std::nullopt, "Darkish-light"), DesktopColorScheme::light},
        {"no portal, no GTK settings", none, {}, DesktopColorScheme::none},
        {"no preference, no GTK settings", kPortalNoPreference, {}, DesktopColorScheme::none},
    };
    for (const Case& c : cases) EXPECT_EQ(decideColorScheme(c.portal, c.gtk), c.expected) << c.what;
}

TEST(DesktopColorScheme, ParsesTheSettingsGroupOfAGtkIniText)
{
    struct Case {
        const char* what;
        const char* text;
        GtkThemeSettings expected;
    };
    const Case cases[] = {
        {"both keys", "[Settings]\ngtk-application-prefer-dark-theme=1\ngtk-theme-name=Adwaita-dark\n", gtk(true, "Adwaita-dark")},
        {"words, spaces, CRLF and quotes", "[Settings]\r\n  gtk-application-prefer-dark-theme = false \r\ngtk-theme-name = \"Yaru\"\r\n",
         gtk(false, "Yaru")},
        {"TRUE in capitals", "[Settings]\ngtk-application-prefer-dark-theme=TRUE\n", gtk(true, std::nullopt)},
        {"comments and other keys", "# gtk-theme-name=Commented-dark\n[Settings]\n; gtk-application-prefer-dark-theme=1\ngtk-font-name=Cantarell 11\n", {}},
        {"keys outside [Settings]", "gtk-theme-name=Before-dark\n[Other]\ngtk-application-prefer-dark-theme=1\n[Settings]\n", {}},
        {"a later line wins", "[Settings]\ngtk-theme-name=Adwaita-dark\ngtk-theme-name=Adwaita\n", gtk(std::nullopt, "Adwaita")},
        {"an unreadable boolean and an empty name", "[Settings]\ngtk-application-prefer-dark-theme=maybe\ngtk-theme-name=\n", {}},
        {"lines without =", "[Settings]\ngtk-theme-name\n=Adwaita-dark\n", {}},
        {"an empty text", "", {}},
        {"binary noise", "\x01\x02[Sett\xff\n==\n[", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseGtkSettings(QString::fromUtf8(c.text)), c.expected) << c.what;
}

TEST(DesktopColorScheme, GtkThreeSettingsComeFirstAndGtkFourFillsIn)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    EXPECT_EQ(readGtkSettings(home.path()), GtkThemeSettings{}) << "no files";
    write(home.filePath("gtk-4.0/settings.ini"), "[Settings]\ngtk-theme-name=Adwaita-dark\ngtk-application-prefer-dark-theme=1\n");
    EXPECT_EQ(readGtkSettings(home.path()), gtk(true, "Adwaita-dark")) << "only the GTK 4 file";
    write(home.filePath("gtk-3.0/settings.ini"), "[Settings]\ngtk-theme-name=Adwaita\n");
    EXPECT_EQ(readGtkSettings(home.path()), gtk(true, "Adwaita")) << "the GTK 3 name, the GTK 4 preference";
    ASSERT_TRUE(QFile::remove(home.filePath("gtk-4.0/settings.ini")));
    ASSERT_TRUE(QDir().mkpath(home.filePath("gtk-4.0/settings.ini"))) << "a folder where the file should be";
    EXPECT_EQ(readGtkSettings(home.path()), gtk(std::nullopt, "Adwaita"));
}

TEST(DesktopColorScheme, UnwrapsPortalAnswersAndRefusesOtherShapes)
{
    struct Case {
        const char* what;
        QVariant answer;
        std::optional<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"Read: two variants", wrapped(QVariant::fromValue(std::uint32_t(1)), 2), 1u},
        {"ReadOne and the signal: one variant", wrapped(QVariant::fromValue(std::uint32_t(2)), 1), 2u},
        {"a bare number", QVariant::fromValue(std::uint32_t(0)), 0u},
        {"a value outside 0...2 is still a value", wrapped(QVariant::fromValue(std::uint32_t(9)), 1), 9u},
        {"a signed number", wrapped(QVariant::fromValue(qint32(1)), 2), std::nullopt},
        {"a string", wrapped(QVariant(QStringLiteral("dark")), 2), std::nullopt},
        {"a byte", wrapped(QVariant::fromValue(uchar(1)), 1), std::nullopt},
        {"an empty variant", wrapped(QVariant(), 1), std::nullopt},
        {"nothing", QVariant(), std::nullopt},
        {"wrapped too deep", wrapped(QVariant::fromValue(std::uint32_t(1)), 12), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(portalColorScheme(c.answer), c.expected) << c.what;
}
