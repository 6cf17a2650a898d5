#pragma once
// Records the messages the code would have shown, of every kind, and
// answers each at once.

#include "app/MessageBox.h"

#include <QStringList>

class CFakeMessageBox final : public IMessageBox {
public:
    void Error(QWidget*, const QString&, const QString& text) override { m_messages << text; }
    void Warning(QWidget*, const QString&, const QString& text) override { m_messages << text; }
    void Information(QWidget*, const QString&, const QString& text) override { m_messages << text; }

    QStringList m_messages;
};
