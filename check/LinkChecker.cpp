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
    std::uint64_t key = 0;
    QUrl url;     // the address asked for now
    QString host; // the host whose turn this job takes (its first address's)
    QSet<QString> seen;
    int hops = 0;
    bool permanent = true; // every redirect so far was permanent
    bool get = false;      // asking with GET (HEAD was refused)
    bool timedOut = false;
    qint64 deadline = 0;     // on the checker's clock
    int headStatus = 0;      // a GET's status, taken from its headers
    QByteArray headLocation; // and its Location header
    QNetworkReply* reply = nullptr;
};

CLinkChecker::CLinkChecker(QObject* parent) : CLinkChecker(SOptions{}, parent) {}

CLinkChecker::CLinkChecker(SOptions options, QObject* parent)
    : QObject(parent), m_options(options), m_pNet(std::make_unique<QNetworkAccessManager>()) {
    m_pNet->setCookieJar(new CNoCookies(m_pNet.get()));
    m_pNet->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_pNet->setAutoDeleteReplies(false);
    m_sweep.setInterval(std::clamp(m_options.timeoutMs / 4, 20, 500));
    connect(&m_sweep, &QTimer::timeout, this, &CLinkChecker::Sweep);
    m_clock.start();
}

CLinkChecker::~CLinkChecker() {
    Cancel();
}

QByteArray CLinkChecker::UserAgent() {
    return QByteArrayLiteral("Quillbox/" QB_VERSION " (link check)");
}

void CLinkChecker::Start(const std::vector<SLinkJob>& jobs) {
    Cancel();
    m_jobs.clear();
    m_hosts.clear();
    m_ready.clear();
    m_results.clear();
    m_nActive = m_nTotal = m_nDone = m_nWeb = m_nWebDone = m_nReached = m_nConnectFails = 0;
    m_bNoNetwork = false;
    m_bRunning = true;
    std::vector<SLinkResult> immediate;
    for (const SLinkJob& each : jobs) {
        const STargetKind kind = ClassifyTarget(each.target);
        if (kind.kind == ETargetKind::Other)
            continue;
        ++m_nTotal;
        SLinkResult result;
        result.key = each.key;
        if (kind.kind == ETargetKind::Local) {
            if (!QFileInfo::exists(kind.path)) {
                result.state = ELinkState::Gone;
                result.note = QStringLiteral("no such file or folder");
            }
            immediate.push_back(std::move(result));
        } else if (!kind.valid) {
            result.state = ELinkState::Failing;
            result.note = QStringLiteral("not a valid web address");
            immediate.push_back(std::move(result));
        } else {
            SJob job;
            job.key = each.key;
            job.url = kind.url;
            job.host = HostKey(kind.url);
            m_hosts[job.host].pending.push_back(m_jobs.size());
            m_jobs.push_back(std::move(job));
            ++m_nWeb;
        }
    }
    m_results.reserve(std::size_t(m_nTotal));
    for (SLinkResult& each : immediate)
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
        if (QNetworkReply* reply = std::exchange(job.reply, nullptr)) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
    m_nActive = 0;
    m_ready.clear();
    m_sweep.stop();
}

void CLinkChecker::QueueHost(const QString& host) {
    SHost& state = m_hosts[host];
    if (!state.queued && !state.pending.empty() && state.active < m_options.perHost) {
        state.queued = true;
        m_ready.push_back(host);
    }
}

void CLinkChecker::Dispatch() {
    while (m_bRunning && m_nActive < m_options.concurrency && !m_ready.empty()) {
        const QString host = m_ready.front();
        m_ready.pop_front();
        SHost& state = m_hosts[host];
        state.queued = false;
        if (state.pending.empty() || state.active >= m_options.perHost)
            continue;
        const std::size_t job = state.pending.front();
        state.pending.pop_front();
        ++state.active;
        ++m_nActive;
        QueueHost(host); // its next job waits its turn behind the other hosts
        Send(job);
    }
}

void CLinkChecker::Send(std::size_t index) {
    SJob& job = m_jobs[index];
    QNetworkRequest request(job.url);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    job.timedOut = false;
    job.headStatus = 0;
    job.headLocation.clear();
    QNetworkReply* reply = job.get ? m_pNet->get(request) : m_pNet->head(request);
    job.reply = reply;
    if (job.get) {
        // Only the headers are wanted: keep no body, and stop once they are in.
        reply->setReadBufferSize(4096);
        connect(reply, &QNetworkReply::metaDataChanged, this, [this, index, reply] {
            SJob& each = m_jobs[index];
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (each.reply != reply || !status.isValid() || each.headStatus != 0)
                return;
            each.headStatus = status.toInt();
            each.headLocation = reply->rawHeader("Location");
            reply->abort();
        });
    }
    connect(reply, &QNetworkReply::finished, this, [this, index, reply] { OnReply(index, reply); });
    job.deadline = m_clock.elapsed() + m_options.timeoutMs;
    if (!m_sweep.isActive())
        m_sweep.start();
}

