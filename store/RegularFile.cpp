// SPDX-License-Identifier: MIT
#include "store/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsSpecial(mode_t mode) {
    return S_ISFIFO(mode) || S_ISCHR(mode) || S_ISBLK(mode) || S_ISSOCK(mode);
}

} // namespace

bool IsSpecialFile(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && IsSpecial(info.st_mode);
}

bool OpenRegularForReading(QFile& file) {
    // O_NONBLOCK: opening a pipe returns at once instead of waiting for a
    // writer; fstat then tells what was opened.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool special = IsSpecial(info.st_mode);
        ::close(fd);
        errno = special ? ENXIO : EISDIR;
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

QString SpecialFileMessage(const QString& path) {
    struct stat info {};
    const bool known = ::stat(QFile::encodeName(path).constData(), &info) == 0;
    const QString kind = !known || S_ISREG(info.st_mode) ? QStringLiteral("something else")
                         : S_ISFIFO(info.st_mode)        ? QStringLiteral("a pipe")
                         : S_ISSOCK(info.st_mode)        ? QStringLiteral("a socket")
                         : S_ISDIR(info.st_mode)         ? QStringLiteral("a folder")
                                                         : QStringLiteral("a device");
    return QStringLiteral("%1 is %2, not a regular file. Quillbox reads and writes regular files "
                          "only: move it away and start Quillbox again.")
        .arg(QFileInfo(path).absoluteFilePath(), kind);
}
