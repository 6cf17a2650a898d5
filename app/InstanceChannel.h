// SPDX-License-Identifier: MIT
#pragma once
// The channel by which a second start asks the running copy for something
// ("quillbox --menu" bound to a key of the desktop). It is a local socket in
// the user's runtime folder beside the instance marker, reachable by its owner
// only: the socket file takes the owner's access alone, and a peer of another
// user is refused by its credentials all the same.
//
// A request is one line, "quillbox/1 <verb>\n", at most MAX_REQUEST bytes;
// the running copy answers "ok\n" and then acts. One question has an
// answer of its own: "quillbox/1 folder\n" is answered "folder <path>\n",
// the copy's data folder, its bytes percent-encoded (copies from before it
// drop it, as they drop anything they do not know). Anything else (another
// verb, no line end within the limit, a peer of another user) is dropped
// without an answer and without acting.

#include "app/AppRequest.h"

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <optional>
#include <sys/types.h>

class QLocalSocket;

// The socket's path: INSTANCE_NAME.socket in the instance marker's folder.
QString InstanceSocketPath();

class CInstanceServer final : public QObject {
    Q_OBJECT
public:
    static constexpr int MAX_REQUEST = 64;

    explicit CInstanceServer(QObject* parent = nullptr);

    // Listens at path, first removing what a copy that was killed left there.
    // Call it only while holding the instance marker, so no live copy owns the
    // path. false when it cannot listen (then no request arrives; the program
    // runs on).
    bool Listen(const QString& path);
    // The user whose requests count; the process's own by default.
    void SetAllowedUser(uid_t uid) { m_allowedUid = uid; }
    // The data folder the copy tells a second start that asks (absolute).
    void SetDataFolder(const QString& folder) { m_strDataFolder = folder; }

signals:
    void Requested(EAppRequest request);

private:
    void OnConnection();
    void OnReadable(QLocalSocket* socket);

    QLocalServer m_server;
    uid_t m_allowedUid;
    QString m_strDataFolder;
};

// Sends request to the copy listening at path and waits up to timeoutMs for
// its answer, trying again while nothing listens yet (a copy that is still
// starting). true when the copy took it.
bool SendRequest(const QString& path, EAppRequest request, int timeoutMs);

// Asks the copy listening at path for its data folder, waiting up to
// timeoutMs as SendRequest does. nullopt when it does not say (nothing
// listens, or a copy that does not know the question).
std::optional<QString> AskDataFolder(const QString& path, int timeoutMs);

// The verb of a request on the wire, and back (none for anything else).
QByteArray RequestLine(EAppRequest request);
EAppRequest ParseRequestLine(const QByteArray& line);
