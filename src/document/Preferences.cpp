// QSettings-backed preferences and the start-up restore chain.
#include "document/Preferences.h"

#include "document/ProjectCodec.h"
#include "document/ReadWholeFile.h"

#include <QDir>
#include <QFile>
#include <QEvent>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

namespace lumara {

QString preferencesFilePath()
{
    QString dir = qEnvironmentVariable("LUMARA_CONFIG_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Lumara");
    return QDir(dir).filePath(QStringLiteral("Lumara.conf"));
}

namespace {

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
    m_working = std::make_unique<QTemporaryFile>(file.absolutePath() + QStringLiteral("/.") + file.fileName() +
                                                 QStringLiteral(".XXXXXX"));
    if (m_working->open()) {
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

Preferences::~Preferences()
{
    // Values set through settings() and not yet published; a failure here has no one left to tell.
    if (m_working && snapshot() != m_published) (void)publish();
    m_settings.reset();
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
    // A reader in this process under the same path would answer from QSettings' shared cache,
    // not from the disk; the descriptor's own path makes it parse what is really there.
    const int fd = ::open(QFile::encodeName(m_working->fileName()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failed("its working copy cannot be read back");
    bool complete = true;
    {
        const QSettings check(QStringLiteral("/proc/self/fd/%1").arg(fd), QSettings::IniFormat);
        complete = check.allKeys().size() == keys.size();
        for (qsizetype i = 0; complete && i < keys.size(); ++i) complete = comparable(check.value(keys[i])) == expected[i];
    }
    ::close(fd);
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
