// The network side of an update check: QNetworkAccessManager with redirects followed by hand so
// each hop is checked, a byte limit enforced while reading, and one timer for the whole check.
#include "update/UpdateChecker.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace lumara::update {

namespace {

bool isLoopbackHost(const QUrl& url)
{
    const QString host = url.host().toLower();
    if (host == QLatin1String("localhost")) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

bool isAllowedFeedUrl(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https")) return true;
    return scheme == QLatin1String("http") && isLoopbackHost(url);
}

UpdateChecker::UpdateChecker(QObject* parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        abortReply();
        finish(Error<UpdateError>{UpdateError::timeout, "no answer within " + std::to_string(m_limits.timeoutMs) + " ms"});
    });
}

UpdateChecker::~UpdateChecker() { abortReply(); }

bool UpdateChecker::start(const QUrl& feedUrl, const QString& currentVersion)
{
    if (m_running) return false;
    m_running = true;
    m_currentVersion = currentVersion;
    m_redirects = 0;
    m_body.clear();
    if (!isAllowedFeedUrl(feedUrl)) {
        // Reported from the event loop, like every other outcome.
        QMetaObject::invokeMethod(this, [this, feedUrl] {
            finish(Error<UpdateError>{UpdateError::insecureFeed, feedUrl.toDisplayString().toStdString()});
        }, Qt::QueuedConnection);
        return true;
    }
    m_timeout.start(m_limits.timeoutMs);
    fetch(feedUrl);
    return true;
}

void UpdateChecker::cancel()
{
    if (!m_running) return;
    abortReply();
    finish(Error<UpdateError>{UpdateError::cancelled, "cancelled"});
}

void UpdateChecker::fetch(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Lumara/%1").arg(m_currentVersion));
    request.setRawHeader("Accept", "application/rss+xml, application/xml, text/xml");
    m_body.clear();
    // Loopback never goes through a proxy, and asking the desktop's proxy resolver can take seconds.
    m_network->setProxy(isLoopbackHost(url) ? QNetworkProxy(QNetworkProxy::NoProxy) : QNetworkProxy(QNetworkProxy::DefaultProxy));
    m_reply = m_network->get(request);
    // Qt buffers no more than this between reads, so an endless answer cannot grow memory.
    m_reply->setReadBufferSize(m_limits.maxFeedBytes + 1);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateChecker::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateChecker::onFinished);
}

void UpdateChecker::onReadyRead()
{
    if (!m_reply) return;
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 incoming = m_reply->bytesAvailable();
    if ((length.isValid() && length.toLongLong() > m_limits.maxFeedBytes) || m_body.size() + incoming > m_limits.maxFeedBytes) {
        abortReply();
        finish(Error<UpdateError>{UpdateError::tooLarge, "the feed is larger than " + std::to_string(m_limits.maxFeedBytes) + " bytes"});
        return;
    }
    m_body += m_reply->read(incoming);
}

void UpdateChecker::onFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply || !m_running) return;
    reply->deleteLater();
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400 && reply->hasRawHeader("Location")) {
        const QUrl next = reply->url().resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
        if (!isAllowedFeedUrl(next) || ++m_redirects > m_limits.maxRedirects)
            return finish(Error<UpdateError>{UpdateError::redirectRefused, next.toDisplayString().toStdString()});
        return fetch(next);
    }
    if (status >= 400)
        return finish(Error<UpdateError>{UpdateError::httpStatus, "HTTP " + std::to_string(status)});
    if (reply->error() != QNetworkReply::NoError)
        return finish(Error<UpdateError>{UpdateError::network, reply->errorString().toStdString()});
    if (status < 200 || status >= 300)
        return finish(Error<UpdateError>{UpdateError::httpStatus, "HTTP " + std::to_string(status)});
    const qint64 rest = reply->bytesAvailable();
    if (m_body.size() + rest > m_limits.maxFeedBytes)
        return finish(Error<UpdateError>{UpdateError::tooLarge, "the feed is too large"});
    m_body += reply->readAll();
    finish(evaluateAppcast(m_body, m_currentVersion));
}

void UpdateChecker::abortReply()
{
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void UpdateChecker::finish(UpdateCheckResult result)
{
    if (!m_running) return;
    m_running = false;
    m_timeout.stop();
    m_body.clear();
    emit finished(result);
}

} // namespace lumara::update
