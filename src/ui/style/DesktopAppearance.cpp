// The desktop's light or dark preference from the settings portal and the GTK settings files.
// UI thread only; Qt delivers the bus's answers and signals to this thread.
#include "ui/style/DesktopAppearance.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace lumara::ui {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

// Editors write a settings file in more than one step (truncate, then write); reading once the
// writes pause avoids a flash of the half-written file's answer.
constexpr int kGtkSettleMs = 100;

// The session bus's address, or empty. An unset address is not left to the bus library, which
// would try to start a bus of its own for an application that merely wants a colour.
QString sessionBusAddress()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty()) return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) return {};
    const QString socket = runtime + QLatin1String("/bus");
    return QFileInfo::exists(socket) ? QLatin1String("unix:path=") + socket : QString();
}

QString configHome()
{
    const QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The base directory rules ignore a relative path.
    if (!home.isEmpty() && QDir::isAbsolutePath(home)) return QDir::cleanPath(home);
    return QDir::homePath() + QLatin1String("/.config");
}

bool isString(const QVariant& value) { return value.metaType() == QMetaType::fromType<QString>(); }

} // namespace

DesktopAppearance::DesktopAppearance(QObject* parent)
    : QObject(parent), m_configHome(configHome()), m_files(new QFileSystemWatcher(this)), m_gtkSettle(new QTimer(this))
{
    m_gtkSettle->setSingleShot(true);
    m_gtkSettle->setInterval(kGtkSettleMs);
    connect(m_gtkSettle, &QTimer::timeout, this, &DesktopAppearance::rereadGtkFiles);
    connect(m_files, &QFileSystemWatcher::fileChanged, m_gtkSettle, qOverload<>(&QTimer::start));
    connect(m_files, &QFileSystemWatcher::directoryChanged, m_gtkSettle, qOverload<>(&QTimer::start));
    watchGtkFiles();
    m_gtk = readGtkSettings(m_configHome);
    m_scheme = decideColorScheme(std::nullopt, m_gtk);
    connectToPortal();
}

DesktopAppearance::~DesktopAppearance()
{
    if (m_busName.isEmpty()) return;
    m_bus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(m_busName);
}

void DesktopAppearance::connectToPortal()
{
    const QString address = sessionBusAddress();
    if (address.isEmpty()) return;
    // A connection of its own, so that it ends with this object and reads the address it is given.
    static int connections = 0;
    const QString name = QStringLiteral("lumara-desktop-appearance-%1").arg(++connections);
    m_bus = QDBusConnection::connectToBus(address, name);
    if (!m_bus.isConnected()) {
        m_bus = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(name);
        return;
    }
    m_busName = name;

    // A portal that starts later, or starts again, is asked afresh; one that leaves takes its say.
    auto* owner = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty()) {
                    ++m_readSerial; // a read still on its way answers for the portal that left
                    setPortalValue(std::nullopt);
                } else {
                    readPortal(false);
                }
            });
    // Listening before reading: a change made between the two is not lost.
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(onSettingChanged(QDBusMessage)));
    readPortal(true);
}

void DesktopAppearance::readPortal(bool waitForAnswer)
{
    // `Read` rather than `ReadOne`: every portal version has it.
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    call << kNamespace << kKey;
    const int serial = ++m_readSerial;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kPortalTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, serial](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        if (serial != m_readSerial) return;
        const QDBusMessage reply = answered->reply();
        // An error, a timeout or an answer of the wrong shape all mean: no word from the portal.
        const bool readable = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
        setPortalValue(readable ? portalColorScheme(reply.arguments().constFirst()) : std::nullopt);
    });
    if (waitForAnswer) pending->waitForFinished(); // bounded by kPortalTimeoutMs
}

void DesktopAppearance::onSettingChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 3 || !isString(arguments[0]) || !isString(arguments[1])) return;
    if (arguments[0].toString() != kNamespace || arguments[1].toString() != kKey) return;
    // A signal that carries no readable value leaves the last one standing.
    if (const auto value = portalColorScheme(arguments[2])) {
        ++m_readSerial; // newer than any read still on its way
        setPortalValue(value);
    }
}

void DesktopAppearance::setPortalValue(std::optional<std::uint32_t> value)
{
    m_portalValue = value;
    decide();
}

void DesktopAppearance::watchGtkFiles()
{
    // Everything is watched afresh: a file replaced by a rename is a new file to the watcher.
    const QStringList watched = m_files->files() + m_files->directories();
    if (!watched.isEmpty()) m_files->removePaths(watched);
    QStringList wanted;
    bool folderMissing = false;
    for (const QString& file : gtkSettingsFiles(m_configHome)) {
        const QFileInfo info(file);
        if (info.isFile()) wanted << file;
        // The folder sees a file that is created, removed or renamed into place.
        if (QFileInfo(info.path()).isDir())
            wanted << info.path();
        else
            folderMissing = true;
    }
    // A settings folder made later shows in the configuration folder.
    if (folderMissing && QFileInfo(m_configHome).isDir()) wanted << m_configHome;
    if (!wanted.isEmpty()) m_files->addPaths(wanted);
}

void DesktopAppearance::rereadGtkFiles()
{
    watchGtkFiles(); // before reading, so that no edit falls between the read and the watch
    m_gtk = readGtkSettings(m_configHome);
    decide();
}

void DesktopAppearance::decide()
{
    const DesktopColorScheme scheme = decideColorScheme(m_portalValue, m_gtk);
    if (scheme == m_scheme) return;
    m_scheme = scheme;
    emit colorSchemeChanged(scheme);
}

} // namespace lumara::ui
