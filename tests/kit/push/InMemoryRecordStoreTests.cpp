// The in-memory record database that every phone-exchange test runs against: it has to
// behave like the service where the token sync relies on it.
#include <gtest/gtest.h>

#include "platform/services/InMemoryRecordStore.hpp"
#include "tests/support/FixedClock.hpp"

namespace quorvel {
namespace {

using Operation = InMemoryRecordStore::Operation;
using Code = RecordStoreError::Code;
using SavePolicy = RecordStore::SavePolicy;

const RecordZoneID zone{"Quorvel"};

Record note(const std::string& name, std::int64_t value = 1) {
    Record record("Note", RecordID{name, zone});
    record.setField("value", value);
    return record;
}

struct StoreTest : ::testing::Test {
    std::shared_ptr<testing::FixedClock> clock =
        std::make_shared<testing::FixedClock>(Instant::fromReferenceSeconds(800000000.25));
    InMemoryRecordStore store{clock};

    void SetUp() override { ASSERT_TRUE(store.saveZone(zone)); }
    void save(const Record& record) { ASSERT_TRUE(store.modifyRecords({record}, {}, SavePolicy::allKeys, true)); }
};

TEST_F(StoreTest, SavedRecordsKeepTheirTypedFieldsWithDatesCutToMilliseconds) {
    Record record("Note", RecordID{"a", zone});
    record.setField("text", std::string("hi"));
    record.setField("count", std::int64_t{-5});
    record.setField("ratio", 0.5);
    record.setField("bytes", RecordBytes{std::string("\0\x01", 2)});
    record.setField("when", Instant::fromUnixSeconds(1700000000.12345));
    save(record);

    auto fetched = store.fetchRecord(RecordID{"a", zone});
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->stringField("text"), "hi");
    EXPECT_EQ(fetched->integerField("count"), -5);
    EXPECT_EQ(fetched->doubleField("ratio"), 0.5);
    EXPECT_EQ(fetched->bytesField("bytes"), RecordBytes{std::string("\0\x01", 2)});
    EXPECT_EQ(fetched->dateField("when"), Instant::fromUnixSeconds(1700000000.123));
    EXPECT_EQ(fetched->modificationDate(), clock->current);
    // A field of another type reads as missing.
    EXPECT_FALSE(fetched->stringField("count"));
    EXPECT_FALSE(fetched->integerField("text"));
}

TEST_F(StoreTest, MissingRecordsAndZonesAreTheirOwnErrors) {
    EXPECT_EQ(store.fetchRecord(RecordID{"nothing", zone}).error().code, Code::unknownItem);
    const RecordZoneID other{"Other"};
    EXPECT_EQ(store.fetchRecord(RecordID{"a", other}).error().code, Code::zoneNotFound);
    EXPECT_EQ(store.zoneChanges(other, std::nullopt).error().code, Code::zoneNotFound);
    EXPECT_EQ(store.modifyRecords({Record("Note", RecordID{"a", other})}, {}, SavePolicy::allKeys, true).error().code,
              Code::zoneNotFound);
    // Deleting what is not there is no failure.
    EXPECT_TRUE(store.modifyRecords({}, {RecordID{"nothing", zone}}, SavePolicy::ifServerRecordUnchanged, true));
}

TEST_F(StoreTest, SavePoliciesDecideWhatHappensToTheServersCopy) {
    Record first = note("a", 1);
    first.setField("extra", std::string("kept?"));
    save(first);
    Record stale = note("a", 2);  // never fetched: no change tag
    EXPECT_EQ(store.modifyRecords({stale}, {}, SavePolicy::ifServerRecordUnchanged, true).error().code,
              Code::serverRecordChanged);

    Record fetched = store.fetchRecord(RecordID{"a", zone}).value();
    fetched.setField("value", std::int64_t{3});
    ASSERT_TRUE(store.modifyRecords({fetched}, {}, SavePolicy::ifServerRecordUnchanged, true));
    // The copy fetched before that save is now stale too.
    EXPECT_EQ(store.modifyRecords({fetched}, {}, SavePolicy::ifServerRecordUnchanged, true).error().code,
              Code::serverRecordChanged);

    ASSERT_TRUE(store.modifyRecords({note("a", 4)}, {}, SavePolicy::changedKeys, true));
    EXPECT_EQ(store.record(RecordID{"a", zone})->stringField("extra"), "kept?");
    ASSERT_TRUE(store.modifyRecords({note("a", 5)}, {}, SavePolicy::allKeys, true));
    EXPECT_FALSE(store.record(RecordID{"a", zone})->stringField("extra"));
    EXPECT_EQ(store.record(RecordID{"a", zone})->integerField("value"), 5);
}

TEST_F(StoreTest, AnAtomicModifyWithOneRefusedRecordChangesNothing) {
    save(note("a"));
    const Record fresh = note("b");
    const Record conflicting = note("a", 9);
    EXPECT_FALSE(
        store.modifyRecords({fresh, conflicting}, {RecordID{"a", zone}}, SavePolicy::ifServerRecordUnchanged, true));
    EXPECT_FALSE(store.record(RecordID{"b", zone}));
    EXPECT_EQ(store.record(RecordID{"a", zone})->integerField("value"), 1);
}

TEST_F(StoreTest, ChangesComeInPagesAndATokenResumesAfterThem) {
    store.setPageSize(2);
    for (const char* name : {"a", "b", "c"}) save(note(name));

    auto first = store.zoneChanges(zone, std::nullopt);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->modifications.size(), 2u);
    EXPECT_EQ(first->modifications[0].recordID.recordName, "a");
    EXPECT_TRUE(first->moreComing);
    auto second = store.zoneChanges(zone, first->changeToken);
    ASSERT_TRUE(second);
    ASSERT_EQ(second->modifications.size(), 1u);
    EXPECT_EQ(second->modifications[0].recordID.recordName, "c");
    EXPECT_FALSE(second->moreComing);

