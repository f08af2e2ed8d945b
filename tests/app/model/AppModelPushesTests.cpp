// Push routing, delivery reports, test pushes and the list mirror.
#include <gtest/gtest.h>

#include "app/delivery/APNsDelivery.hpp"
#include "tests/app/model/AppModelTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::plainSpaces;
using testing::settle;

PhoneDevice phone(double updatedAt = 1000) {
    return PhoneDevice{"a1b2c3", std::nullopt, false, "Ada's iPhone", "18.2", Instant::fromReferenceSeconds(updatedAt),
                       std::nullopt};
}

class AppModelPushesTests : public ::testing::Test {
protected:
    AppModelTestbed bed;

    AppModel& makeAway() {
        AppModel& model = bed.make();
        bed.recorded.screenEvents(ScreenStateMonitor::Event::screenLocked);
        return model;
    }
};

TEST_F(AppModelPushesTests, AwayIsALockedScreenOrEnoughIdleTime) {
    AppModel& model = bed.make();
    const int queriesBefore = bed.recorded.idleQueries;

    bed.recorded.screenEvents(ScreenStateMonitor::Event::screenLocked);
    EXPECT_TRUE(model.phone().makeRouterContext(bed.clock->current).away);
    EXPECT_EQ(bed.recorded.idleQueries, queriesBefore);  // not asked while locked

    bed.recorded.screenEvents(ScreenStateMonitor::Event::screenUnlocked);
    bed.recorded.idleSeconds = 179;
    EXPECT_FALSE(model.phone().makeRouterContext(bed.clock->current).away);
    bed.recorded.idleSeconds = 180;
    EXPECT_TRUE(model.phone().makeRouterContext(bed.clock->current).away);

    AppSettings settings = model.settings();
    settings.awayMinutes = 10;
    settings.quietHoursStart = 1;
    settings.quietHoursEnd = 2;
    settings.failuresBuzzPhone = false;
    model.setSettings(settings);
    model.device().setMuted(true);
    const Router::Context context = model.phone().makeRouterContext(bed.clock->current);
    EXPECT_FALSE(context.away);
    EXPECT_TRUE(context.muted);
    EXPECT_FALSE(context.failuresBuzzPhone);
    EXPECT_EQ(context.quietStart, 1);
    EXPECT_EQ(context.quietEnd, 2);
    EXPECT_EQ(context.now, bed.clock->current);
}

TEST_F(AppModelPushesTests, ASentPushIsReportedWithItsTimeAndQuietHoursSaySilently) {
    AppModel& model = makeAway();
    bed.finishRun("s1");
    settle();
    ASSERT_EQ(bed.recorded.pushes.size(), 1u);
    EXPECT_EQ(bed.recorded.pushes[0].sound, std::optional<std::string>("fanfare.caf"));
    EXPECT_EQ(plainSpaces(model.phone().lastPushReport()), "Sent done at 9:41 PM");

    // 23:30 UTC lies in the default quiet hours (23 to 7).
    bed.clock->current = Instant::fromUnixSeconds(1736119800);
    bed.finishRun("s2");
    settle();
    ASSERT_EQ(bed.recorded.pushes.size(), 2u);
    EXPECT_FALSE(bed.recorded.pushes[1].sound.has_value());
    EXPECT_EQ(plainSpaces(model.phone().lastPushReport()), "Sent done at 11:30 PM, silently (quiet hours)");

    // Needs-you keeps its sound in the quiet hours.
    HookEvent needsYou = bed.event("Notification", "s3");
    needsYou.notificationType = "permission_prompt";
    model.sessions().handleHookEvent(needsYou, true);
    settle();
    ASSERT_EQ(bed.recorded.pushes.size(), 3u);
    EXPECT_EQ(bed.recorded.pushes[2].sound, std::optional<std::string>("alarm.caf"));
    EXPECT_EQ(plainSpaces(model.phone().lastPushReport()), "Sent needsYou at 11:30 PM");
}

