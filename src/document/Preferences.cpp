// QSettings-backed preferences and the start-up restore chain.
#include "document/Preferences.h"

#include "document/ProjectCodec.h"

#include <QDir>
#include <QStandardPaths>

namespace lumara {

QString preferencesFilePath()
{
    QString dir = qEnvironmentVariable("LUMARA_CONFIG_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Lumara");
    return QDir(dir).filePath(QStringLiteral("Lumara.conf"));
}

Preferences::Preferences() : Preferences(preferencesFilePath()) {}

Preferences::Preferences(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

std::optional<QByteArray> Preferences::data(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid()) return std::nullopt;
    return value.toByteArray();
}

void Preferences::setData(const QString& key, const QByteArray& bytes)
{
    m_settings->setValue(key, bytes);
    m_settings->sync();
}

OrbProjectData restoreLastProject(const Preferences& preferences, const OrbValues& fallback)
{
    if (auto bytes = preferences.data(kLastProjectKey)) {
        auto project = decodeProject(std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())),
                                     Container::json);
        if (project && !project->states.empty()) {
            project->limitSelectionToLastState();
            return std::move(*project);
        }
    }
    OrbProjectData project;
    OrbValues values = fallback;
    if (auto bytes = preferences.data(kLastConfigurationKey)) {
        auto decoded = decodeConfiguration(std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())),
                                           Container::json);
        if (decoded) values = std::move(*decoded);
    }
    project.states.push_back({makeStateId(), "Default", std::move(values)});
    return project;
}

} // namespace lumara
