#pragma once
// Records what the program asked the desktop to open, in order.

#include "app/Shell.h"

#include <QString>
#include <QStringList>

class CFakeShell final : public IShell {
public:
    void Open(const QString& target) override { m_opened << target; }
    QStringList m_opened;
};
