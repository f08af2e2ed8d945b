// Pairing with the phone through its iCloud records.
#include <gtest/gtest.h>

#include "kit/engine/CopyBook.hpp"
#include "kit/push/RecordStoreTokenSync.hpp"
#include "platform/services/InMemoryRecordStore.hpp"
#include "tests/app/model/AppModelTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::plainSpaces;
using testing::settle;

const double updatedAtReference = testing::evening.referenceSeconds();

PhoneDevice phone(std::optional<bool> alwaysPush = std::nullopt, double updatedAt = updatedAtReference) {
    return PhoneDevice{"a1b2c3", "start-token", true, "Ada's iPhone", "18.2", Instant::fromReferenceSeconds(updatedAt),
                       alwaysPush};
}

bool logged(const AppModelTestbed& bed, const std::string& line) {
    const auto lines = bed.log.lines("App");
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(AppModelPhoneTests, WithoutAPhoneTheRequestsWaitAndTheReportSaysSo) {
    AppModelTestbed bed;
    bed.recorded.testRequests = {"test-1", "test-2", "test-3"};
    AppModel& model = bed.make();
    EXPECT_EQ(model.phone().pairingReport(), "No phone found in iCloud yet. Open Quorvel on the phone once.");
    EXPECT_TRUE(logged(bed, "notice iCloud fetch: 0 phone(s), 3 test request(s)"));
    EXPECT_TRUE(bed.recorded.pushes.empty());
    EXPECT_EQ(bed.recorded.testRequests.size(), 3u);
    EXPECT_FALSE(model.phone().pairedPhone().has_value());
}

TEST(AppModelPhoneTests, TheNewestPhoneIsPairedAcknowledgedAndItsTestRequestsAnswered) {
    AppModelTestbed bed;
    PhoneDevice older = phone();
    older.name = "Old iPhone";
    older.updatedAt = older.updatedAt.adding(-86400);
    bed.recorded.phones = {phone(), older};
    bed.recorded.testRequests = {"test-A", "test-B"};
    AppModel& model = bed.make();

    EXPECT_EQ(model.phone().pairedPhone(), std::optional<PhoneDevice>(phone()));
    EXPECT_EQ(plainSpaces(model.phone().pairingReport()), "Sending to: Ada's iPhone (iOS 18.2), updated Jan 5, 2025, 9:41 PM");
    EXPECT_EQ(model.phone().phoneDeviceToken(), "a1b2c3");
    EXPECT_EQ(bed.defaults->stringValue("phoneDeviceToken"), std::optional<std::string>("a1b2c3"));

    ASSERT_EQ(bed.recorded.acks.size(), 1u);
    EXPECT_EQ(bed.recorded.acks[0],
              (MacAck{"a1b2c3", std::optional<std::string>("start-token"), "Ada's Mac", bed.clock->current, false}));

    ASSERT_EQ(bed.recorded.pushes.size(), 2u);
    for (const OutgoingPush& push : bed.recorded.pushes) {
        EXPECT_EQ(push.title, CopyBook::testPushTitle);
        EXPECT_EQ(push.body, CopyBook::testPushBody);
        EXPECT_EQ(push.sessionID, "test");
    }
    EXPECT_EQ(bed.recorded.deletedRequests, (std::vector<std::string>{"test-A", "test-B"}));
    EXPECT_TRUE(logged(bed, "notice iCloud fetch: 2 phone(s), 2 test request(s)"));
    EXPECT_TRUE(logged(bed, "notice Phone asked for a test push: test-A"));
    EXPECT_TRUE(logged(bed, "notice Phone asked for a test push: test-B"));
    EXPECT_EQ(bed.recorded.syncCalls,
              (std::vector<std::string>{"ensureSubscription", "fetchChanges", "testRequests", "acknowledge",
                                        "takeTestRequests", "deleteTestRequest", "deleteTestRequest"}));
}

TEST(AppModelPhoneTests, OnlyAChangedPhoneRecordMakesTheTicksAttentiveAgain) {
    AppModelTestbed bed;
    bed.recorded.phones = {phone()};
    AppModel& model = bed.make();
    for (int tick = 0; tick < 5; ++tick) {
        model.sessions().tick();
        settle();
    }
    ASSERT_EQ(AppModelTestAccess::attentiveTicks(model), 31);
    const std::size_t acks = bed.recorded.acks.size();

    model.phone().syncPhone();
    settle();
    EXPECT_EQ(AppModelTestAccess::attentiveTicks(model), 31);
    EXPECT_EQ(bed.recorded.acks.size(), acks + 1);  // acknowledged again all the same

    bed.recorded.phones[0].systemVersion = "18.3";
    model.phone().syncPhone();
    settle();
    EXPECT_EQ(AppModelTestAccess::attentiveTicks(model), 36);
    EXPECT_EQ(model.phone().pairedPhone()->systemVersion, "18.3");

    // An empty list later keeps the paired phone; only the report changes.
    bed.recorded.phones.clear();
    model.phone().syncPhone();
    settle();
    EXPECT_TRUE(model.phone().pairedPhone().has_value());
    EXPECT_EQ(model.phone().pairingReport(), "No phone found in iCloud yet. Open Quorvel on the phone once.");
}

TEST(AppModelPhoneTests, ThePhonesPreferenceIsAppliedOncePerRecordUpdate) {
    struct Case {
        const char* name;
        std::optional<bool> alwaysPush;
        double appliedBefore;  // reference seconds stored under "appliedPhonePrefsAt"; NaN: none
        bool applied;
    };
    const double none = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"first preference ever", true, none, true},
        {"later than the last applied", true, updatedAtReference - 1, true},
        {"same update time", true, updatedAtReference, false},
        {"no preference", std::nullopt, none, false},
    };
    for (const Case& c : cases) {
        AppModelTestbed bed;
        if (!std::isnan(c.appliedBefore)) {
            bed.defaults->setDate("appliedPhonePrefsAt", Instant::fromReferenceSeconds(c.appliedBefore));
        }
        bed.recorded.phones = {phone(c.alwaysPush)};
        AppModel& model = bed.make();
        EXPECT_EQ(model.settings().alwaysPushToPhone, c.applied) << c.name;
        EXPECT_EQ(AppSettings::load(*bed.defaults).alwaysPushToPhone, c.applied) << c.name;
        ASSERT_FALSE(bed.recorded.acks.empty()) << c.name;
        EXPECT_EQ(bed.recorded.acks.back().alwaysPush, c.applied) << c.name;
        if (c.applied) {
            EXPECT_EQ(AppModelTestAccess::appliedPhonePrefsAt(model), phone().updatedAt) << c.name;
            EXPECT_EQ(bed.defaults->dateValue("appliedPhonePrefsAt"), std::optional<Instant>(phone().updatedAt))
                << c.name;
        }
    }

    // A local change after the preference was applied stays until the phone writes again.
    AppModelTestbed bed;
    bed.recorded.phones = {phone(true)};
    AppModel& model = bed.make();
    AppSettings settings = model.settings();
    settings.alwaysPushToPhone = false;
    model.setSettings(settings);
    model.phone().syncPhone();
    settle();
    EXPECT_FALSE(model.settings().alwaysPushToPhone);
}

