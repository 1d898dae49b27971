// A plain HTTP/1.1 server on loopback serving canned answers by path, for update-check tests,
// and a feed of given release versions. Needs a QCoreApplication before construction. Test only.
#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>

namespace lumara::test {

// Serves canned answers by path. An answer with `hang` accepts the request and never replies.
class FeedServer : public QObject {
public:
    struct Answer {
        Answer(int status = 200, QByteArray body = {}, QByteArray extraHeaders = {}, bool hang = false)
            : status(status), body(std::move(body)), extraHeaders(std::move(extraHeaders)), hang(hang)
        {
        }
        int status;
        QByteArray body;
        QByteArray extraHeaders;
        bool hang;
    };

    FeedServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url(const QString& path) const { return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path)); }
    std::map<QString, Answer> answers;
    int requests = 0;

private:
    void serve(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n")) return;
        ++requests;
        const QString path = QString::fromLatin1(buffer.split(' ').value(1));
        m_buffers.erase(socket);
        const auto it = answers.find(path);
        const Answer answer = it == answers.end() ? Answer{404, "not here"} : it->second;
        if (answer.hang) return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nContent-Type: application/xml\r\nContent-Length: " +
                          QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n" + answer.extraHeaders + "\r\n";
        socket->write(head + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    std::map<QTcpSocket*, QByteArray> m_buffers;
};

inline QByteArray feedOf(std::initializer_list<const char*> versions)
{
    QByteArray items;
    for (const char* v : versions)
        items += QByteArray("<item><title>Lumara ") + v + "</title><rel:version>" + v +
                 "</rel:version><rel:releaseNotesLink>https://example.com/notes</rel:releaseNotesLink>"
                 "<link>https://example.com/download</link></item>";
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" xmlns:rel=\"https://lumara.quillfen.com/xml/release\"><channel>" + items +
           "</channel></rss>";
}

} // namespace lumara::test
