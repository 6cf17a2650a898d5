// SPDX-License-Identifier: MIT
#include "store/DataFile.h"

#include "store/RegularFile.h"
#include "store/Settings.h"
#include "store/StrongFormat.h"
#include "tree/Item.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr QFileDevice::Permissions OWNER_ONLY = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Reads the top folder's records from path into root, a strong file with
// strongKey (unread without one: another format). A missing file reads as
// empty; create makes it (empty) too. Archive failures come out as
// CFileError naming path; a strong file that does not open as
// CChangedFileError.
EReadOutcome ReadTreeFile(const QString& path, std::string_view key, const CStrongKey* strongKey,
                          CFolder& root, bool create) {
    if (IsSpecialFile(path))
        throw CSpecialFileError(path);
    QFile file(path);
    if (!(create ? OpenForReadingCreated(file) : file.open(QIODevice::ReadOnly)))
        return EReadOutcome::Empty;
    try {
        if (DeviceFormat(file) == EDataFormat::Strong) {
            if (!strongKey)
                return EReadOutcome::OtherFormat;
            if (ReadStrongRecords(file, *strongKey, root) != EStrongOutcome::Loaded)
                throw CChangedFileError(path);
            return EReadOutcome::Loaded;
        }
        return ReadTreeRecords(file, key, root);
    } catch (const CArchiveException& e) {
        throw CFileError(e.m_cause, path, e.m_nSystemError);
    }
}

// The first of "<path>.bak", "<path>.bak2", "<path>.bak3", ... that does not exist.
QString FreeBackupName(const QString& path) {
    QString candidate = path + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = path + QStringLiteral(".bak") + QString::number(n);
    return candidate;
}

// Copies from to to a piece at a time, so that a file of any size is never
// held whole in memory; pieces of zeros are skipped over and stay holes, as a
// damaged file's long tail of zeros often is.
bool CopyStreamed(QFile& from, QFile& to) {
    constexpr qint64 PIECE = qint64(1) << 20;
    QByteArray piece(PIECE, Qt::Uninitialized);
    qint64 at = 0;
    for (;;) {
        const qint64 got = from.read(piece.data(), PIECE);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        const QByteArrayView part(piece.constData(), got);
        const bool zeros = std::all_of(part.begin(), part.end(), [](char c) { return c == 0; });
        if (zeros ? !to.seek(at + got) : to.write(part.data(), got) != got)
            return false;
        at += got;
    }
    return to.resize(at) && to.flush();
}

// Copies path to a backup name of its own, readable by its owner only.
// False when the copy could not be made whole.
bool KeepBackup(const QString& path) {
    QFile from(path);
    if (!OpenRegularForReading(from))
        return false;
    for (;;) {
        QFile to(FreeBackupName(path));
        // NewOnly: a name taken in the meantime is never written over.
        if (!to.open(QIODevice::WriteOnly | QIODevice::NewOnly, OWNER_ONLY)) {
            if (QFileInfo::exists(to.fileName()))
                continue;
            return false;
        }
        if (!CopyStreamed(from, to)) {
            to.remove();
            return false;
        }
        return true;
    }
}

QString ErrnoText(int value) {
    return QString::fromLocal8Bit(std::strerror(value));
}

// errno of access(path, W_OK), 0 when it is allowed.
int WriteDenied(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0 ? 0 : errno;
}

} // namespace

void LoadTree(CFolder& root, const CSettings& settings, CDataFileState& state) {
    const QString dataPath = DataFilePath(state.m_strFolder, DATA_FILE_NAME);
    state.m_bKeepOldFile = false;
    state.m_bFileHoldsTree = false;
    EReadOutcome outcome = EReadOutcome::Empty;
    try {
        outcome =
            ReadTreeFile(dataPath, settings.m_strPassword, state.m_pStrongKey.get(), root, true);
    } catch (const CFileError&) {
        state.m_bKeepOldFile = true; // read only in part
        throw;
    }
    if (outcome == EReadOutcome::Loaded) {
        state.m_bFileHoldsTree = true;
        return;
    }
    if (outcome == EReadOutcome::Trailing) {
        // The bytes after the last record were not loaded: keep them.
        state.m_bKeepOldFile = true;
        return;
    }
    // Another format, a wrong key, or a file that could not be opened: its
    // bytes were not loaded, so the next save must not simply drop them.
    if (QFileInfo(dataPath).size() > 0)
        state.m_bKeepOldFile = true;
    // The fallback is only read: a missing one is as good as an empty one and
    // is not made, so a new data folder holds nothing the user did not ask for.
    ReadTreeFile(DataFilePath(state.m_strFolder, FALLBACK_FILE_NAME), {}, nullptr, root, false);
}

