// SPDX-License-Identifier: MIT
#include "sync/MergeHistory.h"

#include "store/PrivateFolder.h"
#include "store/RegularFile.h"
#include "sync/PlainTree.h"
#include "tree/Archive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>

CMergeHistory::CMergeHistory(const QString& stateFolder, const QString& dataFilePath, int keep)
    : m_nKeep(keep > 0 ? keep : 1) {
    // One folder per data file: the hash of its absolute path.
    const QFileInfo info(dataFilePath);
    const QString path =
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QByteArray key =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    m_strFolder = QDir(stateFolder).filePath(QString::fromLatin1(key));
}

QString CMergeHistory::DefaultStateFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            return {};
        base = home + QStringLiteral("/.local/state");
    }
    return QDir(base).filePath(QStringLiteral("Quillbox"));
}

QStringList CMergeHistory::Files() const {
    QStringList names =
        QDir(m_strFolder).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name);
    QStringList paths;
    for (const QString& name : names)
        paths << QDir(m_strFolder).filePath(name);
    return paths;
}

bool CMergeHistory::Record(const CPlainItem& tree, const CPlainCodec& codec, QString* error) {
    const auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    if (!MakePrivateFolder(QFileInfo(m_strFolder).path()) || !MakePrivateFolder(m_strFolder))
        return fail(QStringLiteral("Cannot make the folder %1.").arg(m_strFolder));
    const QStringList files = Files();
    qulonglong number = 1;
    if (!files.isEmpty()) {
        number = QFileInfo(files.constLast()).baseName().toULongLong() + 1;
        QFile newest(files.constLast());
        CPlainItem last;
        if (OpenRegularForReading(newest) && codec.m_read(newest, &last) && last == tree)
            return true;
    }
    const QString path =
        QDir(m_strFolder).filePath(QStringLiteral("%1.dat").arg(number, 12, 10, QLatin1Char('0')));
    // Made for the owner alone from the first byte, then put in place whole.
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    QFile file(part);
    bool written =
        file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner);
    try {
        if (written)
            codec.m_write(file, tree);
    } catch (const CArchiveException&) {
        written = false;
    }
    written = written && file.flush();
    file.close();
    if (!written || !QFile::rename(part, path)) {
        QFile::remove(part);
        return fail(QStringLiteral("Cannot write %1.").arg(path));
    }
    QStringList all = Files();
    while (all.size() > m_nKeep)
        QFile::remove(all.takeFirst());
    return true;
}

std::vector<CPlainItem> CMergeHistory::Trees(const CPlainCodec& codec) const {
    std::vector<CPlainItem> trees;
    const QStringList files = Files();
    for (auto it = files.crbegin(); it != files.crend(); ++it) {
        QFile file(*it);
        CPlainItem tree;
        if (OpenRegularForReading(file) && codec.m_read(file, &tree))
            trees.push_back(std::move(tree));
    }
    return trees;
}

CPlainItem CMergeHistory::ChooseBase(const CPlainItem& arriving, const CPlainCodec& codec) const {
    return ClosestTree(Trees(codec), arriving);
}

CPlainItem ClosestTree(const std::vector<CPlainItem>& candidates, const CPlainItem& arriving) {
    const CPlainItem* best = nullptr;
    std::size_t fewest = std::numeric_limits<std::size_t>::max();
    for (const CPlainItem& each : candidates) {
        const std::size_t differences = CountDifferences(each, arriving);
        if (differences < fewest) { // the newest wins a tie
            fewest = differences;
            best = &each;
        }
    }
    return best ? *best : EmptyPlainTree();
}
