// Whether the desktop prefers light or dark, decided from what it publishes: the settings portal's
// colour-scheme value and the GTK settings files. Plain functions of their inputs; any thread.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

#include <cstdint>
#include <optional>

namespace lumara::ui {

// What the desktop asks of applications that follow it; none when it says nothing either way.
enum class DesktopColorScheme { none, light, dark };

// The portal's "color-scheme" values in the "org.freedesktop.appearance" namespace.
inline constexpr std::uint32_t kPortalNoPreference = 0;
inline constexpr std::uint32_t kPortalPreferDark = 1;
inline constexpr std::uint32_t kPortalPreferLight = 2;

// The two keys of a GTK settings.ini that say light or dark, each empty when the file does not set
// it or sets it to something unreadable.
struct GtkThemeSettings {
    std::optional<bool> preferDarkTheme; // gtk-application-prefer-dark-theme
    std::optional<QString> themeName;    // gtk-theme-name
    bool operator==(const GtkThemeSettings&) const = default;
};

// The keys of the [Settings] group of a settings.ini text. Other groups and keys, comments and
// values that are empty or not a boolean (true, false, 1, 0) are skipped; a later line wins.
// Never fails.
GtkThemeSettings parseGtkSettings(QStringView iniText);

// The settings files under a configuration folder ($XDG_CONFIG_HOME), first to last:
// gtk-3.0/settings.ini, then gtk-4.0/settings.ini.
QStringList gtkSettingsFiles(const QString& configHome);

// The GTK settings under `configHome`: each key from the first file that sets it. A missing or
// unreadable file counts as an empty one.
GtkThemeSettings readGtkSettings(const QString& configHome);

// The colour-scheme number in a portal answer, however many D-Bus variants wrap it (`Read` answers
// with two, `ReadOne` and the SettingChanged signal with one). Empty unless it is a uint32.
std::optional<std::uint32_t> portalColorScheme(const QVariant& answer);

// The portal's preference when it states one (1 dark, 2 light). Otherwise the GTK settings: dark
// when the dark variant is preferred or the theme's name ends in "-dark", light when either key is
// set to anything else. Otherwise none: the palette the application started with stays.
DesktopColorScheme decideColorScheme(std::optional<std::uint32_t> portalValue, const GtkThemeSettings& gtk);

} // namespace lumara::ui
