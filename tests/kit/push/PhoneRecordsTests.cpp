// The phone's device record and the Mac's acknowledgement in their record and JSON forms.
#include <gtest/gtest.h>

#include "kit/push/MacAck.hpp"
#include "kit/push/PhoneDevice.hpp"

namespace quorvel {
namespace {

const RecordZoneID zone{"Quorvel"};

Record deviceRecord(const char* type = "Device") { return Record(type, RecordID{"phone-1", zone}); }

PhoneDevice fullDevice() {
    return PhoneDevice{
        "a1b2c3", std::string("start-1"), true, "Ada's iPhone", "18.2", Instant::fromReferenceSeconds(760000000.5),
        false};
}

TEST(PhoneDeviceRecord, ARecordWithOnlyADeviceTokenReadsWithEveryDefault) {
    Record record = deviceRecord();
    record.setField("deviceToken", std::string("a1b2c3"));
    record.stampSaved(Instant::fromReferenceSeconds(123.0), "1");
    const std::optional<PhoneDevice> device = PhoneDevice::fromRecord(record);
    ASSERT_TRUE(device);
    EXPECT_EQ(*device, (PhoneDevice{"a1b2c3", std::nullopt, false, "iPhone", "", Instant::fromReferenceSeconds(123.0),
                                    std::nullopt}));

    // Never saved either: the distant past, so it sorts last.
    Record unsaved = deviceRecord();
    unsaved.setField("deviceToken", std::string("a1b2c3"));
    EXPECT_EQ(PhoneDevice::fromRecord(unsaved)->updatedAt, Record::distantPast);
}

TEST(PhoneDeviceRecord, OnlyADeviceRecordWithATextTokenIsADevice) {
    for (const char* type : {"Mac", "TestRequest", "Lists", "device"}) {
        Record record = deviceRecord(type);
        record.setField("deviceToken", std::string("a1b2c3"));
        EXPECT_FALSE(PhoneDevice::fromRecord(record)) << type;
    }
    Record numeric = deviceRecord();
    numeric.setField("deviceToken", std::int64_t{42});
    EXPECT_FALSE(PhoneDevice::fromRecord(numeric));
}

TEST(PhoneDeviceRecord, WritingAndReadingBackGivesTheSameDeviceWithFlagsAsIntegers) {
    Record record = deviceRecord();
    fullDevice().applyTo(record);
    EXPECT_EQ(record.integerField("frequentPushesEnabled"), 1);
    EXPECT_EQ(record.integerField("alwaysPush"), 0);
    EXPECT_EQ(PhoneDevice::fromRecord(record), fullDevice());

    // Any non-zero integer is true; a flag of another type falls back.
    record.setField("frequentPushesEnabled", std::int64_t{2});
    record.setField("alwaysPush", std::int64_t{-1});
    EXPECT_TRUE(PhoneDevice::fromRecord(record)->frequentPushesEnabled);
    EXPECT_EQ(PhoneDevice::fromRecord(record)->alwaysPush, true);
    record.setField("frequentPushesEnabled", std::string("yes"));
    EXPECT_FALSE(PhoneDevice::fromRecord(record)->frequentPushesEnabled);
}

TEST(PhoneDeviceRecord, AnAbsentOptionalRemovesTheFieldAnEarlierWriteLeft) {
    Record record = deviceRecord();
    fullDevice().applyTo(record);
    PhoneDevice without = fullDevice();
    without.pushToStartToken.reset();
    without.alwaysPush.reset();
    without.applyTo(record);
    EXPECT_EQ(record.field("pushToStartToken"), nullptr);
    EXPECT_EQ(record.field("alwaysPush"), nullptr);
    EXPECT_EQ(PhoneDevice::fromRecord(record)->alwaysPush, std::nullopt);
}

TEST(PhoneDeviceOrder, NewestFirstAndEqualDatesKeepTheirOrder) {
    auto at = [](const char* token, double hour) {
        PhoneDevice device = fullDevice();
        device.deviceToken = token;
        device.updatedAt = Instant::fromReferenceSeconds(hour * 3600);
        return device;
    };
    const auto sorted = PhoneDevice::newestFirst({at("ten", 10), at("noon", 12), at("eleven", 11), at("twin", 11)});
    std::vector<std::string> tokens;
    for (const PhoneDevice& device : sorted) tokens.push_back(device.deviceToken);
    EXPECT_EQ(tokens, (std::vector<std::string>{"noon", "eleven", "twin", "ten"}));
}

TEST(PhoneDeviceJson, TheCacheFormKeepsEveryFieldAndNeedsTheRequiredOnes) {
    const json::Json encoded = fullDevice().encode();
    EXPECT_EQ(json::dump(encoded),
              R"({"deviceToken":"a1b2c3","pushToStartToken":"start-1","frequentPushesEnabled":true,)"
              R"("name":"Ada's iPhone","systemVersion":"18.2","updatedAt":760000000.5,"alwaysPush":false})");
    EXPECT_EQ(PhoneDevice::decode(encoded), fullDevice());

    PhoneDevice bare = fullDevice();
    bare.pushToStartToken.reset();
    bare.alwaysPush.reset();
    EXPECT_FALSE(bare.encode().contains("alwaysPush"));
    EXPECT_EQ(PhoneDevice::decode(bare.encode()), bare);

    json::Json missingName = encoded;
    missingName.erase("name");
    EXPECT_THROW(PhoneDevice::decode(missingName), json::JsonDecodeError);
}

TEST(MacAckRecord, WritingAndReadingBackGivesTheSameAcknowledgement) {
    const MacAck ack{"a1b2c3", std::string("start-1"), "Ada's Mac", Instant::fromReferenceSeconds(760000000.25), true};
    Record record("Mac", RecordID{"mac", zone});
    ack.applyTo(record);
    EXPECT_EQ(record.integerField("alwaysPush"), 1);
    EXPECT_EQ(MacAck::fromRecord(record), ack);

    MacAck later = ack;
    later.pushToStartToken.reset();
    later.alwaysPush = false;
    later.applyTo(record);
    EXPECT_EQ(record.field("pushToStartToken"), nullptr);
    EXPECT_EQ(record.integerField("alwaysPush"), 0);
    EXPECT_EQ(MacAck::fromRecord(record), later);

    EXPECT_EQ(MacAck::decode(ack.encode()), ack);
    EXPECT_EQ(MacAck::decode(later.encode()), later);
}

TEST(MacAckRecord, MissingFieldsReadAsTheirDefaultsAndOtherRecordsAreNoAcknowledgement) {
    Record record("Mac", RecordID{"mac", zone});
    record.setField("deviceToken", std::string("a1b2c3"));
    record.setField("alwaysPush", std::int64_t{5});
    record.stampSaved(Instant::fromReferenceSeconds(99.0), "3");
    const std::optional<MacAck> ack = MacAck::fromRecord(record);
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->macName, "mac");
    EXPECT_EQ(ack->acknowledgedAt, Instant::fromReferenceSeconds(99.0));
    EXPECT_TRUE(ack->alwaysPush);

    Record device("Device", RecordID{"mac", zone});
    device.setField("deviceToken", std::string("a1b2c3"));
    EXPECT_FALSE(MacAck::fromRecord(device));
    Record tokenless("Mac", RecordID{"mac", zone});
    EXPECT_FALSE(MacAck::fromRecord(tokenless));
}

}  // namespace
}  // namespace quorvel
