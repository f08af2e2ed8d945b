#include "hook/RunBudget.hpp"

#include <algorithm>

#include "hook/HookInput.hpp"
#include "hook/LoopbackPost.hpp"

namespace quorvel {

RunBudget::Clock::time_point RunBudget::watchdogEnds() const {
    return started + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(watchdogSeconds));
}

RunBudget::Clock::time_point RunBudget::lastWordAt() const { return watchdogEnds() - lastWordReserve; }

RunBudget::Clock::time_point RunBudget::inputDeadline() const { return started + hookInputWait; }

double RunBudget::postSeconds(Clock::time_point now) const {
    const double left = std::chrono::duration<double>(lastWordAt() - keepingReserve - now).count();
    return std::clamp(left, 0.0, postTimeoutSeconds);
}

}  // namespace quorvel
