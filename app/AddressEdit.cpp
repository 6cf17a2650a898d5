// SPDX-License-Identifier: MIT
#include "app/AddressEdit.h"

#include "text/TextCodec.h"

#include <QFocusEvent>
#include <limits>

CAddressEdit::CAddressEdit(QWidget* parent) : QLineEdit(parent) {
    // A line edit keeps 32767 characters by default; a longer target would be
    // cut where it shows and cut again when the box hands it back.
    setMaxLength(std::numeric_limits<int>::max());
}

void CAddressEdit::EnableWithButtons(bool enable) {
    setEnabled(enable);
    if (QWidget* parent = parentWidget()) {
        if (auto* go =
                parent->findChild<QWidget*>(QStringLiteral("BtnGo"), Qt::FindDirectChildrenOnly))
            go->setEnabled(enable);
        if (auto* select = parent->findChild<QWidget*>(QStringLiteral("BtnSelect"),
                                                       Qt::FindDirectChildrenOnly))
            select->setEnabled(enable);
    }
}

void CAddressEdit::SetText(const std::string& text) {
    m_strShownBytes = text;
    m_strShownText = TextFromBytes(text);
    setText(m_strShownText);
    setCursorPosition(0); // show the start of a long address, not its end
}

std::string CAddressEdit::GetTargetBytes() const {
    const QString now = text();
    return now == m_strShownText ? m_strShownBytes : BytesFromText(now);
}

void CAddressEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit KillFocus();
}