    // After the last page only new changes come, deletions with the type they had.
    save(note("a", 2));
    ASSERT_TRUE(store.modifyRecords({}, {RecordID{"b", zone}}, SavePolicy::ifServerRecordUnchanged, true));
    auto third = store.zoneChanges(zone, second->changeToken);
    ASSERT_TRUE(third);
    ASSERT_EQ(third->modifications.size(), 1u);
    EXPECT_EQ(third->modifications[0].result.value().integerField("value"), 2);
    ASSERT_EQ(third->deletions.size(), 1u);
    EXPECT_EQ(third->deletions[0].recordID.recordName, "b");
    EXPECT_EQ(third->deletions[0].recordType, "Note");
    auto quiet = store.zoneChanges(zone, third->changeToken);
    EXPECT_TRUE(quiet->modifications.empty());
    EXPECT_TRUE(quiet->deletions.empty());
}

TEST_F(StoreTest, ExpiredOrForeignTokensAreRefusedAndAFreshStartStillWorks) {
    save(note("a"));
    const std::string token = store.zoneChanges(zone, std::nullopt)->changeToken;
    store.expireChangeTokens();
    EXPECT_EQ(store.zoneChanges(zone, token).error().code, Code::changeTokenExpired);
    EXPECT_EQ(store.zoneChanges(zone, std::string("not a token")).error().code, Code::changeTokenExpired);
    EXPECT_EQ(store.zoneChanges(zone, std::string("999")).error().code, Code::changeTokenExpired);
    auto fresh = store.zoneChanges(zone, std::nullopt);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->modifications.size(), 1u);
    EXPECT_TRUE(store.zoneChanges(zone, fresh->changeToken));
}

TEST_F(StoreTest, InjectedFailuresAndAMissingAccountRefuseCalls) {
    save(note("a"));
    store.failNext(Operation::fetchRecord, {Code::networkUnavailable, "offline"}, 2);
    EXPECT_EQ(store.fetchRecord(RecordID{"a", zone}).error().description, "offline");
    EXPECT_EQ(store.fetchRecord(RecordID{"a", zone}).error().description, "offline");
    EXPECT_TRUE(store.fetchRecord(RecordID{"a", zone}));
    EXPECT_EQ(store.calls(Operation::fetchRecord), 3);

    store.setEntryFailure(RecordID{"a", zone}, RecordStoreError{Code::failed, "broken entry"});
    EXPECT_FALSE(store.zoneChanges(zone, std::nullopt)->modifications[0].result);

    store.setAccountStatus(AccountStatus::noAccount);
    EXPECT_EQ(store.accountStatus().value(), AccountStatus::noAccount);
    EXPECT_EQ(store.fetchRecord(RecordID{"a", zone}).error().code, Code::notAuthenticated);
    EXPECT_EQ(store.saveZone(zone).error().code, Code::notAuthenticated);
    EXPECT_EQ(store.zoneChanges(zone, std::nullopt).error().code, Code::notAuthenticated);
}

}  // namespace
}  // namespace quorvel
