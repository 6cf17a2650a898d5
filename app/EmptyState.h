// SPDX-License-Identifier: MIT
#pragma once
// What the first column shows while the collection is empty (a first start,
// or everything deleted): one line on what Quillbox keeps, a button for each
// browser profile found with its bookmark count as it arrives ("Import from
// Firefox (1,234)"), one for a bookmark file, and the key that adds a first
// entry. It goes away with the first row and comes back when the last goes.
//
// It lies over the list's viewport and takes nothing from it: the lines let
// every click through, and no part of it takes the keyboard focus, so the
// column's own keys (Insert, the menu) and its clicks work as ever; only the
// buttons take their own clicks.

#include <QList>
#include <QObject>
#include <functional>

class CBookmarkListCtrl;
class CWindowExchange;
class QLabel;
class QPushButton;
class QWidget;

class CEmptyState final : public QObject {
    Q_OBJECT
public:
    // list: the first column; isEmpty: whether the collection (a loaded
    // tree) is empty now; the buttons import through exchange.
    CEmptyState(CBookmarkListCtrl* list, CWindowExchange& exchange, std::function<bool()> isEmpty);
    ~CEmptyState() override;

    // Shown or hidden as the list and the collection are now.
    void Update();
    bool IsShown() const;
    // The button of each profile offered, in order (for the tests).
    QList<QPushButton*> ProfileButtons() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QWidget*> Parts() const;
    void Refresh();
    void Layout();

    CBookmarkListCtrl* m_pList;
    CWindowExchange& m_exchange;
    std::function<bool()> m_isEmpty;
    QLabel* m_pIntro = nullptr;
    QLabel* m_pKeyHint = nullptr;
    QPushButton* m_pFile = nullptr;
    QList<QPushButton*> m_profiles; // one per profile found, hidden when unreadable
    bool m_bShown = false;
};
