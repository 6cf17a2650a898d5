// SPDX-License-Identifier: MIT
#pragma once
// The link check: asks the web servers of many addresses whether each page is
// still there, in the background on the Qt event loop, politely.
//
// - A few requests at once (m_concurrency), and at most m_perHost at a time to one
//   host, the hosts served in turn, so a host with thousands of entries gets
//   no more than its share.
// - HEAD first; a server that refuses HEAD (405, 501) is asked with GET, and
//   the GET is aborted as soon as its headers are in: no body is read.
// - Redirects are followed here, at most m_maxRedirects of them. A chain of
//   permanent ones (301, 308) to a page that is there gives Moved with the
//   last address; any temporary one (302, 303, 307) on the way makes it Fine.
//   A chain that comes back to an address it passed is a loop (Failing).
// - Each request has its own timeout; no cookies are kept or sent; the user
//   agent names the program. Nothing but the request for the address itself
//   leaves the machine.
// - Local paths are only looked for on the disk (Gone when missing); other
//   targets (mail, other schemes) are not checked and get no result.
//
// When not one web address gets an answer and every one failed to connect
// (no route, no name service, refused), the machine is taken to be offline:
// the web results are dropped and NoNetwork() is true, so the user sees one
// note instead of every address listed as gone. After the first
// OFFLINE_SAMPLE such failures in a row the remaining requests are not sent.

#include "check/CheckTargets.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

enum class ELinkState : unsigned char {
    Fine,    // there (or a temporary redirect to a page that is there)
    Gone,    // 404, 410, a host that has no address, a missing file
    Moved,   // permanent redirects to a page that is there: see m_movedTo
    Failing, // timeouts, 5xx, TLS errors, refused: maybe temporary
};

struct CLinkJob {
    std::uint64_t m_key; // the caller's name for the entry
    std::string m_target;
};

struct CLinkResult {
    std::uint64_t m_key = 0;
    ELinkState m_state = ELinkState::Fine;
    int m_httpStatus = 0; // the last answer's status, 0 without one
    QString m_movedTo;    // Moved: the address the redirects end at
    QString m_note;       // what went wrong, for the user (empty when Fine)
};

class CLinkChecker final : public QObject {
    Q_OBJECT
public:
    struct COptions {
        int m_concurrency = 8;
        int m_perHost = 2;
        int m_timeoutMs = 15000;
        int m_maxRedirects = 10;
    };
    static constexpr int OFFLINE_SAMPLE = 20;

    explicit CLinkChecker(QObject* parent = nullptr);
    explicit CLinkChecker(COptions options, QObject* parent = nullptr);
    ~CLinkChecker() override;

    // Starts checking jobs (a check already running is cancelled first).
    // Local paths and invalid addresses get their results at once; the
    // finished signal may come before Start returns when nothing needs the
    // network.
    void Start(const std::vector<CLinkJob>& jobs);
    // Stops every request; no further signal comes. The results so far stay.
    void Cancel();

    bool IsRunning() const { return m_bRunning; }
    int Total() const { return m_nTotal; }
    int Done() const { return m_nDone; }
    const std::vector<CLinkResult>& Results() const { return m_results; }
    bool NoNetwork() const { return m_bNoNetwork; }
    // The number of web addresses in the last check (for the offline note).
    int WebCount() const { return m_nWeb; }

    // "Quillbox/<version> (link check)".
    static QByteArray UserAgent();

signals:
    void Progress(int done, int total);
    void Finished();

private:
    struct SJob;
    struct CHost {
        std::deque<std::size_t> m_pending;
        int m_active = 0;
        bool m_queued = false;
    };

    void Dispatch();
    void Send(std::size_t job);
    void OnReply(std::size_t job, QNetworkReply* reply);
    // Asks for a redirect's next address; false (result says why) when the
    // chain ends here.
    bool FollowRedirect(std::size_t job, int status, const QByteArray& location,
                        CLinkResult& result);
    void Finish(std::size_t job, CLinkResult result, bool connectFailure);
    void Complete(CLinkResult result);
    void QueueHost(const QString& host);
    void EndCheck();
    void Sweep();

    COptions m_options;
    std::unique_ptr<QNetworkAccessManager> m_pNet;
    std::vector<SJob> m_jobs;
    std::unordered_map<QString, CHost> m_hosts;
    std::deque<QString> m_ready; // hosts with work waiting and room for it
    std::vector<CLinkResult> m_results;
    QElapsedTimer m_clock;
    QTimer m_sweep;
    int m_nActive = 0;
    int m_nTotal = 0;
    int m_nDone = 0;
    int m_nWeb = 0;
    int m_nWebDone = 0;
    int m_nReached = 0;      // web checks that got an answer of any kind
    int m_nConnectFails = 0; // web checks that never reached a server
    bool m_bRunning = false;
    bool m_bNoNetwork = false;
};
