// SPDX-License-Identifier: MIT
// qb_controlpos: writes the main window's control table as plain lines for
// the real-window scripts (tests/app/lib.sh, click_control):
//
//   qb_controlpos <controls.txt>
//
// One line a control with a place: its role name, then x, y, width and height
// in pixels from the window's top-left corner, as app/MainControls.h has them.

#include "app/MainControls.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qb_controlpos <controls.txt>\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    for (const CControl& control : CONTROLS) {
        if (control.m_rect.IsEmpty())
            continue;
        out << control.m_name << ' ' << control.m_rect.m_x << ' ' << control.m_rect.m_y << ' '
            << control.m_rect.m_w << ' ' << control.m_rect.m_h << '\n';
    }
    if (!out.flush()) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
