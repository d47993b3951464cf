#include "platform/Display.h"

#include "testing/FakeDisplay.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(DisplayTest, ReadsTheAddressOfAnXDisplayAsTheXLibraryDoes) {
    // What is read: "host|socket path|number".
    const std::pair<const char*, const char*> cases[] = {
        {":0", "||0"},
        {"unix/:4.0", "||4"},
        {"example.org:2.0", "example.org||2"},
        {"TCP/example.org:7", "example.org||7"},
        {"[::1]:1", "::1||1"},
        {"/tmp/launch-x/org.xquartz:0", "|/tmp/launch-x/org.xquartz|0"}};
    for (const auto& [display, expected] : cases) {
        const std::optional<XDisplayAddress> address = ParseXDisplay(display);
        EXPECT_EQ(address ? address->host + '|' + address->socketPath + '|' +
                                QString::number(address->number)
                          : "(not read)",
                  expected)
            << "DISPLAY=" << display;
    }
    // Forms left to the window system: DECnet, none, no number, numbers that are none.
    for (const char* display : {"node::0", "", "example.org", ":x", ":-1", ":+1", ":70000"})
        EXPECT_FALSE(ParseXDisplay(display).has_value()) << "DISPLAY=" << display << " was read";
}

TEST(DisplayTest, ProbesOnlyTheXDisplayThatQtWouldUse) {
    const std::pair<QStringList, const char*> cases[] = {
        {{"DISPLAY=:0"}, ":0"},
        {{"DISPLAY=:0", "QT_QPA_PLATFORM=offscreen"}, "(none)"},
        {{"WAYLAND_DISPLAY=wayland-0"}, "(none)"},
        {{}, "(none)"}};
    for (const auto& [variables, probed] : cases) {
        QProcessEnvironment environment;
        for (const QString& variable : variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        EXPECT_EQ(XDisplayToProbe(environment).value_or("(none)"), probed)
            << variables.join(' ').toStdString();
    }
}

// A display that takes the connection and never answers fails the probe in its time, however
// short; one that answers (here by hanging up) passes, however long the wait. Each on its local
// socket as over TCP. (The program-level tests run against a display where nothing listens.)
TEST(DisplayTest, TellsADisplayThatDoesNotAnswerFromOneThatDoes) {
    using Behaviour = FakeDisplay::Behaviour;
    for (const auto transport : {FakeDisplay::Transport::Local, FakeDisplay::Transport::Tcp}) {
        for (const Behaviour behaviour : {Behaviour::Silent, Behaviour::HangsUp}) {
            const FakeDisplay display(transport, behaviour);
            ASSERT_FALSE(display.Name().isEmpty()) << "no display number was free";
            const bool silent = behaviour == Behaviour::Silent;
            EXPECT_EQ(ProbeXDisplay(display.Name(), silent ? 200ms : 60s).message(),
                      silent ? "the display " + display.Name() +
                                   ": took the connection but did not answer within 0.2 seconds"
                             : "")
                << (transport == FakeDisplay::Transport::Tcp ? "over TCP" : "on the local socket");
        }
    }
    EXPECT_TRUE(ProbeXDisplay("node::0", 1ms).ok()) << "a form it does not read is not probed";
}

}  // namespace
