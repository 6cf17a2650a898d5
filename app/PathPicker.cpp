#include "app/PathPicker.h"

#include <QFileDialog>
#include <QFileInfo>

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

std::optional<QString> CFileDialogPicker::PickSaveFile(QWidget* parent, const QString& title,
                                                       const QString& suggested,
                                                       const QString& filter) {
    return Chosen(QFileDialog::getSaveFileName(parent, title, suggested, filter, nullptr,
                                               QFileDialog::DontUseNativeDialog));
}
