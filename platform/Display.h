#pragma once

#include "platform/Status.h"

#include <QProcessEnvironment>
#include <QString>

#include <chrono>
#include <optional>

// True when a window can be shown: DISPLAY or WAYLAND_DISPLAY is set, or QT_QPA_PLATFORM names a
// platform plugin explicitly (offscreen, vnc, ...).
bool HasDisplay(const QProcessEnvironment& environment);

// Where an X display listens, as a DISPLAY value ("[protocol/][host]:number[.screen]") names it.
struct XDisplayAddress {
    // The host, for TCP; empty for the local socket of `number`.
    QString host;
    // A socket path that the value names itself ("/path/to/socket:0"); empty otherwise.
    QString socketPath;
    int number = 0;
};

// The address in `display`, or nothing for a value of another form (DECnet's "host::0", no
// number), which is then left to the window system's own reading.
std::optional<XDisplayAddress> ParseXDisplay(const QString& display);

// The X display that the window system would connect to when the program shows a window: the
// DISPLAY value when QT_QPA_PLATFORM is empty or names xcb, else nothing.
std::optional<QString> XDisplayToProbe(const QProcessEnvironment& environment);

// Connects to the X display named by `display` the way the window system's X library does (for
// ":n" the local socket, then TCP on localhost) and sends the setup request that opens every X
// connection. Ok once the display answers, or ends the connection, within `timeout`: the window
// system will then not wait for it forever, as it would for a display that takes the connection
// and never replies. Fails, naming the display, when nothing can be connected to or nothing
// comes back in time. A value ParseXDisplay does not read is not probed: Ok.
Status ProbeXDisplay(const QString& display, std::chrono::milliseconds timeout);
