// SPDX-License-Identifier: MIT
#pragma once
// The file rules: which files hold the tree and the settings, in which order
// they are read and written, and what is kept when something goes wrong. The
// bytes themselves are store/DataRecords.h's; the settings record is
// store/Settings.h's.
//
// The tree lives in the data file "Quillbox.dat". When the data file is
// empty, missing, unreadable or of another format (which is also how a wrong
// key shows), the tree is read from the fallback "Quillbox.org" with the
// empty key. The data file is created empty when missing; the fallback is
// only read, never made or written (a missing one reads as empty). A stored
// check value counts only while a non-empty data file exists. The data
// file decides which key opens it: the format number at its start shows
// whether a key does (DataFileKeyFits), so a password is asked for whenever
// the key in use does not open it.
//
// Saving writes a new file next to the data file and renames it over the
// old one, so a failed save keeps the last good file; the check value reaches
// the settings store only after that. A data file that held bytes which were
// not loaded (also bytes after its last record) is copied to a free backup
// name ("Quillbox.dat.bak", "Quillbox.dat.bak2", ...) before the first save
// replaces it. The data file first, then the settings: a failure or a crash
// between the two leaves a data file under a key that the next start asks
// for. New files are made readable by their owner only; a file that exists
// keeps its mode.
//
// The data file's first bytes decide which reader runs: a strong data file
// (store/StrongFormat.h) opens only with the run's strong key, whole or not
// at all; without that key it is left unread and kept like any other file
// that did not load. While the run holds a strong key, every save writes the
// strong format and stores no check value.

#include "store/CipherArchive.h"
#include "store/DataRecords.h"
#include "store/StrongFormat.h"
#include "tree/Archive.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>

class CFolder;
class CSettings;
class QFile;
class QIODevice;

inline constexpr const char* DATA_FILE_NAME = "Quillbox.dat";
inline constexpr const char* FALLBACK_FILE_NAME = "Quillbox.org";

// A failure while reading or writing a data file, with the message to show
// the user: the standard text with the file's full path in it and, for a
// failure of no standard kind, the system's reason.
class CFileError : public std::runtime_error {
public:
    // systemError: the errno of the failing call, 0 when unknown (the reason
    // is then looked for in what the path allows).
    CFileError(CArchiveException::ECause cause, const QString& path, int systemError = 0);

    // The text to show, e.g. "An attempt was made to access /x/Quillbox.dat past its end."
    QString Message() const { return m_strMessage; }

    CArchiveException::ECause m_cause;
    QString m_strPath;   // absolute
    QString m_strReason; // the system's words, e.g. "Permission denied"; may be empty

protected:
    void SetMessage(const QString& message);

private:
    QString m_strMessage;
};

// A strong data file that did not open: changed, damaged or under another
// password, which cannot be told apart. "<path> was changed or damaged."
class CChangedFileError final : public CFileError {
public:
    explicit CChangedFileError(const QString& path);
};

// A pipe, a device or a socket where a file of ours should be: it is never
// opened (reading could wait forever). SpecialFileMessage's text.
class CSpecialFileError final : public CFileError {
public:
    explicit CSpecialFileError(const QString& path);
};

// The data file was saved; the settings could not be stored.
class CSettingsError final : public CFileError {
public:
    CSettingsError(const QString& path, bool checkChanged);
    // The check value to store differs from the one the store holds: the
    // next start will not know the password in use (the data file's own rule
    // still asks for it).
    bool m_bCheckChanged;
};

// The standard message for cause with %1 replaced by path, and reason (when
// given) after it.
QString FileErrorMessage(CArchiveException::ECause cause, const QString& path,
                         const QString& reason = {});

// Why writing path may fail, in the system's words: systemError's text when
// it is not 0, else what the file or its folder tells (a folder, no write
// permission, a read-only file system). Empty when nothing is found.
QString SystemReason(int systemError, const QString& path);

// What LoadTree learnt about the data file that SaveTree has to honour, and
// the folder both work in. One per run, kept by whoever calls both.
struct CDataFileState {
    QString m_strFolder; // where the files live; empty means the current directory
    // The data file held bytes that were not (all) loaded: keep a copy before
    // it is replaced.
    bool m_bKeepOldFile = false;
    // The data file holds the tree as it was loaded or last saved: false for
    // a tree read in part or from the fallback, and for an empty or missing
    // data file, whose tree is written at the next save even unchanged.
    bool m_bFileHoldsTree = false;
    // The check value the settings store holds, as far as this run knows.
    std::uint32_t m_dwStoredCheck = 0;
    // The strong format's password for this run, in locked memory. Set, the
    // data file is saved in the strong format and a strong data file is read
    // with it; null, the classic format under the settings' password. Reset
    // it to drop the key (Lock); going back to the classic format sets the
    // settings' password again (CSettings::SetPassword) for its check value.
    std::shared_ptr<CStrongKey> m_pStrongKey = nullptr;
};

