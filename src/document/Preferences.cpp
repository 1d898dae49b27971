// QSettings-backed preferences, the instances that share one file, and the start-up restore chain.
#include "document/Preferences.h"

#include "document/ProjectCodec.h"
#include "document/ReadWholeFile.h"

#include <QDir>
#include <QFile>
#include <QEvent>
#include <QFileInfo>
#include <QStandardPaths>

#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <set>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace lumara {

QString preferencesFilePath()
{
    QString dir = qEnvironmentVariable("LUMARA_CONFIG_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Lumara");
    return QDir(dir).filePath(QStringLiteral("Lumara.conf"));
}

QString autosaveKeyOfSlot(int slot)
{
    return slot <= 0 ? QString::fromLatin1(kLastProjectKey) : QString::fromLatin1(kLastProjectKey) + QString::number(slot + 1);
}

// Every QSettings of one path in a process shares a cached parse, trusted while the file's size and
// modification time (to the millisecond) are unchanged: a file rewritten with as many bytes within
// the same millisecond reads back as it was, and so does another file opened under a descriptor
// number an earlier read used. So the file is read under its descriptor's path, and the number
// turns over a range wide enough that it comes back only after its parse has left the cache (which
// holds ten or so files) and many milliseconds have passed.
bool readSettingsFileAfresh(const QString& path, const std::function<void(const QSettings&)>& read)
{
    static std::atomic<unsigned> turn{0};
    constexpr int kFirstNumber = 256, kNumbers = 64;
    const int opened = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (opened < 0) return false;
    const int number = kFirstNumber + int(turn.fetch_add(1, std::memory_order_relaxed) % kNumbers);
    int fd = ::fcntl(opened, F_DUPFD_CLOEXEC, number);
    if (fd >= 0) ::close(opened);
    else fd = opened; // out of descriptors above the range: the opened one still reads correctly unless cached
    {
        const QSettings settings(QStringLiteral("/proc/self/fd/%1").arg(fd), QSettings::IniFormat);
        read(settings);
    }
    ::close(fd);
    return true;
}

namespace {

constexpr int kStemRandomLength = 6; // QTemporaryFile's XXXXXX
const QString kOwnerSuffix = QStringLiteral(".owner");

// An exclusive flock of a folder, held while the object lives: instances take turns creating
// themselves and publishing. One that cannot be had within ten seconds (a stopped process holds
// it) is gone without: the work goes ahead rather than the editor hanging.
class FolderLock {
public:
    explicit FolderLock(const QString& folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd < 0) return;
        for (int attempt = 0; attempt < 2000; ++attempt) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) return;
            if (errno != EWOULDBLOCK && errno != EINTR) break;
            QThread::msleep(5);
        }
        ::close(m_fd);
        m_fd = -1;
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock()
    {
        if (m_fd >= 0) ::close(m_fd); // closing releases the lock
    }

private:
    int m_fd;
};

// Whether the owner file's lock is held by a live instance; when it is, `slot` is its slot.
bool isLiveOwner(const QString& ownerPath, int& slot)
{
    const int fd = ::open(QFile::encodeName(ownerPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool live = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (live) {
        char text[16] = {};
        const ssize_t length = ::pread(fd, text, sizeof text - 1, 0);
        slot = length > 0 ? std::atoi(text) : 0;
    }
    ::close(fd);
    return live;
}

// The hidden files of the settings file `name` in `folder` and the stems of their instances.
struct InstanceFiles {
    QStringList names;
    QMap<QString, int> liveSlots; // stem -> slot, of live instances
};

InstanceFiles instanceFiles(const QString& folder, const QString& name)
{
    InstanceFiles found;
    const QString prefix = QStringLiteral(".") + name + QStringLiteral(".");
    found.names = QDir(folder).entryList({prefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : std::as_const(found.names)) {
        if (!entry.endsWith(kOwnerSuffix)) continue;
        int slot = 0;
        if (isLiveOwner(QDir(folder).filePath(entry), slot)) found.liveSlots.insert(entry.left(prefix.size() + kStemRandomLength), slot);
    }
    return found;
}

// A value as text, the way it reads back from the file: an INI file keeps no types (2 reads back
// as "2"), so values are compared by their text.
QByteArray comparable(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QByteArray: return value.toByteArray();
    case QMetaType::QStringList:
    case QMetaType::QVariantList: return value.toStringList().join(QChar(0x1f)).toUtf8();
    default: return value.toString().toUtf8();
    }
}

// QSettings writes its changes at the next turn of the event loop (an UpdateRequest to itself);
// this publishes them right after, so values set through settings() reach the file as promptly.
class PublishAfterUpdate : public QObject {
public:
    PublishAfterUpdate(QSettings* settings, Preferences* preferences) : QObject(settings), m_preferences(preferences) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::UpdateRequest) return false;
        static_cast<QSettings*>(watched)->sync();
        (void)m_preferences->publish(); // a failure is reported by the next setData; the file stays whole
        return true;
    }

private:
    Preferences* m_preferences;
};

} // namespace

