// What the event server hands over and what it keeps: through the caller's dispatcher, at a
// stop, for an event stamped earlier and past the bound of its queue.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "app/intake/EventServer.hpp"
#include "app/intake/HTTPRequest.hpp"
#include "platform/time/BootClock.hpp"
#include "tests/app/intake/EventServerTestbed.hpp"

namespace quorvel::testing {
namespace {

using namespace std::chrono_literals;

TEST(EventServer, HandsEventsOverThroughTheCallersDispatcher) {
    std::mutex mutex;
    std::deque<std::function<void()>> mainQueue;
    std::vector<HookEvent> delivered;
    auto started = EventServer::start(
        std::nullopt, token, [&](HookEvent event) { delivered.push_back(std::move(event)); },
        [&](std::function<void()> work) {
            std::lock_guard lock(mutex);
            mainQueue.push_back(std::move(work));
        });
    ASSERT_TRUE(started);
    LoopbackClient client(started.value()->port());
    client.send(request("POST /v1/events HTTP/1.1", "Bearer " + token, eventBody()));
    EXPECT_EQ(client.readUntilClosed().bytes, HTTPRequest::responseText(202));

    // Nothing runs until the caller's own thread runs the queued work.
    EXPECT_TRUE(delivered.empty());
    std::deque<std::function<void()>> work;
    {
        std::lock_guard lock(mutex);
        work.swap(mainQueue);
    }
    ASSERT_EQ(work.size(), 1u);
    work.front()();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], sampleEvent());
}

TEST(EventServer, StopLeavesTheEventsNotHandedOverToBeTakenAndTakesNoMore) {
    std::mutex mutex;
    std::vector<std::function<void()>> handedOver;
    std::atomic<int> delivered = 0;
    auto started = EventServer::start(
        std::nullopt, token, [&delivered](HookEvent) { ++delivered; },
        [&](std::function<void()> work) {
            std::lock_guard lock(mutex);
            handedOver.push_back(std::move(work));
        });
    ASSERT_TRUE(started);
    std::unique_ptr<EventServer> stopping = std::move(*started);

    int accepted = 0;
    for (int index = 0; index < 100; ++index) {
        LoopbackClient client(stopping->port());
        client.send(request("POST /v1/events HTTP/1.1", "Bearer " + token, eventBody()));
        accepted += client.readUntilClosed().bytes == HTTPRequest::responseText(202) ? 1 : 0;
    }
    const std::uint16_t port = stopping->port();
    // The caller's thread hands over some of them before the end comes.
    std::vector<std::function<void()>> first;
    {
        std::lock_guard lock(mutex);
        first.swap(handedOver);
    }
    ASSERT_EQ(first.size(), 1u);
    first.front()();
    const int deliveredBeforeStop = delivered;
    EXPECT_GE(deliveredBeforeStop, 1);

    stopping->stop();
    const std::vector<HookEvent> waiting = stopping->takeWaitingEvents();
    EXPECT_EQ(deliveredBeforeStop + int(waiting.size()), accepted);
    EXPECT_EQ(accepted, 100);
    {
        // Whatever was still dispatched finds nothing left to hand over.
        std::lock_guard lock(mutex);
        for (auto& work : handedOver) work();
    }
    EXPECT_EQ(delivered, deliveredBeforeStop);
    EXPECT_TRUE(stopping->takeWaitingEvents().empty());
    EXPECT_FALSE(LoopbackClient(port).connected());
    stopping->stop();
}

TEST(EventServer, TellsWhetherAnEventStampedEarlierWaitsAndDoesNotBelieveOneFarAhead) {
    std::vector<std::function<void()>> handOvers;
    std::vector<HookEvent> handed;
    auto started = EventServer::start(
        std::nullopt, token, [&handed](HookEvent event) { handed.push_back(std::move(event)); },
        [&handOvers](std::function<void()> handOver) { handOvers.push_back(std::move(handOver)); });
    ASSERT_TRUE(started);
    EventServer& server = **started;
    const double now = double(std::time(nullptr));
    const auto at = [](double stamp) { return HookEvent::make("Prompt", "s2", stamp); };
    EXPECT_FALSE(server.holdsEventStampedBefore(at(now)));
    const auto postEvent = [&](const HookEvent& event) {
        LoopbackClient client(server.port());
        client.send(request("POST /v1/events HTTP/1.1", "Bearer " + token, json::dump(event.encode())));
        ASSERT_EQ(client.readUntilClosed().bytes, HTTPRequest::responseText(202));
    };
    const auto postStamped = [&](double stamp) { postEvent(HookEvent::make("Stop", "s1", stamp)); };
    postStamped(now - 10);
    postStamped(now - 20);
    // A helper under a clock a year fast: taken as the moment the server read it.
    postStamped(now + 365 * 86400.0);
    EXPECT_TRUE(server.holdsEventStampedBefore(at(now - 19)));
    EXPECT_FALSE(server.holdsEventStampedBefore(at(now - 20)));

    // Handed over, the stamps leave with their events.
    ASSERT_EQ(handOvers.size(), 1u);
    handOvers.front()();
    ASSERT_EQ(handed.size(), 3u);
    EXPECT_FALSE(server.holdsEventStampedBefore(at(now + 365 * 86400.0)));
    EXPECT_GE(handed[2].receivedAt, now - 1);
    EXPECT_LE(handed[2].receivedAt, now + 60);

    // A Stop posted after the wall clock went back five minutes, stamped on the boot clock
    // too: a prompt stamped before it on that clock is not held for it.
    const std::optional<BootStamp> boot = readBootStamp();
    ASSERT_TRUE(boot);
    HookEvent stop = HookEvent::make("Stop", "s3", now - 300);
    stop.bootSeconds = boot->seconds;
    stop.bootID = boot->bootID;
    postEvent(stop);
    HookEvent prompt = HookEvent::make("Prompt", "s3", now);
    prompt.bootSeconds = boot->seconds - 1;
    prompt.bootID = boot->bootID;
    EXPECT_FALSE(server.holdsEventStampedBefore(prompt));
    prompt.bootSeconds = boot->seconds + 1;
    EXPECT_TRUE(server.holdsEventStampedBefore(prompt));
    EXPECT_TRUE(server.holdsEventStampedBefore(at(now - 299)));
}

TEST(EventServer, PastTheQueuesBoundAnEventIsAnswered503AndNotKept) {
    std::atomic<int> dispatched = 0;
    // The caller's thread never gets round to the events: they all wait.
    auto started = EventServer::start(
        std::nullopt, token, [](HookEvent) {}, [&dispatched](std::function<void()>) { ++dispatched; });
    ASSERT_TRUE(started);
    EventServer& server = **started;
    const std::string accepted = HTTPRequest::responseText(202);
    for (std::size_t index = 0; index < EventServer::maxWaitingEvents; ++index) {
        LoopbackClient client(server.port());
        client.send(request("POST /v1/events HTTP/1.1", "Bearer " + token, eventBody()));
        ASSERT_EQ(client.readUntilClosed().bytes, accepted) << index;
    }
    LoopbackClient client(server.port());
    client.send(request("POST /v1/events HTTP/1.1", "Bearer " + token, eventBody()));
    EXPECT_EQ(client.readUntilClosed().bytes, HTTPRequest::responseText(503));
    EXPECT_EQ(dispatched, 1);
    server.stop();
    EXPECT_EQ(server.takeWaitingEvents().size(), EventServer::maxWaitingEvents);
}

}  // namespace
}  // namespace quorvel::testing
