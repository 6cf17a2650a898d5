// SPDX-License-Identifier: MIT
#pragma once
// Choices made about the platform before the application object exists.

// On a Wayland session with an X server beside it (XWayland), the program runs
// on Qt's X11 backend: a shaped window, an always-on-top dock and a remembered
// position need it. A platform chosen by the user (QT_QPA_PLATFORM) stands.
// Returns whether it chose xcb.
bool PreferX11OnWayland();

// The same decision: WAYLAND_DISPLAY and DISPLAY not empty, QT_QPA_PLATFORM unset.
bool ShouldPreferX11(bool hasWaylandDisplay, bool hasDisplay, bool hasPlatformChoice);

// Whether the window can be shown at all: Qt's platforms for a desktop need
// an X server (DISPLAY) or a Wayland compositor (WAYLAND_DISPLAY). Without
// either, and with no platform chosen by the user (QT_QPA_PLATFORM, such as
// offscreen) other than X11, starting the window would end in Qt's abort.
bool HasDesktopSession();

// What the program says instead, on one line.
inline constexpr char NO_DESKTOP_SESSION_TEXT[] =
    "quillbox: the window needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
    "--help, --import and --export work without one.";
