// The one open project: ordered states, the selection, the transition time, undo through an
// optional QUndoStack handed in from outside, and the autosave record. UI thread only.
// Every structural change records one undo step (a copy of all states and the selection,
// taken before the change) and rewrites the autosave record.
#pragma once

#include "document/ProjectCodec.h"
#include "document/ReadWholeFile.h"
#include "model/OrbPreset.h"
#include "model/OrbState.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUndoStack>

#include <functional>
#include <optional>

namespace lumara {

class Preferences;

enum class DocumentError { cannotRead, notAProject, cannotEncode, cannotWrite };

// The longest name renameState keeps: kMaxStateNameBytes of UTF-8, cut at a character boundary.
QString limitedStateName(const QString& name);

// What opening a file replaces besides the states: where the project is saved, its transition time
// and the preset name in the title.
struct OrbFileContext {
    std::optional<QString> fileURL;
    double transitionDuration = 0.6;
    std::optional<QString> presetName;
};

// What an undo step holds: every state (id, name, values) and the effective selection; the step of
// an Open holds the file context too, so undoing it also puts back the file that Save writes to.
struct OrbSnapshot {
    std::vector<OrbStateData> states;
    std::int64_t selectedStateIndex = 0;
    std::optional<OrbFileContext> file;
};

class OrbDocument : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 selectedStateIndex READ selectedStateIndex NOTIFY selectedStateIndexChanged)
    Q_PROPERTY(double transitionDuration READ transitionDuration WRITE setTransitionDuration NOTIFY transitionDurationChanged)

public:
    // Builds the document from a restored project (see restoreLastProject). `preferences` receives
    // the autosave record; null means nothing is autosaved. A project without states gets one
    // state "Default" with default values, so `states` is never empty.
    explicit OrbDocument(OrbProjectData project, Preferences* preferences = nullptr, QObject* parent = nullptr);
    ~OrbDocument() override;

    const QList<OrbState*>& states() const { return m_states; }
    qint64 selectedStateIndex() const { return m_selectedStateIndex; }
    // The stored index limited to at most count - 1, then to at least 0.
    qsizetype effectiveSelectedIndex() const;
    double transitionDuration() const { return m_transitionDuration; }
    QUndoStack* undoManager() const { return m_undoManager; }
    const std::optional<QString>& currentPresetName() const { return m_currentPresetName; }
    const std::optional<QString>& currentFileURL() const { return m_currentFileURL; }

    OrbConfiguration* currentConfiguration() const;
    // Replaces the selected state's configuration with this instance (the document takes it).
    void setCurrentConfiguration(OrbConfiguration* configuration);

    void setTransitionDuration(double seconds);
    void setUndoManager(QUndoStack* undoManager);
    void setCurrentPresetName(std::optional<QString> name);

    // The states' names, in order.
    QStringList stateNames() const;

    // The record that is saved: states, effective index, transition duration.
    OrbProjectData projectData() const;
    // The design exported images and videos carry (encodeEmbeddedProject of projectData());
    // empty when it cannot be encoded, so the export still goes ahead without it.
    std::string embeddedProject() const;

    void selectState(qint64 index);
    // Whether another state fits (a project holds at most kMaxStates).
    bool canAddState() const;
    // At the limit nothing changes and errorOccurred says why.
    void addState();
    void deleteState(qint64 index);
    void renameState(qint64 index, const QString& name);
    // `text` names the step where it says more than the edit itself (a Randomize's seed).
    void recordUndoSnapshot(const QString& text = {});
    // Randomize with a fresh seed from the seed source.
    void randomize();
    // Undo step "Randomize (Seed N)", no preset name, the selected state's configuration drawn
    // from an engine seeded with `seed` (makeRandomConfiguration), its locked parameters kept,
    // autosave. With nothing locked it is the orb `lumara render --random --seed N` draws.
    void randomize(std::uint64_t seed);
    // The seed of the last Randomize in this session, if any.
    std::optional<std::uint64_t> lastRandomSeed() const { return m_lastRandomSeed; }
    // Undo step, then locks or unlocks one field of the selected state; an unknown key or no
    // change does nothing.
    void setParameterLocked(const std::string& key, bool locked);
    // Undo step, the preset's name, a copy of its configuration in the current state, autosave.
    void applyPreset(const OrbPreset& preset);
    // Undo step, no preset name, `values` in the current state, autosave: a look pasted in.
    void applyLook(const OrbValues& values);
    // Undo step, `colors` as the selected state's background colours (everything else, the glow
    // colour too, as it was), autosave. An empty list or the colours already there change nothing.
    void applyBackgroundColors(const std::vector<CodableColor>& colors);
    // Writes the autosave record; a failure (disk full, a project that cannot be encoded, a
    // settings folder that cannot be written) keeps the previous record and is announced through
    // errorOccurred, once: later autosaves that fail the same way say nothing more until one has
    // succeeded again, so every edit of a session on a read-only settings folder is not a notice.
    void saveLastProject();
    // Whether the last autosave failed.
    bool autosaveFailing() const { return m_autosaveFailing; }

    // Writes the project file. When the file at `path` is no longer the one this document last
    // opened or saved there (another editor, or another program, has written it since), the save
    // still goes ahead, last save wins, and errorOccurred says what was replaced.
    Result<Ok, DocumentError> saveProject(const QString& path);
    Result<Ok, DocumentError> loadProject(const QString& path);
    // Opens `project` as Open opens a file, one undo step, but as an unsaved design: no file to
    // save into and no preset name (a pasted design code). A project without states changes nothing.
    void openDesign(const OrbProjectData& project);

    // Where `randomize()` takes its seeds; tests install a fixed sequence.
    void setSeedSource(std::function<std::uint64_t()> source) { m_seedSource = std::move(source); }

    // The present project; with `withFileContext` its file context as well.
    OrbSnapshot snapshot(bool withFileContext = false) const;
    // Puts a snapshot back (undo and redo): its states, its index limited to at most count - 1, its
    // file context when it holds one, then the autosave record.
    void restoreSnapshot(const OrbSnapshot& snapshot);

