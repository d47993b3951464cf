#include "platform/Display.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayTest, ReadsTheAddressOfAnXDisplayAsTheXLibraryDoes) {
    // What is read: "host|socket path|number".
    const std::pair<const char*, const char*> cases[] = {
        {":0", "||0"}, {"/tmp/launch-x/org.xquartz:0", "|/tmp/launch-x/org.xquartz|0"}};
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

}  // namespace
