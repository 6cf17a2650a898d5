// SPDX-License-Identifier: MIT
#include "edit/EditKeys.h"

#include "tree/Menu.h"
#include "tree/MenuResource.h"

namespace {

struct CKeyCommand {
    Qt::KeyboardModifiers m_modifiers;
    Qt::Key m_key;
    unsigned m_id;
};

const CKeyCommand KEYS[] = {
    {Qt::NoModifier, Qt::Key_Delete, ID_OP_DELETE},
    {Qt::NoModifier, Qt::Key_Insert, ID_OP_INSERT},
    {Qt::ControlModifier, Qt::Key_Up, ID_OP_UP},
    {Qt::ControlModifier, Qt::Key_Down, ID_OP_DOWN},
    {Qt::ControlModifier, Qt::Key_Left, ID_COLUMNS_UP},
    {Qt::ControlModifier, Qt::Key_Right, ID_COLUMNS_DOWN},
    {Qt::ControlModifier, Qt::Key_X, ID_OP_CUT},
    {Qt::ControlModifier, Qt::Key_C, ID_OP_COPY},
    {Qt::ControlModifier, Qt::Key_V, ID_OP_PASTE},
    {Qt::ShiftModifier, Qt::Key_Delete, ID_OP_CUT},
    {Qt::ControlModifier, Qt::Key_Insert, ID_OP_COPY},
    {Qt::ShiftModifier, Qt::Key_Insert, ID_OP_PASTE},
    {Qt::ControlModifier, Qt::Key_Z, ID_OP_UNDO},
    {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z, ID_OP_REDO},
    {Qt::ControlModifier, Qt::Key_Y, ID_OP_REDO},
};

} // namespace

void AppendEditCommands(CMenu& menu) {
    menu.AppendSeparator();
    menu.AppendCommand(ID_OP_CUT, "Cu&t\tCtrl+X");
    menu.AppendCommand(ID_OP_COPY, "&Copy\tCtrl+C");
    menu.AppendCommand(ID_OP_PASTE, "&Paste\tCtrl+V");
    menu.AppendCommand(ID_OP_SORT, "Sort by N&ame");
    menu.AppendCommand(ID_OP_UNDO, "U&ndo\tCtrl+Z");
    menu.AppendCommand(ID_OP_REDO, "R&edo\tCtrl+Y");
}

unsigned CommandForKey(QKeyCombination key) {
    // The keypad's keys count as the main ones (Insert, Delete, arrows).
    const Qt::KeyboardModifiers modifiers = key.keyboardModifiers() & ~Qt::KeypadModifier;
    for (const CKeyCommand& each : KEYS)
        if (each.m_key == key.key() && each.m_modifiers == modifiers)
            return each.m_id;
    return 0;
}
