// SPDX-License-Identifier: MIT
#pragma once
// Shows a menu of the tree's menu model (tree/Menu.h) as a Qt pop-up menu.
// A CMenuView reads its model each time it is about to show, and a sub-menu
// item gets a CMenuView of its own that reads its model only when it opens,
// so showing the top of a large cascade builds the top level alone.
// Commands carry their numeric id; the chosen one comes back from
// TrackPopupMenu or as CommandChosen from the top-level view.

#include <QMenu>

class CMenu;

class CMenuView final : public QMenu {
    Q_OBJECT
public:
    // model is not owned and must outlive the view while it is shown.
    explicit CMenuView(const CMenu* model, QWidget* parent = nullptr);

    const CMenu* GetModel() const { return m_pModel; }
    // Builds the actions of the model's items now (also done on aboutToShow).
    void Rebuild();

    // The command id an action stands for; 0 for separators and sub-menus.
    static unsigned CommandId(const QAction* action);

signals:
    // A command of this menu or of any sub-menu below it was chosen.
    void CommandChosen(unsigned id);

private:
    const CMenu* m_pModel;
};

// Opens model at globalPos and waits until the user chooses or dismisses it.
// Returns the chosen command id, 0 when nothing was chosen.
unsigned TrackPopupMenu(const CMenu& model, const QPoint& globalPos, QWidget* parent);