TEST(AppModelPhoneTests, AHostWithoutANameIsAcknowledgedAsMac) {
    AppModelTestbed bed;
    bed.hostName = std::nullopt;
    bed.recorded.phones = {phone()};
    bed.make();
    ASSERT_EQ(bed.recorded.acks.size(), 1u);
    EXPECT_EQ(bed.recorded.acks[0].macName, "Mac");
}

TEST(AppModelPhoneTests, AMinuteWithoutICloudLogsTheSyncFailureOnce) {
    AppModelTestbed bed;
    const std::string noAccount = "iCloud isn't available (no account). Sign in to iCloud on both devices.";
    bed.recorded.fetchFailure = noAccount;
    AppModel& model = bed.make();
    const auto failures = [&bed] {
        std::vector<std::string> found;
        for (const std::string& line : bed.log.lines("App")) {
            if (line.rfind("error Fetching the phone record failed: ", 0) == 0) found.push_back(line);
        }
        return found;
    };
    // The first minute syncs on every tick.
    for (int tick = 0; tick < 12; ++tick) {
        bed.clock->current = bed.clock->current.adding(5);
        model.sessions().tick();
        settle();
    }
    EXPECT_EQ(std::count(bed.recorded.syncCalls.begin(), bed.recorded.syncCalls.end(), "fetchChanges"), 13);
    EXPECT_EQ(failures(), std::vector<std::string>{"error Fetching the phone record failed: " + noAccount});
    EXPECT_EQ(model.phone().pairingReport(), noAccount);

    // After a success the same failure is news again.
    bed.recorded.fetchFailure.reset();
    model.phone().syncPhone();
    bed.recorded.fetchFailure = noAccount;
    model.phone().syncPhone();
    settle();
    EXPECT_EQ(failures().size(), 2u);
}

