// Reading the desktop's animation preference. UI thread only (the cache is not locked).
#include "ui/onboarding/ReduceMotion.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <optional>

namespace lumara::ui {

namespace {

std::optional<bool> fromEnvironment()
{
    const QByteArray value = qgetenv(kReduceMotionVariable).trimmed().toLower();
    if (value == "1" || value == "true" || value == "yes") return true;
    if (value == "0" || value == "false" || value == "no") return false;
    return std::nullopt;
}

// GNOME and desktops built on it. The tool answers from the local settings database at once; the
// short wait only guards against a broken installation.
std::optional<bool> fromGSettings()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (tool.isEmpty()) return std::nullopt;
    QProcess process;
    process.start(tool, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations")});
    if (!process.waitForFinished(1000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(100);
        return std::nullopt;
    }
    const QByteArray answer = process.readAllStandardOutput().trimmed();
    if (answer == "false") return true;
    if (answer == "true") return false;
    return std::nullopt;
}

std::optional<bool> fromGtkSettings()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (const char* folder : {"/gtk-4.0/settings.ini", "/gtk-3.0/settings.ini"}) {
        const QString path = config + QLatin1String(folder);
        if (!QFile::exists(path)) continue;
        QSettings ini(path, QSettings::IniFormat);
        const QVariant value = ini.value(QStringLiteral("Settings/gtk-enable-animations"));
        if (!value.isValid()) continue;
        const QString text = value.toString().trimmed().toLower();
        return text == QLatin1String("false") || text == QLatin1String("0");
    }
    return std::nullopt;
}

} // namespace

bool prefersReducedMotion()
{
    if (auto value = fromEnvironment()) return *value; // never cached: tests switch it
    static const bool cached = [] {
        if (auto value = fromGSettings()) return *value;
        if (auto value = fromGtkSettings()) return *value;
        return false;
    }();
    return cached;
}

int motionDuration(int milliseconds, bool reduceMotion) { return reduceMotion ? 0 : milliseconds; }

} // namespace lumara::ui
