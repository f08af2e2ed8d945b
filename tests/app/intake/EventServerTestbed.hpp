#pragma once
// The event server as the tests meet it: a server on any free port with a known token whose
// events land in an inbox, a sample event and the raw request that posts it.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/intake/EventServer.hpp"
#include "tests/support/LoopbackClient.hpp"

namespace quorvel::testing {

inline const std::string token = "s3cr3t-t0ken-s3cr3t-t0ken-s3cr3t-t0ken-abc";

/// Collects delivered events, thread-safe.
class EventInbox {
public:
    void add(HookEvent event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
        changed_.notify_all();
    }
    std::vector<HookEvent> waitFor(std::size_t count, std::chrono::milliseconds wait = std::chrono::milliseconds(2000)) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, wait, [&] { return events_.size() >= count; });
        return events_;
    }
    std::vector<HookEvent> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<HookEvent> events_;
};

inline HookEvent sampleEvent() {
    HookEvent event = HookEvent::make("Stop", "session-1", 1796791648.25);
    event.cwd = "/home/a/project";
    event.backgroundTaskCount = 0;
    return event;
}

inline std::string eventBody() { return json::dump(sampleEvent().encode()); }

inline std::string request(std::string_view requestLine, std::string_view authorization, std::string_view body) {
    std::string text(requestLine);
    text += "\r\nHost: 127.0.0.1\r\n";
    if (!authorization.empty()) text += "Authorization: " + std::string(authorization) + "\r\n";
    text += "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n";
    text += body;
    return text;
}

class EventServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto started = EventServer::start(std::nullopt, token, [this](HookEvent event) { inbox.add(std::move(event)); });
        ASSERT_TRUE(started) << started.error().description;
        server = std::move(started.value());
    }

    LoopbackClient::Reply exchange(const std::string& bytes) {
        LoopbackClient client(server->port());
        EXPECT_TRUE(client.connected());
        client.send(bytes);
        return client.readUntilClosed();
    }

    EventInbox inbox;
    std::unique_ptr<EventServer> server;
};

}  // namespace quorvel::testing
