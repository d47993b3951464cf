#include "platform/Display.h"

bool HasDisplay(const QProcessEnvironment& environment) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!environment.value(QLatin1String(name)).isEmpty()) {
            return true;
        }
    }
    return false;
}
