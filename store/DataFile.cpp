#include "store/DataFile.h"

#include "store/Settings.h"
#include "tree/Item.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

namespace {

// Reads the top folder's records from path into root. Archive failures come
// out as CFileError naming path.
ReadOutcome ReadTreeFile(const QString& path, std::string_view key, CFolder& root) {
    QFile file(path);
    if (!OpenForReadingCreated(file))
        return ReadOutcome::empty;
    try {
        return ReadTreeRecords(file, key, root);
    } catch (const CArchiveException& e) {
        throw CFileError(e.m_cause, path);
    }
}

// The first of "<path>.bak", "<path>.bak2", "<path>.bak3", ... that does not exist.
QString FreeBackupName(const QString& path) {
    QString candidate = path + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = path + QStringLiteral(".bak") + QString::number(n);
    return candidate;
}

} // namespace

void LoadTree(CFolder& root, const CSettings& settings, CDataFileState& state) {
    const QString dataPath = DataFilePath(state.m_strFolder, DATA_FILE_NAME);
    state.m_bKeepOldFile = false;
    ReadOutcome outcome = ReadOutcome::empty;
    try {
        outcome = ReadTreeFile(dataPath, settings.m_strPassword, root);
    } catch (const CFileError&) {
        state.m_bKeepOldFile = true; // read only in part
        throw;
    }
    if (outcome == ReadOutcome::loaded)
        return;
    // Another format, a wrong key, or a file that could not be opened: its
    // bytes were not loaded, so the next save must not simply drop them.
    if (QFileInfo(dataPath).size() > 0)
        state.m_bKeepOldFile = true;
    ReadTreeFile(DataFilePath(state.m_strFolder, FALLBACK_FILE_NAME), {}, root);
}

QString FileErrorMessage(CArchiveException::Cause cause, const QString& path) {
    switch (cause) {
    case CArchiveException::endOfFile:
        return QStringLiteral("An attempt was made to access %1 past its end.").arg(path);
    case CArchiveException::diskFull:
        return QStringLiteral("Disk full while accessing %1.").arg(path);
    case CArchiveException::hardIO:
        return QStringLiteral("A hardware I/O error was reported while accessing %1.").arg(path);
    case CArchiveException::badFormat:
        return QStringLiteral("Damaged records were found while accessing %1.").arg(path);
    case CArchiveException::generic:
        break;
    }
    return QStringLiteral("An unknown error occurred while accessing %1.").arg(path);
}

CFileError::CFileError(CArchiveException::Cause cause, const QString& path)
    : std::runtime_error(FileErrorMessage(cause, QFileInfo(path).absoluteFilePath()).toStdString()),
      m_cause(cause), m_strPath(QFileInfo(path).absoluteFilePath()),
      m_strMessage(FileErrorMessage(cause, m_strPath)) {}

QString DataFilePath(const QString& folder, const char* name) {
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    return QDir::cleanPath(dir.absoluteFilePath(QString::fromUtf8(name)));
}

bool OpenForReadingCreated(QFile& file) {
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.close();
    }
    return file.open(QIODevice::ReadOnly);
}

void LoadSettings(CSettings& settings, const CDataFileState& state) {
    if (!settings.Load() || settings.m_dwPasswordCheck == 0)
        return;
    // A check value counts only while there is a data file to read with it.
    QFile file(DataFilePath(state.m_strFolder, DATA_FILE_NAME));
    if (!OpenForReadingCreated(file) || file.size() == 0)
        settings.m_dwPasswordCheck = 0;
}

void SaveTree(CFolder& root, CSettings& settings, CDataFileState& state, FillerSource filler) {
    const QString dataPath = DataFilePath(state.m_strFolder, DATA_FILE_NAME);
    QSaveFile file(dataPath);
    errno = 0; // what open leaves here is its own failure, not an older one
    if (!file.open(QIODevice::WriteOnly))
        throw CFileError(FailureCause(file, errno), dataPath);
    try {
        WriteTreeRecords(file, settings.m_strPassword, root, std::move(filler));
    } catch (const CArchiveException& e) {
        file.cancelWriting();
        throw CFileError(e.m_cause, dataPath);
    }
    if (state.m_bKeepOldFile && QFileInfo(dataPath).size() > 0) {
        if (!QFile::copy(dataPath, FreeBackupName(dataPath))) {
            file.cancelWriting();
            throw CFileError(CArchiveException::generic, dataPath);
        }
    }
    errno = 0;
    if (!file.commit())
        throw CFileError(FailureCause(file, errno), dataPath);
    state.m_bKeepOldFile = false;
    // Only now does the data file match the check value of this password.
    // Unstored, the old check value would refuse the key the file is now
    // under: the user has to hear of it while the session can still save.
    if (!settings.Save())
        throw CFileError(CArchiveException::generic, settings.StoreFileName());
}
