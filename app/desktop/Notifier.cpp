#include "app/desktop/Notifier.hpp"

#include <utility>

#include "kit/engine/Quorvel.hpp"
#include "platform/SecureRandom.hpp"

namespace quorvel {

Notifier::Notifier(std::unique_ptr<NotificationCenter> center)
    : center_(std::move(center)), logger_(Quorvel::macBundleID, "Notifier") {}

std::optional<NotificationCenter::Banner> Notifier::banner(const Alert& alert) {
    using Level = NotificationCenter::Banner::InterruptionLevel;
    Level level = Level::active;
    switch (alert.kind) {
        case Alert::Kind::done:
        case Alert::Kind::crashed: level = Level::active; break;
        case Alert::Kind::needsYou: level = Level::timeSensitive; break;
        case Alert::Kind::broke:
        case Alert::Kind::longRun: return std::nullopt;
    }
    return NotificationCenter::Banner{
        .identifier = random::makeUuidString(),
        .title = alert.headline.oneLine(),
        .body = alert.detail.value_or(""),
        .threadIdentifier = alert.sessionID,
        .interruptionLevel = level,
    };
}

void Notifier::requestPermission(std::function<void()> then) {
    center_->requestAuthorization([this, then = std::move(then)](Expected<bool, DesktopError> granted) {
        if (granted) {
            logger_.info(std::string("Notification permission granted: ") + (*granted ? "true" : "false"));
        } else {
            logger_.error("Notification permission request failed: " + granted.error().message);
        }
        if (then) then();
    });
}

void Notifier::checkBannersAllowed(std::function<void(bool)> completion) {
    center_->bannersAllowed(std::move(completion));
}

void Notifier::post(const Alert& alert) {
    const std::optional<NotificationCenter::Banner> content = banner(alert);
    if (!content) return;
    if (const auto earlier = needsYouShown_.find(alert.sessionID); earlier != needsYouShown_.end()) {
        center_->remove(earlier->second);
        needsYouShown_.erase(earlier);
    }
    if (alert.kind == Alert::Kind::needsYou) needsYouShown_[alert.sessionID] = content->identifier;
    center_->add(*content, [this](Expected<void, DesktopError> added) {
        if (!added) logger_.error("Couldn't post banner: " + added.error().message);
    });
}

void Notifier::withdrawStale(const std::unordered_map<std::string, Session>& sessions) {
    std::erase_if(needsYouShown_, [&](const auto& entry) {
        const auto session = sessions.find(entry.first);
        if (session != sessions.end() && session->second.state.kind() == SessionState::Kind::needsYou) return false;
        center_->remove(entry.second);
        return true;
    });
}

void Notifier::openNotificationSettings(std::function<void(std::optional<std::string> line)> shown) {
    center_->openSettings([this, shown = std::move(shown)](
                              Expected<std::string, NotificationCenter::SettingsUnavailable> opened) {
        if (opened) {
            logger_.info("Opened the desktop's notification settings: " + *opened);
            shown(std::nullopt);
            return;
        }
        logger_.error("Couldn't open the desktop's notification settings: " + opened.error().reason);
        shown(managedByServiceLine(opened.error().serverName));
    });
}

std::string Notifier::managedByServiceLine(const std::optional<std::string>& serverName) {
    if (!serverName) return "Banners are managed by the desktop's notification service, and none is running.";
    return "Banners are managed by the desktop's notification service (" + *serverName + ").";
}

}  // namespace quorvel
