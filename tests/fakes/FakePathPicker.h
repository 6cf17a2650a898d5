// SPDX-License-Identifier: MIT
#pragma once
// Answers the file dialogs in place of the user: the next answer is whatever
// the test put in m_answer (nothing means "cancelled"); m_prompts records the
// dialogs' titles.

#include "app/PathPicker.h"

#include <QString>
#include <QStringList>
#include <optional>

class CFakePathPicker final : public IPathPicker {
public:
    std::optional<QString> PickFileOrFolder(const QString& prompt) override {
        m_prompts << prompt;
        return m_answer;
    }
    std::optional<QString> PickOpenFile(QWidget*, const QString& title, const QString&,
                                        const QString&) override {
        return PickFileOrFolder(title);
    }
    std::optional<QString> PickSaveFile(QWidget*, const QString& title, const QString&,
                                        const QString&) override {
        return PickFileOrFolder(title);
    }
    std::optional<QString> m_answer;
    QStringList m_prompts;
};
