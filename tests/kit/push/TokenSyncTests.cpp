// The phone exchange over a record store, with the Mac and a simulated phone sharing one
// in-memory database.
#include <gtest/gtest.h>

#include <regex>

#include "kit/push/RecordStoreTokenSync.hpp"
#include "platform/services/InMemoryRecordStore.hpp"
#include "platform/text/Base64.hpp"
#include "tests/support/FixedClock.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using Code = RecordStoreError::Code;
using Operation = InMemoryRecordStore::Operation;

const char* const noAccountText = "iCloud isn't available (no account). Sign in to iCloud on both devices.";

PhoneDevice phoneUpdatedAt(double hour, std::string token = "a1b2c3") {
    return PhoneDevice{std::move(token), std::nullopt, false,
                       "Ada's iPhone",   "18.2",       Instant::fromReferenceSeconds(760000000.0 + hour * 3600),
                       std::nullopt};
}

std::vector<std::string> tokensOf(const std::vector<PhoneDevice>& devices) {
    std::vector<std::string> tokens;
    for (const PhoneDevice& device : devices) tokens.push_back(device.deviceToken);
    return tokens;
}

struct TokenSyncTest : ::testing::Test {
    testing::TemporaryFolder folder;
    std::shared_ptr<testing::FixedClock> clock =
        std::make_shared<testing::FixedClock>(Instant::fromReferenceSeconds(760000000.0));
    std::shared_ptr<InMemoryRecordStore> store = std::make_shared<InMemoryRecordStore>(clock);
    std::shared_ptr<KeyValueStore> macDefaults = std::make_shared<KeyValueStore>(folder / "mac.json");
    std::shared_ptr<KeyValueStore> phoneDefaults = std::make_shared<KeyValueStore>(folder / "phone.json");
    RecordStoreTokenSync mac{store, macDefaults, clock};
    RecordStoreTokenSync phone{store, phoneDefaults, clock};
    const RecordZoneID zone{"Quorvel"};

    void saveDevice(const PhoneDevice& device, const std::string& name) { ASSERT_TRUE(phone.saveDevice(device, name)); }
    std::vector<std::string> fetchedTokens() {
        auto fetched = mac.fetchChanges();
        EXPECT_TRUE(fetched) << fetched.error().description;
        return fetched ? tokensOf(fetched.value()) : std::vector<std::string>{"failed"};
    }
    void deleteRecord(const std::string& name) {
        ASSERT_TRUE(store->modifyRecords({}, {RecordID{name, zone}}, RecordStore::SavePolicy::allKeys, true));
    }
};

TEST_F(TokenSyncTest, WithoutAnAccountEveryCallButTheDeleteFailsBeforeTouchingTheDatabase) {
    const std::pair<int, const char*> statuses[] = {{0, "could not determine"},
                                                    {2, "restricted"},
                                                    {3, "no account"},
                                                    {4, "temporarily unavailable"},
                                                    {7, "status 7"}};
    for (const auto& [status, text] : statuses) EXPECT_EQ(TokenSync::Problem::noAccount(status).text, text);

    store->setAccountStatus(AccountStatus::noAccount);
    const TokenSync::Failure expected{noAccountText};
    EXPECT_EQ(mac.ensureSubscription().error(), expected);
    EXPECT_EQ(mac.fetchChanges().error(), expected);
    EXPECT_EQ(mac.acknowledge(MacAck{}).error(), expected);
    EXPECT_EQ(mac.publishLists(ListMirror{}).error(), expected);
    EXPECT_EQ(phone.saveDevice(phoneUpdatedAt(0), "phone-1").error(), expected);
    EXPECT_EQ(phone.fetchAck().error(), expected);
    EXPECT_EQ(phone.fetchLists().error(), expected);
    EXPECT_EQ(phone.requestTest().error(), expected);
    EXPECT_FALSE(mac.isAvailable());
    EXPECT_TRUE(mac.takeTestRequests().empty());
    for (Operation operation : {Operation::saveZone, Operation::saveSubscription, Operation::fetchRecord,
                                Operation::modifyRecords, Operation::zoneChanges}) {
        EXPECT_EQ(store->calls(operation), 0);
    }

    store->setAccountStatus(static_cast<AccountStatus>(7));
    EXPECT_EQ(mac.fetchChanges().error().description,
              "iCloud isn't available (status 7). Sign in to iCloud on both devices.");
    store->setAccountStatus(AccountStatus::available);
    store->failNext(Operation::accountStatus, {Code::networkUnavailable, "The network is down."});
    EXPECT_EQ(mac.fetchChanges().error().description, "The network is down.");
    EXPECT_TRUE(mac.isAvailable());
}

