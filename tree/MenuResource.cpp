// SPDX-License-Identifier: MIT
#include "tree/MenuResource.h"

std::unique_ptr<CMenu> MakeEditMenu() {
    auto menu = std::make_unique<CMenu>();
    menu->CreateMenu();
    menu->AppendCommand(ID_OP_INSERT, "&Insert");
    menu->AppendCommand(ID_OP_INSERTSEP, "Insert &Separetor");
    menu->AppendCommand(ID_OP_DELETE, "&Delete");
    menu->AppendCommand(ID_OP_RENAME, "&Rename");
    menu->AppendSeparator();
    menu->AppendCommand(ID_OP_UP, "&Up");
    menu->AppendCommand(ID_OP_DOWN, "D&own");
    return menu;
}

std::unique_ptr<CMenu> MakeContentMenu() {
    auto menu = std::make_unique<CMenu>();
    menu->CreateMenu();
    menu->AppendSeparator();
    menu->AppendCommand(ID_CONTENT_RETURNMAIN, "&Return Main");
    menu->AppendCommand(ID_CONTENT_CLOSE, "&Close");
    return menu;
}

std::unique_ptr<CMenu> WithLockItem(const CMenu& content) {
    auto menu = std::make_unique<CMenu>();
    menu->CreateMenu();
    for (int i = 0; i < content.GetMenuItemCount(); ++i) {
        const CMenu::CMenuItem& item = *content.GetItem(i);
        switch (item.m_kind) {
        case CMenu::EKind::Separator:
            menu->AppendSeparator();
            break;
        case CMenu::EKind::Command:
            menu->AppendCommand(item.m_id, item.m_text);
            break;
        case CMenu::EKind::Popup:
            menu->AppendPopup(item.m_popup, item.m_text);
            break;
        }
    }
    menu->AppendCommand(ID_CONTENT_LOCK, "&Lock");
    return menu;
}
