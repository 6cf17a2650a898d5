// SPDX-License-Identifier: MIT
#include "store/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

bool MakePrivateFolder(const QString& path) {
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    // From the outermost missing folder inwards.
    QStringList missing;
    for (QString at = absolute; !QFileInfo::exists(at) && at != QDir::rootPath();
         at = QFileInfo(at).absolutePath())
        missing.prepend(at);
    for (const QString& folder : missing)
        if (::mkdir(QFile::encodeName(folder).constData(), S_IRWXU) != 0 && errno != EEXIST)
            return false;
    struct stat info {};
    if (::lstat(QFile::encodeName(absolute).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0 && info.st_uid == ::geteuid())
        return ::chmod(QFile::encodeName(absolute).constData(), S_IRWXU) == 0;
    return true;
}
