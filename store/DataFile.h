#pragma once
// The file rules: which files hold the tree and the settings, in which order
// they are read and written, and what is kept when something goes wrong. The
// bytes themselves are store/DataRecords.h's; the settings record is
// store/Settings.h's.
//
// The tree lives in the data file "Quillbox.dat". When the data file is
// empty, missing, unreadable or of another format (which is also how a wrong
// key shows), the tree is read from the fallback "Quillbox.org" with the
// empty key. Both are created empty when missing; the fallback is never
// written. A stored check value counts only while a non-empty data file
// exists.
//
// Saving writes a new file next to the data file and renames it over the
// old one, so a failed save keeps the last good file; the check value reaches
// the settings store only after that. A data file that held bytes which were
// not loaded is copied to a free backup name ("Quillbox.dat.bak",
// "Quillbox.dat.bak2", ...) before the first save replaces it.

#include "store/CipherArchive.h"
#include "store/DataRecords.h"
#include "tree/Archive.h"

#include <QString>
#include <stdexcept>

class CFolder;
class CSettings;
class QFile;

inline constexpr const char* DATA_FILE_NAME = "Quillbox.dat";
inline constexpr const char* FALLBACK_FILE_NAME = "Quillbox.org";

// A failure while reading or writing a data file, with the message to show
// the user: the standard text with the file's full path in it.
class CFileError : public std::runtime_error {
public:
    CFileError(CArchiveException::Cause cause, const QString& path);

    // The text to show, e.g. "An attempt was made to access /x/Quillbox.dat past its end."
    QString Message() const { return m_strMessage; }

    CArchiveException::Cause m_cause;
    QString m_strPath; // absolute

private:
    QString m_strMessage;
};

// The standard message for cause with %1 replaced by path.
QString FileErrorMessage(CArchiveException::Cause cause, const QString& path);

// What LoadTree learnt about the data file that SaveTree has to honour, and
// the folder both work in. One per run, kept by whoever calls both.
struct CDataFileState {
    QString m_strFolder; // where the files live; empty means the current directory
    // The data file held bytes that were not (all) loaded: keep a copy before
    // it is replaced.
    bool m_bKeepOldFile = false;
};

// Reads the settings record from its store (CSettings::Load); a stored check
// value then counts only while a non-empty data file exists in
// state.m_strFolder: with none, it becomes 0 (a missing data file is created
// empty).
void LoadSettings(CSettings& settings, const CDataFileState& state);

// Fills top, an empty top folder (StartTree), from the data file under
// settings.m_strPassword, or from the fallback. Throws CFileError when an
// opened file ends early or is damaged; top then holds the items read so far.
void LoadTree(CFolder& top, const CSettings& settings, CDataFileState& state);

// Writes the whole tree under settings.m_strPassword, then settings.Save().
// Throws CFileError when the file cannot be written; the old data file and
// the stored settings then stay as they were. Throws CFileError naming the
// settings file (cause generic) when the settings could not be stored; the
// data file is then already written. filler fixes the archive's
// filler words (tests); empty means seeded from the clock.
void SaveTree(CFolder& root, CSettings& settings, CDataFileState& state, FillerSource filler = {});

// folder/name, folder empty meaning the current directory; absolute.
QString DataFilePath(const QString& folder, const char* name);
// Opens file for reading; a missing file is created empty first (and then
// opened). False when it cannot be opened.
bool OpenForReadingCreated(QFile& file);
