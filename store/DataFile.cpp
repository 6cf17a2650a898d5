#include "store/DataFile.h"

#include "store/Settings.h"
#include "tree/Item.h"
#include "tree/Tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

namespace {

enum class ReadOutcome {
    loaded,     // the format number matched and the records were read
    empty,      // no bytes (or missing, or could not be opened)
    otherFormat // a format number other than ours, or a wrong key
};

// Reads the top folder's records from path into root. Archive failures come
// out as CFileError naming path.
ReadOutcome ReadTreeFile(const QString& path, std::string_view key, CFolder& root) {
    QFile file(path);
    if (!OpenForReadingCreated(file) || file.size() == 0)
        return ReadOutcome::empty;
    try {
        CCipherArchive archive(key, file, CCipherArchive::load);
        if (archive.ReadInt() != DATA_FILE_VERSION) {
            archive.Close();
            return ReadOutcome::otherFormat;
        }
        archive.ReadInt();    // the top folder's tag
        archive.ReadString(); // and its name: the top folder stays "Root"
        root.Serialize(archive);
        archive.Close();
    } catch (const CArchiveException& e) {
        throw CFileError(e.m_cause, path);
    }
    return ReadOutcome::loaded;
}

// The first of "<path>.bak", "<path>.bak2", "<path>.bak3", ... that does not exist.
QString FreeBackupName(const QString& path) {
    QString candidate = path + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = path + QStringLiteral(".bak") + QString::number(n);
    return candidate;
}

// Fills root, an empty top folder, from the data file or the fallback.
void LoadTreeInto(CFolder& root, const CSettings& settings, CDataFileState& state) {
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

} // namespace

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

void LoadTree(std::unique_ptr<CFolder>& top, const CSettings& settings, CDataFileState& state,
              CMenu* contentMenu) {
    if (top)
        EndTree(std::move(top));
    top = StartTree(contentMenu);
    LoadTreeInto(*top, settings, state);
}

void SaveTree(CFolder& root, CSettings& settings, CDataFileState& state, FillerSource filler) {
    const QString dataPath = DataFilePath(state.m_strFolder, DATA_FILE_NAME);
    QSaveFile file(dataPath);
    errno = 0; // what open leaves here is its own failure, not an older one
    if (!file.open(QIODevice::WriteOnly))
        throw CFileError(FailureCause(file, errno), dataPath);
    try {
        CCipherArchive archive(settings.m_strPassword, file, CCipherArchive::store,
                               std::move(filler));
        archive.WriteInt(DATA_FILE_VERSION);
        root.Serialize(archive);
        archive.Close();
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