Preferences::Preferences() : Preferences(preferencesFilePath()) {}

Preferences::Preferences(const QString& filePath) : m_filePath(filePath)
{
    const QFileInfo file(filePath);
    QDir().mkpath(file.absolutePath());
    FolderLock lock(file.absolutePath());
    startInstance(file.absolutePath());
    if (m_working) {
        QFile current(filePath);
        if (current.open(QIODevice::ReadOnly)) m_working->write(current.readAll());
        m_working->close();
        m_settings = std::make_unique<QSettings>(m_working->fileName(), QSettings::IniFormat);
        m_settings->installEventFilter(new PublishAfterUpdate(m_settings.get(), this));
        m_published = snapshot();
    } else {
        // No folder to work in: the settings live in memory and every publish reports why.
        m_working.reset();
        m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
        m_settings->setAtomicSyncRequired(true);
    }
}

void Preferences::startInstance(const QString& folder)
{
    const QString name = QFileInfo(m_filePath).fileName();
    const InstanceFiles found = instanceFiles(folder, name);
    const QString prefix = QStringLiteral(".") + name + QStringLiteral(".");
    // Whatever no live instance owns was left by one that ended without cleaning up: its working
    // copy, its owner file, QSettings' own temporaries and lock files of that copy.
    for (const QString& entry : found.names)
        if (!found.liveSlots.contains(entry.left(prefix.size() + kStemRandomLength))) QFile::remove(QDir(folder).filePath(entry));

    m_working = std::make_unique<QTemporaryFile>(QDir(folder).filePath(prefix + QStringLiteral("XXXXXX")));
    if (!m_working->open()) {
        m_working.reset();
        return;
    }
    const QString owner = m_working->fileName() + kOwnerSuffix;
    m_owner = ::open(QFile::encodeName(owner).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_owner >= 0 && ::flock(m_owner, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_owner);
        m_owner = -1;
        QFile::remove(owner);
    }
    std::set<int> taken;
    for (int slot : found.liveSlots) taken.insert(slot);
    while (taken.contains(m_slot)) ++m_slot;
    if (m_owner >= 0) {
        const QByteArray text = QByteArray::number(m_slot);
        (void)!::write(m_owner, text.constData(), static_cast<std::size_t>(text.size()));
    }
}

Preferences::~Preferences()
{
    end();
    m_settings.reset();
}

void Preferences::end()
{
    if (!m_working) return;
    // Values set through settings() and not yet published; a failure here has no one left to tell.
    if (snapshot() != m_published) (void)publish();
    const QString owner = m_working->fileName() + kOwnerSuffix;
    m_working.reset(); // removes the working copy
    if (m_owner >= 0) {
        QFile::remove(owner);
        ::close(m_owner);
        m_owner = -1;
    }
}

std::vector<int> Preferences::liveSlots() const
{
    std::vector<int> held;
    if (!m_working) return held;
    const QString working = QFileInfo(m_working->fileName()).fileName();
    const InstanceFiles found = instanceFiles(QFileInfo(m_filePath).absolutePath(), QFileInfo(m_filePath).fileName());
    for (auto it = found.liveSlots.cbegin(); it != found.liveSlots.cend(); ++it)
        if (!working.startsWith(it.key())) held.push_back(it.value());
    return held;
}

std::vector<int> Preferences::unclaimedAutosaveSlots()
{
    if (m_working) {
        FolderLock lock(QFileInfo(m_filePath).absolutePath());
        mergePublished();
    }
    const std::vector<int> live = liveSlots();
    std::vector<int> held;
    for (const QString& key : m_settings->allKeys()) {
        if (!key.startsWith(QLatin1String(kLastProjectKey))) continue;
        const QString number = key.mid(static_cast<qsizetype>(std::strlen(kLastProjectKey)));
        bool ok = number.isEmpty();
        const int slot = ok ? 0 : number.toInt(&ok) - 1;
        if (!ok || slot < 0 || (slot == 0 && !number.isEmpty()) || slot == m_slot) continue;
        if (std::find(live.begin(), live.end(), slot) == live.end()) held.push_back(slot);
    }
    std::sort(held.begin(), held.end());
    return held;
}

Result<Ok, FileError> Preferences::removeAutosaveRecord(int slot)
{
    m_settings->remove(autosaveKeyOfSlot(slot));
    return publish();
}