TEST(AppModelPhoneTests, WithoutICloudOnTheDesktopTheStartSaysSoOnceAndLogsNoError) {
    AppModelTestbed bed;
    const std::string noAccount = "iCloud isn't available (no account). Sign in to iCloud on both devices.";
    bed.recorded.subscriptionFailure = noAccount;
    bed.recorded.fetchFailure = noAccount;
    bed.adjust = [](AppServices& services) { services.iCloudAvailable = false; };
    AppModel& model = bed.make();
    for (int tick = 0; tick < 12; ++tick) {
        bed.clock->current = bed.clock->current.adding(5);
        model.sessions().tick();
        settle();
    }
    EXPECT_GE(std::count(bed.recorded.syncCalls.begin(), bed.recorded.syncCalls.end(), "fetchChanges"), 2);
    std::vector<std::string> errors;
    std::vector<std::string> notes;
    for (const std::string& line : bed.log.lines("App")) {
        if (line.rfind("error ", 0) == 0 || line.rfind("fault ", 0) == 0) errors.push_back(line);
        if (line == "info " + std::string(PhonePart::noICloudNote)) notes.push_back(line);
    }
    EXPECT_TRUE(errors.empty()) << ::testing::PrintToString(errors);
    EXPECT_EQ(notes.size(), 1u);
    // The settings say what the user does here, not to sign in to an iCloud this computer lacks.
    EXPECT_FALSE(model.phone().iCloudAvailable());
    EXPECT_EQ(model.phone().pairingReport(), "This computer has no iCloud: alerts go to the phone whose token is pasted below.");
}

TEST(AppModelPhoneTests, WithoutICloudOnTheDesktopNoPairingReportAsksToSignIn) {
    AppModelTestbed bed;
    bed.adjust = [](AppServices& services) {
        services.tokenSync = std::make_shared<RecordStoreTokenSync>(
            std::make_shared<InMemoryRecordStore>(services.clock, AccountStatus::noAccount), services.defaults,
            services.clock);
        services.iCloudAvailable = false;
    };
    std::vector<std::string> reports;
    AppModel& model = bed.make();
    QObject::connect(&model.phone(), &PhonePart::pairingReportChanged,
                     [&] { reports.push_back(model.phone().pairingReport()); });
    reports.push_back(model.phone().pairingReport());
    model.phone().syncPhone();
    for (int tick = 0; tick < 3; ++tick) {
        bed.clock->current = bed.clock->current.adding(5);
        model.sessions().tick();
        settle();
    }
    for (const std::string& report : reports) {
        EXPECT_EQ(report.find("Sign in"), std::string::npos) << report;
        EXPECT_EQ(report.find("Looking for the phone in iCloud"), std::string::npos) << report;
    }
    EXPECT_EQ(model.phone().pairingReport(), "This computer has no iCloud: alerts go to the phone whose token is pasted below.");
}

TEST(AppModelPhoneTests, FailuresAreLoggedAndReportedWhereTheUserLooks) {
    AppModelTestbed bed;
    bed.recorded.subscriptionFailure = "The network is down.";
    bed.recorded.fetchFailure = "The network is down.";
    AppModel& model = bed.make();
    EXPECT_EQ(model.phone().pairingReport(), "The network is down.");
    EXPECT_TRUE(logged(bed, "error CloudKit subscription failed: The network is down."));
    EXPECT_TRUE(logged(bed, "error Fetching the phone record failed: The network is down."));

    // A refused acknowledgement or delete doesn't stop the test requests from being answered.
    bed.recorded.fetchFailure.reset();
    bed.recorded.acknowledgeFailure = "quota";
    bed.recorded.deleteFailure = "gone";
    bed.recorded.phones = {phone()};
    bed.recorded.testRequests = {"test-1", "test-2"};
    model.phone().syncPhone();
    settle();
    EXPECT_EQ(bed.recorded.pushes.size(), 2u);
    EXPECT_EQ(bed.recorded.deletedRequests.size(), 2u);
    EXPECT_TRUE(logged(bed, "error Acknowledging the phone failed: quota"));
    EXPECT_TRUE(logged(bed, "error Clearing a test request failed: gone"));
}

TEST(AppModelPhoneTests, WithoutAnICloudAccountThePairingReportSaysSo) {
    AppModelTestbed bed;
    bed.adjust = [](AppServices& services) {
        services.tokenSync = std::make_shared<RecordStoreTokenSync>(
            std::make_shared<InMemoryRecordStore>(services.clock, AccountStatus::noAccount), services.defaults,
            services.clock);
    };
    AppModel& model = bed.make();
    EXPECT_EQ(model.phone().pairingReport(), "iCloud isn't available (no account). Sign in to iCloud on both devices.");
    EXPECT_FALSE(model.phone().pairedPhone().has_value());
    model.sessions().tick();
    settle();
    EXPECT_EQ(model.phone().pairingReport(), "iCloud isn't available (no account). Sign in to iCloud on both devices.");
}

}  // namespace
}  // namespace quorvel
