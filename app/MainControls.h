// SPDX-License-Identifier: MIT
#pragma once
// The controls of the main window, one row each: identifier, role name, kind,
// place, what each of the four panels does to it, and the texts it offers to
// the user and to assistive tools. The window creates, names, places and
// switches its controls from this table; the art tool draws a bitmap of the
// row's size for each bitmap button and label, and checks that no two pieces
// shown in the same panel claim the same pixel; the tests check the window
// against it. Plain data without Qt, so the art tool can read it without the
// widgets.
//
// Adding a control is one row (in increasing order of identifier, which is
// also the order of creation and so of keyboard focus), a command in
// CMainDialog::OnCommand if it is a button, and a drawing in the art tool if
// it has a bitmap.

#include <cstddef>
#include <iterator>

// Control identifiers.
enum : int {
    IDC_DEFAULT = 1000,
    IDC_LIST1 = 1001,
    IDC_LIST2 = 1002,
    IDC_LIST3 = 1003,
    IDC_USEPASSWD = 1004,
    IDC_NEWPASSWD = 1005,
    IDC_CONFIRM = 1006,
    IDC_PROMPTPASSWD = 1007,
    IDC_STRONG = 1008,
    IDC_LOCKIDLE = 1009,
    IDC_ADDRESS = 1011,
    IDC_BTNCLOSE = 2000,
    IDC_BTNMINI = 2001,
    IDC_BTNHELP = 2002,
    IDC_BTNABOUT = 2004,
    IDC_BTNGO = 2005,
    IDC_BTNDOCK = 2006,
    IDC_BTNOPT = 2007,
    IDC_BTNMAIN = 2008,
    IDC_BTNTITLE = 2009,
    IDC_BTNADD = 2010,
    IDC_BTNADDSEP = 2011,
    IDC_BTNDEL = 2012,
    IDC_BTNUP = 2013,
    IDC_BTNDOWN = 2014,
    IDC_BTNREN = 2015,
    IDC_BTNOK = 2016,
    IDC_BTNSAVE = 2017,
    IDC_ABOUTTEXT = 2021,
    IDC_LBLCONFIRM = 2023,
    IDC_LBLINPUT = 2024,
    IDC_LBLUSEPASSWD = 2027,
    IDC_LBLPASSWD = 2028,
    IDC_LBLINVALID = 2032,
    IDC_LBLNOTMATCH = 2033,
    IDC_BTNSELECT = 2035,
    IDC_LBLPROTECTED = 2036,
    IDC_NAVUP = 2040,
    IDC_NAVDOWN = 2041,
    IDC_NAVTOP = 2042,
    IDC_NAVDEEPEST = 2043,
    IDC_BTNIMPORT = 2044,
    IDC_BTNEXPORT = 2045,
    IDC_BTNLINKS = 2046,
    IDC_BTNDOUBLES = 2047,
    IDC_LBLSTRONG = 2048,
    IDC_LBLSTRONGEMPTY = 2049,
    IDC_LOCK = 2050,
    IDC_LBLLOCKIDLE = 2051,
};

enum class EControlKind : unsigned char {
    Default,       // the hidden, disabled default push button
    List,          // a list column
    CheckBox,      // a plain check box
    PasswordBox,   // a line edit that echoes dots
    AddressBox,    // the address box
    Button,        // a bitmap button: the role name names its bitmap
    Label,         // a bitmap label: like a button, but never enabled
    HiddenCommand, // a hidden push button that carries a keyboard command
    Text,          // a line of plain text (the rectangle holds it wrapped)
    Number,        // a box for a whole number with arrows to step it
};

// What a panel does to a control when it opens (and what SetState does).
enum class EControlState : unsigned char {
    Keep,    // leaves it as it is
    Enable,  // enables it
    Disable, // disables it
    Show,    // shows it
    Hide,    // hides it
    Later,   // hides it; the panel shows it when it has to (an error, a choice)
};

// The four panels, in the order of CControl::m_states.
enum class EPanel : unsigned char { Main, Prompt, Options, About };
constexpr std::size_t PANEL_COUNT = 4;
inline constexpr EPanel ALL_PANELS[PANEL_COUNT] = {EPanel::Main, EPanel::Prompt, EPanel::Options,
                                                   EPanel::About};

struct CControlRect {
    int m_x = 0, m_y = 0, m_w = 0, m_h = 0;
    constexpr bool IsEmpty() const { return m_w <= 0 || m_h <= 0; }
};

struct CControl {
    int m_id;
    const char* m_name; // objectName; for a bitmap button or label also its bitmap's name
    EControlKind m_kind;
    // Pixels from the window's top-left corner; a bitmap's size is the
    // rectangle's. The list columns' rectangles are the three column places.
    CControlRect m_rect;
    EControlState m_states[PANEL_COUNT]; // by EPanel
    const char* m_toolTip;               // "": none
    const char* m_accessibleName;        // "": none
};

