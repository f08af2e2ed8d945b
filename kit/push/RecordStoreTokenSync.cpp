#include "kit/push/RecordStoreTokenSync.hpp"

#include <algorithm>

#include "kit/engine/Quorvel.hpp"
#include "kit/engine/StoredDefaults.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/text/Base64.hpp"

namespace quorvel {

namespace {

TokenSync::Failure failureOf(const RecordStoreError& error) { return {error.description}; }

bool isMissing(const RecordStoreError& error) {
    return error.code == RecordStoreError::Code::unknownItem || error.code == RecordStoreError::Code::zoneNotFound;
}

}  // namespace

RecordStoreTokenSync::RecordStoreTokenSync(std::shared_ptr<RecordStore> store, std::shared_ptr<KeyValueStore> defaults,
                                           std::shared_ptr<const Clock> clock)
    : store_(std::move(store)),
      defaults_(std::move(defaults)),
      clock_(std::move(clock)),
      zoneID_{zoneName},
      logger_(Quorvel::iOSBundleID, "TokenSync") {}

Expected<void, TokenSync::Failure> RecordStoreTokenSync::ensureAccount() {
    auto status = store_->accountStatus();
    if (!status) return unexpected(failureOf(status.error()));
    if (*status != AccountStatus::available) {
        return unexpected(Problem::noAccount(static_cast<int>(*status)).failure());
    }
    return {};
}

Expected<void, TokenSync::Failure> RecordStoreTokenSync::ensureZone() {
    if (auto saved = store_->saveZone(zoneID_); !saved) return unexpected(failureOf(saved.error()));
    return {};
}

bool RecordStoreTokenSync::isAvailable() { return ensureAccount().hasValue(); }

Expected<void, TokenSync::Failure> RecordStoreTokenSync::ensureSubscription() {
    if (auto account = ensureAccount(); !account) return account;
    if (auto zone = ensureZone(); !zone) return zone;
    auto saved = store_->saveSubscription(DatabaseSubscription{subscriptionID, true});
    if (!saved) return unexpected(failureOf(saved.error()));
    return {};
}

Expected<std::vector<PhoneDevice>, TokenSync::Failure> RecordStoreTokenSync::fetchChanges() {
    std::lock_guard fetching(fetchMutex_);
    if (auto account = ensureAccount(); !account) return unexpected(account.error());
    if (auto zone = ensureZone(); !zone) return unexpected(zone.error());

    std::optional<std::map<std::string, PhoneDevice>> cached = loadDevices();
    // Without the devices the token stands for, changes since it would miss the phone:
    // only a fetch from the beginning rebuilds them.
    std::optional<RecordStore::ChangeToken> token = cached ? loadChangeToken() : std::nullopt;
    // A fetch from the beginning names no deletions, so it starts from nothing: a device
    // deleted while the token was lost would otherwise stay paired from the cache.
    std::map<std::string, PhoneDevice> devices =
        token ? std::move(*cached) : std::map<std::string, PhoneDevice>{};

    bool startedAfresh = false;
    while (true) {
        auto page = store_->zoneChanges(zoneID_, token);
        if (!page) {
            if (page.error().code == RecordStoreError::Code::changeTokenExpired && !startedAfresh) {
                logger_.notice("The change token expired; fetching every record again");
                startedAfresh = true;
                token.reset();
                devices.clear();
                continue;
            }
            return unexpected(failureOf(page.error()));
        }
        for (const RecordStore::Modification& modification : page->modifications) {
            if (!modification.result) continue;
            const Record& record = modification.result.value();
            const std::string& name = modification.recordID.recordName;
            if (std::optional<PhoneDevice> device = PhoneDevice::fromRecord(record)) {
                devices.insert_or_assign(name, std::move(*device));
            } else if (record.recordType() == PhoneDevice::recordType) {
                // A device record that lost its token no longer says where to push.
                devices.erase(name);
            } else if (record.recordType() == testRequestType) {
                collectTestRequest(name);
            }
        }
        for (const RecordStore::Deletion& deletion : page->deletions) devices.erase(deletion.recordID.recordName);
        token = page->changeToken;
        if (!page->moreComing) break;
    }

    // The devices first: after a crash between the two writes the old token only repeats
    // changes already applied, while a new token beside old devices would hide the phone.
    if (storeDevices(devices)) storeChangeToken(*token);

    std::vector<PhoneDevice> known;
    known.reserve(devices.size());
    for (const auto& [name, device] : devices) known.push_back(device);
    return PhoneDevice::newestFirst(std::move(known));
}

std::vector<TokenSync::TestRequest> RecordStoreTokenSync::testRequests() const {
    std::lock_guard lock(requestsMutex_);
    return testRequests_;
}

std::vector<TokenSync::TestRequest> RecordStoreTokenSync::takeTestRequests() {
    std::lock_guard lock(requestsMutex_);
    return std::exchange(testRequests_, {});
}

void RecordStoreTokenSync::collectTestRequest(const std::string& recordName) {
    std::lock_guard lock(requestsMutex_);
    if (std::find(testRequests_.begin(), testRequests_.end(), recordName) == testRequests_.end()) {
        testRequests_.push_back(recordName);
    }
}

Expected<void, TokenSync::Failure> RecordStoreTokenSync::deleteTestRequest(const TestRequest& request) {
    auto deleted =
        store_->modifyRecords({}, {RecordID{request, zoneID_}}, RecordStore::SavePolicy::ifServerRecordUnchanged, true);
    if (!deleted) return unexpected(failureOf(deleted.error()));
    return {};
}

Expected<void, TokenSync::Failure> RecordStoreTokenSync::acknowledge(const MacAck& ack) {
    if (auto account = ensureAccount(); !account) return account;
    Record record = fetchOrCreate(MacAck::recordName, MacAck::recordType);
    ack.applyTo(record);
    return save(record, RecordStore::SavePolicy::allKeys);
}

Expected<void, TokenSync::Failure> RecordStoreTokenSync::publishLists(const ListMirror& mirror) {
    if (auto account = ensureAccount(); !account) return account;
    Record record = fetchOrCreate(listsName, listsType);
    auto payload = json::encodeJson(mirror);
    if (!payload) return unexpected(Failure{"Couldn't encode the lists: " + payload.error().message});
    record.setField("payload", RecordBytes{std::move(payload.value())});
    record.setField("updatedAt", mirror.updatedAt);
    return save(record, RecordStore::SavePolicy::allKeys);
}

Expected<void, TokenSync::Failure> RecordStoreTokenSync::saveDevice(const PhoneDevice& device,
                                                                    const std::string& recordName) {
    if (auto account = ensureAccount(); !account) return account;
    if (auto zone = ensureZone(); !zone) return zone;
    Record record = fetchOrCreate(recordName, PhoneDevice::recordType);
    device.applyTo(record);
    if (auto saved = save(record, RecordStore::SavePolicy::allKeys); !saved) return saved;
    logger_.info("Saved phone record " + recordName);
    return {};
}

Expected<std::optional<MacAck>, TokenSync::Failure> RecordStoreTokenSync::fetchAck() {
    if (auto account = ensureAccount(); !account) return unexpected(account.error());
    auto record = fetchIfPresent(MacAck::recordName);
    if (!record) return unexpected(record.error());
    if (!record.value()) return std::optional<MacAck>();
    return MacAck::fromRecord(*record.value());
}

Expected<std::optional<ListMirror>, TokenSync::Failure> RecordStoreTokenSync::fetchLists() {
    if (auto account = ensureAccount(); !account) return unexpected(account.error());
    auto record = fetchIfPresent(listsName);
    if (!record) return unexpected(record.error());
    if (!record.value()) return std::optional<ListMirror>();
    std::optional<RecordBytes> payload = record.value()->bytesField("payload");
    if (!payload) return std::optional<ListMirror>();
    auto mirror = json::decodeJson<ListMirror>(payload->data);
    if (!mirror) return unexpected(Failure{"The lists from the Mac can't be read: " + mirror.error().message});
    return std::optional<ListMirror>(std::move(mirror.value()));
}

Expected<void, TokenSync::Failure> RecordStoreTokenSync::requestTest() {
    if (auto account = ensureAccount(); !account) return account;
    Record record(testRequestType, RecordID{"test-" + random::makeUuidString(), zoneID_});
    record.setField("requestedAt", clock_->now());
    return save(record, RecordStore::SavePolicy::ifServerRecordUnchanged);
}

Record RecordStoreTokenSync::fetchOrCreate(const std::string& recordName, const std::string& recordType) {
    RecordID recordID{recordName, zoneID_};
    auto fetched = store_->fetchRecord(recordID);
    if (fetched) return std::move(fetched.value());
    return Record(recordType, std::move(recordID));
}

Expected<void, TokenSync::Failure> RecordStoreTokenSync::save(const Record& record, RecordStore::SavePolicy policy) {
    if (auto saved = store_->modifyRecords({record}, {}, policy, true); !saved) {
        return unexpected(failureOf(saved.error()));
    }
    return {};
}

Expected<std::optional<Record>, TokenSync::Failure> RecordStoreTokenSync::fetchIfPresent(
    const std::string& recordName) {
    auto fetched = store_->fetchRecord(RecordID{recordName, zoneID_});
    if (fetched) return std::optional<Record>(std::move(fetched.value()));
    // Before the other side wrote anything there is no record, and maybe no zone yet.
    if (isMissing(fetched.error())) return std::optional<Record>();
    return unexpected(failureOf(fetched.error()));
}

std::optional<std::map<std::string, PhoneDevice>> RecordStoreTokenSync::loadDevices() const {
    std::optional<json::Json> stored = defaults_->value(StoredDefaults::tokenSyncDevices);
    if (!stored || !stored->is_object()) return std::nullopt;
    std::map<std::string, PhoneDevice> devices;
    try {
        for (const auto& [name, device] : stored->items()) devices.emplace(name, PhoneDevice::decode(device));
    } catch (const std::exception& error) {
        logger_.error(std::string("The cached phone records can't be read, fetching them all again: ") + error.what());
        return std::nullopt;
    }
    return devices;
}

std::optional<RecordStore::ChangeToken> RecordStoreTokenSync::loadChangeToken() const {
    std::optional<std::string> stored = defaults_->value(StoredDefaults::tokenSyncChangeToken);
    if (!stored) return std::nullopt;
    return base64::decode(*stored);
}

bool RecordStoreTokenSync::storeDevices(const std::map<std::string, PhoneDevice>& devices) {
    json::Json object = json::Json::object();
    try {
        for (const auto& [name, device] : devices) object[name] = device.encode();
    } catch (const std::exception& error) {
        logger_.error(std::string("Couldn't encode the phone records: ") + error.what());
        return false;
    }
    defaults_->set(StoredDefaults::tokenSyncDevices, object);
    return true;
}

void RecordStoreTokenSync::storeChangeToken(const RecordStore::ChangeToken& token) {
    defaults_->set(StoredDefaults::tokenSyncChangeToken, base64::encode(token));
}

}  // namespace quorvel
