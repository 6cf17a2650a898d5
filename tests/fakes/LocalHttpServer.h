// SPDX-License-Identifier: MIT
#pragma once
// A small HTTP/1.1 server on a free local port for the link checker's tests
// and benchmark: no outside network. Every path answers by its first part:
//
//   /ok            200                /missing   404      /gone   410
//   /perm301/X     301 to /ok/X       /perm308/X 308 to /ok/X
//   /temp302/X     302 to /ok/X       /error     503
//   /nohead        405 to HEAD, 200 to GET
//   /loop-a, /loop-b  301 to each other
//   /hang          never answers
//   /big           405 to HEAD; to GET the headers of a 10 MB body, then 64 KB
//                  of it, and the rest only if the client is still there after
//                  two seconds (BodyBytesSent says how much went out)
//   /slow          200 after delayMs
//
// It counts requests in progress per Host header (MaxInFlight), and a
// client's connections are kept alive as HTTP/1.1 allows.

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

class CLocalHttpServer final : public QTcpServer {
public:
    static constexpr qint64 BIG_BODY = 10 * 1024 * 1024;
    static constexpr qint64 BIG_FIRST = 64 * 1024;

    explicit CLocalHttpServer(int delayMs = 50) : m_delayMs(delayMs) {
        listen(QHostAddress::Any, 0);
    }

    quint16 Port() const { return serverPort(); }
    QByteArray Base(const char* host = "127.0.0.1") const {
        return QByteArray("http://") + host + ':' + QByteArray::number(Port());
    }
    int MaxInFlight(const QByteArray& host) const { return m_maxInFlight.value(host); }
    int MaxInFlightAll() const { return m_maxAll; }
    qint64 BodyBytesSent() const { return m_bodySent; }
    int Requests() const { return m_requests; }

protected:
    void incomingConnection(qintptr handle) override {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(handle);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }

private:
    void Read(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray head = buffer.left(end);
            buffer.remove(0, end + 4);
            Answer(socket, head);
        }
    }

    void Answer(QTcpSocket* socket, const QByteArray& head) {
        ++m_requests;
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        const QByteArray method = first.value(0);
        const QByteArray path = first.value(1);
        QByteArray host;
        for (const QByteArray& line : lines)
            if (line.toLower().startsWith("host:"))
                host = line.mid(5).trimmed();
        host = host.left(host.lastIndexOf(':'));
        const QByteArray part = path.split('/').value(1);
        const QByteArray rest = path.mid(part.size() + 1);
        const bool isHead = method == "HEAD";
        if (part == "ok")
            Reply(socket, 200, {});
        else if (part == "gone")
            Reply(socket, 410, {});
        else if (part == "error")
            Reply(socket, 503, {});
        else if (part == "perm301")
            Reply(socket, 301, "/ok" + rest);
        else if (part == "perm308")
            Reply(socket, 308, "/ok" + rest);
        else if (part == "temp302")
            Reply(socket, 302, "/ok" + rest);
        else if (part == "loop-a")
            Reply(socket, 301, "/loop-b");
        else if (part == "loop-b")
            Reply(socket, 301, "/loop-a");
        else if (part == "nohead")
            Reply(socket, isHead ? 405 : 200, {});
        else if (part == "big" && isHead)
            Reply(socket, 405, {});
        else if (part == "big")
            SendBig(socket);
        else if (part == "slow")
            Slow(socket, host);
        else if (part != "hang")
            Reply(socket, 404, {}); // /missing and every other path
    }

    static void Reply(QTcpSocket* socket, int status, const QByteArray& location) {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " Answer\r\n";
        if (!location.isEmpty())
            out += "Location: " + location + "\r\n";
        out += "Content-Length: 0\r\n\r\n";
        socket->write(out);
    }

    void SendBig(QTcpSocket* socket) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                      "Content-Length: " +
                      QByteArray::number(BIG_BODY) + "\r\n\r\n");
        socket->write(QByteArray(BIG_FIRST, 'x'));
        m_bodySent += BIG_FIRST;
        QPointer<QTcpSocket> alive(socket);
        QTimer::singleShot(2000, this, [this, alive] {
            if (alive && alive->state() == QAbstractSocket::ConnectedState) {
                alive->write(QByteArray(BIG_BODY - BIG_FIRST, 'x'));
                m_bodySent += BIG_BODY - BIG_FIRST;
            }
        });
    }

    void Slow(QTcpSocket* socket, const QByteArray& host) {
        const int now = ++m_inFlight[host];
        m_maxInFlight[host] = std::max(m_maxInFlight.value(host), now);
        m_maxAll = std::max(m_maxAll, ++m_inFlightAll);
        QPointer<QTcpSocket> alive(socket);
        QTimer::singleShot(m_delayMs, this, [this, alive, host] {
            --m_inFlight[host];
            --m_inFlightAll;
            if (alive)
                Reply(alive, 200, {});
        });
    }

    int m_delayMs;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QHash<QByteArray, int> m_inFlight;
    QHash<QByteArray, int> m_maxInFlight;
    int m_inFlightAll = 0;
    int m_maxAll = 0;
    qint64 m_bodySent = 0;
    int m_requests = 0;
};
