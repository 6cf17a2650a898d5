#include "app/InstanceChannel.h"

#include "app/InstanceLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char PREFIX[] = "quillbox/1 ";
constexpr char ANSWER[] = "ok\n";

// The user at the other end of a connected local socket, or -1.
uid_t PeerUser(const QLocalSocket& socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) !=
        0)
        return uid_t(-1);
    return credentials.uid;
}

} // namespace

QString InstanceSocketPath() {
    return QDir(CFileInstanceLock::DefaultFolder())
        .filePath(QLatin1String(INSTANCE_NAME) + QLatin1String(".socket"));
}

QByteArray RequestLine(EAppRequest request) {
    const char* verb = request == EAppRequest::show   ? "show"
                       : request == EAppRequest::menu ? "menu"
                       : request == EAppRequest::find ? "find"
                                                      : "";
    return QByteArray(PREFIX) + verb + '\n';
}

EAppRequest ParseRequestLine(const QByteArray& line) {
    for (EAppRequest request : {EAppRequest::show, EAppRequest::menu, EAppRequest::find})
        if (line == RequestLine(request))
            return request;
    return EAppRequest::none;
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
    const EAppRequest request = ParseRequestLine(line);
    if (request == EAppRequest::none) {
        socket->abort();
        return;
    }
    socket->write(ANSWER);
    socket->flush();
    socket->disconnectFromServer();
    emit requested(request);
}

bool SendRequest(const QString& path, EAppRequest request, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(int(qMax<qint64>(deadline.remainingTime(), 0))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(RequestLine(request));
    if (!socket.waitForBytesWritten(int(qMax<qint64>(deadline.remainingTime(), 1))))
        return false;
    QByteArray answer;
    while (answer.size() < qsizetype(sizeof ANSWER - 1) &&
           socket.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1))))
        answer += socket.readAll();
    return answer.startsWith(ANSWER);
}
