// SPDX-License-Identifier: MIT
// The main window's side of the quick-find palette and the dock window:
// opening them, and showing an item they found in the columns.

#include "app/MainDialog.h"
#include "app/Shell.h"
#include "skin/BookmarkListCtrl.h"
#include "skin/DockDialog.h"
#include "skin/FindPalette.h"
#include "store/Settings.h"
#include "text/TextCodec.h"
#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/SelectPath.h"
#include "tree/TreeState.h"

void CMainDialog::ShowFindPalette() {
    if (!m_pTopFolder)
        return;
    for (CDockDialog* dock : findChildren<CDockDialog*>())
        if (dock->isVisible()) {
            dock->OpenFindPalette(QString());
            return;
        }
    if (isMinimized() || !isVisible())
        showNormal();
    raise();
    activateWindow();
    auto* palette = new CFindPalette(m_pTopFolder.get(), this);
    palette->m_onOpen = [this](const std::string& target) {
        OpenTarget(m_shell, TextFromBytes(target));
    };
    palette->m_onReveal = [this](const std::vector<int>& rows) { RevealPath(rows); };
    // Over the columns, below the title.
    palette->Open(mapToGlobal(QPoint((width() - palette->width()) / 2, 40)));
}

void CMainDialog::RevealPath(const std::vector<int>& rows) {
    if (!m_pTopFolder)
        return;
    if (m_lists[0]->isHidden())
        ShowMainPanel();
    CItemObserver* leftmost = SelectPath(*m_pTopFolder, rows);
    if (!leftmost || !BindColumns(leftmost))
        return;
    // The column that lists the item: the level of its folder's depth.
    CItemObserver* listing = g_pFirstLevel;
    for (std::size_t depth = 1; depth < rows.size() && listing; ++depth)
        listing = listing->GetNextLevel();
    for (CBookmarkListCtrl* list : m_lists)
        if (list->GetObserver() == listing) {
            SetActiveList(list);
            list->setFocus(Qt::OtherFocusReason);
        }
}

void CMainDialog::OnDock() {
    if (!m_pTopFolder)
        return;
    hide();
    int result = CDockDialog::RESULT_RETURN;
    std::vector<int> reveal;
    {
        CDockDialog dock(
            m_pTopFolder.get(), m_pContentMenu.get(),
            [this](const std::string& target) { OpenTarget(m_shell, TextFromBytes(target)); },
            m_settings.m_nDockX, m_settings.m_nDockY, this);
        dock.SetLockOffer([this] { return CanLock(); }, [this] { Lock(); });
        result = dock.exec();
        m_settings.m_nDockX = dock.GetDockX();
        m_settings.m_nDockY = dock.GetDockY();
        reveal = dock.GetRevealRows();
    }
    showNormal();
    if (result == CDockDialog::RESULT_RETURN && !reveal.empty())
        RevealPath(reveal);
    // The dock window's Close is the main window's close command.
    if (result == CDockDialog::RESULT_CLOSE)
        PostCommand(CmdClose);
}