TEST_F(TokenSyncTest, TheSubscriptionMakesTheZoneAndOneSilentDatabaseSubscription) {
    ASSERT_TRUE(mac.ensureSubscription());
    ASSERT_TRUE(mac.ensureSubscription());
    EXPECT_TRUE(store->hasZone(zone));
    EXPECT_EQ(store->subscriptions(), (std::vector<DatabaseSubscription>{{"quorvel-devices", true}}));
}

TEST_F(TokenSyncTest, APhoneAndTheMacPairThroughTheirRecords) {
    testing::LogCapture log;
    // Before either side wrote anything the phone reads nothing, and no error.
    EXPECT_EQ(phone.fetchAck().value(), std::nullopt);
    EXPECT_EQ(phone.fetchLists().value(), std::nullopt);

    PhoneDevice device = phoneUpdatedAt(0);
    device.pushToStartToken = "start-1";
    device.alwaysPush = true;
    saveDevice(device, "phone-1");
    EXPECT_NE(log.text().find("info com.tessaloom.quorvel [TokenSync] Saved phone record phone-1"), std::string::npos);

    auto phones = mac.fetchChanges();
    ASSERT_TRUE(phones);
    ASSERT_EQ(phones->size(), 1u);
    EXPECT_EQ(phones->front(), device);

    const MacAck ack{device.deviceToken, device.pushToStartToken, "Ada's Mac", clock->current, true};
    ASSERT_TRUE(mac.acknowledge(ack));
    EXPECT_EQ(phone.fetchAck().value(), ack);

    ASSERT_TRUE(phone.requestTest());
    ASSERT_TRUE(mac.fetchChanges());
    const std::vector<TokenSync::TestRequest> requests = mac.testRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        requests[0], std::regex("test-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
        << requests[0];
    EXPECT_EQ(store->record(RecordID{requests[0], zone})->dateField("requestedAt"), clock->current);
    EXPECT_EQ(mac.takeTestRequests(), requests);
    EXPECT_TRUE(mac.testRequests().empty());
    ASSERT_TRUE(mac.deleteTestRequest(requests[0]));
    EXPECT_FALSE(store->record(RecordID{requests[0], zone}));

    ListMirror mirror;
    mirror.running.push_back(RunningRow{"s1", std::string("web"), "Fix the build",
                                        SessionState::running(quorvel::Run{clock->current, "Fix the build"}),
                                        clock->current, std::nullopt, true});
    mirror.updatedAt = clock->current.adding(0.0004);
    ASSERT_TRUE(mac.publishLists(mirror));
    EXPECT_EQ(phone.fetchLists().value(), mirror);
    const std::optional<Record> lists = store->record(RecordID{"lists", zone});
    EXPECT_EQ(lists->recordType(), "Lists");
    EXPECT_EQ(lists->bytesField("payload")->data, json::dump(mirror.encode()));
}

TEST_F(TokenSyncTest, AcknowledgingAgainUpdatesTheOneMacRecord) {
    ASSERT_TRUE(mac.ensureSubscription());
    const MacAck first{"a1b2c3", std::string("start-1"), "Ada's Mac", clock->current, true};
    ASSERT_TRUE(mac.acknowledge(first));
    MacAck second = first;
    second.pushToStartToken.reset();
    second.alwaysPush = false;
    ASSERT_TRUE(mac.acknowledge(second));
    const std::vector<Record> records = store->records(zone);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].recordID().recordName, "mac");
    EXPECT_EQ(records[0].recordType(), "Mac");
    EXPECT_EQ(records[0].field("pushToStartToken"), nullptr);
    EXPECT_EQ(records[0].integerField("alwaysPush"), 0);
    EXPECT_EQ(phone.fetchAck().value(), second);
}

