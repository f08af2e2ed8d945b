#pragma once
// The Mac's answer to the paired phone: which tokens it pushes to, its name, when it last
// looked and whether it pushes every alert.
//
// Record form (type "Mac", name "mac"): "alwaysPush" is the integer 1 or 0 and any non-zero
// integer reads as true; an absent push-to-start token removes its field. JSON form: keys
// equal the field names, the date in seconds since 2001, the token left out when absent.
#include <optional>
#include <string>

#include "platform/json/JsonCoding.hpp"
#include "platform/stores/RecordStore.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct MacAck {
    static constexpr const char* recordType = "Mac";
    static constexpr const char* recordName = "mac";

    std::string deviceToken;
    std::optional<std::string> pushToStartToken;
    std::string macName;
    Instant acknowledgedAt;
    bool alwaysPush = false;

    /// The acknowledgement a record holds: none unless its type is "Mac" and its
    /// "deviceToken" is text; a missing name reads as "mac", a missing date as the record's
    /// modification date.
    static std::optional<MacAck> fromRecord(const Record& record);
    /// Writes the five fields into `record`, replacing what it held; type and name stay.
    void applyTo(Record& record) const;

    static MacAck decode(const json::Json& value);
    json::Json encode() const;

    bool operator==(const MacAck&) const = default;
};

}  // namespace quorvel
