#include "platform/qt/PreferredPlatform.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/ScopedEnvironmentVariable.hpp"

namespace quorvel {
namespace {

using testing::ScopedEnvironmentVariable;

std::string platform() {
    const char* value = std::getenv("QT_QPA_PLATFORM");
    return value != nullptr ? value : "(unset)";
}

TEST(PreferredPlatform, AsksForX11WhereADisplayIsSetUnlessTheUserChoseAPlatform) {
    ScopedEnvironmentVariable display("DISPLAY", ":1");
    ScopedEnvironmentVariable wayland("WAYLAND_DISPLAY", "wayland-0");
    ScopedEnvironmentVariable chosen("QT_QPA_PLATFORM", "");
    ::unsetenv("QT_QPA_PLATFORM");
    EXPECT_TRUE(PreferredPlatform::preferX11());
    EXPECT_EQ(platform(), "xcb");

    chosen.set("");
    EXPECT_TRUE(PreferredPlatform::preferX11()) << "an empty choice is no choice";
    EXPECT_EQ(platform(), "xcb");

    chosen.set("wayland");
    EXPECT_FALSE(PreferredPlatform::preferX11());
    EXPECT_EQ(platform(), "wayland");

    // A Wayland session without XWayland: nothing to prefer.
    ::unsetenv("QT_QPA_PLATFORM");
    display.set("");
    EXPECT_FALSE(PreferredPlatform::preferX11());
    EXPECT_EQ(platform(), "(unset)");
}

}  // namespace
}  // namespace quorvel