TEST_F(AppModelPushesTests, AFailedPushIsReportedAndItsSessionMayBePushedAgain) {
    AppModel& model = makeAway();
    Alert done;
    done.kind = Alert::Kind::done;
    done.sessionID = "s1";
    done.headline = {"DONE.", "GO LOOK."};

    // Delivered: the same alert again is a duplicate.
    model.phone().routePush(done);
    settle();
    model.phone().routePush(done);
    settle();
    EXPECT_EQ(bed.recorded.pushes.size(), 1u);
    EXPECT_EQ(plainSpaces(model.phone().lastPushReport()), "No push for done: same state already sent (9:41 PM)");

    // Not delivered: reported, and the same alert again is sent rather than held back as a
    // duplicate of a push that never arrived.
    done.sessionID = "s2";
    bed.recorded.pushFailures.push_back("No APNs key. Import one in the settings.");
    model.phone().routePush(done);
    settle();
    EXPECT_EQ(model.phone().lastPushReport(), "Failed: No APNs key. Import one in the settings.");
    EXPECT_FALSE(AppModelTestAccess::router(model).lastSent.contains("s2"));
    const auto lines = bed.log.lines("App");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "error Push failed: No APNs key. Import one in the settings."),
              lines.end());
    model.phone().routePush(done);
    settle();
    EXPECT_EQ(bed.recorded.pushes.size(), 3u);
    EXPECT_EQ(plainSpaces(model.phone().lastPushReport()), "Sent done at 9:41 PM");
}

TEST_F(AppModelPushesTests, AFailedPushLeavesALaterKindOfItsSessionInTheRoutersMemory) {
    AppModel& model = makeAway();
    bed.recorded.pushFailures.push_back("offline");
    bed.finishRun("s1");
    // Before the failure comes back, a needs-you of the same session is decided and sent.
    HookEvent needsYou = bed.event("Notification", "s1");
    needsYou.notificationType = "permission_prompt";
    model.sessions().handleHookEvent(needsYou, true);
    settle();
    ASSERT_EQ(bed.recorded.pushes.size(), 2u);
    ASSERT_TRUE(AppModelTestAccess::router(model).lastSent.contains("s1"));
    EXPECT_EQ(AppModelTestAccess::router(model).lastSent.at("s1"), Alert::Kind::needsYou);
}

TEST_F(AppModelPushesTests, ATestPushGoesOutWhateverTheRouterWouldSay) {
    AppModel& model = bed.make();  // at the desk
    model.device().setMuted(true);
    model.phone().sendTestPush("DONE. GO LOOK.", "Test push from the computer");
    settle();
    ASSERT_EQ(bed.recorded.pushes.size(), 1u);
    const OutgoingPush& push = bed.recorded.pushes[0];
    EXPECT_EQ(push.kind, Alert::Kind::done);
    EXPECT_EQ(push.sessionID, "test");
    EXPECT_EQ(push.title, "DONE. GO LOOK.");
    EXPECT_EQ(push.body, "Test push from the computer");
    EXPECT_EQ(push.sound, std::optional<std::string>("fanfare.caf"));
    EXPECT_EQ(push.interruptionLevel, PushPayloads::InterruptionLevel::active);
    EXPECT_EQ(push.timestamp, bed.clock->current);
    EXPECT_FALSE(push.project || push.runTitle || push.duration);
    EXPECT_TRUE(AppModelTestAccess::router(model).sentAt.empty());
    EXPECT_EQ(plainSpaces(model.phone().lastPushReport()), "Sent done at 9:41 PM");
}

