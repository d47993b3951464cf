#pragma once

#include "platform/UniqueFd.h"

#include <QString>

#include <thread>

// An X display for tests, which the program reaches by DISPLAY=Name(). It listens on the local
// abstract socket of a free display number (Name() ":<n>") or on TCP at 127.0.0.1, port 6000 + n
// ("127.0.0.1:<n>"), and behaves as a display that is of no use in one of two ways.
class FakeDisplay {
  public:
    enum class Transport { Local, Tcp };
    enum class Behaviour {
        // Takes every connection and never answers, as a hung X server.
        Silent,
        // Ends every connection at once, as a server that turns the client away.
        HangsUp,
    };

    FakeDisplay(Transport transport, Behaviour behaviour);
    ~FakeDisplay();
    FakeDisplay(const FakeDisplay&) = delete;
    FakeDisplay& operator=(const FakeDisplay&) = delete;

    // The DISPLAY value, empty when no display number was free.
    QString Name() const { return mName; }

  private:
    UniqueFd mListener;
    std::thread mThread;  // hangs up on everyone, until the listener is shut down
    QString mName;
};