signals:
    void statesChanged();
    void selectedStateIndexChanged();
    void transitionDurationChanged();
    void undoManagerChanged();
    void currentPresetNameChanged();
    void currentFileURLChanged();
    // The selected state's configuration instance changed (selection moved, or it was replaced).
    void currentConfigurationChanged();
    // A lock of the selected state was toggled. Undo and redo arrive as statesChanged, a new
    // selection as currentConfigurationChanged: views of the locks follow all three.
    void lockedParametersChanged();
    void lastRandomSeedChanged();
    // Something the user asked for, or the autosave that followed it, failed; `message` says what
    // and why, ready to show.
    void errorOccurred(const QString& message);

private:
    QList<OrbState*> makeStates(const std::vector<OrbStateData>& states);
    // Installs a whole new list and selection (undo, redo, opening a file).
    void replaceStates(QList<OrbState*> states, qint64 selectedIndex);
    void setStates(QList<OrbState*> states);
    void setSelectedStateIndex(qint64 index);
    void setCurrentFileURL(std::optional<QString> url);
    // What opening does once the project is read: the undo step, the file context, the states.
    void installProject(const OrbProjectData& project, std::optional<QString> fileURL);
    void pushUndoStep(OrbSnapshot snapshot, const QString& text = {});
    bool isValidIndex(qint64 index) const { return index >= 0 && index < m_states.size(); }

    // What identifies the file last opened or saved: its path, and device, inode, size and
    // modification time as they were then.
    struct FileStamp {
        QString path;
        std::uint64_t device = 0, inode = 0;
        std::int64_t size = 0, modifiedNanoseconds = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static std::optional<FileStamp> stampOf(const QString& path);
    std::optional<FileStamp> m_fileStamp;

    QList<OrbState*> m_states;
    qint64 m_selectedStateIndex = 0;
    double m_transitionDuration = 0.6;
    QPointer<QUndoStack> m_undoManager;
    std::optional<QString> m_currentPresetName;
    std::optional<QString> m_currentFileURL;
    Preferences* m_preferences = nullptr;
    std::function<std::uint64_t()> m_seedSource;
    std::optional<std::uint64_t> m_lastRandomSeed;
    bool m_autosaveFailing = false;
    OrbConfiguration* m_watchedConfiguration = nullptr;
};

} // namespace lumara