// The message for the first of the files a run reads (the data file, the
// fallback, the settings file) that is a pipe, a device or a socket; empty
// when there is none. A run that gets one must end without reading them.
QString SpecialFilesMessage(const CSettings& settings, const CDataFileState& state);

// Reads the settings record from its store (CSettings::Load); a stored check
// value then counts only while a non-empty data file exists in
// state.m_strFolder: with none, it becomes 0 (a missing data file is created
// empty).
void LoadSettings(CSettings& settings, CDataFileState& state);

// How the data file takes a key.
enum class EKeyFit {
    NoData, // the data file is missing, empty, shorter than a block or cannot
            // be read: no key is refused (loading reports any damage)
    Opens,  // the key opens it
    Other   // it is under another key (or of another format)
};
// Reads only the data file's first block. key: at most 8 bytes count. A
// strong data file is under another key (no classic key opens it).
EKeyFit DataFileKeyFits(const CDataFileState& state, std::string_view key);

// The data file's format, from its first bytes (empty: missing, empty or
// unreadable).
EDataFormat DataFileFormat(const CDataFileState& state);

// Whether the start asks for a password (after LoadSettings). The data file
// decides: a stored check value asks as long as the file does not open
// without a password (a stale one is dropped: it becomes 0), and a file that
// does not open without one asks for its own even with no check value.
enum class EPasswordNeed {
    None,     // load the tree at once, under no password
    Stored,   // a check value is stored: the usual prompt
    DataFile, // the data file is under a password the settings do not know
};
EPasswordNeed PasswordNeeded(CSettings& settings, const CDataFileState& state);

// A password typed at the prompt. Accepted when its check value matches and
// the data file opens with it (or holds nothing that could refuse it), or
// whenever it opens the data file: it then becomes the current password with
// its check value, stored at the next save. Otherwise the current password
// is empty.
enum class EPromptAnswer {
    Accepted,
    Refused,
    OtherKey, // its check value matches, but the data file is under another key
};
//
// A strong data file checks typed (whole) by opening it: when it opens,
// typed becomes state's strong key (the load that follows does not derive
// again) and the settings' password stays empty; a wrong password and a
// changed file are both refused. About half a second either way.
EPromptAnswer AnswerPrompt(CSettings& settings, CDataFileState& state, std::string_view typed);
// AnswerPrompt for a strong data file in two halves, so that the slow one
// can run on a worker thread: StrongKeyThatOpens touches neither settings nor
// state and returns typed's key when it opens the data file in folder (its
// opening key kept, so the load derives nothing), else null; then
// AnswerStrongPrompt (on the settings' thread) takes that key or refuses.
std::shared_ptr<CStrongKey> StrongKeyThatOpens(const QString& folder, std::string_view typed);
EPromptAnswer AnswerStrongPrompt(CSettings& settings, CDataFileState& state,
                                 std::shared_ptr<CStrongKey> key);

// Fills top, an empty top folder (StartTree), from the data file under
// settings.m_strPassword, or from the fallback. Throws CFileError when an
// opened file ends early or is damaged; top then holds the items read so far.
// Throws CSpecialFileError, reading nothing, for a pipe or a device.
void LoadTree(CFolder& top, const CSettings& settings, CDataFileState& state);

// Writes the whole tree under settings.m_strPassword, then settings.Save().
// Throws CFileError when the file cannot be written (CSpecialFileError for a
// pipe or a device, never opened); the old data file and
// the stored settings then stay as they were. Throws CSettingsError naming
// the settings file when the settings could not be stored; the data file is
// then already written. filler fixes the archive's filler words (tests);
// empty means seeded from the clock.
void SaveTree(CFolder& root, CSettings& settings, CDataFileState& state, FillerSource filler = {});

// Stores the settings record when it changed since it was read or stored
// (SaveTree's last step, also on its own when the data file is in step).
// Throws CSettingsError when it cannot be stored.
void SaveSettings(CSettings& settings, CDataFileState& state);

// Writes root to device (open for writing) as SaveTree writes the data file:
// the strong format under state's strong key when it has one, else the
// classic format under the settings' password. For copies of the tree kept
// elsewhere (a merge base) that must be protected as the data file is.
// Throws CArchiveException when the device refuses the bytes.
void WriteTreeAs(QIODevice& device, const CSettings& settings, const CDataFileState& state,
                 CFolder& root, FillerSource filler = {});
// Reads such a copy from device (open for reading) into root, an empty top
// folder; its first bytes decide the format. A strong copy that does not open
// with state's strong key (or with none) is OtherFormat and leaves root
// empty. Throws CArchiveException as ReadTreeRecords does.
EReadOutcome ReadTreeAs(QIODevice& device, const CSettings& settings, const CDataFileState& state,
                        CFolder& root);

// folder/name, folder empty meaning the current directory; absolute.
QString DataFilePath(const QString& folder, const char* name);
// Opens file for reading; a missing file is created empty first (and then
// opened). False when it cannot be opened or is no regular file (never waits
// on a pipe). As OpenRegularForReading, file loses its name.
bool OpenForReadingCreated(QFile& file);