TEST_F(AppModelPushesTests, ATestPushIsReportedByItsOutcomeAloneWhoeverAskedForIt) {
    AppModel& model = bed.make();
    std::vector<std::string> reports;
    QObject::connect(&model.phone(), &PhonePart::lastPushReportChanged,
                     [&] { reports.push_back(plainSpaces(model.phone().lastPushReport())); });
    model.phone().setPhoneDeviceToken("a1b2c3");
    for (int press = 0; press < 2; ++press) {
        bed.recorded.pushFailures.push_back("The phone token was refused (BadDeviceToken).");
        model.phone().sendTestPush("DONE. GO LOOK.", "Test push from the computer");
        settle();
    }
    EXPECT_EQ(bed.recorded.pushes.size(), 2u);
    EXPECT_EQ(reports, std::vector<std::string>{"Failed: The phone token was refused (BadDeviceToken)."});

    // The phone's own test request reads like any other push.
    reports.clear();
    bed.recorded.phones = {phone()};
    bed.recorded.testRequests = {"test-A"};
    model.phone().syncPhone();
    settle();
    EXPECT_EQ(bed.recorded.pushes.size(), 3u);
    EXPECT_EQ(reports, std::vector<std::string>{"Sent done at 9:41 PM"});

    // A token stored before entries were checked is no device token: said, and nothing sent.
    model.phone().setPhoneDeviceToken("abc def 123 not a token");
    model.phone().sendTestPush("DONE. GO LOOK.", "Test push from the computer");
    settle();
    EXPECT_EQ(bed.recorded.pushes.size(), 3u);
    EXPECT_EQ(model.phone().lastPushReport(),
              "Not sent: the phone token doesn't look like one. Paste it again from the phone.");
}

TEST_F(AppModelPushesTests, AStoredTokenOfBlanksIsNoTokenEvenWithoutAKey) {
    // The app's own delivery, which reads the stored token as it sends.
    bed.adjust = [](AppServices& services) {
        services.apns = std::make_shared<APNsDelivery>(*services.keychain, *services.defaults);
    };
    AppModel& model = bed.make();
    for (const char* blanks : {" ", "   \t", "\n"}) {
        model.phone().setPhoneDeviceToken(blanks);
        model.phone().sendTestPush("DONE. GO LOOK.", "Test push from the computer");
        settle();
        EXPECT_EQ(model.phone().lastPushReport(),
                  "Failed: No phone token yet. Copy it from the phone's Settings into Settings \u203A Phone.")
            << '"' << blanks << '"';
    }
}

TEST_F(AppModelPushesTests, ListsArePublishedOnlyToAPairedPhoneAndOnlyWhenTheyChanged) {
    AppModel& model = bed.make();
    bed.finishRun("s1");
    model.sessions().tick();
    settle();
    EXPECT_TRUE(bed.recorded.published.empty());

    bed.recorded.phones = {phone()};
    model.phone().syncPhone();
    settle();
    model.sessions().tick();
    settle();
    ASSERT_EQ(bed.recorded.published.size(), 1u);
    EXPECT_EQ(bed.recorded.published[0].finished, model.sessions().finished());
    for (const RunningRow& row : bed.recorded.published[0].running) EXPECT_FALSE(row.onScreen);
    EXPECT_FALSE(AppModelTestAccess::publishingMirror(model));

    // Time passes, nothing changes: not published again.
    bed.clock->current = bed.clock->current.adding(60);
    model.sessions().tick();
    settle();
    EXPECT_EQ(bed.recorded.published.size(), 1u);

    // A failed publication is tried again on the next tick.
    bed.finishRun("s2");
    bed.recorded.publishFailure = "iCloud is busy";
    model.sessions().tick();
    settle();
    EXPECT_EQ(bed.recorded.published.size(), 2u);
    const auto lines = bed.log.lines("App");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "error Publishing the lists failed: iCloud is busy"), lines.end());
    bed.recorded.publishFailure.reset();
    model.sessions().tick();
    settle();
    EXPECT_EQ(bed.recorded.published.size(), 3u);
    EXPECT_EQ(AppModelTestAccess::publishedMirror(model)->finished, model.sessions().finished());
}

}  // namespace
}  // namespace quorvel
