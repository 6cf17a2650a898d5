// SPDX-License-Identifier: MIT
#include "check/LinkChecker.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <utility>

#ifndef QB_VERSION
#define QB_VERSION "1.1"
#endif

namespace {

// Takes no cookie and gives none.
class CNoCookies final : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool IsPermanent(int status) {
    return status == 301 || status == 308;
}

// The errors that mean no server was reached at all.
bool IsConnectFailure(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}

QString HostKey(const QUrl& url) {
    return url.host().toLower();
}

} // namespace

struct CLinkChecker::SJob {
    std::uint64_t m_key = 0;
    QUrl m_url;     // the address asked for now
    QString m_host; // the host whose turn this job takes (its first address's)
    QSet<QString> m_seen;
    int m_hops = 0;
    bool m_permanent = true; // every redirect so far was permanent
    bool m_get = false;      // asking with GET (HEAD was refused)
    bool m_timedOut = false;
    qint64 m_deadline = 0;     // on the checker's clock
    int m_headStatus = 0;      // a GET's status, taken from its headers
    QByteArray m_headLocation; // and its Location header
    QNetworkReply* m_reply = nullptr;
};

CLinkChecker::CLinkChecker(QObject* parent) : CLinkChecker(COptions{}, parent) {}

CLinkChecker::CLinkChecker(COptions options, QObject* parent)
    : QObject(parent), m_options(options), m_pNet(std::make_unique<QNetworkAccessManager>()) {
    m_pNet->setCookieJar(new CNoCookies(m_pNet.get()));
    m_pNet->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_pNet->setAutoDeleteReplies(false);
    m_sweep.setInterval(std::clamp(m_options.m_timeoutMs / 4, 20, 500));
    connect(&m_sweep, &QTimer::timeout, this, &CLinkChecker::Sweep);
    m_clock.start();
}

CLinkChecker::~CLinkChecker() {
    Cancel();
}

QByteArray CLinkChecker::UserAgent() {
    return QByteArrayLiteral("Quillbox/" QB_VERSION " (link check)");
}

void CLinkChecker::Start(const std::vector<CLinkJob>& jobs) {
    Cancel();
    m_jobs.clear();
    m_hosts.clear();
    m_ready.clear();
    m_results.clear();
    m_nActive = m_nTotal = m_nDone = m_nWeb = m_nWebDone = m_nReached = m_nConnectFails = 0;
    m_bNoNetwork = false;
    m_bRunning = true;
    std::vector<CLinkResult> immediate;
    for (const CLinkJob& each : jobs) {
        const CTargetKind kind = ClassifyTarget(each.m_target);
        if (kind.m_kind == ETargetKind::Other)
            continue;
        ++m_nTotal;
        CLinkResult result;
        result.m_key = each.m_key;
        if (kind.m_kind == ETargetKind::Local) {
            if (!QFileInfo::exists(kind.m_path)) {
                result.m_state = ELinkState::Gone;
                result.m_note = QStringLiteral("no such file or folder");
            }
            immediate.push_back(std::move(result));
        } else if (!kind.m_valid) {
            result.m_state = ELinkState::Failing;
            result.m_note = QStringLiteral("not a valid web address");
            immediate.push_back(std::move(result));
        } else {
            SJob job;
            job.m_key = each.m_key;
            job.m_url = kind.m_url;
            job.m_host = HostKey(kind.m_url);
            m_hosts[job.m_host].m_pending.push_back(m_jobs.size());
            m_jobs.push_back(std::move(job));
            ++m_nWeb;
        }
    }
    m_results.reserve(std::size_t(m_nTotal));
    for (CLinkResult& each : immediate)
        Complete(std::move(each));
    for (auto& [host, state] : m_hosts)
        QueueHost(host);
    Dispatch();
    if (m_nActive == 0)
        EndCheck();
}

