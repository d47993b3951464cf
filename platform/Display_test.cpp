#include "platform/Display.h"

#include "testing/FakeDisplay.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// A display that takes the connection and never answers fails the probe after its timeout, with
// a message that names it; one that answers (here by hanging up) passes, however long the probe
// may wait. Each on its local socket as over TCP. The program's own run waits its 5 seconds once;
// here the timeout is short, and the outcome is the same on any machine.
TEST(DisplayTest, TellsADisplayThatNeverAnswersFromOneThatDoes) {
    using Behaviour = FakeDisplay::Behaviour;
    for (const auto transport : {FakeDisplay::Transport::Local, FakeDisplay::Transport::Tcp}) {
        for (const Behaviour behaviour : {Behaviour::Silent, Behaviour::HangsUp}) {
            const FakeDisplay display(transport, behaviour);
            ASSERT_FALSE(display.Name().isEmpty()) << "no display number was free";
            const bool silent = behaviour == Behaviour::Silent;
            EXPECT_EQ(ProbeXDisplay(display.Name(), silent ? 200ms : 120s).message(),
                      silent ? "the display " + display.Name() +
                                   ": took the connection but did not answer within 0.2 seconds"
                             : "")
                << (silent ? "a display that never answers" : "a display that hangs up")
                << (transport == FakeDisplay::Transport::Tcp ? ", over TCP"
                                                             : ", on the local socket");
        }
    }
    // Forms left to the window system: DECnet, none, no number, numbers that are none.
    for (const char* display : {"node::0", "", "example.org", ":x", ":-1", ":+1", ":70000"})
        EXPECT_TRUE(ProbeXDisplay(display, 1ms).ok()) << "DISPLAY=" << display << " was probed";
}

}  // namespace
