// SPDX-License-Identifier: MIT
#include "app/SavePolicy.h"

#include "store/DataFile.h"
#include "store/Settings.h"
#include "tree/TreeState.h"

CSavePolicy::CSavePolicy(ISaveTarget& target, const CSettings& settings)
    : m_target(target), m_settings(settings) {
    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setInterval(PAUSE_MS);
    connect(&m_pauseTimer, &QTimer::timeout, this, [this] { OnPause(); });
    g_onTreeChange = [this] { OnTreeChange(); };
}

CSavePolicy::~CSavePolicy() {
    g_onTreeChange = nullptr;
}

void CSavePolicy::OnTreeChange() {
    m_state = EFileState::Behind;
    m_pauseTimer.start();
}

void CSavePolicy::MarkInStep() {
    m_state = EFileState::InStep;
    m_pauseTimer.stop();
}

bool CSavePolicy::Save() {
    return Save(EWhy::Asked);
}

bool CSavePolicy::SaveForEnd() {
    if (m_bEnding)
        return false;
    m_bEnding = true;
    m_target.HandInTyping();
    const bool saved = Save(EWhy::Asked);
    m_bEnding = false;
    m_bSavedForEnd = m_bSavedForEnd || saved;
    return saved;
}

void CSavePolicy::OnPause() {
    if (!m_target.HasTree() || m_state == EFileState::InStep)
        return;
    if (m_target.IsBusy()) {
        m_pauseTimer.start(); // another pause will come
        return;
    }
    Save(EWhy::Pause);
}

bool CSavePolicy::Save(EWhy why) {
    if (!m_target.HasTree())
        return true;
    try {
        if (m_state == EFileState::InStep && m_target.FileHoldsTree())
            m_target.WriteSettings();
        else
            m_target.WriteTree();
    } catch (const CSettingsError& error) {
        m_state = EFileState::InStep; // the data file was written
        if (!error.m_bCheckChanged) {
            if (!m_bToldPositionNotStored)
                m_target.Tell(error);
            m_bToldPositionNotStored = true;
            return true;
        }
        if (m_toldCheckNotStored == m_settings.m_dwPasswordCheck)
            return true;
        m_toldCheckNotStored = m_settings.m_dwPasswordCheck;
        m_target.Tell(error);
        return false;
    } catch (const CFileError& error) {
        if (why == EWhy::Asked || !m_bPauseFailureTold)
            m_target.Tell(error);
        m_bPauseFailureTold = m_bPauseFailureTold || why == EWhy::Pause;
        return false;
    }
    m_state = EFileState::InStep;
    m_bPauseFailureTold = false;
    return true;
}
