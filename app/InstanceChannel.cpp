// SPDX-License-Identifier: MIT
#include "app/InstanceChannel.h"

#include "app/InstanceLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char PREFIX[] = "quillbox/1 ";
constexpr char ANSWER[] = "ok\n";
constexpr char FOLDER_QUESTION[] = "quillbox/1 folder\n";
constexpr char FOLDER_ANSWER[] = "folder ";

// The user at the other end of a connected local socket, or -1.
uid_t PeerUser(const QLocalSocket& socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) !=
        0)
        return uid_t(-1);
    return credentials.uid;
}

// Connects socket to path, trying again while nothing listens yet (a copy
// that is still starting) until deadline.
bool ConnectBy(QLocalSocket& socket, const QString& path, const QDeadlineTimer& deadline) {
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(int(qMax<qint64>(deadline.remainingTime(), 0))))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

// Sends line and returns what comes back until a line end (included), the
// peer closing or deadline.
QByteArray Exchange(QLocalSocket& socket, const QByteArray& line, const QDeadlineTimer& deadline) {
    socket.write(line);
    if (!socket.waitForBytesWritten(int(qMax<qint64>(deadline.remainingTime(), 1))))
        return {};
    QByteArray answer;
    while (!answer.contains('\n') &&
           socket.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1))))
        answer += socket.readAll();
    return answer;
}

} // namespace

QString InstanceSocketPath() {
    return QDir(CFileInstanceLock::DefaultFolder())
        .filePath(QLatin1String(INSTANCE_NAME) + QLatin1String(".socket"));
}

QByteArray RequestLine(EAppRequest request) {
    const char* verb = request == EAppRequest::Show   ? "show"
                       : request == EAppRequest::Menu ? "menu"
                       : request == EAppRequest::Find ? "find"
                                                      : "";
    return QByteArray(PREFIX) + verb + '\n';
}

EAppRequest ParseRequestLine(const QByteArray& line) {
    for (EAppRequest request : {EAppRequest::Show, EAppRequest::Menu, EAppRequest::Find})
        if (line == RequestLine(request))
            return request;
    return EAppRequest::None;
}

CInstanceServer::CInstanceServer(QObject* parent) : QObject(parent), m_allowedUid(geteuid()) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &CInstanceServer::OnConnection);
}

bool CInstanceServer::Listen(const QString& path) {
    QLocalServer::removeServer(path);
    return m_server.listen(path);
}

void CInstanceServer::OnConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (PeerUser(*socket) != m_allowedUid) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        // A peer that connects and says nothing is not kept waiting for.
        QTimer::singleShot(2000, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0)
            OnReadable(socket);
    }
}

void CInstanceServer::OnReadable(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= MAX_REQUEST)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(MAX_REQUEST + 1);
    if (line == FOLDER_QUESTION) {
        socket->write(FOLDER_ANSWER +
                      QFile::encodeName(QDir(m_strDataFolder).absolutePath()).toPercentEncoding() +
                      '\n');
        socket->flush();
        socket->disconnectFromServer();
        return;
    }
    const EAppRequest request = ParseRequestLine(line);
    if (request == EAppRequest::None) {
        socket->abort();
        return;
    }
    socket->write(ANSWER);
    socket->flush();
    socket->disconnectFromServer();
    emit Requested(request);
}

bool SendRequest(const QString& path, EAppRequest request, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    return ConnectBy(socket, path, deadline) &&
           Exchange(socket, RequestLine(request), deadline).startsWith(ANSWER);
}

std::optional<QString> AskDataFolder(const QString& path, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    if (!ConnectBy(socket, path, deadline))
        return std::nullopt;
    const QByteArray answer = Exchange(socket, FOLDER_QUESTION, deadline);
    if (!answer.startsWith(FOLDER_ANSWER) || !answer.endsWith('\n'))
        return std::nullopt;
    return QFile::decodeName(QByteArray::fromPercentEncoding(
        answer.mid(qsizetype(sizeof FOLDER_ANSWER - 1)).chopped(1)));
}
