// Document operations, undo steps and the autosave record.
#include "document/OrbDocument.h"

#include "document/EmbeddedInMedia.h"
#include "document/EmbeddedProject.h"
#include "document/Preferences.h"
#include "model/OrbFields.h"
#include "model/RandomConfiguration.h"

#include <QFileInfo>
#include <QFile>
#include <QUndoCommand>

#include <sys/stat.h>
#include <utility>

namespace lumara {

namespace {

// One undo step. Undo and redo do the same thing: take a snapshot of the present project, put the
// held snapshot back, and keep the present one for the opposite direction, so the two can
// alternate any number of times. The first redo() (QUndoStack::push calls it) does nothing: the
// change itself is made by the caller after recording.
class SnapshotCommand : public QUndoCommand {
public:
    SnapshotCommand(OrbDocument* document, OrbSnapshot snapshot) : m_document(document), m_snapshot(std::move(snapshot)) {}

    void undo() override { swap(); }
    void redo() override
    {
        if (m_pushed) {
            swap();
            return;
        }
        m_pushed = true;
    }

private:
    void swap()
    {
        if (!m_document) return;
        OrbSnapshot present = m_document->snapshot(m_snapshot.file.has_value());
        m_document->restoreSnapshot(m_snapshot);
        m_snapshot = std::move(present);
    }