QString FileErrorMessage(CArchiveException::ECause cause, const QString& path,
                         const QString& reason) {
    switch (cause) {
    case CArchiveException::EndOfFile:
        return QStringLiteral("An attempt was made to access %1 past its end.").arg(path);
    case CArchiveException::DiskFull:
        return QStringLiteral("Disk full while accessing %1.").arg(path);
    case CArchiveException::HardIO:
        return QStringLiteral("A hardware I/O error was reported while accessing %1.").arg(path);
    case CArchiveException::BadFormat:
        return QStringLiteral("Damaged records were found while accessing %1.").arg(path);
    case CArchiveException::Generic:
        break;
    }
    QString text = QStringLiteral("An unknown error occurred while accessing %1.").arg(path);
    if (!reason.isEmpty())
        text += QStringLiteral(" The system reports: %1.").arg(reason);
    return text;
}

QString SystemReason(int systemError, const QString& path) {
    if (systemError != 0)
        return ErrnoText(systemError);
    const QFileInfo info(path);
    if (info.isDir())
        return ErrnoText(EISDIR);
    if (info.exists()) {
        if (const int denied = WriteDenied(path))
            return ErrnoText(denied);
    }
    // The nearest folder that exists must take a new file (or a new folder).
    QString folder = info.absolutePath();
    while (!QFileInfo::exists(folder) && QFileInfo(folder).absolutePath() != folder)
        folder = QFileInfo(folder).absolutePath();
    if (!QFileInfo(folder).isDir())
        return ErrnoText(ENOTDIR);
    if (const int denied = WriteDenied(folder))
        return ErrnoText(denied);
    return {};
}

CFileError::CFileError(CArchiveException::ECause cause, const QString& path, int systemError)
    : std::runtime_error(std::string()), m_cause(cause),
      m_strPath(QFileInfo(path).absoluteFilePath()),
      m_strReason(cause == CArchiveException::Generic ? SystemReason(systemError, m_strPath)
                                                      : QString()),
      m_strMessage(FileErrorMessage(cause, m_strPath, m_strReason)) {
    SetMessage(m_strMessage);
}

void CFileError::SetMessage(const QString& message) {
    m_strMessage = message;
    static_cast<std::runtime_error&>(*this) = std::runtime_error(message.toStdString());
}

CChangedFileError::CChangedFileError(const QString& path)
    : CFileError(CArchiveException::BadFormat, path) {
    SetMessage(QStringLiteral("%1 was changed or damaged.").arg(m_strPath));
}

CSpecialFileError::CSpecialFileError(const QString& path)
    : CFileError(CArchiveException::Generic, path, ENXIO) {
    SetMessage(SpecialFileMessage(m_strPath));
}

CSettingsError::CSettingsError(const QString& path, bool checkChanged)
    : CFileError(CArchiveException::Generic, path), m_bCheckChanged(checkChanged) {
    if (checkChanged) {
        SetMessage(Message() + QStringLiteral(" Quillbox.dat itself is saved; the next start "
                                              "asks for its password if it needs one."));
        return;
    }
    QString text =
        QStringLiteral("The dock window's position could not be stored in %1.").arg(m_strPath);
    if (!m_strReason.isEmpty())
        text += QStringLiteral(" The system reports: %1.").arg(m_strReason);
    SetMessage(text);
}

void WriteTreeAs(QIODevice& device, const CSettings& settings, const CDataFileState& state,
                 CFolder& root, FillerSource filler) {
    if (state.m_pStrongKey)
        WriteStrongRecords(device, *state.m_pStrongKey, root);
    else
        WriteTreeRecords(device, settings.m_strPassword, root, std::move(filler));
}

EReadOutcome ReadTreeAs(QIODevice& device, const CSettings& settings, const CDataFileState& state,
                        CFolder& root) {
    if (DeviceFormat(device) != EDataFormat::Strong)
        return ReadTreeRecords(device, settings.m_strPassword, root);
    return state.m_pStrongKey &&
                   ReadStrongRecords(device, *state.m_pStrongKey, root) == EStrongOutcome::Loaded
               ? EReadOutcome::Loaded
               : EReadOutcome::OtherFormat;
}

QString DataFilePath(const QString& folder, const char* name) {
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    return QDir::cleanPath(dir.absoluteFilePath(QString::fromUtf8(name)));
}

bool OpenForReadingCreated(QFile& file) {
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, OWNER_ONLY) && !file.exists())
            return false;
        file.close();
    }
    return OpenRegularForReading(file);
}

QString SpecialFilesMessage(const CSettings& settings, const CDataFileState& state) {
    for (const QString& path :
         {DataFilePath(state.m_strFolder, DATA_FILE_NAME),
          DataFilePath(state.m_strFolder, FALLBACK_FILE_NAME), settings.StoreFileName()})
        if (!path.isEmpty() && IsSpecialFile(path))
            return SpecialFileMessage(path);
    return {};
}

void LoadSettings(CSettings& settings, CDataFileState& state) {
    state.m_dwStoredCheck = 0;
    if (!settings.Load())
        return;
    state.m_dwStoredCheck = settings.m_dwPasswordCheck;
    if (settings.m_dwPasswordCheck == 0)
        return;
    // A check value counts only while there is a data file to read with it.
    QFile file(DataFilePath(state.m_strFolder, DATA_FILE_NAME));
    if (!OpenForReadingCreated(file) || file.size() == 0)
        settings.m_dwPasswordCheck = 0;
}

