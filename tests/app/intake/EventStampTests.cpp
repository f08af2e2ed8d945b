#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/intake/EventStamp.hpp"
#include "app/intake/WaitingStamps.hpp"

namespace quorvel {
namespace {

const std::string thisBoot = "0f9e4cf4-54b6-4c4a-9d39-1b4b8a3c0e11";
const std::string lastBoot = "7d1c2a50-6a3e-4f44-8a59-2b0f5e9d7c22";

HookEvent stamped(const std::string& name, double receivedAt, std::optional<double> bootSeconds = std::nullopt,
                  const std::string& boot = thisBoot) {
    HookEvent event = HookEvent::make(name, "s", receivedAt);
    if (bootSeconds) {
        event.bootSeconds = bootSeconds;
        event.bootID = boot;
    }
    return event;
}

std::vector<std::string> namesInReceiveOrder(std::vector<HookEvent> events) {
    sortByReceiveOrder(events, [](const HookEvent& event) -> const HookEvent& { return event; });
    std::vector<std::string> names;
    for (const HookEvent& event : events) names.push_back(event.event.text());
    return names;
}

TEST(EventStamp, EventsOfOneBootFollowTheBootClockWhateverTheWallClockDid) {
    // The wall clock stepped back five minutes between the prompt and its Stop.
    const HookEvent prompt = stamped("Prompt", 1000, 50);
    const HookEvent stop = stamped("Stop", 710, 60);
    EXPECT_TRUE(stampedBefore(prompt, stop));
    EXPECT_FALSE(stampedBefore(stop, prompt));
    EXPECT_EQ(namesInReceiveOrder({stop, prompt}), (std::vector<std::string>{"Prompt", "Stop"}));
    // ... or forward an hour.
    EXPECT_EQ(namesInReceiveOrder({stamped("Stop", 4610, 60), stamped("Prompt", 1000, 50)}),
              (std::vector<std::string>{"Prompt", "Stop"}));
}

TEST(EventStamp, EventsOfDifferentBootsOrWithoutABootStampGoByTheWallClock) {
    // Spooled before a restart of the machine: its boot clock started again from nothing.
    const HookEvent before = stamped("Before", 1000, 5000, lastBoot);
    const HookEvent after = stamped("After", 2000, 30);
    EXPECT_TRUE(stampedBefore(before, after));
    EXPECT_FALSE(stampedBefore(after, before));
    EXPECT_EQ(namesInReceiveOrder({after, before}), (std::vector<std::string>{"Before", "After"}));

    // An older helper's event beside a stamped one.
    const HookEvent older = stamped("Older", 1500);
    EXPECT_TRUE(stampedBefore(older, after));
    EXPECT_TRUE(stampedBefore(before, older));
    EXPECT_EQ(namesInReceiveOrder({after, older, before}), (std::vector<std::string>{"Before", "Older", "After"}));
}

TEST(EventStamp, WithoutBootStampsTheOrderIsTheWallClocksWithTiesInTheGivenOrder) {
    EXPECT_EQ(namesInReceiveOrder({stamped("Later", 1205), stamped("Earlier", 1201), stamped("TieFirst", 1203),
                                   stamped("TieSecond", 1203)}),
              (std::vector<std::string>{"Earlier", "TieFirst", "TieSecond", "Later"}));
    EXPECT_TRUE(namesInReceiveOrder({}).empty());
}

TEST(EventStamp, ABootChainStaysInItsOrderWhenMergedWithTheRest) {
    // The boot's events in boot order are P (wall 1000), S (wall 710, after a step back); an
    // older helper's event at 800 can't be put between them by both rules at once: it goes
    // by the wall stamps of the heads, and P and S keep their order.
    const auto order = namesInReceiveOrder({stamped("S", 710, 60), stamped("Old", 800), stamped("P", 1000, 50)});
    EXPECT_EQ(order, (std::vector<std::string>{"Old", "P", "S"}));
}

TEST(EventStamp, WaitingStampsTellWhetherAnEarlierEventWaits) {
    WaitingStamps waiting;
    const HookEvent stop = stamped("Stop", 710, 60);
    const HookEvent prompt = stamped("Prompt", 1000, 50);
    EXPECT_FALSE(waiting.holdsOneBefore(prompt));

    waiting.insert(stop);
    // The Stop waits: the prompt, received before it on the boot clock, need not wait for it.
    EXPECT_FALSE(waiting.holdsOneBefore(prompt));
    waiting.insert(prompt);
    EXPECT_TRUE(waiting.holdsOneBefore(stamped("Next", 700, 70)));
    EXPECT_FALSE(waiting.holdsOneBefore(stamped("Other boot", 700, 1, lastBoot)));
    EXPECT_TRUE(waiting.holdsOneBefore(stamped("Other boot", 720, 1, lastBoot)));
    EXPECT_TRUE(waiting.holdsOneBefore(stamped("Unstamped", 720)));

    waiting.erase(prompt);
    waiting.erase(stop);
    EXPECT_TRUE(waiting.empty());
    EXPECT_FALSE(waiting.holdsOneBefore(stamped("Unstamped", 5000)));
    waiting.insert(stamped("Unstamped", 10));
    EXPECT_TRUE(waiting.holdsOneBefore(stamped("Stamped", 20, 1)));
    waiting.clear();
    EXPECT_TRUE(waiting.empty());
}

TEST(EventStamp, AStampFarAheadIsNotBelieved) {
    const BootStamp bootNow{100, thisBoot};
    HookEvent ahead = stamped("Stop", 2000, 500);
    EXPECT_TRUE(believeStamp(ahead, 1000, bootNow));
    EXPECT_EQ(ahead.receivedAt, 1000);
    // Nor is a boot clock far ahead of this boot's: the event goes by the wall clock.
    EXPECT_FALSE(ahead.bootSeconds || ahead.bootID);

    HookEvent believed = stamped("Stop", 1050, 150);
    EXPECT_FALSE(believeStamp(believed, 1000, bootNow));
    EXPECT_EQ(believed, stamped("Stop", 1050, 150));
    // Another boot's clock can't be compared with this one's.
    HookEvent earlierBoot = stamped("Stop", 900, 90000, lastBoot);
    EXPECT_FALSE(believeStamp(earlierBoot, 1000, bootNow));
    EXPECT_EQ(earlierBoot.bootSeconds, std::optional<double>(90000));
    HookEvent unknownBoot = stamped("Stop", 900, 90000);
    EXPECT_FALSE(believeStamp(unknownBoot, 1000, std::nullopt));
}

}  // namespace
}  // namespace quorvel
