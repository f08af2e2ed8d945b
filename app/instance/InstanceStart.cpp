#include "app/instance/InstanceStart.hpp"

#include <thread>
#include <vector>

namespace quorvel {
namespace {

// The copy is at the first address of ours that takes the request; one that listens but
// doesn't answer still counts as there. A stranger on an address is as good as nobody: it is
// no copy of ours, whatever it does with the name.
InstanceChannel::Delivery handOver(const std::vector<std::string>& addresses, LaunchRequest request,
                                   std::chrono::milliseconds patience, bool bringsDisplay) {
    using Delivery = InstanceChannel::Delivery;
    Delivery overall = Delivery::nobodyListens;
    for (const std::string& address : addresses) {
        const Delivery delivery = InstanceChannel::send(address, request, patience, bringsDisplay);
        if (delivery == Delivery::taken || delivery == Delivery::givenWay) return delivery;
        if (delivery == Delivery::unanswered) overall = delivery;
    }
    return overall;
}

}  // namespace

InstanceStart InstanceStart::settle(SingleInstance& instance, const std::string& channelAddress, LaunchRequest request,
                                    const std::function<void(const std::string&)>& reportError, Timing timing,
                                    bool bringsDisplay) {
    auto quitWaitEnds = std::chrono::steady_clock::now() + timing.quitWait;
    const auto patience = request == LaunchRequest::background ? std::chrono::milliseconds(0) : timing.answerWait;
    // The name anyone may bind first; the socket in the user's own folder where another user
    // holds the name.
    const std::string privateAddress = InstanceChannel::socketPathBeside(instance.lockPath());
    const std::vector<std::string> addresses{channelAddress, privateAddress};
    bool tookOver = false;
    for (;;) {
        const auto claimed = instance.claim();
        if (!claimed) {
            reportError("Couldn't check for another running copy: " + claimed.error().message);
            return InstanceStart{true, std::nullopt};
        }
        if (*claimed == SingleInstance::Outcome::elsewhere) {
            // Out of reach by name, and there to stay: told where it listens beside the lock,
            // if it does, and never waited for.
            handOver(addresses, request, patience, false);
            return InstanceStart{};
        }
        if (*claimed == SingleInstance::Outcome::first) {
            InstanceStart start{true, std::nullopt, tookOver};
            auto listening = InstanceChannel::listen(channelAddress);
            if (!listening && !instance.folderProblem()) {
                if (auto beside = InstanceChannel::listen(privateAddress)) listening = std::move(beside);
            }
            if (listening) {
                start.launches.emplace(std::move(*listening));
            } else {
                reportError("Later launches can't reach this copy: " + listening.error().message);
            }
            return start;
        }
        // Taken, or left unanswered by a copy that runs but doesn't listen to us now: either
        // way that copy is there, and this one ends.
        const auto delivery = handOver(addresses, request, patience, bringsDisplay);
        if (delivery == InstanceChannel::Delivery::taken || delivery == InstanceChannel::Delivery::unanswered) {
            return InstanceStart{};
        }
        // The copy without windows quits for this one: its quit is waited for from now.
        if (delivery == InstanceChannel::Delivery::givenWay) {
            tookOver = true;
            quitWaitEnds = std::chrono::steady_clock::now() + timing.quitWait;
        }
        if (std::chrono::steady_clock::now() >= quitWaitEnds) return InstanceStart{};
        std::this_thread::sleep_for(timing.retry);
    }
}

}  // namespace quorvel
