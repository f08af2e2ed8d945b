#pragma once
// The token sync over a record store: every record of the phone exchange lives in the zone
// "Quorvel" of the store's private database. The Mac subscribes to changes, fetches the
// zone's changes since its stored change token, acknowledges the phone, publishes the lists
// and clears test requests; the phone side saves its device record, reads the Mac's
// acknowledgement and the lists and asks for test pushes.
//
// Between runs it keeps, in the app's defaults, the device records last seen
// (`StoredDefaults::tokenSyncDevices`: record name to the device's JSON form) and the zone's
// change token (`StoredDefaults::tokenSyncChangeToken`: base64 text; one that does not decode
// counts as none), so each fetch asks only for what changed. Collected test requests are not kept between runs.
//
// Thread-safe: calls may come from any thread; fetches run one at a time.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "kit/push/TokenSync.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/stores/KeyValueStore.hpp"
#include "platform/stores/RecordStore.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class RecordStoreTokenSync final : public TokenSync {
public:
    static constexpr const char* zoneName = "Quorvel";
    static constexpr const char* subscriptionID = "quorvel-devices";
    static constexpr const char* testRequestType = "TestRequest";
    static constexpr const char* listsType = "Lists";
    static constexpr const char* listsName = "lists";

    RecordStoreTokenSync(std::shared_ptr<RecordStore> store, std::shared_ptr<KeyValueStore> defaults,
                         std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>());

    const RecordZoneID& zoneID() const { return zoneID_; }

    /// Fails with the account's `Problem` unless the account is available.
    Expected<void, Failure> ensureAccount();
    /// Creates the zone when it is missing.
    Expected<void, Failure> ensureZone();
    /// True when `ensureAccount` passes.
    bool isAvailable();

    // The Mac's side.
    Expected<void, Failure> ensureSubscription() override;
    /// Expiry of the stored token starts one fetch from the beginning (with an empty device
    /// cache); a second expiry within the same fetch is returned as the failure. A token or a
    /// device cache that is missing or unreadable takes the other with it. Both cache
    /// entries are written only once the last page has come, the devices before the token.
    Expected<std::vector<PhoneDevice>, Failure> fetchChanges() override;
    std::vector<TestRequest> testRequests() const override;
    std::vector<TestRequest> takeTestRequests() override;
    /// Needs no account check: the request came from a fetch that had one.
    Expected<void, Failure> deleteTestRequest(const TestRequest& request) override;
    Expected<void, Failure> acknowledge(const MacAck& ack) override;
    Expected<void, Failure> publishLists(const ListMirror& mirror) override;

    // The phone's side.
    /// Writes the device into its record `recordName` (fetched, or new when that fails).
    Expected<void, Failure> saveDevice(const PhoneDevice& device, const std::string& recordName);
    /// The Mac's acknowledgement; none before the Mac wrote one (or when it doesn't qualify).
    Expected<std::optional<MacAck>, Failure> fetchAck();
    /// The lists the Mac published; none before it published any. A payload that is not a
    /// list mirror is a failure.
    Expected<std::optional<ListMirror>, Failure> fetchLists();
    /// Asks the Mac for a test push: a new record "test-" + a new UUID.
    Expected<void, Failure> requestTest();

private:
    /// The record to write: the saved copy, or a new one of `recordType` when it can't be
    /// fetched for any reason (saved with the all-keys policy, so it replaces the server's).
    Record fetchOrCreate(const std::string& recordName, const std::string& recordType);
    Expected<void, Failure> save(const Record& record, RecordStore::SavePolicy policy);
    Expected<std::optional<Record>, Failure> fetchIfPresent(const std::string& recordName);
    /// The cached devices; absent when the entry is missing or does not decode.
    std::optional<std::map<std::string, PhoneDevice>> loadDevices() const;
    std::optional<RecordStore::ChangeToken> loadChangeToken() const;
    /// False when they could not be encoded (nothing written).
    bool storeDevices(const std::map<std::string, PhoneDevice>& devices);
    void storeChangeToken(const RecordStore::ChangeToken& token);
    void collectTestRequest(const std::string& recordName);

    std::shared_ptr<RecordStore> store_;
    std::shared_ptr<KeyValueStore> defaults_;
    std::shared_ptr<const Clock> clock_;
    RecordZoneID zoneID_;
    Logger logger_;
    std::mutex fetchMutex_;
    mutable std::mutex requestsMutex_;
    std::vector<TestRequest> testRequests_;
};

}  // namespace quorvel
