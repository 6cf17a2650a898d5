#pragma once
// Choices made about the platform before the application object exists.

// On a Wayland session with an X server beside it (XWayland), the program runs
// on Qt's X11 backend: a shaped window, an always-on-top dock and a remembered
// position need it. A platform chosen by the user (QT_QPA_PLATFORM) stands.
// Returns whether it chose xcb.
bool PreferX11OnWayland();

// The same decision: WAYLAND_DISPLAY and DISPLAY not empty, QT_QPA_PLATFORM unset.
bool ShouldPreferX11(bool hasWaylandDisplay, bool hasDisplay, bool hasPlatformChoice);
