// SPDX-License-Identifier: MIT
#pragma once
// An instance lock whose answer the test chooses; counts what was asked.

#include "app/InstanceLock.h"

class CFakeInstanceLock final : public IInstanceLock {
public:
    explicit CFakeInstanceLock(EResult answer = Acquired) : m_answer(answer) {}
    EResult TryAcquire() override {
        ++m_acquireCalls;
        return m_answer;
    }
    void Release() override { ++m_releaseCalls; }
    EResult m_answer;
    int m_acquireCalls = 0;
    int m_releaseCalls = 0;
};
