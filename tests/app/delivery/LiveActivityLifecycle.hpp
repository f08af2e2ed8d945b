#pragma once
// The Live Activity coordinator's testbed with what the lifecycle's tests read off the fake
// push service: the requests it saw as lines, and a wait for the next ones.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/delivery/LiveActivityTestbed.hpp"

namespace quorvel::testing {

class LiveActivityLifecycle : public LiveActivityTestbed {
protected:
    std::vector<std::string> requestLines() {
        std::vector<std::string> lines;
        for (const auto& request : fake_.requests()) {
            lines.push_back(request.method + " " + request.server + " " + request.header("apns-channel-id"));
        }
        return lines;
    }

    /// True once the fake has seen `count` requests (within ten seconds).
    bool waitForRequests(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (fake_.requests().size() < count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }
};

}  // namespace quorvel::testing
