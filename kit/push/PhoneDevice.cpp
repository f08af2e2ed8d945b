#include "kit/push/PhoneDevice.hpp"

#include <algorithm>

#include "kit/push/RecordFields.hpp"

namespace quorvel {

std::optional<PhoneDevice> PhoneDevice::fromRecord(const Record& record) {
    if (record.recordType() != recordType) return std::nullopt;
    std::optional<std::string> deviceToken = record.stringField("deviceToken");
    if (!deviceToken) return std::nullopt;
    PhoneDevice device;
    device.deviceToken = std::move(*deviceToken);
    device.pushToStartToken = record.stringField("pushToStartToken");
    device.frequentPushesEnabled = recordfields::readFlag(record, "frequentPushesEnabled").value_or(false);
    device.name = record.stringField("name").value_or("iPhone");
    device.systemVersion = record.stringField("systemVersion").value_or("");
    device.updatedAt = record.dateField("updatedAt").value_or(record.modificationDate().value_or(Record::distantPast));
    device.alwaysPush = recordfields::readFlag(record, "alwaysPush");
    return device;
}

void PhoneDevice::applyTo(Record& record) const {
    record.setField("deviceToken", deviceToken);
    recordfields::setOrRemove(record, "pushToStartToken", pushToStartToken);
    record.setField("frequentPushesEnabled", recordfields::flag(frequentPushesEnabled));
    record.setField("name", name);
    record.setField("systemVersion", systemVersion);
    record.setField("updatedAt", updatedAt);
    recordfields::setOrRemoveFlag(record, "alwaysPush", alwaysPush);
}

std::vector<PhoneDevice> PhoneDevice::newestFirst(std::vector<PhoneDevice> devices) {
    std::stable_sort(devices.begin(), devices.end(), [](const PhoneDevice& first, const PhoneDevice& second) {
        return first.updatedAt > second.updatedAt;
    });
    return devices;
}

PhoneDevice PhoneDevice::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "PhoneDevice");
    PhoneDevice device;
    device.deviceToken = json::requireString(object, "deviceToken");
    device.pushToStartToken = json::optionalString(object, "pushToStartToken");
    device.frequentPushesEnabled = json::requireBool(object, "frequentPushesEnabled");
    device.name = json::requireString(object, "name");
    device.systemVersion = json::requireString(object, "systemVersion");
    device.updatedAt = json::requireReferenceDate(object, "updatedAt");
    device.alwaysPush = json::optionalBool(object, "alwaysPush");
    return device;
}

json::Json PhoneDevice::encode() const {
    json::Json object = json::Json::object();
    object["deviceToken"] = json::string(deviceToken);
    json::putOptional(object, "pushToStartToken", pushToStartToken);
    object["frequentPushesEnabled"] = frequentPushesEnabled;
    object["name"] = json::string(name);
    object["systemVersion"] = json::string(systemVersion);
    object["updatedAt"] = json::referenceDate(updatedAt);
    json::putOptional(object, "alwaysPush", alwaysPush);
    return object;
}

}  // namespace quorvel
