// SPDX-License-Identifier: MIT
#pragma once
// Records the messages the code would have shown, of every kind, and
// answers each at once (a question as m_bAnswer says).

#include "app/MessageBox.h"

#include <QStringList>

class CFakeMessageBox final : public IMessageBox {
public:
    void Error(QWidget*, const QString&, const QString& text) override { m_messages << text; }
    void Warning(QWidget*, const QString&, const QString& text) override { m_messages << text; }
    void Information(QWidget*, const QString&, const QString& text) override { m_messages << text; }
    // Answers each question with m_bAnswer.
    bool Question(QWidget*, const QString&, const QString& text) override {
        m_messages << text;
        return m_bAnswer;
    }

    QStringList m_messages;
    bool m_bAnswer = true;
};
