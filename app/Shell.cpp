// SPDX-License-Identifier: MIT
#include "app/Shell.h"

#include "edit/ItemMime.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <unistd.h>

void CDesktopShell::Open(const QString& target) {
    const QUrl url = UrlFor(target);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

bool CDesktopShell::HasHandlerFor(const QString& mimeType) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

QUrl CDesktopShell::UrlFor(const QString& target) {
    if (target.left(4).toLower() == QLatin1String("www."))
        return QUrl(QStringLiteral("http://") + target, QUrl::TolerantMode);
    // A scheme needs two letters at least, so that a drive letter stays a path.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(target).hasMatch())
        return QUrl(target, QUrl::TolerantMode);
    const QString path = QFileInfo(target).absoluteFilePath();
    // A stored path whose bytes are not UTF-8 comes here as Latin-1 text
    // (one character a byte): when no file has the UTF-8 name but one has
    // those bytes, it is the one stored, and its own bytes go to the desktop.
    const QByteArray latin1 = path.toLatin1();
    if (!QFileInfo::exists(path) && QString::fromLatin1(latin1) == path &&
        ::access(latin1.constData(), F_OK) == 0)
        return LocalFileUrl(latin1);
    return QUrl::fromLocalFile(path);
}

void OpenTarget(IShell& shell, const QString& text) {
    if (text.isEmpty())
        return;
    const auto startsWith = [&text](QLatin1String prefix) {
        return text.left(prefix.size()).toLower() == prefix;
    };
    if (startsWith(QLatin1String("http://")) || startsWith(QLatin1String("www.")) ||
        startsWith(QLatin1String("https://")))
        shell.Open(QString::fromLatin1(BLANK_PAGE));
    shell.Open(text);
}

QString HelpFolderFor(const QString& programFolder) {
    const QDir program(programFolder);
    if (!program.exists(QLatin1String(HELP_FILE_NAME))) {
        const QString installed = program.absoluteFilePath(QStringLiteral("../share/quillbox"));
        if (QDir(installed).exists(QLatin1String(HELP_FILE_NAME)))
            return QDir::cleanPath(installed);
    }
    return program.absolutePath();
}

QString HelpFilePath() {
    return HelpFolderFor(QCoreApplication::applicationDirPath()) + QLatin1Char('/') +
           QLatin1String(HELP_FILE_NAME);
}

QString HelpTarget(IShell& shell, const QString& programFolder) {
    const QString folder = HelpFolderFor(
        programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder);
    QString pages = folder + QLatin1Char('/') + QLatin1String(HELP_PAGES);
    if (!shell.HasHandlerFor(QLatin1String(HELP_FILE_TYPE)) && QFileInfo::exists(pages))
        return pages;
    return folder + QLatin1Char('/') + QLatin1String(HELP_FILE_NAME);
}
