// SPDX-License-Identifier: MIT
#include "app/PathPicker.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>

namespace {

// Folder mode with files shown: the stock dialog accepts only a folder there,
// so a file that is selected (or double-clicked) is accepted here instead.
class CFileOrFolderDialog final : public QFileDialog {
public:
    explicit CFileOrFolderDialog(const QString& caption) : QFileDialog(nullptr, caption) {
        setOption(QFileDialog::DontUseNativeDialog, true);
        setOption(QFileDialog::ShowDirsOnly, false);
        setFileMode(QFileDialog::Directory);
        setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    }

    QString Chosen() const { return m_chosen; }

    void accept() override {
        const QStringList files = selectedFiles();
        if (files.size() == 1 && QFileInfo(files.first()).isFile()) {
            m_chosen = files.first();
            // Past the file dialog's own accept, which would refuse a file
            // chosen in folder mode.
            QDialog::accept(); // NOLINT(bugprone-parent-virtual-call)
            return;
        }
        QFileDialog::accept();
        if (result() == QDialog::Accepted && m_chosen.isEmpty() && !selectedFiles().isEmpty())
            m_chosen = selectedFiles().first();
    }

private:
    QString m_chosen;
};

} // namespace

std::optional<QString> CFileDialogPicker::PickFileOrFolder(const QString& prompt) {
    CFileOrFolderDialog dialog(prompt);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen().isEmpty())
        return std::nullopt;
    return dialog.Chosen();
}

namespace {

std::optional<QString> Chosen(const QString& path) {
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

} // namespace

std::optional<QString> CFileDialogPicker::PickOpenFile(QWidget* parent, const QString& title,
                                                       const QString& folder,
                                                       const QString& filter) {
    return Chosen(QFileDialog::getOpenFileName(parent, title, folder, filter, nullptr,
                                               QFileDialog::DontUseNativeDialog));
}

namespace {

// The suffixes a filter offers ("HTML files (*.html *.htm)": html, htm).
QStringList Suffixes(const QString& filter) {
    QStringList suffixes;
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    for (auto it = pattern.globalMatch(filter); it.hasNext();)
        suffixes << it.next().captured(1);
    return suffixes;
}

} // namespace

// The file type chosen is the format: choosing another type gives the name
// typed so far that type's suffix, and a name without one gets it.
std::optional<QString> CFileDialogPicker::PickSaveFile(QWidget* parent, const QString& title,
                                                       const QString& suggested,
                                                       const QString& filter) {
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(suggested);
    const QStringList filters = filter.split(QStringLiteral(";;"));
    const auto choose = [&dialog, filters](const QString& chosen) {
        const QStringList suffixes = Suffixes(chosen);
        dialog.setDefaultSuffix(suffixes.value(0));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name || suffixes.isEmpty())
            return;
        const QString typed = name->text();
        const QString suffix = QFileInfo(typed).suffix();
        if (suffix.isEmpty() || suffixes.contains(suffix, Qt::CaseInsensitive))
            return;
        // Only a suffix of another type offered is swapped, not any dot.
        for (const QString& other : filters)
            if (Suffixes(other).contains(suffix, Qt::CaseInsensitive)) {
                name->setText(typed.left(typed.size() - suffix.size()) + suffixes.first());
                return;
            }
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, choose);
    choose(filters.value(0));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return Chosen(dialog.selectedFiles().constFirst());
}
