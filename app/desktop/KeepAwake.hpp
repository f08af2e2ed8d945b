#pragma once
// Keeps the computer from idle sleep while an agent run is in progress (the display may
// still sleep). Main thread.
#include <memory>

#include "platform/desktop/SleepInhibitor.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {

class KeepAwake {
public:
    explicit KeepAwake(std::unique_ptr<SleepInhibitor> inhibitor);
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;

    /// Holds the computer awake while `busy`, releases it when not; repeated calls with the
    /// same value change nothing. When the system won't hold it, says so once and goes on
    /// (each later busy call tries again, quietly).
    void set(bool busy);

    /// True while a hold is kept.
    bool holding() const { return activity_ != nullptr; }

private:
    std::unique_ptr<SleepInhibitor> inhibitor_;
    std::unique_ptr<SleepInhibitor::Hold> activity_;
    bool failureLogged_ = false;
    Logger logger_;
};

}  // namespace quorvel
