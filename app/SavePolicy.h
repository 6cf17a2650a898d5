// SPDX-License-Identifier: MIT
#pragma once
// When the main window writes its tree to the data file, and when it tells the
// user that a write went wrong.
//
// The policy keeps one explicit state: whether the file's content is in step
// with the tree. A change to the tree puts the file behind and starts the
// pause timer; the tree is written once the user has paused (PAUSE_MS,
// restarted by every change), so that a crash loses no more than that, but
// not while a name is typed or a menu is open (the next pause tries again).
// A write that works brings the file back in step. A file in step is not
// written again (each write draws new filler words, and a synced folder
// would carry the needless change to every machine) unless it does not hold
// the tree shown (an empty first file, a tree read from the fallback or in
// part); then only the settings are stored, and only when they changed.
//
// Telling: a failed write after a pause is said once, however often it is
// tried again, until a write works; a failed write the user asked for (close,
// password, end of the session) is always said. Settings that could not be
// stored beside a written data file: the dock's place is said once a run and
// closing goes on; a password check value once for each value, and that once
// the window stays, so the settings can be mended and stored by the next save.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>

class CFileError;
class CSettings;

// What the policy needs of the window that holds the tree.
class ISaveTarget {
public:
    virtual ~ISaveTarget() = default;
    // Whether a tree is loaded (none at the password prompt).
    virtual bool HasTree() const = 0;
    // Writes the tree and the settings; throws CSettingsError (the data file
    // was written, a setting was not) or CFileError (nothing was written).
    virtual void WriteTree() = 0;
    // Whether the data file holds the tree as loaded or last written.
    virtual bool FileHoldsTree() const = 0;
    // Stores the settings when they changed; throws CSettingsError.
    virtual void WriteSettings() = 0;
    // The user is typing a name or has a menu open: a message now would
    // disturb the typing, or put a half-typed name in.
    virtual bool IsBusy() const = 0;
    // The name editor and the address box hand in what they hold.
    virtual void HandInTyping() = 0;
    virtual void Tell(const CFileError& error) = 0;
};

class CSavePolicy final : public QObject {
public:
    enum class EFileState {
        InStep, // the file holds the tree as it is (or there is no tree)
        Behind, // the tree has changes the file lacks
    };

    static constexpr int PAUSE_MS = 3000;

    // Watches the tree's changes (g_onTreeChange) from now until destroyed;
    // settings is the record the target writes (its password check value).
    CSavePolicy(ISaveTarget& target, const CSettings& settings);
    ~CSavePolicy() override;
    CSavePolicy(const CSavePolicy&) = delete;
    CSavePolicy& operator=(const CSavePolicy&) = delete;

    EFileState FileState() const { return m_state; }
    // The tree changed in a way the tree does not announce (a new password).
    void MarkChanged() { m_state = EFileState::Behind; }
    // The file was found to hold the tree as it is now (a tree taken from
    // the file on disk): no write is due.
    void MarkInStep();
    void SetPause(int ms) { m_pauseTimer.setInterval(ms); }

    // A write the user asked for. Returns whether the window may go on as
    // after a write (false: it stays, the error told).
    bool Save();
    // The system asks the program to end: what is typed goes in, then the
    // tree is written. Returns whether the run may end; a second request
    // while the first one's failure is on the screen does nothing.
    bool SaveForEnd();
    // SaveForEnd wrote the tree: the run ends without another write.
    bool SavedForEnd() const { return m_bSavedForEnd; }

private:
    enum class EWhy { Asked, Pause };
    bool Save(EWhy why);
    void OnTreeChange();
    void OnPause();

    ISaveTarget& m_target;
    const CSettings& m_settings;
    QTimer m_pauseTimer; // runs from a change to the write after it
    EFileState m_state = EFileState::InStep;
    bool m_bPauseFailureTold = false; // since the last write that worked
    bool m_bToldPositionNotStored = false;
    std::optional<std::uint32_t> m_toldCheckNotStored;
    bool m_bEnding = false;      // SaveForEnd is writing
    bool m_bSavedForEnd = false; // SaveForEnd wrote and let the run end
};