EKeyFit DataFileKeyFits(const CDataFileState& state, std::string_view key) {
    QFile file(DataFilePath(state.m_strFolder, DATA_FILE_NAME));
    // Fewer bytes than the format number: loading reports the damage.
    if (!OpenRegularForReading(file) || file.size() < 8)
        return EKeyFit::NoData;
    if (DeviceFormat(file) == EDataFormat::Strong)
        return EKeyFit::Other;
    try {
        return OpensWithKey(file, key.substr(0, 8)) ? EKeyFit::Opens : EKeyFit::Other;
    } catch (const CArchiveException&) {
        return EKeyFit::NoData; // unreadable: loading will say so
    }
}

EPasswordNeed PasswordNeeded(CSettings& settings, const CDataFileState& state) {
    const EKeyFit fit = DataFileKeyFits(state, {});
    if (settings.m_dwPasswordCheck != 0 && fit != EKeyFit::Opens)
        return EPasswordNeed::Stored;
    if (fit == EKeyFit::Other)
        return EPasswordNeed::DataFile;
    if (settings.m_dwPasswordCheck != 0)
        settings.SetPassword({}); // stale: the file has no password
    return EPasswordNeed::None;
}

EDataFormat DataFileFormat(const CDataFileState& state) {
    QFile file(DataFilePath(state.m_strFolder, DATA_FILE_NAME));
    if (!OpenRegularForReading(file))
        return EDataFormat::Empty;
    return DeviceFormat(file);
}

std::shared_ptr<CStrongKey> StrongKeyThatOpens(const QString& folder, std::string_view typed) {
    std::shared_ptr<CStrongKey> key = CStrongKey::FromPassword(typed);
    QFile file(DataFilePath(folder, DATA_FILE_NAME));
    try {
        if (key && OpenRegularForReading(file) && StrongSealOpens(file, *key))
            return key;
    } catch (const CArchiveException&) {
        // unreadable: refused like a changed file; loading names the failure
    }
    return nullptr;
}

EPromptAnswer AnswerStrongPrompt(CSettings& settings, CDataFileState& state,
                                 std::shared_ptr<CStrongKey> key) {
    settings.m_strPassword.clear();
    if (!key)
        return EPromptAnswer::Refused;
    state.m_pStrongKey = std::move(key);
    return EPromptAnswer::Accepted;
}

EPromptAnswer AnswerPrompt(CSettings& settings, CDataFileState& state, std::string_view typed) {
    if (DataFileFormat(state) == EDataFormat::Strong)
        return AnswerStrongPrompt(settings, state, StrongKeyThatOpens(state.m_strFolder, typed));
    const bool matches = settings.VerifyPassword(typed) != 0;
    const EKeyFit fit = DataFileKeyFits(state, typed);
    if (fit == EKeyFit::Opens || (matches && fit == EKeyFit::NoData)) {
        settings.SetPassword(typed);
        return EPromptAnswer::Accepted;
    }
    settings.m_strPassword.clear();
    return matches ? EPromptAnswer::OtherKey : EPromptAnswer::Refused;
}

void SaveTree(CFolder& root, CSettings& settings, CDataFileState& state, FillerSource filler) {
    const QString dataPath = DataFilePath(state.m_strFolder, DATA_FILE_NAME);
    if (IsSpecialFile(dataPath))
        throw CSpecialFileError(dataPath);
    const bool isNew = !QFileInfo::exists(dataPath);
    QSaveFile file(dataPath);
    errno = 0; // what open leaves here is its own failure, not an older one
    if (!file.open(QIODevice::WriteOnly)) {
        const int err = errno;
        throw CFileError(FailureCause(file, err), dataPath, err);
    }
    // An existing file's mode carries over to the new one; a new file is
    // the owner's alone.
    if (isNew)
        file.setPermissions(OWNER_ONLY);
    try {
        WriteTreeAs(file, settings, state, root, std::move(filler));
    } catch (const CArchiveException& e) {
        file.cancelWriting();
        throw CFileError(e.m_cause, dataPath, e.m_nSystemError);
    }
    if (state.m_bKeepOldFile && QFileInfo(dataPath).size() > 0) {
        errno = 0;
        if (!KeepBackup(dataPath)) {
            const int err = errno;
            file.cancelWriting();
            throw CFileError(CArchiveException::Generic, FreeBackupName(dataPath), err);
        }
    }
    errno = 0;
    if (!file.commit()) {
        const int err = errno;
        throw CFileError(FailureCause(file, err), dataPath, err);
    }
    state.m_bKeepOldFile = false;
    state.m_bFileHoldsTree = true;
    if (state.m_pStrongKey)
        settings.m_dwPasswordCheck = 0; // nothing about a strong file's password is stored
    // Only now does the data file match the check value of this password. A
    // check value left unstored is repaired at the next start: the data file
    // decides, and its password is asked for.
    SaveSettings(settings, state);
}

void SaveSettings(CSettings& settings, CDataFileState& state) {
    if (settings.Changed() && !settings.Save())
        throw CSettingsError(settings.StoreFileName(),
                             settings.m_dwPasswordCheck != state.m_dwStoredCheck);
    state.m_dwStoredCheck = settings.m_dwPasswordCheck;
}
