// SPDX-License-Identifier: MIT
#pragma once
// Slow work off the GUI thread (a strong key's derivation, about half a
// second), one job at a time on a thread of its own, so that the window goes
// on painting. What the job leaves for the window is handed back on the
// owner's thread. The owner joins the thread before the next job starts and
// when it goes; a job's done step is dropped once the owner is gone.

#include <QObject>
#include <functional>
#include <thread>

class CWorkerThread final : public QObject {
public:
    CWorkerThread() = default;
    ~CWorkerThread() override;
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Runs work on a new thread once the previous job has ended (waiting for
    // it), then done, if any, on this object's thread. An exception that
    // leaves work ends the job quietly (done still runs).
    void Run(std::function<void()> work, std::function<void()> done = {});
    // From Run until done has run (or until the job ended, without one).
    bool Busy() const { return m_bBusy; }
    // Waits for the job under way, if any; its done step still comes later.
    void Join();

private:
    std::thread m_thread;
    bool m_bBusy = false;
    unsigned m_nJob = 0; // the last job's number: an older job's end is stale
};
