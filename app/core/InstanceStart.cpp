#include "app/core/InstanceStart.hpp"

#include <thread>

namespace quorvel {

InstanceStart InstanceStart::settle(SingleInstance& instance, const std::string& channelAddress, LaunchRequest request,
                                    const std::function<void(const std::string&)>& reportError, Timing timing) {
    const auto quitWaitEnds = std::chrono::steady_clock::now() + timing.quitWait;
    const auto patience = request == LaunchRequest::background ? std::chrono::milliseconds(0) : timing.answerWait;
    for (;;) {
        const auto claimed = instance.claim();
        if (!claimed) {
            reportError("Couldn't check for another running copy: " + claimed.error().message);
            return InstanceStart{true, std::nullopt};
        }
        if (*claimed == SingleInstance::Outcome::first) {
            InstanceStart start{true, std::nullopt};
            if (auto listening = InstanceChannel::listen(channelAddress)) {
                start.launches.emplace(std::move(*listening));
            } else {
                reportError("Later launches can't reach this copy: " + listening.error().message);
            }
            return start;
        }
        // Taken, or left unanswered by a copy that runs but doesn't listen to us now: either
        // way that copy is there, and this one ends.
        if (InstanceChannel::send(channelAddress, request, patience) != InstanceChannel::Delivery::nobodyListens) {
            return InstanceStart{};
        }
        if (std::chrono::steady_clock::now() >= quitWaitEnds) return InstanceStart{};
        std::this_thread::sleep_for(timing.retry);
    }
}

}  // namespace quorvel
