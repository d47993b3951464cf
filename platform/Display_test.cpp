#include "platform/Display.h"

#include "testing/FakeDisplay.h"
#include "testing/QStringPrinter.h"

#include <memory>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(DisplayTest, ReadsTheAddressOfAnXDisplayAsTheXLibraryDoes) {
    // What is read: "host|socket path|number".
    const std::pair<const char*, const char*> cases[] = {
        {":0", "||0"},
        {":12.1", "||12"},
        {"unix:3", "||3"},
        {"unix/:4.0", "||4"},
        {"tcp/:5", "localhost||5"},
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
    const std::vector<std::pair<QStringList, const char*>> cases = {
        {{"DISPLAY=:0"}, ":0"},
        {{"DISPLAY=:0", "QT_QPA_PLATFORM=xcb"}, ":0"},
        {{"DISPLAY=:0", "QT_QPA_PLATFORM=offscreen"}, "(none)"},
        {{"DISPLAY=:0", "QT_QPA_PLATFORM=wayland"}, "(none)"},
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
// short; one that answers (here by hanging up) passes, however long the wait; where nothing
// listens, the reason is the system's. Each on its local socket as over TCP.
TEST(DisplayTest, TellsADisplayThatDoesNotAnswerFromOneThatDoes) {
    using Behaviour = FakeDisplay::Behaviour;
    const std::pair<std::optional<Behaviour>, const char*> cases[] = {
        {Behaviour::Silent, "took the connection but did not answer within 0.2 seconds"},
        {Behaviour::HangsUp, nullptr},
        {std::nullopt, "Connection refused"}};  // nothing listens
    for (const auto transport : {FakeDisplay::Transport::Local, FakeDisplay::Transport::Tcp}) {
        const bool tcp = transport == FakeDisplay::Transport::Tcp;
        for (const auto& [behaviour, says] : cases) {
            // Where nothing listens, a number fake displays never take: another test that runs
            // at the same time may take a number as soon as it is free.
            std::unique_ptr<FakeDisplay> display;
            if (behaviour)
                display = std::make_unique<FakeDisplay>(transport, *behaviour);
            const QString name =
                display ? display->Name() : QString(tcp ? "127.0.0.1:7319" : ":7319");
            ASSERT_FALSE(name.isEmpty()) << "no display number was free";
            const QString probed =
                ProbeXDisplay(name, behaviour == Behaviour::Silent ? 200ms : 60s).message();
            EXPECT_EQ(probed, says ? QString("the display %1: %2").arg(name, says) : "")
                << (tcp ? "over TCP" : "on the local socket");
        }
    }
    EXPECT_TRUE(ProbeXDisplay("node::0", 1ms).ok()) << "a form it does not read is not probed";
}

}  // namespace
