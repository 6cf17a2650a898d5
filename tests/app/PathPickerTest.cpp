// SPDX-License-Identifier: MIT
// The browse dialog lets the user choose a file as well as a folder.

#include "app/PathPicker.h"

#include "fakes/QtPrint.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QFileDialog* OpenDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

// Answers the dialog once it is shown: selects path and accepts, or rejects.
std::optional<QString> Pick(const QString& folder, const QString& path, bool accept) {
    QString title;
    QTimer::singleShot(0, [&] {
        QFileDialog* dialog = OpenDialog();
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        dialog->setDirectory(folder);
        if (!path.isEmpty())
            dialog->selectFile(path);
        if (accept)
            static_cast<QDialog*>(dialog)->accept();
        else
            dialog->reject();
    });
    CFileDialogPicker picker;
    auto chosen = picker.PickFileOrFolder(QString::fromLatin1(BROWSE_PROMPT));
    EXPECT_EQ(title, QStringLiteral("please select a directory or file:"));
    return chosen;
}

TEST(PathPicker, ChoosesAFileAFolderOrNothing) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    QFile file(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    EXPECT_EQ(Pick(dir.path(), dir.filePath(QStringLiteral("notes.txt")), true),
              std::optional<QString>(dir.filePath(QStringLiteral("notes.txt"))));
    EXPECT_EQ(Pick(dir.path(), dir.filePath(QStringLiteral("sub")), true),
              std::optional<QString>(dir.filePath(QStringLiteral("sub"))));
    EXPECT_EQ(Pick(dir.path(), QString(), false), std::nullopt);
}

} // namespace
