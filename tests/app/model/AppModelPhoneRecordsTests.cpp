// The model and a simulated phone pairing through one record database, with nothing stood in
// between: the records each side writes are the ones the other reads.
#include <gtest/gtest.h>

#include "kit/engine/CopyBook.hpp"
#include "kit/push/RecordStoreTokenSync.hpp"
#include "platform/services/InMemoryRecordStore.hpp"
#include "tests/app/model/AppModelTestbed.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::settle;

TEST(AppModelPhoneRecordsTests, APhonePairsIsAcknowledgedGetsItsTestPushAndReadsTheLists) {
    AppModelTestbed bed;
    auto store = std::make_shared<InMemoryRecordStore>(bed.clock);
    testing::TemporaryFolder phoneFolder;
    RecordStoreTokenSync phone(store, std::make_shared<KeyValueStore>(phoneFolder / "defaults.json"), bed.clock);
    const PhoneDevice device{"a1b2c3", std::string("start-token"),     true, "Ada's iPhone",
                             "18.2",   bed.clock->current.adding(-60), true};
    ASSERT_TRUE(phone.saveDevice(device, "phone-1"));
    ASSERT_TRUE(phone.requestTest());

    bed.adjust = [&store](AppServices& services) {
        services.tokenSync = std::make_shared<RecordStoreTokenSync>(store, services.defaults, services.clock);
    };
    AppModel& model = bed.make();

    EXPECT_EQ(model.phone().pairedPhone(), std::optional<PhoneDevice>(device));
    EXPECT_EQ(model.phone().phoneDeviceToken(), "a1b2c3");
    EXPECT_TRUE(model.settings().alwaysPushToPhone);

    const auto ack = phone.fetchAck();
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack.value(), (MacAck{"a1b2c3", std::string("start-token"), "Ada's Mac", bed.clock->current, true}));

    ASSERT_EQ(bed.recorded.pushes.size(), 1u);
    EXPECT_EQ(bed.recorded.pushes[0].title, CopyBook::testPushTitle);
    for (const Record& record : store->records(RecordZoneID{"Quorvel"})) {
        EXPECT_NE(record.recordType(), "TestRequest") << record.recordID().recordName;
    }

    model.sessions().tick();
    settle();
    const auto lists = phone.fetchLists();
    ASSERT_TRUE(lists);
    ASSERT_TRUE(lists.value());
    EXPECT_EQ(lists.value()->updatedAt, bed.clock->current);
    EXPECT_TRUE(lists.value()->running.empty());
}

}  // namespace
}  // namespace quorvel
