// SPDX-License-Identifier: MIT
#pragma once
// The signals that end a program without its close command: SIGTERM (a
// logout, a shutdown, kill), SIGINT (Ctrl+C in a terminal) and SIGHUP (the
// terminal closed). While a CEndSignals lives, each of them becomes a call of
// onEnd from the event loop. The handler only writes one byte to a socket
// pair, which is safe inside a signal handler; a socket notifier reads it in
// the event loop, where onEnd may do anything. A signal that the program was
// started with ignored (nohup, a shell's background job) stays ignored.
//
// One at a time per process; the handlers it replaced come back when it goes.

#include <QObject>
#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

class CEndSignals final : public QObject {
    Q_OBJECT
public:
    explicit CEndSignals(std::function<void()> onEnd, QObject* parent = nullptr);
    ~CEndSignals() override;

    // False when the socket pair could not be made or another CEndSignals
    // lives: the signals then keep what they did.
    bool IsActive() const { return m_pNotifier != nullptr; }

private:
    void OnReadable();

    static constexpr int COUNT = 3;
    std::function<void()> m_onEnd;
    int m_fds[2] = {-1, -1}; // [0] written by the handler, [1] read here
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    struct sigaction m_previous[COUNT] = {};
    bool m_bReplaced[COUNT] = {};
};
