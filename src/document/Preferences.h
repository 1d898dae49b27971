// The key-value preference store: a QSettings INI file. Its folder is $LUMARA_CONFIG_DIR when set
// (tests and scripted runs never touch a user's real settings), else the user's config folder.
// UI thread only, like QSettings itself.
//
// QSettings never writes the file itself: it works on a private copy beside it, and publish()
// checks that copy and puts it in place through OutputFile. (Left to itself, QSettings 6.4
// replaces the file even when the last block failed to reach a full disk, cutting it short and
// losing every key, the autosave record included.)
#pragma once

#include "document/OutputFile.h"
#include "document/PreferenceKeys.h"
#include "model/OrbProjectData.h"

#include <QByteArray>
#include <QMap>
#include <QSettings>
#include <QTemporaryFile>
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
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    std::optional<QByteArray> data(const QString& key) const;
    // Stores the bytes and flushes them to disk at once, so a crash loses nothing written. The
    // file is replaced whole (QSettings writes a temporary and renames it), so a failure (disk
    // full, no permission) leaves the previous file as it was and is returned naming the file.
    [[nodiscard]] Result<Ok, FileError> setData(const QString& key, const QByteArray& bytes);

    // Values set through settings() reach the file with the next publish(): setData, or the end
    // of this object.
    QSettings& settings() { return *m_settings; }
    // Writes the working copy, reads it back to check every value, then replaces the file with it.
    // On failure the file keeps its previous content.
    [[nodiscard]] Result<Ok, FileError> publish();

    ~Preferences();

private:
    // Every key and value as last read or published, so that ending publishes only real changes
    // (another instance may have written the file since).
    QMap<QString, QByteArray> snapshot() const;
    QMap<QString, QByteArray> m_published;

    QString m_filePath;
    std::unique_ptr<QTemporaryFile> m_working;
    std::unique_ptr<QSettings> m_settings;
};

// Start-up restore: "lastProject" when it decodes as a JSON project with at least one state
// (selected index limited to at most count - 1), else "lastConfiguration" as one state "Default",
// else one state "Default" holding `fallback`. Decoding failures only select the next step.
OrbProjectData restoreLastProject(const Preferences& preferences, const OrbValues& fallback);

} // namespace lumara
