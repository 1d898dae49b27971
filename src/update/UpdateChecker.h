// One update check over the network: fetches the feed, with the safety rules below, and compares
// its newest release with the running version. Never downloads or runs a release. UI thread (or
// any one thread with an event loop).
#pragma once

#include "update/Appcast.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace lumara::update {

using UpdateCheckResult = Result<UpdateCheckOutcome, UpdateError>;

struct UpdateCheckLimits {
    qint64 maxFeedBytes = 1024 * 1024; // the feed is refused beyond this, without reading further
    int timeoutMs = 15000;              // for the whole check, redirects included
    int maxRedirects = 5;
};

// Whether the checker may fetch `url`: https anywhere; http only on a loopback host.
bool isAllowedFeedUrl(const QUrl& url);

class UpdateChecker : public QObject {
    Q_OBJECT
public:
    explicit UpdateChecker(QObject* parent = nullptr);
    ~UpdateChecker() override;

    void setLimits(UpdateCheckLimits limits) { m_limits = limits; }

    // Starts a check; `finished` follows exactly once, also for a refused address (asynchronously).
    // A second start while one runs is ignored and returns false.
    bool start(const QUrl& feedUrl, const QString& currentVersion);
    // Ends the running check with `cancelled`; nothing when idle.
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    void finished(const lumara::update::UpdateCheckResult& result);

private:
    void fetch(const QUrl& url);
    void onReadyRead();
    void onFinished();
    void finish(UpdateCheckResult result);
    void abortReply();

    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timeout;
    UpdateCheckLimits m_limits;
    QByteArray m_body;
    QString m_currentVersion;
    int m_redirects = 0;
    bool m_running = false;
};

} // namespace lumara::update