namespace controltable {
constexpr auto K = EControlState::Keep;
constexpr auto E = EControlState::Enable;
constexpr auto D = EControlState::Disable;
constexpr auto S = EControlState::Show;
constexpr auto H = EControlState::Hide;
constexpr auto L = EControlState::Later;
using enum EControlKind;

// The states read: main, prompt, options, about.
// One control per row, its texts on a second line when the row is long.
// clang-format off
inline constexpr CControl CONTROLS[] = {
    {IDC_DEFAULT, "Default", Default, {}, {K, K, K, K}, "", ""},
    {IDC_LIST1, "List1", List, {60, 51, 143, 261}, {S, H, H, H}, "", "Left column"},
    {IDC_LIST2, "List2", List, {208, 51, 143, 261}, {S, H, H, H}, "", "Middle column"},
    {IDC_LIST3, "List3", List, {356, 51, 143, 261}, {S, H, H, H}, "", "Right column"},
    {IDC_USEPASSWD, "UsePassword", CheckBox, {102, 112, 14, 15}, {H, H, S, H}, "", "use password"},
    {IDC_NEWPASSWD, "NewPassword", PasswordBox, {238, 148, 154, 24}, {H, H, L, H},
     "", "New password"},
    {IDC_CONFIRM, "ConfirmPassword", PasswordBox, {238, 189, 154, 24}, {H, H, L, H},
     "", "Confirm the new password"},
    {IDC_PROMPTPASSWD, "PromptPassword", PasswordBox, {200, 172, 175, 24}, {H, S, H, H},
     "", "Password"},
    {IDC_STRONG, "StrongProtection", CheckBox, {262, 112, 14, 15}, {H, H, S, H},
     "Seal the data file with a strong cipher; the whole password counts",
     "strong protection"},
    {IDC_LOCKIDLE, "LockIdle", Number, {330, 292, 56, 22}, {H, H, S, H},
     "Minutes without input after which the bookmarks lock (0: never)",
     "Lock after minutes idle"},
    {IDC_ADDRESS, "Address", AddressBox, {170, 345, 266, 24}, {D, D, D, D},
     "The target of the selected entry: a web address, a file or a folder", "Address"},
    {IDC_BTNCLOSE, "BtnClose", Button, {511, 206, 33, 33}, {K, K, K, K},
     "Close and save", "Close and save"},
    {IDC_BTNMINI, "BtnMini", Button, {511, 249, 28, 28}, {K, K, K, K}, "Minimise", "Minimise"},
    {IDC_BTNHELP, "BtnHelp", Button, {18, 278, 33, 32}, {K, K, K, K}, "Help", "Help"},
    {IDC_BTNABOUT, "BtnAbout", Button, {28, 319, 33, 32}, {K, D, K, K},
     "About Quillbox", "About Quillbox"},
    {IDC_BTNGO, "BtnGo", Button, {439, 343, 32, 30}, {D, D, D, D}, "Open the address", "Go"},
    {IDC_BTNDOCK, "BtnDock", Button, {511, 286, 22, 24}, {K, D, K, K},
     "Swap the window for the small dock window", "Dock"},
    {IDC_BTNOPT, "BtnOpt", Button, {12, 237, 33, 32}, {K, D, K, K},
     "Options: the password", "Options"},
    {IDC_BTNMAIN, "BtnMain", Button, {12, 195, 33, 32}, {K, D, K, K},
     "Back to the bookmarks", "Bookmarks"},
    {IDC_BTNTITLE, "btnTitle", Button, {196, 10, 166, 35}, {K, K, K, K},
     "The Quillbox home page", "Quillbox home page"},
    {IDC_BTNADD, "BtnAdd", Button, {133, 343, 30, 41}, {E, D, D, D},
     "Insert a new entry", "Insert an entry"},
    {IDC_BTNADDSEP, "BtnAddSep", Button, {133, 382, 30, 43}, {E, D, D, D},
     "Insert a separator", "Insert a separator"},
    {IDC_BTNDEL, "BtnDel", Button, {75, 343, 26, 82}, {E, D, D, D},
     "Delete the selected entry", "Delete"},
    {IDC_BTNUP, "BtnUp", Button, {100, 340, 34, 28}, {E, D, D, D},
     "Move the selected entry up", "Move up"},
    {IDC_BTNDOWN, "BtnDown", Button, {100, 400, 34, 28}, {E, D, D, D},
     "Move the selected entry down", "Move down"},
    {IDC_BTNREN, "BtnRen", Button, {100, 366, 34, 35}, {E, D, D, D},
     "Rename the selected entry", "Rename"},
    {IDC_BTNOK, "BtnOK", Button, {368, 250, 48, 26}, {H, S, H, H},
     "Open the bookmarks with this password", "OK"},
    {IDC_BTNSAVE, "BtnSave", Button, {378, 262, 48, 26}, {H, H, S, H},
     "Save the password settings", "Save"},
    {IDC_ABOUTTEXT, "BtnAboutText", Label, {102, 89, 317, 131}, {H, H, H, S},
     "Quillbox 1.1: bookmarks and shortcuts", "About Quillbox 1.1, bookmarks and shortcuts"},
    {IDC_LBLCONFIRM, "BtnConfirm", Label, {161, 187, 67, 25}, {H, H, L, H},
     "Type the new password again", "Confirm:"},
    {IDC_LBLINPUT, "BtnInput", Label, {158, 130, 156, 27}, {H, S, H, H},
     "Type the password of your bookmarks", "Input your password:"},
    {IDC_LBLUSEPASSWD, "BtnUsePasswd", Label, {116, 107, 118, 25}, {H, H, S, H},
     "Keep the bookmarks under a password", "Use password"},
    {IDC_LBLPASSWD, "BtnPasswd", Label, {147, 145, 83, 26}, {H, H, L, H},
     "Type the new password (without strong protection only its first eight characters count)", "Password:"},
    {IDC_LBLINVALID, "BtnInvalidPasswd", Label, {200, 208, 234, 34}, {H, L, H, H},
     "The password was wrong", "Invalid password, please try again."},
    {IDC_LBLNOTMATCH, "BtnNotMatch", Label, {236, 224, 251, 36}, {H, H, L, H},
     "The two password entries differ", "Your password entries did not match."},
    {IDC_BTNSELECT, "BtnSelect", Button, {469, 343, 41, 30}, {D, D, D, D},
     "Choose a file or folder for the address", "Select a file or folder"},
    {IDC_LBLPROTECTED, "LblProtected", Text, {70, 62, 420, 56}, {H, L, H, H},
     "", "The data file is protected by another password"},
    {IDC_NAVUP, "NavUp", HiddenCommand, {}, {K, K, K, K}, "", ""},
    {IDC_NAVDOWN, "NavDown", HiddenCommand, {}, {K, K, K, K}, "", ""},
    {IDC_NAVTOP, "NavTop", HiddenCommand, {}, {K, K, K, K}, "", ""},
    {IDC_NAVDEEPEST, "NavDeepest", HiddenCommand, {}, {K, K, K, K}, "", ""},
    {IDC_BTNIMPORT, "BtnImport", Button, {102, 262, 64, 26}, {H, H, S, H},
     "Import bookmarks from a bookmark file or a browser", "Import"},
    {IDC_BTNEXPORT, "BtnExport", Button, {172, 262, 64, 26}, {H, H, S, H},
     "Export all bookmarks to a bookmark file", "Export"},
    {IDC_BTNLINKS, "BtnLinks", Button, {102, 226, 64, 26}, {H, H, S, H},
     "Check links: ask the web servers whether each bookmarked page is still there",
     "Check links"},
    {IDC_BTNDOUBLES, "BtnDoubles", Button, {172, 226, 64, 26}, {H, H, S, H},
     "Find duplicates: entries with the same address or file", "Find duplicates"},
    {IDC_LBLSTRONG, "BtnStrong", Label, {276, 107, 130, 25}, {H, H, S, H},
     "Seal the data file with a strong cipher; a forgotten password cannot be recovered",
     "Strong protection"},
    {IDC_LBLSTRONGEMPTY, "LblStrongEmpty", Text, {236, 224, 251, 36}, {H, H, L, H},
     "", "Strong protection needs a password."},
    {IDC_LOCK, "Lock", HiddenCommand, {}, {K, K, K, K}, "", ""},
    {IDC_LBLLOCKIDLE, "LblLockIdle", Text, {102, 292, 224, 22}, {H, H, S, H},
     "", "Lock after this many minutes idle"},
};
// clang-format on
} // namespace controltable

using controltable::CONTROLS;
constexpr std::size_t CONTROL_COUNT = std::size(CONTROLS);

constexpr bool HasBitmap(const CControl& control) {
    return control.m_kind == EControlKind::Button || control.m_kind == EControlKind::Label;
}

constexpr EControlState StateIn(const CControl& control, EPanel panel) {
    return control.m_states[static_cast<std::size_t>(panel)];
}

// Whether the control can be seen while the panel is open (Later: when the
// panel shows it).
constexpr bool CanShowIn(const CControl& control, EPanel panel) {
    return StateIn(control, panel) != EControlState::Hide;
}

// The row's index, or CONTROL_COUNT for an identifier that is not a control.
constexpr std::size_t ControlIndex(int id) {
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i)
        if (CONTROLS[i].m_id == id)
            return i;
    return CONTROL_COUNT;
}

constexpr bool TableIsOrdered() {
    for (std::size_t i = 1; i < CONTROL_COUNT; ++i)
        if (CONTROLS[i - 1].m_id >= CONTROLS[i].m_id)
            return false;
    return true;
}
static_assert(TableIsOrdered(), "rows in increasing order of identifier");
