// The key-value preference store: a QSettings INI file. Its folder is $LUMARA_CONFIG_DIR when set
// (tests and scripted runs never touch a user's real settings), else the user's config folder.
// UI thread only, like QSettings itself.
//
// QSettings never writes the file itself: it works on a private copy beside it, and publish()
// checks that copy and puts it in place through OutputFile. (Left to itself, QSettings 6.4
// replaces the file even when the last block failed to reach a full disk, cutting it short and
// losing every key, the autosave record included.)
//
// Several editors may run at once on one file. Each Preferences object that has a working copy is
// an instance: it holds an flock on "<working copy>.owner" while it lives. Creating an instance
// and publishing happen under an flock of the folder itself, so that instances take turns:
// - on creation, every hidden ".Lumara.conf.*" file whose owner lock is free (left by a process
//   that ended without cleaning up, a kill -9 or a power cut) is removed, never one a live
//   instance owns; then the instance claims the lowest autosave slot no live instance holds.
// - publish() reads the file as the other instances left it and keeps their values for every key
//   this instance did not change, so no instance's keys are lost by another's rewrite.
#pragma once

#include "document/OutputFile.h"
#include "document/PreferenceKeys.h"
#include "model/OrbProjectData.h"

#include <QByteArray>
#include <QMap>
#include <QSettings>
#include <QTemporaryFile>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumara {

inline constexpr const char* kLastProjectKey = keys::lastProject;
inline constexpr const char* kLastConfigurationKey = keys::lastConfiguration;

// Full path of the settings file: <dir>/Lumara.conf.
QString preferencesFilePath();

// The key of an autosave slot: "lastProject" for slot 0 (the one a single editor uses), then
// "lastProject2", "lastProject3", ... for the editors started while others ran.
QString autosaveKeyOfSlot(int slot);

// Calls `read` with a QSettings holding the settings file at `path` as it is on disk now, never
// QSettings' cached parse of an earlier file; false (and `read` not called) when it cannot be opened.
bool readSettingsFileAfresh(const QString& path, const std::function<void(const QSettings&)>& read);

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

    // This instance's autosave slot and the key of its record (see above); slot 0 without a
    // working copy.
    int autosaveSlot() const { return m_slot; }
    QString autosaveKey() const { return autosaveKeyOfSlot(m_slot); }
    // Slots other than this one's that hold a record and that no live instance holds: projects of
    // editors that have ended, lowest first. Reads what the others published first.
    std::vector<int> unclaimedAutosaveSlots();
    // Takes a record out of the store once it has been recovered (publishes).
    [[nodiscard]] Result<Ok, FileError> removeAutosaveRecord(int slot);

    // Publishes what is waiting, then lets go of the working copy and the owner lock, removing
    // both; values stay readable, further publishes fail. The destructor does it; an exit that
    // skips destructors (a lost display) calls it directly. Idempotent.
    void end();

    ~Preferences();

private:
    // Under the folder's lock: removes what ended instances left and claims the free slot.
    void startInstance(const QString& folder);
    // The slots that live instances other than this one hold.
    std::vector<int> liveSlots() const;
    // Brings in what other instances published since this one last did (keys it did not change).
    void mergePublished();

    // Every key and value as last read or published, so that ending publishes only real changes
    // (another instance may have written the file since).
    QMap<QString, QByteArray> snapshot() const;
    QMap<QString, QByteArray> m_published;

    QString m_filePath;
    std::unique_ptr<QTemporaryFile> m_working;
    std::unique_ptr<QSettings> m_settings;
    int m_owner = -1; // the flock'ed "<working copy>.owner"
    int m_slot = 0;
};

// Start-up restore: the instance's autosave record when it decodes as a JSON project with at
// least one state (selected index limited to at most count - 1), else (slot 0 only)
// "lastConfiguration" as one state "Default", else one state "Default" holding `fallback`.
// Decoding failures only select the next step.
OrbProjectData restoreLastProject(const Preferences& preferences, const OrbValues& fallback);
// The project of an autosave record, if it decodes as one with at least one state.
std::optional<OrbProjectData> autosavedProject(const Preferences& preferences, int slot);

} // namespace lumara
