// SPDX-License-Identifier: MIT
#include "skin/MenuRenderer.h"

#include "text/TextCodec.h"
#include "tree/Menu.h"

#include <QAction>
#include <QMultiHash>

namespace {

const char* const ID_PROPERTY = "qbCommandId";

} // namespace

CMenuView::CMenuView(const CMenu* model, QWidget* parent) : QMenu(parent), m_pModel(model) {
    // Every separator of the model is drawn, also at the top or next to another.
    setSeparatorsCollapsible(false);
    connect(this, &QMenu::aboutToShow, this, &CMenuView::Rebuild);
    // QMenu passes a sub-menu's triggered action up to the menus above it.
    connect(this, &QMenu::triggered, this, [this](QAction* action) {
        if (const unsigned id = CommandId(action))
            if (!qobject_cast<CMenuView*>(parentWidget()))
                emit CommandChosen(id);
    });
}

void CMenuView::Rebuild() {
    // Sub-menu views are kept across showings, one per sub-menu model still
    // listed; those whose model left the menu go.
    QMultiHash<const CMenu*, CMenuView*> kept;
    for (CMenuView* sub : findChildren<CMenuView*>(QString(), Qt::FindDirectChildrenOnly))
        kept.insert(sub->GetModel(), sub);
    clear();
    const int count = m_pModel ? m_pModel->GetMenuItemCount() : 0;
    for (int i = 0; i < count; ++i) {
        const CMenu::CMenuItem* item = m_pModel->GetItem(i);
        switch (item->m_kind) {
        case CMenu::EKind::Separator:
            addSeparator();
            break;
        case CMenu::EKind::Command: {
            QAction* action = addAction(TextFromBytes(item->m_text));
            action->setProperty(ID_PROPERTY, item->m_id);
            break;
        }
        case CMenu::EKind::Popup: {
            CMenuView* sub = kept.take(item->m_popup);
            if (!sub)
                sub = new CMenuView(item->m_popup, this);
            sub->setTitle(TextFromBytes(item->m_text));
            addMenu(sub);
            break;
        }
        }
    }
    qDeleteAll(kept);
}

unsigned CMenuView::CommandId(const QAction* action) {
    return action ? action->property(ID_PROPERTY).toUInt() : 0;
}

unsigned TrackPopupMenu(const CMenu& model, const QPoint& globalPos, QWidget* parent) {
    CMenuView view(&model, parent);
    return CMenuView::CommandId(view.exec(globalPos));
}
