// SPDX-License-Identifier: MIT
#pragma once
// Records what the program asked the desktop to open, in order, and answers
// whether it has a program for a type.

#include "app/Shell.h"

#include <QString>
#include <QStringList>

class CFakeShell final : public IShell {
public:
    void Open(const QString& target) override { m_opened << target; }
    bool HasHandlerFor(const QString& mimeType) override {
        m_asked << mimeType;
        return m_bHasHandler;
    }
    QStringList m_opened;
    QStringList m_asked;       // the types asked about
    bool m_bHasHandler = true; // the answer to every type
};
