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
