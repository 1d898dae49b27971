// The key-value preference store: a QSettings INI file. Its folder is $LUMARA_CONFIG_DIR when set
// (tests and scripted runs never touch a user's real settings), else the user's config folder.
// UI thread only, like QSettings itself.
#pragma once

#include "document/PreferenceKeys.h"
#include "model/OrbProjectData.h"

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

namespace lumara {

inline constexpr const char* kLastProjectKey = keys::lastProject;
inline constexpr const char* kLastConfigurationKey = keys::lastConfiguration;

// Full path of the settings file: <dir>/Lumara.conf.
QString preferencesFilePath();

class Preferences {
public:
    Preferences();                                // the default location (see preferencesFilePath)
    explicit Preferences(const QString& filePath); // an explicit INI file

    std::optional<QByteArray> data(const QString& key) const;
    // Stores the bytes and flushes them to disk at once, so a crash loses nothing written.
    void setData(const QString& key, const QByteArray& bytes);

    QSettings& settings() { return *m_settings; }

private:
    std::unique_ptr<QSettings> m_settings;
};

// Start-up restore: "lastProject" when it decodes as a JSON project with at least one state
// (selected index limited to at most count - 1), else "lastConfiguration" as one state "Default",
// else one state "Default" holding `fallback`. Decoding failures only select the next step.
OrbProjectData restoreLastProject(const Preferences& preferences, const OrbValues& fallback);

} // namespace lumara
