#include "platform/desktop/NotificationSettingsTool.hpp"

#include <algorithm>
#include <cctype>

namespace quorvel {
namespace {

std::string lowerCased(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
    return lowered;
}

std::vector<NotificationSettingsTool> toolsFor(const std::string& desktop) {
    if (desktop == "gnome" || desktop == "gnome-classic" || desktop == "gnome-flashback") {
        return {{"gnome-control-center", {"notifications"}}};
    }
    if (desktop == "kde") {
        // Plasma 5.26 and later name the program systemsettings, earlier ones systemsettings5.
        return {{"systemsettings", {"kcm_notifications"}},
                {"systemsettings5", {"kcm_notifications"}},
                {"kcmshell5", {"kcm_notifications"}}};
    }
    if (desktop == "xfce") return {{"xfce4-notifyd-config", {}}};
    if (desktop == "x-cinnamon" || desktop == "cinnamon") return {{"cinnamon-settings", {"notifications"}}};
    if (desktop == "mate") return {{"mate-notification-properties", {}}};
    return {};
}

}  // namespace

std::vector<NotificationSettingsTool> NotificationSettingsTool::forDesktop(std::string_view currentDesktop) {
    std::size_t start = 0;
    while (start <= currentDesktop.size()) {
        const std::size_t end = std::min(currentDesktop.find(':', start), currentDesktop.size());
        auto tools = toolsFor(lowerCased(currentDesktop.substr(start, end - start)));
        if (!tools.empty()) return tools;
        start = end + 1;
    }
    return {};
}

std::string NotificationSettingsTool::commandLine() const {
    std::string line = program;
    for (const std::string& argument : arguments) line += " " + argument;
    return line;
}

}  // namespace quorvel
