// Reading the desktop's light or dark preference out of the portal's answer and the GTK settings
// files. Plain functions; any thread.
#include "ui/style/DesktopColorScheme.h"

#include "document/ReadWholeFile.h"

#include <QDBusVariant>

namespace lumara::ui {

namespace {

// A GTK settings file holds a few lines; anything past this is not one.
constexpr std::int64_t kMaxGtkSettingsBytes = 1 << 20;

std::optional<bool> gtkBoolean(QStringView value)
{
    if (value == u"1" || value.compare(u"true", Qt::CaseInsensitive) == 0) return true;
    if (value == u"0" || value.compare(u"false", Qt::CaseInsensitive) == 0) return false;
    return std::nullopt;
}

QStringView unquoted(QStringView value)
{
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') return value.sliced(1, value.size() - 2);
    return value;
}

} // namespace

GtkThemeSettings parseGtkSettings(QStringView iniText)
{
    GtkThemeSettings settings;
    bool inSettings = false;
    for (QStringView line : iniText.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.front() == u'#' || line.front() == u';') continue;
        if (line.front() == u'[') {
            inSettings = line == u"[Settings]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inSettings || equals < 0) continue;
        const QStringView key = line.first(equals).trimmed();
        const QStringView value = unquoted(line.sliced(equals + 1).trimmed());
        if (key == u"gtk-application-prefer-dark-theme") {
            if (const auto dark = gtkBoolean(value)) settings.preferDarkTheme = dark;
        } else if (key == u"gtk-theme-name" && !value.isEmpty()) {
            settings.themeName = value.toString();
        }
    }
    return settings;
}

QStringList gtkSettingsFiles(const QString& configHome)
{
    return {configHome + QLatin1String("/gtk-3.0/settings.ini"), configHome + QLatin1String("/gtk-4.0/settings.ini")};
}

GtkThemeSettings readGtkSettings(const QString& configHome)
{
    GtkThemeSettings merged;
    for (const QString& path : gtkSettingsFiles(configHome)) {
        // Bounded like every other file the editor reads: a settings file that is a device or grows
        // without end is skipped, not read forever.
        const auto bytes = readWholeFile(path.toStdString(), kMaxGtkSettingsBytes);
        if (!bytes) continue;
        const GtkThemeSettings one = parseGtkSettings(QString::fromStdString(*bytes));
        if (!merged.preferDarkTheme) merged.preferDarkTheme = one.preferDarkTheme;
        if (!merged.themeName) merged.themeName = one.themeName;
    }
    return merged;
}

std::optional<std::uint32_t> portalColorScheme(const QVariant& answer)
{
    QVariant value = answer;
    // A few levels at most: no portal nests deeper, and a hostile answer must not loop for long.
    for (int depth = 0; depth < 4 && value.metaType() == QMetaType::fromType<QDBusVariant>(); ++depth)
        value = qvariant_cast<QDBusVariant>(value).variant();
    if (value.metaType() != QMetaType::fromType<std::uint32_t>()) return std::nullopt;
    return value.value<std::uint32_t>();
}

DesktopColorScheme decideColorScheme(std::optional<std::uint32_t> portalValue, const GtkThemeSettings& gtk)
{
    if (portalValue == kPortalPreferDark) return DesktopColorScheme::dark;
    if (portalValue == kPortalPreferLight) return DesktopColorScheme::light;
    const bool darkTheme = gtk.themeName && gtk.themeName->endsWith(QLatin1String("-dark"), Qt::CaseInsensitive);
    if (gtk.preferDarkTheme == true || darkTheme) return DesktopColorScheme::dark;
    if (gtk.preferDarkTheme || gtk.themeName) return DesktopColorScheme::light;
    return DesktopColorScheme::none;
}

} // namespace lumara::ui
