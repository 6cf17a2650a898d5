// SPDX-License-Identifier: MIT
#include "sync/ConflictCopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sys/stat.h>

namespace {

bool IsRegularFile(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

bool IsConflictCopyName(const QString& fileName, const QString& dataFileName) {
    const QFileInfo data(dataFileName);
    const QString stem = QRegularExpression::escape(data.completeBaseName());
    const QString suffix = QRegularExpression::escape(QLatin1Char('.') + data.suffix());
    const QString patterns[] = {
        // Syncthing
        stem + QStringLiteral("\\.sync-conflict-\\d{8}-\\d{6}-[A-Z0-9]{7}") + suffix,
        // Nextcloud, ownCloud
        stem + QStringLiteral(" \\(conflicted copy \\d{4}-\\d{2}-\\d{2} \\d{6}\\)") + suffix,
        // Dropbox (a second one of a day gets " (1)" and so on)
        stem +
            QStringLiteral(
                " \\([^()/]+'s conflicted copy \\d{4}-\\d{2}-\\d{2}(?: \\(\\d+\\))?\\)") +
            suffix,
    };
    for (const QString& pattern : patterns)
        if (QRegularExpression(QRegularExpression::anchoredPattern(pattern))
                .match(fileName)
                .hasMatch())
            return true;
    return false;
}

QStringList FindConflictCopies(const QString& folder, const QString& dataFileName) {
    QStringList copies;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        if (IsConflictCopyName(name, dataFileName) && IsRegularFile(dir.filePath(name)))
            copies << QFileInfo(dir.filePath(name)).absoluteFilePath();
    return copies;
}

bool MarkConflictCopyMerged(const QString& path, QString* error) {
    if (!IsRegularFile(path)) {
        *error = QStringLiteral("%1 is not a regular file; it was left as it is.").arg(path);
        return false;
    }
    QString target = path + QStringLiteral(".merged");
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = path + QStringLiteral(".merged%1").arg(n);
    if (!QFile::rename(path, target)) {
        *error = QStringLiteral("Cannot rename %1 to %2.").arg(path, target);
        return false;
    }
    return true;
}