void CLinkChecker::Cancel() {
    if (!m_bRunning)
        return;
    m_bRunning = false;
    for (SJob& job : m_jobs)
        if (QNetworkReply* reply = std::exchange(job.m_reply, nullptr)) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
    m_nActive = 0;
    m_ready.clear();
    m_sweep.stop();
}

void CLinkChecker::QueueHost(const QString& host) {
    CHost& state = m_hosts[host];
    if (!state.m_queued && !state.m_pending.empty() && state.m_active < m_options.m_perHost) {
        state.m_queued = true;
        m_ready.push_back(host);
    }
}

void CLinkChecker::Dispatch() {
    while (m_bRunning && m_nActive < m_options.m_concurrency && !m_ready.empty()) {
        const QString host = m_ready.front();
        m_ready.pop_front();
        CHost& state = m_hosts[host];
        state.m_queued = false;
        if (state.m_pending.empty() || state.m_active >= m_options.m_perHost)
            continue;
        const std::size_t job = state.m_pending.front();
        state.m_pending.pop_front();
        ++state.m_active;
        ++m_nActive;
        QueueHost(host); // its next job waits its turn behind the other hosts
        Send(job);
    }
}

void CLinkChecker::Send(std::size_t index) {
    SJob& job = m_jobs[index];
    QNetworkRequest request(job.m_url);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    job.m_timedOut = false;
    job.m_headStatus = 0;
    job.m_headLocation.clear();
    QNetworkReply* reply = job.m_get ? m_pNet->get(request) : m_pNet->head(request);
    job.m_reply = reply;
    if (job.m_get) {
        // Only the headers are wanted: keep no body, and stop once they are in.
        reply->setReadBufferSize(4096);
        connect(reply, &QNetworkReply::metaDataChanged, this, [this, index, reply] {
            SJob& each = m_jobs[index];
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (each.m_reply != reply || !status.isValid() || each.m_headStatus != 0)
                return;
            each.m_headStatus = status.toInt();
            each.m_headLocation = reply->rawHeader("Location");
            reply->abort();
        });
    }
    connect(reply, &QNetworkReply::finished, this, [this, index, reply] { OnReply(index, reply); });
    job.m_deadline = m_clock.elapsed() + m_options.m_timeoutMs;
    if (!m_sweep.isActive())
        m_sweep.start();
}

void CLinkChecker::Sweep() {
    // One timer for all requests: those past their deadline are aborted.
    const qint64 now = m_clock.elapsed();
    std::vector<QNetworkReply*> late;
    for (SJob& job : m_jobs)
        if (job.m_reply && job.m_deadline <= now) {
            job.m_timedOut = true;
            late.push_back(job.m_reply);
        }
    for (QNetworkReply* reply : late)
        reply->abort();
    if (!m_bRunning)
        m_sweep.stop();
}

void CLinkChecker::OnReply(std::size_t index, QNetworkReply* reply) {
    SJob& job = m_jobs[index];
    if (job.m_reply != reply)
        return;
    job.m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    CLinkResult result;
    result.m_key = job.m_key;
    int status = job.m_headStatus;
    QByteArray location = job.m_headLocation;
    if (status == 0) {
        status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        location = reply->rawHeader("Location");
    }
    result.m_httpStatus = status;
    if (status == 0) {
        const QNetworkReply::NetworkError error = reply->error();
        result.m_state = ELinkState::Failing;
        if (job.m_timedOut) {
            result.m_note =
                QStringLiteral("no answer within %1 s").arg(m_options.m_timeoutMs / 1000.0);
            Finish(index, std::move(result), job.m_hops == 0);
            return;
        }
        if (error == QNetworkReply::HostNotFoundError) {
            result.m_state = ELinkState::Gone;
            result.m_note = QStringLiteral("host not found");
        } else if (error == QNetworkReply::SslHandshakeFailedError) {
            result.m_note = QStringLiteral("secure connection failed: ") + reply->errorString();
        } else {
            result.m_note = reply->errorString();
        }
        Finish(index, std::move(result), job.m_hops == 0 && IsConnectFailure(error));
        return;
    }
    if (IsRedirect(status) && !location.isEmpty()) {
        if (FollowRedirect(index, status, location, result))
            return;
        Finish(index, std::move(result), false);
        return;
    }
    if (!job.m_get && (status == 405 || status == 501)) {
        job.m_get = true;
        Send(index);
        return;
    }
    if (status >= 200 && status < 400) {
        if (job.m_hops > 0 && job.m_permanent) {
            result.m_state = ELinkState::Moved;
            result.m_movedTo = job.m_url.toString();
        }
    } else if (status == 404 || status == 410) {
        result.m_state = ELinkState::Gone;
        result.m_note =
            job.m_hops > 0
                ? QStringLiteral("%1 after a redirect to %2").arg(status).arg(job.m_url.toString())
                : QStringLiteral("%1 %2").arg(status).arg(
                      status == 404 ? QStringLiteral("not found") : QStringLiteral("gone"));
    } else {
        result.m_state = ELinkState::Failing;
        result.m_note = status >= 500 ? QStringLiteral("server error %1").arg(status)
                                      : QStringLiteral("refused with %1").arg(status);
    }
    Finish(index, std::move(result), false);
}

