// SPDX-License-Identifier: MIT
#include "skin/BitmapResource.h"

#include <QDir>
#include <QHash>

namespace {

// Lower-cased bitmap name -> resource path, read once from the embedded folder.
const QHash<QString, QString>& BitmapIndex() {
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> map;
        const QDir dir(QStringLiteral(":/bitmaps"));
        for (const QString& file : dir.entryList(
                 {QStringLiteral("*.bmp"), QStringLiteral("*.BMP"), QStringLiteral("*@2x.png")},
                 QDir::Files)) {
            const QString name = file.left(file.size() - 4).toLower();
            map.insert(name, dir.filePath(file));
        }
        return map;
    }();
    return index;
}

} // namespace

QImage LoadBitmapResource(const QString& strName) {
    const auto it = BitmapIndex().constFind(strName.toLower());
    if (strName.isEmpty() || it == BitmapIndex().constEnd())
        return {};
    QImage image(it.value());
    if (image.isNull())
        return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage LoadLargeBitmapResource(const QString& strName) {
    if (strName.isEmpty())
        return {};
    QImage image = LoadBitmapResource(strName + QStringLiteral("@2x"));
    image.setDevicePixelRatio(2);
    return image;
}

QIcon LoadProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral(":/icons/quillbox-%1.png").arg(size);
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
    }
    return icon;
}