    QPointer<OrbDocument> m_document;
    OrbSnapshot m_snapshot;
    bool m_pushed = false;
};

} // namespace

OrbDocument::OrbDocument(OrbProjectData project, Preferences* preferences, QObject* parent)
    : QObject(parent), m_preferences(preferences), m_seedSource([] { return makeRandomSeed(); })
{
    if (project.states.empty()) project.states.push_back({makeStateId(), "Default", OrbValues{}});
    m_states = makeStates(project.states);
    m_selectedStateIndex = project.selectedStateIndex;
    m_transitionDuration = project.transitionDuration;
    m_watchedConfiguration = currentConfiguration();
}

OrbDocument::~OrbDocument() = default;

QString limitedStateName(const QString& name)
{
    QByteArray utf8 = name.toUtf8();
    if (static_cast<std::size_t>(utf8.size()) <= kMaxStateNameBytes) return name;
    qsizetype end = static_cast<qsizetype>(kMaxStateNameBytes);
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end; // not inside a character
    return QString::fromUtf8(utf8.left(end));
}

qsizetype OrbDocument::effectiveSelectedIndex() const
{
    const qint64 last = m_states.size() - 1;
    return static_cast<qsizetype>(std::max<qint64>(0, std::min(m_selectedStateIndex, last)));
}

OrbConfiguration* OrbDocument::currentConfiguration() const
{
    return m_states.at(effectiveSelectedIndex())->config();
}

void OrbDocument::setCurrentConfiguration(OrbConfiguration* configuration)
{
    if (!configuration) return;
    m_states.at(effectiveSelectedIndex())->setConfig(configuration);
    m_watchedConfiguration = configuration;
    emit currentConfigurationChanged();
}

void OrbDocument::setTransitionDuration(double seconds)
{
    if (m_transitionDuration == seconds) return;
    m_transitionDuration = seconds;
    emit transitionDurationChanged();
}

void OrbDocument::setUndoManager(QUndoStack* undoManager)
{
    if (m_undoManager == undoManager) return;
    m_undoManager = undoManager;
    emit undoManagerChanged();
}

void OrbDocument::setCurrentPresetName(std::optional<QString> name)
{
    if (m_currentPresetName == name) return;
    m_currentPresetName = std::move(name);
    emit currentPresetNameChanged();
}

void OrbDocument::setCurrentFileURL(std::optional<QString> url)
{
    if (m_currentFileURL == url) return;
    m_currentFileURL = std::move(url);
    emit currentFileURLChanged();
}

void OrbDocument::setSelectedStateIndex(qint64 index)
{
    if (m_selectedStateIndex == index) return;
    m_selectedStateIndex = index;
    emit selectedStateIndexChanged();
    if (currentConfiguration() != m_watchedConfiguration) {
        m_watchedConfiguration = currentConfiguration();
        emit currentConfigurationChanged();
    }
}

void OrbDocument::setStates(QList<OrbState*> states)
{
    QList<OrbState*> old = m_states;
    m_states = std::move(states);
    for (OrbState* state : old)
        if (!m_states.contains(state)) state->deleteLater(); // views may still hold it this turn
    emit statesChanged();
    if (currentConfiguration() != m_watchedConfiguration) {
        m_watchedConfiguration = currentConfiguration();
        emit currentConfigurationChanged();
    }
}

QList<OrbState*> OrbDocument::makeStates(const std::vector<OrbStateData>& states)
{
    QList<OrbState*> made;
    for (const OrbStateData& data : states) made.append(OrbState::fromData(data, this));
    return made;
}

void OrbDocument::replaceStates(QList<OrbState*> states, qint64 selectedIndex)
{
    m_selectedStateIndex = selectedIndex; // set first, so observers of the list see the new selection
    setStates(std::move(states));
    emit selectedStateIndexChanged();
}

QStringList OrbDocument::stateNames() const
{
    QStringList names;
    for (const OrbState* state : m_states) names << state->name();
    return names;
}

OrbProjectData OrbDocument::projectData() const
{
    OrbProjectData project;
    for (const OrbState* state : m_states) project.states.push_back(state->data());
    project.selectedStateIndex = effectiveSelectedIndex();
    project.transitionDuration = m_transitionDuration;
    return project;
}

void OrbDocument::selectState(qint64 index)
{
    if (!isValidIndex(index)) return;
    setSelectedStateIndex(index);
}

bool OrbDocument::canAddState() const
{
    return static_cast<std::size_t>(m_states.size()) < kMaxStates;
}

void OrbDocument::addState()
{
    if (!canAddState()) {
        emit errorOccurred(QStringLiteral("Cannot add a state: a project holds at most %1 states.").arg(kMaxStates));
        return;
    }
    recordUndoSnapshot();
    const qsizetype e = effectiveSelectedIndex();
    auto* state = new OrbState(nextStateName(stateNames()), currentConfiguration()->copy(), this);
    state->setLockedParameters(m_states.at(e)->lockedParameters()); // a copy keeps what was locked
    QList<OrbState*> states = m_states;
    states.insert(e + 1, state);
    // Inserting after the selection keeps the old index on the same state until the selection moves.
    m_states = states;
    emit statesChanged();
    setSelectedStateIndex(e + 1);
    setCurrentPresetName(std::nullopt);
    saveLastProject();
}

void OrbDocument::deleteState(qint64 index)
{
    if (m_states.size() < 2 || !isValidIndex(index)) return;
    recordUndoSnapshot();
    QList<OrbState*> states = m_states;
    states.removeAt(static_cast<qsizetype>(index));
    const qint64 last = states.size() - 1;
    if (m_selectedStateIndex > last) {
        m_selectedStateIndex = last;
        emit selectedStateIndexChanged();
    }
    setStates(std::move(states));
    saveLastProject();
}

void OrbDocument::renameState(qint64 index, const QString& name)
{
    if (!isValidIndex(index)) return;
    const QString trimmed = limitedStateName(trimmedStateName(name));
    OrbState* state = m_states.at(static_cast<qsizetype>(index));
    if (trimmed.isEmpty() || trimmed == state->name()) return; // an unchanged name is no step to undo
    recordUndoSnapshot();
    state->setName(trimmed);
    saveLastProject();
}

OrbSnapshot OrbDocument::snapshot(bool withFileContext) const
{
    OrbProjectData project = projectData();
    OrbSnapshot snapshot{std::move(project.states), project.selectedStateIndex, std::nullopt};
    if (withFileContext) snapshot.file = OrbFileContext{m_currentFileURL, m_transitionDuration, m_currentPresetName};
    return snapshot;
}

void OrbDocument::recordUndoSnapshot(const QString& text) { pushUndoStep(snapshot(), text); }

void OrbDocument::pushUndoStep(OrbSnapshot snapshot, const QString& text)
{
    if (!m_undoManager) return;
    auto* command = new SnapshotCommand(this, std::move(snapshot));
    command->setText(text);
    m_undoManager->push(command);
}

void OrbDocument::restoreSnapshot(const OrbSnapshot& snapshot)
{
    QList<OrbState*> states = makeStates(snapshot.states);
    if (states.isEmpty()) states.append(new OrbState(QStringLiteral("Default"), new OrbConfiguration, this));
    const qint64 last = states.size() - 1;
    replaceStates(std::move(states), std::min<qint64>(snapshot.selectedStateIndex, last));
    if (snapshot.file) {
        setCurrentFileURL(snapshot.file->fileURL);
        setTransitionDuration(snapshot.file->transitionDuration);
        setCurrentPresetName(snapshot.file->presetName);
    }
    saveLastProject();
}

void OrbDocument::randomize() { randomize(m_seedSource()); }

void OrbDocument::randomize(std::uint64_t seed)
{
    recordUndoSnapshot(QStringLiteral("Randomize (Seed %1)").arg(seed));
    setCurrentPresetName(std::nullopt);
    const OrbState* state = m_states.at(effectiveSelectedIndex());
    RandomEngine engine(seed);
    setCurrentConfiguration(new OrbConfiguration(makeRandomConfiguration(engine, state->config()->values(), state->lockedParameters())));
    m_lastRandomSeed = seed;
    emit lastRandomSeedChanged();
    saveLastProject();
}

void OrbDocument::setParameterLocked(const std::string& key, bool locked)
{
    if (!isOrbFieldKey(key)) return;
    OrbState* state = m_states.at(effectiveSelectedIndex());
    if (state->isParameterLocked(key) == locked) return;
    std::vector<std::string> keys = state->lockedParameters();
    if (locked) keys.push_back(key);
    else std::erase(keys, key);
    recordUndoSnapshot();
    state->setLockedParameters(keys);
    emit lockedParametersChanged();
    saveLastProject();
}

void OrbDocument::applyPreset(const OrbPreset& preset)
{
    recordUndoSnapshot();
    setCurrentPresetName(QString::fromStdString(preset.name));
    setCurrentConfiguration(new OrbConfiguration(preset.configuration));
    saveLastProject();
}

void OrbDocument::applyLook(const OrbValues& values)
{
    recordUndoSnapshot();
    setCurrentPresetName(std::nullopt);
    setCurrentConfiguration(new OrbConfiguration(values));
    saveLastProject();
}

void OrbDocument::applyBackgroundColors(const std::vector<CodableColor>& colors)
{
    OrbConfiguration* config = currentConfiguration();
    if (colors.empty() || !config || config->backgroundColors() == colors) return;
    recordUndoSnapshot();
    config->setBackgroundColors(colors);
    saveLastProject();
}

void OrbDocument::saveLastProject()
{
    if (!m_preferences) return;
    const auto failed = [this](const std::string& why) {
        if (std::exchange(m_autosaveFailing, true)) return; // already said
        emit errorOccurred(QStringLiteral("The project could not be autosaved: %1.").arg(QString::fromStdString(why)));
    };
    auto bytes = encodeProject(projectData(), Container::json);
    if (!bytes) return failed(bytes.error().message); // nothing is stored; the previous record stays
    if (auto stored = m_preferences->setData(m_preferences->autosaveKey(), QByteArray::fromStdString(*bytes)); !stored)
        return failed(stored.error().message);
    m_autosaveFailing = false;
}

std::optional<OrbDocument::FileStamp> OrbDocument::stampOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
    return FileStamp{path, static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                     static_cast<std::int64_t>(info.st_size),
                     static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

Result<Ok, DocumentError> OrbDocument::saveProject(const QString& path)
{
    auto bytes = encodeProject(projectData(), Container::propertyList);
    if (!bytes) return Error<DocumentError>{DocumentError::cannotEncode, bytes.error().message};
    const bool changedOnDisk = m_fileStamp && m_fileStamp->path == path && stampOf(path) != m_fileStamp;
    auto written = writeOutputFile(path.toStdString(), *bytes);
    if (!written) return Error<DocumentError>{DocumentError::cannotWrite, written.error().message};
    m_fileStamp = stampOf(path);
    setCurrentFileURL(path);
    if (changedOnDisk)
        emit errorOccurred(QStringLiteral("%1 had changed on disk since it was opened or saved here.\nThis save replaced those changes.")
                               .arg(QFileInfo(path).fileName()));
    return Ok{};
}

std::string OrbDocument::embeddedProject() const
{
    auto text = encodeEmbeddedProject(projectData());
    return text ? std::move(*text) : std::string();
}

Result<Ok, DocumentError> OrbDocument::loadProject(const QString& path)
{
    auto bytes = readProjectFileBytes(path.toStdString());
    if (!bytes) return Error<DocumentError>{DocumentError::cannotRead, bytes.error().message};
    auto opened = decodeProjectFile(*bytes, m_transitionDuration);
    if (!opened) return Error<DocumentError>{DocumentError::notAProject, opened.error().message};

    // An image, a video or a text file holding a design code opens as the design it carries, not
    // as the file to save into: Save then asks where the project goes instead of replacing the
    // picture or the text with a project record.
    const bool projectFile = sniffMedia(*bytes) == MediaKind::none && !opened->fromDesignCode;
    if (projectFile) m_fileStamp = stampOf(path); // what a later save expects to find there
    installProject(opened->project, projectFile ? std::optional<QString>(path) : std::nullopt);
    return Ok{};
}

void OrbDocument::openDesign(const OrbProjectData& project)
{
    if (project.states.empty()) return;
    installProject(project, std::nullopt);
}

void OrbDocument::installProject(const OrbProjectData& project, std::optional<QString> fileURL)
{
    pushUndoStep(snapshot(true));
    setCurrentPresetName(std::nullopt);
    setCurrentFileURL(std::move(fileURL));
    replaceStates(makeStates(project.states), project.selectedStateIndex);
    setTransitionDuration(project.transitionDuration);
    saveLastProject();
}

} // namespace lumara
