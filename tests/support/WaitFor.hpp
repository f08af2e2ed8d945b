#pragma once
// Waiting for another process to get somewhere: the condition is asked again every 10 ms
// until it holds or the limit has passed. The limits are generous, since the suites run on a
// loaded machine; a test bounds how long it waits, never how quickly something happens.
#include <chrono>
#include <functional>
#include <thread>

namespace quorvel::testing {

inline bool waitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace quorvel::testing