void Preferences::mergePublished()
{
    const QMap<QString, QByteArray> mine = snapshot();
    const auto changedHere = [&](const QString& key) {
        const auto published = m_published.constFind(key);
        const auto present = mine.constFind(key);
        if ((published == m_published.cend()) != (present == mine.cend())) return true;
        return present != mine.cend() && *present != *published;
    };
    // No file yet (or none readable): nothing of others' to keep.
    (void)readSettingsFileAfresh(m_filePath, [&](const QSettings& onDisk) {
        if (onDisk.status() == QSettings::NoError) {
            const QStringList diskKeys = onDisk.allKeys();
            for (const QString& key : diskKeys)
                if (!changedHere(key) && mine.value(key) != comparable(onDisk.value(key))) m_settings->setValue(key, onDisk.value(key));
            // A key another instance removed (a cleared menu) goes here too, unless changed here.
            for (auto it = mine.cbegin(); it != mine.cend(); ++it)
                if (!changedHere(it.key()) && m_published.contains(it.key()) && !diskKeys.contains(it.key())) m_settings->remove(it.key());
        }
    });
}

QMap<QString, QByteArray> Preferences::snapshot() const
{
    QMap<QString, QByteArray> values;
    for (const QString& key : m_settings->allKeys()) values.insert(key, comparable(m_settings->value(key)));
    return values;
}

Result<Ok, FileError> Preferences::publish()
{
    const auto failed = [this](const std::string& why) {
        return Error<FileError>{FileError::cannotWrite, "cannot write the settings file " + m_filePath.toStdString() + ": " + why};
    };
    if (!m_working) return failed("its folder cannot be written");
    FolderLock lock(QFileInfo(m_filePath).absolutePath());
    mergePublished();
    // What the file must hold, taken before sync(), which reads back whatever reached the disk.
    const QStringList keys = m_settings->allKeys();
    QList<QByteArray> expected;
    for (const QString& key : keys) expected.append(comparable(m_settings->value(key)));
    m_settings->sync();
    // Not status(): QSettings keeps the first error it met for good, so after one full disk every
    // later publish would fail though there is room again. The read-back below tells whether this
    // sync reached the disk.
    auto bytes = readWholeFile(m_working->fileName().toStdString(), std::int64_t{1} << 30);
    if (!bytes) return failed(bytes.error().message);
    // The copy is complete only if a fresh reader finds every value in it.
    bool complete = true;
    const bool readable = readSettingsFileAfresh(m_working->fileName(), [&](const QSettings& check) {
        complete = check.allKeys().size() == keys.size();
        for (qsizetype i = 0; complete && i < keys.size(); ++i) complete = comparable(check.value(keys[i])) == expected[i];
    });
    if (!readable) return failed("its working copy cannot be read back");
    if (!complete) return failed("the disk may be full");
    auto written = writeOutputFile(m_filePath.toStdString(), *bytes);
    if (!written) return failed(written.error().message.substr(written.error().message.rfind(": ") + 2));
    m_published.clear();
    for (qsizetype i = 0; i < keys.size(); ++i) m_published.insert(keys[i], expected[i]);
    return Ok{};
}

std::optional<QByteArray> Preferences::data(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid()) return std::nullopt;
    return value.toByteArray();
}

Result<Ok, FileError> Preferences::setData(const QString& key, const QByteArray& bytes)
{
    m_settings->setValue(key, bytes);
    // On failure the value stays in memory and is written again with the next publish.
    return publish();
}

std::optional<OrbProjectData> autosavedProject(const Preferences& preferences, int slot)
{
    auto bytes = preferences.data(autosaveKeyOfSlot(slot));
    if (!bytes) return std::nullopt;
    auto project = decodeProject(std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())), Container::json);
    if (!project || project->states.empty()) return std::nullopt;
    project->limitSelectionToLastState();
    return std::move(*project);
}

OrbProjectData restoreLastProject(const Preferences& preferences, const OrbValues& fallback)
{
    if (auto project = autosavedProject(preferences, preferences.autosaveSlot())) return std::move(*project);
    OrbProjectData project;
    OrbValues values = fallback;
    // The older record belongs to the first editor's slot; a second editor starts afresh.
    if (auto bytes = preferences.autosaveSlot() == 0 ? preferences.data(kLastConfigurationKey) : std::nullopt) {
        auto decoded = decodeConfiguration(std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())),
                                           Container::json);
        if (decoded) values = std::move(*decoded);
    }
    project.states.push_back({makeStateId(), "Default", std::move(values)});
    return project;
}

} // namespace lumara
