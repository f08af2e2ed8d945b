#pragma once
// The program that opens the notification settings of the desktop the user runs. Each desktop
// with a known one gets it, picked by XDG_CURRENT_DESKTOP: GNOME, KDE Plasma, Xfce, Cinnamon and
// MATE. Plain values; nothing is started here.
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

struct NotificationSettingsTool {
    std::string program;
    std::vector<std::string> arguments;

    bool operator==(const NotificationSettingsTool&) const = default;

    /// The tools for `currentDesktop` (XDG_CURRENT_DESKTOP: names separated by ":", the most
    /// specific first, compared without regard to case), in the order to try them; empty for a
    /// desktop without a known tool. The first name with tools decides.
    static std::vector<NotificationSettingsTool> forDesktop(std::string_view currentDesktop);

    /// The program and its arguments as one line, for the log.
    std::string commandLine() const;
};

}  // namespace quorvel
