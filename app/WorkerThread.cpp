// SPDX-License-Identifier: MIT
#include "app/WorkerThread.h"

#include <memory>
#include <system_error>
#include <utility>

CWorkerThread::~CWorkerThread() {
    Join();
}

void CWorkerThread::Join() {
    if (m_thread.joinable())
        m_thread.join();
}

void CWorkerThread::Run(std::function<void()> work, std::function<void()> done) {
    Join();
    m_bBusy = true;
    const unsigned job = ++m_nJob;
    auto run = [this, job, work = std::move(work), done = std::move(done)]() mutable {
        try {
            work();
        } catch (...) { // NOLINT(bugprone-empty-catch): the job's own result says it failed
        }
        work = nullptr; // what the job held (a key) goes now, on this thread
        // Queued to this object: dropped when it is gone (it joins first).
        QMetaObject::invokeMethod(
            this,
            [this, job, done = std::move(done)] {
                if (job != m_nJob)
                    return;
                m_bBusy = false;
                if (done)
                    done();
            },
            Qt::QueuedConnection);
    };
    const auto shared = std::make_shared<decltype(run)>(std::move(run));
    try {
        m_thread = std::thread([shared] { (*shared)(); });
    } catch (const std::system_error&) {
        (*shared)(); // no thread to be had: the work is done here, as it must be done
    }
}
