#include "kit/push/MacAck.hpp"

#include "kit/push/RecordFields.hpp"

namespace quorvel {

std::optional<MacAck> MacAck::fromRecord(const Record& record) {
    if (record.recordType() != recordType) return std::nullopt;
    std::optional<std::string> deviceToken = record.stringField("deviceToken");
    if (!deviceToken) return std::nullopt;
    MacAck ack;
    ack.deviceToken = std::move(*deviceToken);
    ack.pushToStartToken = record.stringField("pushToStartToken");
    ack.macName = record.stringField("macName").value_or("mac");
    ack.acknowledgedAt =
        record.dateField("acknowledgedAt").value_or(record.modificationDate().value_or(Record::distantPast));
    ack.alwaysPush = recordfields::readFlag(record, "alwaysPush").value_or(false);
    return ack;
}

void MacAck::applyTo(Record& record) const {
    record.setField("deviceToken", deviceToken);
    recordfields::setOrRemove(record, "pushToStartToken", pushToStartToken);
    record.setField("macName", macName);
    record.setField("acknowledgedAt", acknowledgedAt);
    record.setField("alwaysPush", recordfields::flag(alwaysPush));
}

MacAck MacAck::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "MacAck");
    MacAck ack;
    ack.deviceToken = json::requireString(object, "deviceToken");
    ack.pushToStartToken = json::optionalString(object, "pushToStartToken");
    ack.macName = json::requireString(object, "macName");
    ack.acknowledgedAt = json::requireReferenceDate(object, "acknowledgedAt");
    ack.alwaysPush = json::requireBool(object, "alwaysPush");
    return ack;
}

json::Json MacAck::encode() const {
    json::Json object = json::Json::object();
    object["deviceToken"] = json::string(deviceToken);
    json::putOptional(object, "pushToStartToken", pushToStartToken);
    object["macName"] = json::string(macName);
    object["acknowledgedAt"] = json::referenceDate(acknowledgedAt);
    object["alwaysPush"] = alwaysPush;
    return object;
}

}  // namespace quorvel