TEST_F(TokenSyncTest, AListsRecordThatHoldsNoMirrorIsNoneOrAFailure) {
    ASSERT_TRUE(mac.ensureSubscription());
    Record lists("Lists", RecordID{"lists", zone});
    lists.setField("payload", std::string("{}"));
    ASSERT_TRUE(store->modifyRecords({lists}, {}, RecordStore::SavePolicy::allKeys, true));
    EXPECT_EQ(phone.fetchLists().value(), std::nullopt);

    lists.setField("payload", RecordBytes{"{\"running\":[]}"});
    ASSERT_TRUE(store->modifyRecords({lists}, {}, RecordStore::SavePolicy::allKeys, true));
    auto broken = phone.fetchLists();
    ASSERT_FALSE(broken);
    EXPECT_NE(broken.error().description.find("can't be read"), std::string::npos);

    store->failNext(Operation::fetchRecord, {Code::networkUnavailable, "offline"});
    EXPECT_EQ(phone.fetchAck().error().description, "offline");
}

TEST_F(TokenSyncTest, ADeviceSavedWhenItsRecordCantBeFetchedReplacesTheServersCopy) {
    saveDevice(phoneUpdatedAt(0), "phone-1");
    Record stale = store->record(RecordID{"phone-1", zone}).value();
    stale.setField("leftover", std::string("old"));
    ASSERT_TRUE(store->modifyRecords({stale}, {}, RecordStore::SavePolicy::allKeys, true));

    store->failNext(Operation::fetchRecord, {Code::networkFailure, "timed out"});
    saveDevice(phoneUpdatedAt(1), "phone-1");
    const Record saved = store->record(RecordID{"phone-1", zone}).value();
    EXPECT_EQ(saved.field("leftover"), nullptr);
    EXPECT_EQ(PhoneDevice::fromRecord(saved), phoneUpdatedAt(1));
}

TEST_F(TokenSyncTest, TheFirstFetchReadsTheWholeZoneNewestFirstAndStoresBothEntries) {
    saveDevice(phoneUpdatedAt(10, "ten"), "a");
    saveDevice(phoneUpdatedAt(12, "noon"), "b");
    saveDevice(phoneUpdatedAt(11, "eleven"), "c");
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"noon", "eleven", "ten"}));
    EXPECT_TRUE(macDefaults->jsonValue("tokenSyncDevices"));
    const std::optional<std::string> token = macDefaults->stringValue("tokenSyncChangeToken");
    ASSERT_TRUE(token);
    EXPECT_TRUE(base64::decode(*token));

    // A later fetch asks only for what changed, and the cache fills in the rest.
    saveDevice(phoneUpdatedAt(13, "one"), "d");
    const int before = store->calls(Operation::zoneChanges);
    store->setPageSize(1);
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"one", "noon", "eleven", "ten"}));
    EXPECT_EQ(store->calls(Operation::zoneChanges), before + 1);
}

TEST_F(TokenSyncTest, DeletedDevicesDisappearAndDeletedTestRequestsLeaveTheCollectedOnes) {
    saveDevice(phoneUpdatedAt(1, "old"), "a");
    saveDevice(phoneUpdatedAt(2, "new"), "b");
    ASSERT_TRUE(phone.requestTest());
    ASSERT_TRUE(mac.fetchChanges());
    ASSERT_EQ(mac.testRequests().size(), 1u);

    deleteRecord("b");
    deleteRecord(mac.testRequests()[0]);
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"old"}));
    EXPECT_EQ(mac.testRequests().size(), 1u);
}

