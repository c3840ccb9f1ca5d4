#include "DisplayPlatform.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayPlatform, AWaylandSessionWithX11RunsOnX11UnlessThePlatformWasChosen)
{
    const struct {
        const char* sCase;
        TDisplayEnvironment environment;
        QStringList slArguments;
        QByteArray expected;
    } cases[] = {
        {"Wayland with XWayland", {"", "wayland-0", ":0", "wayland"}, {"parvane2"}, "xcb"},
        {"Wayland display alone names the session", {"", "wayland-0", ":1", ""}, {"parvane2"}, "xcb"},
        {"session type alone names it", {"", "", ":0", "Wayland"}, {"parvane2"}, "xcb"},
        {"the program's own options change nothing",
         {"", "wayland-0", ":0", "wayland"},
         {"parvane2", "/PM:51001", "/PF:52001"},
         "xcb"},
        {"Wayland without X11", {"", "wayland-0", "", "wayland"}, {"parvane2"}, ""},
        {"an X11 session", {"", "", ":0", "x11"}, {"parvane2"}, ""},
        {"no display at all", {"", "", "", "tty"}, {"parvane2"}, ""},
        {"platform asked for in the environment",
         {"wayland", "wayland-0", ":0", "wayland"},
         {"parvane2"},
         ""},
        {"offscreen asked for", {"offscreen", "wayland-0", ":0", "wayland"}, {"parvane2"}, ""},
        {"platform asked for as an argument",
         {"", "wayland-0", ":0", "wayland"},
         {"parvane2", "-platform", "wayland"},
         ""},
        {"with two dashes",
         {"", "wayland-0", ":0", "wayland"},
         {"parvane2", "/PM:51001", "--platform", "wayland"},
         ""},
        {"the program's name is not an argument", {"", "wayland-0", ":0", "wayland"}, {"-platform"}, "xcb"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayPlatformChoice(c.environment, c.slArguments), c.expected) << c.sCase;
}

} // namespace