bool CLinkChecker::FollowRedirect(std::size_t index, int status, const QByteArray& location,
                                  CLinkResult& result) {
    SJob& job = m_jobs[index];
    const QUrl next = job.m_url.resolved(QUrl::fromEncoded(location));
    const QString name = next.toString(QUrl::FullyEncoded);
    result.m_state = ELinkState::Failing;
    if (!next.isValid() ||
        (next.scheme() != QLatin1String("http") && next.scheme() != QLatin1String("https"))) {
        result.m_note = QStringLiteral("redirected to an address that cannot be checked");
        return false;
    }
    if (name == job.m_url.toString(QUrl::FullyEncoded) || job.m_seen.contains(name)) {
        result.m_note = QStringLiteral("redirect loop");
        return false;
    }
    if (job.m_hops >= m_options.m_maxRedirects) {
        result.m_note = QStringLiteral("more than %1 redirects").arg(m_options.m_maxRedirects);
        return false;
    }
    ++job.m_hops;
    job.m_permanent = job.m_permanent && IsPermanent(status);
    job.m_seen.insert(job.m_url.toString(QUrl::FullyEncoded));
    job.m_url = next;
    job.m_get = false;
    Send(index);
    return true;
}

void CLinkChecker::Finish(std::size_t index, CLinkResult result, bool connectFailure) {
    SJob& job = m_jobs[index];
    CHost& host = m_hosts[job.m_host];
    --host.m_active;
    --m_nActive;
    ++m_nWebDone;
    if (connectFailure)
        ++m_nConnectFails;
    else
        ++m_nReached;
    job.m_seen.clear();
    Complete(std::move(result));
    if (!m_bRunning)
        return; // a slot of progress cancelled the check
    if (m_nReached == 0 && m_nConnectFails >= OFFLINE_SAMPLE) {
        Cancel();
        m_bRunning = true;
        m_nDone = m_nTotal;
        EndCheck();
        return;
    }
    QueueHost(job.m_host);
    Dispatch();
    if (m_nActive == 0)
        EndCheck();
}

void CLinkChecker::Complete(CLinkResult result) {
    m_results.push_back(std::move(result));
    ++m_nDone;
    emit Progress(m_nDone, m_nTotal);
}

void CLinkChecker::EndCheck() {
    if (!m_bRunning)
        return;
    m_bRunning = false;
    m_sweep.stop();
    if (m_nWeb > 0 && m_nReached == 0 && m_nConnectFails >= 2) {
        m_bNoNetwork = true;
        std::unordered_map<std::uint64_t, bool> web;
        for (const SJob& job : m_jobs)
            web[job.m_key] = true;
        std::erase_if(m_results, [&web](const CLinkResult& each) { return web.count(each.m_key); });
    }
    emit Finished();
}
