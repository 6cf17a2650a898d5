// SPDX-License-Identifier: MIT
#include "app/MessageBox.h"

#include <QMessageBox>

namespace {

class CDesktopMessageBox final : public IMessageBox {
public:
    void Error(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox::critical(parent, title, text);
    }
    void Warning(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox::warning(parent, title, text);
    }
    void Information(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox::information(parent, title, text);
    }
    bool Question(QWidget* parent, const QString& title, const QString& text) override {
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    }
};

} // namespace

IMessageBox& DesktopMessageBox() {
    static CDesktopMessageBox box;
    return box;
}
