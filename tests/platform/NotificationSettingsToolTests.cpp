#include "platform/desktop/NotificationSettingsTool.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

std::vector<std::string> programs(std::string_view desktop) {
    std::vector<std::string> found;
    for (const auto& tool : NotificationSettingsTool::forDesktop(desktop)) found.push_back(tool.commandLine());
    return found;
}

TEST(NotificationSettingsToolTest, EachKnownDesktopGetsItsOwnProgram) {
    using List = std::vector<std::string>;
    EXPECT_EQ(programs("GNOME"), List{"gnome-control-center notifications"});
    EXPECT_EQ(programs("ubuntu:GNOME"), List{"gnome-control-center notifications"});
    EXPECT_EQ(programs("KDE"), (List{"systemsettings kcm_notifications", "systemsettings5 kcm_notifications",
                                     "kcmshell5 kcm_notifications"}));
    EXPECT_EQ(programs("XFCE"), List{"xfce4-notifyd-config"});
    EXPECT_EQ(programs("X-Cinnamon"), List{"cinnamon-settings notifications"});
    EXPECT_EQ(programs("mate"), List{"mate-notification-properties"});
}

TEST(NotificationSettingsToolTest, TheFirstNameWithAProgramDecidesAndOthersGetNone) {
    EXPECT_EQ(programs("Budgie:GNOME"), std::vector<std::string>{"gnome-control-center notifications"});
    EXPECT_EQ(programs("XFCE:GNOME"), std::vector<std::string>{"xfce4-notifyd-config"});
    EXPECT_TRUE(programs("sway").empty());
    EXPECT_TRUE(programs("").empty());
    EXPECT_TRUE(programs(":").empty());
}

}  // namespace
}  // namespace quorvel
