// SPDX-License-Identifier: MIT
#include "app/Platform.h"

#include <QByteArray>
#include <QtGlobal>

bool ShouldPreferX11(bool hasWaylandDisplay, bool hasDisplay, bool hasPlatformChoice) {
    return hasWaylandDisplay && hasDisplay && !hasPlatformChoice;
}

bool PreferX11OnWayland() {
    if (!ShouldPreferX11(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"),
                         !qEnvironmentVariableIsEmpty("DISPLAY"),
                         qEnvironmentVariableIsSet("QT_QPA_PLATFORM")))
        return false;
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

bool HasDesktopSession() {
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    // A platform chosen that needs no display server (offscreen, vnc, ...) is
    // taken on trust; X11 chosen (say in a profile) still needs DISPLAY.
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    return !chosen.isEmpty() && !chosen.startsWith("xcb");
}
