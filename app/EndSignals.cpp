// SPDX-License-Identifier: MIT
#include "app/EndSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int END_SIGNALS[] = {SIGTERM, SIGINT, SIGHUP};

// The end of the socket pair the handler writes to; -1 while none lives.
volatile std::sig_atomic_t g_nEndFd = -1;

extern "C" void OnEndSignal(int signo) {
    const int saved = errno;
    const int fd = g_nEndFd;
    if (fd >= 0) {
        const char byte = static_cast<char>(signo);
        // A full socket already holds a byte that will be read.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

CEndSignals::CEndSignals(std::function<void()> onEnd, QObject* parent)
    : QObject(parent), m_onEnd(std::move(onEnd)) {
    static_assert(std::size(END_SIGNALS) == COUNT);
    if (g_nEndFd >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, m_fds) != 0) {
        m_fds[0] = m_fds[1] = -1;
        return;
    }
    g_nEndFd = m_fds[0];
    m_pNotifier = std::make_unique<QSocketNotifier>(m_fds[1], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });

    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < COUNT; ++i) {
        struct sigaction current = {};
        if (::sigaction(END_SIGNALS[i], nullptr, &current) != 0)
            continue;
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN)
            continue;
        m_bReplaced[i] = ::sigaction(END_SIGNALS[i], &action, &m_previous[i]) == 0;
    }
}

CEndSignals::~CEndSignals() {
    if (!m_pNotifier)
        return;
    // The handlers go first, so that none writes to a socket that is closed.
    for (int i = 0; i < COUNT; ++i)
        if (m_bReplaced[i])
            ::sigaction(END_SIGNALS[i], &m_previous[i], nullptr);
    g_nEndFd = -1;
    m_pNotifier.reset();
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void CEndSignals::OnReadable() {
    // Several signals before the loop came round end the program once.
    char bytes[64];
    bool any = false;
    while (::read(m_fds[1], bytes, sizeof bytes) > 0)
        any = true;
    if (any && m_onEnd)
        m_onEnd();
}
