#pragma once
// Live Activities where there are none to keep: every call does nothing.
#include "app/model/LiveActivityCoordinator.hpp"

namespace quorvel {

class DisabledLiveActivityCoordinator final : public LiveActivityCoordinator {
public:
    void reconcile(const std::vector<Session>&, bool, const std::optional<PhoneDevice>&, Instant) override {}
    void cleanUpOrphanChannels() override {}
};

}  // namespace quorvel
