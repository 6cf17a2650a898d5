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