TEST_F(TokenSyncTest, PagesAreFollowedToTheEndAndNothingIsStoredBeforeTheLastOne) {
    store->setPageSize(1);
    saveDevice(phoneUpdatedAt(1, "first"), "a");
    saveDevice(phoneUpdatedAt(2, "second"), "b");

    // The first page comes, the second fails.
    store->failNext(Operation::zoneChanges, {Code::networkFailure, "lost"}, 1, 1);
    EXPECT_EQ(mac.fetchChanges().error().description, "lost");
    EXPECT_FALSE(macDefaults->contains("tokenSyncChangeToken"));
    EXPECT_FALSE(macDefaults->contains("tokenSyncDevices"));

    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"second", "first"}));
    const std::string stored = *base64::decode(*macDefaults->stringValue("tokenSyncChangeToken"));
    // The stored token is the last page's: nothing more comes after it.
    auto after = store->zoneChanges(zone, stored);
    ASSERT_TRUE(after);
    EXPECT_TRUE(after->modifications.empty());
    EXPECT_FALSE(after->moreComing);
}

TEST_F(TokenSyncTest, AFailureOnALaterPageLeavesBothEntriesAsTheyWere) {
    saveDevice(phoneUpdatedAt(1, "first"), "a");
    ASSERT_EQ(fetchedTokens(), (std::vector<std::string>{"first"}));
    const auto cache = macDefaults->jsonValue("tokenSyncDevices");
    const auto token = macDefaults->stringValue("tokenSyncChangeToken");

    store->setPageSize(1);
    saveDevice(phoneUpdatedAt(2, "second"), "b");
    saveDevice(phoneUpdatedAt(3, "third"), "c");
    store->failNext(Operation::zoneChanges, {Code::networkFailure, "lost"}, 1, 1);
    EXPECT_FALSE(mac.fetchChanges());
    EXPECT_EQ(macDefaults->jsonValue("tokenSyncDevices"), cache);
    EXPECT_EQ(macDefaults->stringValue("tokenSyncChangeToken"), token);
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"third", "second", "first"}));
}

TEST_F(TokenSyncTest, AnExpiredTokenStartsOverWithAnEmptyCache) {
    saveDevice(phoneUpdatedAt(1, "kept"), "a");
    ASSERT_EQ(fetchedTokens(), (std::vector<std::string>{"kept"}));
    // A device the cache holds but the zone no longer does (gone while the token was old).
    json::Json cache = *macDefaults->jsonValue("tokenSyncDevices");
    cache["ghost"] = phoneUpdatedAt(5, "ghost").encode();
    macDefaults->setJson("tokenSyncDevices", cache);

    store->expireChangeTokens();
    const int before = store->calls(Operation::zoneChanges);
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"kept"}));
    EXPECT_EQ(store->calls(Operation::zoneChanges), before + 2);
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"kept"}));
}

TEST_F(TokenSyncTest, ATokenThatExpiresAgainAfterTheFreshStartIsReportedNotRetriedForever) {
    saveDevice(phoneUpdatedAt(1), "a");
    ASSERT_TRUE(mac.fetchChanges());
    store->failNext(Operation::zoneChanges, {Code::changeTokenExpired, "The change token has expired."}, 3);
    const int before = store->calls(Operation::zoneChanges);
    auto fetched = mac.fetchChanges();
    ASSERT_FALSE(fetched);
    EXPECT_EQ(fetched.error().description, "The change token has expired.");
    EXPECT_EQ(store->calls(Operation::zoneChanges), before + 2);
}

TEST_F(TokenSyncTest, ALostOrUnreadableCacheDropsTheTokenSoThePhoneIsFetchedAgain) {
    saveDevice(phoneUpdatedAt(1, "phone"), "a");
    ASSERT_EQ(fetchedTokens(), (std::vector<std::string>{"phone"}));

    macDefaults->remove("tokenSyncDevices");
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"phone"}));

    json::Json broken = json::Json::object();
    broken["a"] = json::Json::object({{"deviceToken", 5}});
    macDefaults->setJson("tokenSyncDevices", broken);
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"phone"}));

    macDefaults->setJson("tokenSyncDevices", json::Json::array());
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"phone"}));

    // A token that does not decode counts as none: a full fetch, not an error.
    macDefaults->setString("tokenSyncChangeToken", "%%% not base64");
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"phone"}));
}

