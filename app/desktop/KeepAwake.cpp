#include "app/desktop/KeepAwake.hpp"

#include <utility>

#include "kit/engine/Quorvel.hpp"

namespace quorvel {

KeepAwake::KeepAwake(std::unique_ptr<SleepInhibitor> inhibitor)
    : inhibitor_(std::move(inhibitor)), logger_(Quorvel::macBundleID, "KeepAwake") {}

void KeepAwake::set(bool busy) {
    if (busy && !activity_) {
        auto hold = inhibitor_->hold("Claude Code run in progress");
        if (!hold) {
            if (!failureLogged_) {
                logger_.error("Couldn't keep the computer awake: " + hold.error().message);
                failureLogged_ = true;
            }
            return;
        }
        activity_ = std::move(*hold);
        logger_.info("Keeping the computer awake");
    } else if (!busy && activity_) {
        activity_.reset();
        logger_.info("Letting the computer sleep again");
    }
}

}  // namespace quorvel
