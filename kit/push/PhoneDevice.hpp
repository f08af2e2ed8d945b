#pragma once
// The phone's own record in the user's private iCloud zone: where to push, and what the
// phone wants of the Mac. Compared over every field, so any change of the record counts.
//
// Record form (type "Device", named by the phone): Booleans are integers 1 and 0 and any
// non-zero integer reads as true; an absent optional removes its field. JSON form (the
// device cache): keys equal the field names, "updatedAt" in seconds since 2001, Booleans
// as JSON true and false, "pushToStartToken" and "alwaysPush" left out when absent.
#include <optional>
#include <string>
#include <vector>

#include "platform/json/JsonCoding.hpp"
#include "platform/stores/RecordStore.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct PhoneDevice {
    static constexpr const char* recordType = "Device";

    /// The phone's APNs device token (hexadecimal text).
    std::string deviceToken;
    /// The phone's Live Activity push-to-start token, once it has one.
    std::optional<std::string> pushToStartToken;
    bool frequentPushesEnabled = false;
    std::string name;
    std::string systemVersion;
    /// When the phone last wrote its record.
    Instant updatedAt;
    /// The phone's wish for the Mac's always-push setting; absent when it has none.
    std::optional<bool> alwaysPush;

    /// The device a record holds: none unless its type is "Device" and its "deviceToken" is
    /// text; any other field missing or of another type reads as its default ("iPhone", empty
    /// version, false, the record's modification date).
    static std::optional<PhoneDevice> fromRecord(const Record& record);
    /// Writes all seven fields into `record`, replacing what it held; type and name stay.
    void applyTo(Record& record) const;
    /// The same devices, later `updatedAt` first; equal dates keep their order.
    static std::vector<PhoneDevice> newestFirst(std::vector<PhoneDevice> devices);

    /// Throws JsonDecodeError when a required key is missing or of another type.
    static PhoneDevice decode(const json::Json& value);
    json::Json encode() const;

    bool operator==(const PhoneDevice&) const = default;
};

}  // namespace quorvel
