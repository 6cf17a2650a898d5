// SPDX-License-Identifier: MIT
#pragma once
// The main window's address box.

#include "tree/AddressBox.h"

#include <QLineEdit>
#include <QString>
#include <string>

class CItem;

// The address box (control 1011). It shows the target of the entry a level
// displays, keeps that item, and enables itself together with Go and Select.
// Losing the focus is reported with KillFocus(); the window then commits the
// text to the current item.
class CAddressEdit final : public QLineEdit, public IAddressBox {
    Q_OBJECT
public:
    explicit CAddressEdit(QWidget* parent);

    void SetCurrentItem(CItem* item) override { m_pCurrentItem = item; }
    CItem* GetCurrentItem() const override { return m_pCurrentItem; }
    // The box itself, then the parent's Go (2005) and Select (2035) buttons.
    void EnableWithButtons(bool enable) override;
    void SetText(const std::string& text) override;

    // The bytes to store for the text now in the box: the bytes last given to
    // SetText while the text is unchanged (so a target that is not UTF-8 is
    // kept as it is), otherwise the text as UTF-8.
    std::string GetTargetBytes() const;

signals:
    void KillFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    CItem* m_pCurrentItem = nullptr;
    std::string m_strShownBytes;
    QString m_strShownText;
};
