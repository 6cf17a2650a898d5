#pragma once
// Answers the file-or-folder dialog in place of the user: the next answer is
// whatever the test put in m_answer (nothing means "cancelled").

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
    std::optional<QString> m_answer;
    QStringList m_prompts;
};