TEST_F(TokenSyncTest, ANewCacheBesideTheOldTokenOnlyRepeatsChangesAlreadyApplied) {
    saveDevice(phoneUpdatedAt(1, "old"), "a");
    ASSERT_EQ(fetchedTokens(), (std::vector<std::string>{"old"}));
    const std::optional<std::string> oldToken = macDefaults->stringValue("tokenSyncChangeToken");

    saveDevice(phoneUpdatedAt(2, "new"), "b");
    deleteRecord("a");
    ASSERT_EQ(fetchedTokens(), (std::vector<std::string>{"new"}));
    // What a stop between the two writes leaves: the devices written, the token not yet.
    macDefaults->setString("tokenSyncChangeToken", *oldToken);
    const int before = store->calls(Operation::zoneChanges);
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"new"}));
    EXPECT_EQ(store->calls(Operation::zoneChanges), before + 1);
    EXPECT_NE(macDefaults->stringValue("tokenSyncChangeToken"), oldToken);
}

TEST_F(TokenSyncTest, AFullFetchAfterALostTokenForgetsDevicesDeletedMeanwhile) {
    saveDevice(phoneUpdatedAt(1, "old"), "a");
    saveDevice(phoneUpdatedAt(2, "new"), "b");
    ASSERT_EQ(fetchedTokens(), (std::vector<std::string>{"new", "old"}));

    // The newer phone's record goes while the token is lost: no deletion will ever say so.
    deleteRecord("b");
    macDefaults->remove("tokenSyncChangeToken");
    EXPECT_EQ(fetchedTokens(), (std::vector<std::string>{"old"}));

    deleteRecord("a");
    macDefaults->setString("tokenSyncChangeToken", "%%% not base64");
    EXPECT_TRUE(fetchedTokens().empty());
}

TEST_F(TokenSyncTest, ADeviceRecordThatLosesItsTokenLeavesTheCache) {
    saveDevice(phoneUpdatedAt(1, "phone"), "a");
    ASSERT_EQ(fetchedTokens(), (std::vector<std::string>{"phone"}));
    Record tokenless("Device", RecordID{"a", zone});
    tokenless.setField("name", std::string("Ada's iPhone"));
    ASSERT_TRUE(store->modifyRecords({tokenless}, {}, RecordStore::SavePolicy::allKeys, true));
    EXPECT_TRUE(fetchedTokens().empty());
    EXPECT_TRUE(mac.testRequests().empty());
}

TEST_F(TokenSyncTest, TestRequestsAreCollectedOnceAcrossPagesAndFetches) {
    saveDevice(phoneUpdatedAt(1), "phone-1");
    ASSERT_TRUE(phone.requestTest());
    ASSERT_TRUE(phone.requestTest());
    ASSERT_TRUE(mac.fetchChanges());
    const std::vector<TokenSync::TestRequest> first = mac.testRequests();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_NE(first[0], first[1]);

    // The same records again, from a full fetch after the token is lost.
    macDefaults->remove("tokenSyncChangeToken");
    store->setPageSize(1);
    ASSERT_TRUE(mac.fetchChanges());
    EXPECT_EQ(mac.testRequests(), first);

    // A record whose entry fails in the page is skipped, without failing the fetch.
    ASSERT_TRUE(phone.requestTest());
    const std::vector<Record> records = store->records(zone);
    for (const Record& record : records) {
        if (std::find(first.begin(), first.end(), record.recordID().recordName) == first.end()) {
            store->setEntryFailure(record.recordID(), RecordStoreError{Code::failed, "unreadable"});
        }
    }
    ASSERT_TRUE(mac.fetchChanges());
    EXPECT_EQ(mac.takeTestRequests(), first);
    EXPECT_TRUE(mac.takeTestRequests().empty());
}

}  // namespace
}  // namespace quorvel
