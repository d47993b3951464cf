#include "platform/Display.h"

#include "testing/FakeDisplay.h"
#include "testing/QStringPrinter.h"

#include <memory>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(DisplayTest, ReadsTheAddressOfAnXDisplayAsTheXLibraryDoes) {
    struct Case {
        const char* display;
        bool read;  // false: a form left to the window system
        const char* host;
        const char* socketPath;
        int number;
    };
    const Case cases[] = {
        {":0", true, "", "", 0},
        {":12.1", true, "", "", 12},
        {"unix:3", true, "", "", 3},
        {"unix/:4.0", true, "", "", 4},
        {"tcp/:5", true, "localhost", "", 5},
        {"example.org:2.0", true, "example.org", "", 2},
        {"TCP/example.org:7", true, "example.org", "", 7},
        {"[::1]:1", true, "::1", "", 1},
        {"/tmp/launch-x/org.xquartz:0", true, "", "/tmp/launch-x/org.xquartz", 0},
        {"node::0", false, "", "", 0},  // DECnet
        {"", false, "", "", 0},
        {"example.org", false, "", "", 0},
        {":x", false, "", "", 0},
        {":-1", false, "", "", 0},
        {":+1", false, "", "", 0},
        {":70000", false, "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.display);
        const std::optional<XDisplayAddress> address = ParseXDisplay(c.display);
        ASSERT_EQ(address.has_value(), c.read);
        if (address) {
            EXPECT_EQ(address->host, c.host);
            EXPECT_EQ(address->socketPath, c.socketPath);
            EXPECT_EQ(address->number, c.number);
        }
    }
}

TEST(DisplayTest, ProbesOnlyTheXDisplayThatQtWouldUse) {
    const std::vector<std::pair<QStringList, const char*>> cases = {
        {{"DISPLAY=:0"}, ":0"},
        {{"DISPLAY=:0", "QT_QPA_PLATFORM=xcb"}, ":0"},
        {{"DISPLAY=:0", "QT_QPA_PLATFORM=offscreen"}, nullptr},
        {{"DISPLAY=:0", "QT_QPA_PLATFORM=wayland"}, nullptr},
        {{"WAYLAND_DISPLAY=wayland-0"}, nullptr},
        {{}, nullptr},
    };
    for (const auto& [variables, probed] : cases) {
        SCOPED_TRACE(variables.join(' ').toStdString());
        QProcessEnvironment environment;
        for (const QString& variable : variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        const std::optional<QString> display = XDisplayToProbe(environment);
        EXPECT_EQ(display.value_or("(none)"), probed ? probed : "(none)");
    }
}

// A display that takes the connection and never answers fails the probe in its time; one that
// answers (here by hanging up) passes, on its local socket as over TCP; where nothing listens,
// the reason is the system's.
TEST(DisplayTest, TellsADisplayThatDoesNotAnswerFromOneThatDoes) {
    using Transport = FakeDisplay::Transport;
    using Behaviour = FakeDisplay::Behaviour;
    struct Case {
        const char* what;
        Transport transport;
        std::optional<Behaviour> behaviour;  // none: nothing listens
        std::chrono::milliseconds timeout;
        const char* says;  // after "the display <name>: "; nullptr when it answers
    };
    // A display that answers passes however long the wait may be; one that never answers must
    // fail however short it is, so neither depends on the machine's speed.
    const Case cases[] = {
        {"silent, local socket", Transport::Local, Behaviour::Silent, 200ms,
         "took the connection but did not answer within 0.2 seconds"},
        {"silent, TCP", Transport::Tcp, Behaviour::Silent, 200ms,
         "took the connection but did not answer within 0.2 seconds"},
        {"hangs up, local socket", Transport::Local, Behaviour::HangsUp, 60s, nullptr},
        {"hangs up, TCP", Transport::Tcp, Behaviour::HangsUp, 60s, nullptr},
        {"nothing listens, local socket", Transport::Local, std::nullopt, 60s,
         "Connection refused"},
        {"nothing listens, TCP", Transport::Tcp, std::nullopt, 60s, "Connection refused"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Where nothing listens, a number fake displays never take: another test that runs at the
        // same time may take a number as soon as it is free.
        std::unique_ptr<FakeDisplay> display;
        if (c.behaviour)
            display = std::make_unique<FakeDisplay>(c.transport, *c.behaviour);
        const QString name = display                         ? display->Name()
                             : c.transport == Transport::Tcp ? QString("127.0.0.1:7319")
                                                             : QString(":7319");
        ASSERT_FALSE(name.isEmpty());
        const Status probed = ProbeXDisplay(name, c.timeout);
        if (c.says == nullptr) {
            EXPECT_TRUE(probed.ok()) << probed.message().toStdString();
        } else {
            EXPECT_EQ(probed.message(), QString("the display %1: %2").arg(name, c.says));
        }
    }
    EXPECT_TRUE(ProbeXDisplay("node::0", 1ms).ok()) << "a form it does not read is not probed";
}

}  // namespace
