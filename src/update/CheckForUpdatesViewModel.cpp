// The update view model: schedule, stored setting, and the hand-off of results to the editor.
// UI thread only.
#include "update/CheckForUpdatesViewModel.h"

#include <QSettings>

namespace lumara::update {

namespace {
constexpr qint64 kCheckIntervalSeconds = 24 * 60 * 60;
constexpr int kScheduleLookMs = 60 * 60 * 1000;
} // namespace

bool updateChecksBuiltIn() { return LUMARA_UPDATE_CHECKS != 0; }

QUrl appcastUrl()
{
    const QByteArray overridden = qgetenv(kAppcastUrlVariable);
    return QUrl(overridden.isEmpty() ? QStringLiteral(LUMARA_APPCAST_URL) : QString::fromUtf8(overridden));
}

CheckForUpdatesViewModel::CheckForUpdatesViewModel(QSettings* settings, QString currentVersion, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_currentVersion(std::move(currentVersion)),
      m_feedUrl(appcastUrl()),
      m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    connect(&m_checker, &UpdateChecker::finished, this, &CheckForUpdatesViewModel::checkFinished);
    m_schedule.setInterval(kScheduleLookMs);
    connect(&m_schedule, &QTimer::timeout, this, &CheckForUpdatesViewModel::runAutomaticCheckIfDue);
}

CheckForUpdatesViewModel::~CheckForUpdatesViewModel() { m_checker.disconnect(this); }

void CheckForUpdatesViewModel::setCanCheckForUpdates(bool canCheck)
{
    if (m_canCheckForUpdates == canCheck) return;
    m_canCheckForUpdates = canCheck;
    emit canCheckForUpdatesChanged(canCheck);
}

bool CheckForUpdatesViewModel::automaticallyChecksForUpdates() const
{
    return m_settings->value(kAutomaticallyChecksForUpdatesKey, kDefaultAutomaticallyChecksForUpdates).toBool();
}

void CheckForUpdatesViewModel::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (automaticallyChecksForUpdates() == enabled && m_settings->contains(kAutomaticallyChecksForUpdatesKey)) return;
    m_settings->setValue(kAutomaticallyChecksForUpdatesKey, enabled);
    m_settings->sync();
    emit automaticallyChecksForUpdatesChanged(enabled);
    if (enabled && m_started) runAutomaticCheckIfDue();
}

std::optional<QDateTime> CheckForUpdatesViewModel::lastCheckTime() const
{
    const QDateTime time = QDateTime::fromString(m_settings->value(kLastUpdateCheckTimeKey).toString(), Qt::ISODate);
    if (!time.isValid()) return std::nullopt;
    return time;
}

void CheckForUpdatesViewModel::startUpdater()
{
    if (m_started || !updateChecksBuiltIn()) return;
    m_started = true;
    setCanCheckForUpdates(!m_checker.isRunning());
    m_schedule.start();
    runAutomaticCheckIfDue();
}

bool CheckForUpdatesViewModel::runAutomaticCheckIfDue()
{
    if (!m_started || !automaticallyChecksForUpdates() || m_checker.isRunning()) return false;
    const auto last = lastCheckTime();
    const QDateTime now = m_clock();
    // A last check in the future (a clock set back) counts as due rather than blocking for years.
    if (last && *last <= now && last->secsTo(now) < kCheckIntervalSeconds) return false;
    return startCheck(false);
}

void CheckForUpdatesViewModel::checkForUpdates()
{
    if (!m_canCheckForUpdates) return;
    startCheck(true);
}

void CheckForUpdatesViewModel::cancelCheck() { m_checker.cancel(); }

bool CheckForUpdatesViewModel::startCheck(bool userInitiated)
{
    if (!m_checker.start(m_feedUrl, m_currentVersion)) return false;
    m_userInitiated = userInitiated;
    setCanCheckForUpdates(false);
    if (userInitiated) emit userCheckStarted();
    return true;
}

void CheckForUpdatesViewModel::checkFinished(const UpdateCheckResult& result)
{
    const bool userInitiated = m_userInitiated;
    m_userInitiated = false;
    // Every attempt counts towards the daily limit, so an unreachable server is not asked hourly.
    if (!(!result.ok() && result.error().code == UpdateError::cancelled)) {
        m_settings->setValue(kLastUpdateCheckTimeKey, m_clock().toUTC().toString(Qt::ISODate));
        m_settings->sync();
    }
    setCanCheckForUpdates(m_started);
    if (userInitiated)
        emit userCheckFinished(result);
    else if (result.ok() && result->updateAvailable)
        emit updateFoundAutomatically(*result);
}

} // namespace lumara::update