void CLinkChecker::Sweep() {
    // One timer for all requests: those past their deadline are aborted.
    const qint64 now = m_clock.elapsed();
    std::vector<QNetworkReply*> late;
    for (SJob& job : m_jobs)
        if (job.reply && job.deadline <= now) {
            job.timedOut = true;
            late.push_back(job.reply);
        }
    for (QNetworkReply* reply : late)
        reply->abort();
    if (!m_bRunning)
        m_sweep.stop();
}

void CLinkChecker::OnReply(std::size_t index, QNetworkReply* reply) {
    SJob& job = m_jobs[index];
    if (job.reply != reply)
        return;
    job.reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    SLinkResult result;
    result.key = job.key;
    int status = job.headStatus;
    QByteArray location = job.headLocation;
    if (status == 0) {
        status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        location = reply->rawHeader("Location");
    }
    result.httpStatus = status;
    if (status == 0) {
        const QNetworkReply::NetworkError error = reply->error();
        result.state = ELinkState::Failing;
        if (job.timedOut) {
            result.note = QStringLiteral("no answer within %1 s").arg(m_options.timeoutMs / 1000.0);
            Finish(index, std::move(result), job.hops == 0);
            return;
        }
        if (error == QNetworkReply::HostNotFoundError) {
            result.state = ELinkState::Gone;
            result.note = QStringLiteral("host not found");
        } else if (error == QNetworkReply::SslHandshakeFailedError) {
            result.note = QStringLiteral("secure connection failed: ") + reply->errorString();
        } else {
            result.note = reply->errorString();
        }
        Finish(index, std::move(result), job.hops == 0 && IsConnectFailure(error));
        return;
    }
    if (IsRedirect(status) && !location.isEmpty()) {
        if (FollowRedirect(index, status, location, result))
            return;
        Finish(index, std::move(result), false);
        return;
    }
    if (!job.get && (status == 405 || status == 501)) {
        job.get = true;
        Send(index);
        return;
    }
    if (status >= 200 && status < 400) {
        if (job.hops > 0 && job.permanent) {
            result.state = ELinkState::Moved;
            result.movedTo = job.url.toString();
        }
    } else if (status == 404 || status == 410) {
        result.state = ELinkState::Gone;
        result.note =
            job.hops > 0
                ? QStringLiteral("%1 after a redirect to %2").arg(status).arg(job.url.toString())
                : QStringLiteral("%1 %2").arg(status).arg(
                      status == 404 ? QStringLiteral("not found") : QStringLiteral("gone"));
    } else {
        result.state = ELinkState::Failing;
        result.note = status >= 500 ? QStringLiteral("server error %1").arg(status)
                                    : QStringLiteral("refused with %1").arg(status);
    }
    Finish(index, std::move(result), false);
}

bool CLinkChecker::FollowRedirect(std::size_t index, int status, const QByteArray& location,
                                  SLinkResult& result) {
    SJob& job = m_jobs[index];
    const QUrl next = job.url.resolved(QUrl::fromEncoded(location));
    const QString name = next.toString(QUrl::FullyEncoded);
    result.state = ELinkState::Failing;
    if (!next.isValid() ||
        (next.scheme() != QLatin1String("http") && next.scheme() != QLatin1String("https"))) {
        result.note = QStringLiteral("redirected to an address that cannot be checked");
        return false;
    }
    if (name == job.url.toString(QUrl::FullyEncoded) || job.seen.contains(name)) {
        result.note = QStringLiteral("redirect loop");
        return false;
    }
    if (job.hops >= m_options.maxRedirects) {
        result.note = QStringLiteral("more than %1 redirects").arg(m_options.maxRedirects);
        return false;
    }
    ++job.hops;
    job.permanent = job.permanent && IsPermanent(status);
    job.seen.insert(job.url.toString(QUrl::FullyEncoded));
    job.url = next;
    job.get = false;
    Send(index);
    return true;
}

void CLinkChecker::Finish(std::size_t index, SLinkResult result, bool connectFailure) {
    SJob& job = m_jobs[index];
    SHost& host = m_hosts[job.host];
    --host.active;
    --m_nActive;
    ++m_nWebDone;
    if (connectFailure)
        ++m_nConnectFails;
    else
        ++m_nReached;
    job.seen.clear();
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
    QueueHost(job.host);
    Dispatch();
    if (m_nActive == 0)
        EndCheck();
}

void CLinkChecker::Complete(SLinkResult result) {
    m_results.push_back(std::move(result));
    ++m_nDone;
    emit progress(m_nDone, m_nTotal);
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
            web[job.key] = true;
        std::erase_if(m_results, [&web](const SLinkResult& each) { return web.count(each.key); });
    }
    emit finished();
}
