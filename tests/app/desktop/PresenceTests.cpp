#include "app/desktop/Presence.hpp"

#include <gtest/gtest.h>

#include "tests/support/DesktopServiceLog.hpp"

namespace quorvel {
namespace {

using Event = ScreenStateMonitor::Event;
using testing::DesktopServiceLog;

class FakeScreenStateMonitor final : public ScreenStateMonitor {
public:
    explicit FakeScreenStateMonitor(Handler& started) : started_(started) {}
    void start(Handler handler) override { started_ = std::move(handler); }

private:
    Handler& started_;
};

struct Sequence {
    const char* name;
    std::vector<Event> events;
    bool away;
    std::vector<std::string> lines;
};

TEST(PresenceTest, LockAndDisplaySleepAreKeptApartAndEitherMeansAway) {
    const std::vector<Sequence> sequences = {
        {"nothing yet", {}, false, {}},
        {"lock twice", {Event::screenLocked, Event::screenLocked}, true, {"info Screen locked"}},
        {"lock, unlock", {Event::screenLocked, Event::screenUnlocked}, false, {"info Screen locked", "info Screen unlocked"}},
        {"sleep, wake", {Event::displaysAsleep, Event::displaysAwake}, false, {"info Screen locked", "info Screen unlocked"}},
        {"sleep, unlock without a wake", {Event::displaysAsleep, Event::screenUnlocked}, false,
         {"info Screen locked", "info Screen unlocked"}},
        {"lock, sleep, wake under the lock", {Event::screenLocked, Event::displaysAsleep, Event::displaysAwake}, true,
         {"info Screen locked"}},
        {"sleep, lock, wake, unlock",
         {Event::displaysAsleep, Event::screenLocked, Event::displaysAwake, Event::screenUnlocked}, false,
         {"info Screen locked", "info Screen unlocked"}},
        {"lock, sleep, unlock", {Event::screenLocked, Event::displaysAsleep, Event::screenUnlocked}, false,
         {"info Screen locked", "info Screen unlocked"}},
        {"unlock and wake while present", {Event::screenUnlocked, Event::displaysAwake}, false, {}},
    };
    for (const Sequence& sequence : sequences) {
        DesktopServiceLog log;
        ScreenStateMonitor::Handler report;
        Presence presence(std::make_unique<FakeScreenStateMonitor>(report));
        ASSERT_TRUE(report) << "the monitor was not started";
        EXPECT_FALSE(presence.screenLocked());
        for (const Event event : sequence.events) report(event);
        EXPECT_EQ(presence.screenLocked(), sequence.away) << sequence.name;
        EXPECT_EQ(log.lines("Presence"), sequence.lines) << sequence.name;
    }
}

}  // namespace
}  // namespace quorvel
