// The editor's bridge to update checking, shared by the "Check for Updates…" menu item and the
// settings window: whether a check can start now, the user-initiated check, and the quiet daily
// check with its stored setting and last check time. UI thread only.
#pragma once

#include "update/UpdateChecker.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>

class QSettings;

namespace lumara::update {

// The update checker keeps its own preferences beside the application's.
inline constexpr const char* kAutomaticallyChecksForUpdatesKey = "automaticallyChecksForUpdates";
inline constexpr const char* kLastUpdateCheckTimeKey = "lastUpdateCheckTime";
// Automatic checks are off until the user turns them on: nothing is sent without consent.
inline constexpr bool kDefaultAutomaticallyChecksForUpdates = false;
// Environment variable that replaces the compiled-in feed address (tests serve a feed on loopback).
inline constexpr const char* kAppcastUrlVariable = "LUMARA_APPCAST_URL";

// Whether this build checks for updates at all (off for distribution packages).
bool updateChecksBuiltIn();
// The feed address: $LUMARA_APPCAST_URL when set, else the compiled-in one.
QUrl appcastUrl();

class CheckForUpdatesViewModel : public QObject {
    Q_OBJECT
public:
    // `settings` stores the automatic-check setting and the last check time and must outlive the
    // view model. Nothing is checked until `startUpdater`.
    CheckForUpdatesViewModel(QSettings* settings, QString currentVersion, QObject* parent = nullptr);
    ~CheckForUpdatesViewModel() override;

    // False while a check runs, before `startUpdater`, and always in a build without update checks.
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

    bool automaticallyChecksForUpdates() const;
    // Stored at once; turning it on may start the daily check right away.
    void setAutomaticallyChecksForUpdates(bool enabled);

    // Begins the schedule: an automatic check now when one is due, then a look every hour.
    void startUpdater();
    // A user-initiated check; does nothing unless `canCheckForUpdates`. Reports through
    // `userCheckStarted` and `userCheckFinished`.
    void checkForUpdates();
    // Cancels the check that is running (the user's "Cancel").
    void cancelCheck();

    QString currentVersion() const { return m_currentVersion; }
    QUrl feedUrl() const { return m_feedUrl; }
    void setFeedUrl(const QUrl& url) { m_feedUrl = url; }
    std::optional<QDateTime> lastCheckTime() const;
    // Replaces the wall clock (tests).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    void setLimits(UpdateCheckLimits limits) { m_checker.setLimits(limits); }

    // Runs the automatic check if it is enabled and the last one is a day old or more.
    // Returns whether a check started.
    bool runAutomaticCheckIfDue();

signals:
    void canCheckForUpdatesChanged(bool canCheck);
    void automaticallyChecksForUpdatesChanged(bool enabled);
    void userCheckStarted();
    void userCheckFinished(const lumara::update::UpdateCheckResult& result);
    // A quiet check found a newer release; errors and "up to date" of quiet checks say nothing.
    void updateFoundAutomatically(const lumara::update::UpdateCheckOutcome& outcome);

private:
    void setCanCheckForUpdates(bool canCheck);
    bool startCheck(bool userInitiated);
    void checkFinished(const UpdateCheckResult& result);

    QSettings* m_settings;
    QString m_currentVersion;
    QUrl m_feedUrl;
    UpdateChecker m_checker;
    QTimer m_schedule;
    std::function<QDateTime()> m_clock;
    bool m_started = false;
    bool m_canCheckForUpdates = false;
    bool m_userInitiated = false;
};

} // namespace lumara::update
