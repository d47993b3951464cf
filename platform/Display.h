#pragma once

#include <QProcessEnvironment>

// True when a window can be shown: DISPLAY or WAYLAND_DISPLAY is set, or QT_QPA_PLATFORM names a
// platform plugin explicitly (offscreen, vnc, ...).
bool HasDisplay(const QProcessEnvironment& environment);
