// SPDX-License-Identifier: MIT
#pragma once
// The quick-find palette: a small frameless pop-up in the skin's leather and
// paper that finds folders and entries anywhere in the tree as the user types
// (tree/TreeSearch.h says what matches and in which order). One text field,
// the first SHOWN_LIMIT matches under it, and a line that says how many there
// are in all. Each row shows the name, the folders that hold it (dimmed) and
// the target, the typed words marked.
//
// Keys, all in the text field: Up, Down, Page Up and Page Down choose a row;
// Enter opens the chosen entry (m_onOpen) or reveals the chosen folder;
// Ctrl+Enter, and the button at a row's right end, reveal it (m_onReveal);
// Escape closes the palette, and the focus goes back where it was. A double
// click on a row is Enter. The palette closes before it reports a choice.
//
// The tree is indexed when the palette opens, and again at the next key when
// the tree has announced a change meanwhile. Whoever opens the palette keeps
// the tree alive until it has closed (CloseAll closes it before the tree
// ends). An item is handed out only when its rows still lead to it.

#include "tree/TreeSearch.h"

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class CItem;
class CFindModel;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;

class CFindPalette final : public QWidget {
    Q_OBJECT
public:
    static constexpr int SHOWN_LIMIT = 300;

    // top is not owned.
    CFindPalette(const CItem* top, QWidget* parent);
    ~CFindPalette() override;

    // Indexes the tree, places the palette with its top-left corner at
    // globalPos (kept on that screen), shows it with text in the field
    // (searched at once) and gives the field the focus. The palette deletes
    // itself when it closes.
    void Open(const QPoint& globalPos, const QString& text = QString());

    // Closes every open palette below parent (a window about to change or end
    // its tree).
    static void CloseAll(QWidget* parent);

    // The entry's target, as stored.
    std::function<void(const std::string& target)> m_onOpen;
    // The rows from the top folder down to the item (CTreeSearch::GetRows).
    std::function<void(const std::vector<int>& rows)> m_onReveal;

    QLineEdit* GetEdit() const { return m_pEdit; }
    QListView* GetList() const { return m_pList; }
    QString GetStatus() const;
    // The rectangle of the reveal button of a row, in the list's viewport.
    QRect RevealButtonRect(int row) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Search(const QString& text);
    void Move(int rows);
    void Activate(int row, bool reveal);

    const CItem* m_pTop;
    CTreeSearch m_search;
    CFindModel* m_pModel = nullptr;
    QLineEdit* m_pEdit = nullptr;
    QListView* m_pList = nullptr;
    QLabel* m_pStatus = nullptr;
    std::size_t m_nTotal = 0;
};
