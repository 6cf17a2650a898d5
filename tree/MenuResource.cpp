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
        const CMenu::Item& item = *content.GetItem(i);
        switch (item.kind) {
        case CMenu::Kind::Separator:
            menu->AppendSeparator();
            break;
        case CMenu::Kind::Command:
            menu->AppendCommand(item.id, item.text);
            break;
        case CMenu::Kind::Popup:
            menu->AppendPopup(item.popup, item.text);
            break;
        }
    }
    menu->AppendCommand(ID_CONTENT_LOCK, "&Lock");
    return menu;
}
