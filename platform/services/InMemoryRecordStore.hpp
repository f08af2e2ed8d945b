#pragma once
// A record database held in memory: for tests, where one instance stands for the server that
// the Mac and a simulated phone share, and for a desktop with no iCloud, where it is made
// with an account status other than available and refuses every call as the service would.
//
// Change tokens are the store's change counter in decimal text, after an expiry generation
// and a dot ("0.17"); a page holds `pageSize` changes (all of them when 0). Failures can be
// set up for the next calls of an operation, for single entries of a change page, and for
// every token given out so far (expiry). Saved dates are rounded to whole milliseconds, as
// the service keeps them. Thread-safe.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/stores/RecordStore.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class InMemoryRecordStore final : public RecordStore {
public:
    enum class Operation { accountStatus, saveZone, saveSubscription, fetchRecord, modifyRecords, zoneChanges };

    explicit InMemoryRecordStore(std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>(),
                                 AccountStatus status = AccountStatus::available);

    Expected<AccountStatus, RecordStoreError> accountStatus() override;
    Expected<void, RecordStoreError> saveZone(const RecordZoneID& zone) override;
    Expected<void, RecordStoreError> saveSubscription(const DatabaseSubscription& subscription) override;
    Expected<Record, RecordStoreError> fetchRecord(const RecordID& recordID) override;
    Expected<void, RecordStoreError> modifyRecords(const std::vector<Record>& saving,
                                                   const std::vector<RecordID>& deleting, SavePolicy policy,
                                                   bool atomically) override;
    Expected<ZoneChanges, RecordStoreError> zoneChanges(const RecordZoneID& zone,
                                                        const std::optional<ChangeToken>& since) override;

    void setAccountStatus(AccountStatus status);
    /// Changes per page of `zoneChanges`; 0 puts every change in one page.
    void setPageSize(std::size_t pageSize);
    /// After `after` more calls that go as usual, the next `times` calls of `operation` fail
    /// with `error` before doing anything.
    void failNext(Operation operation, RecordStoreError error, int times = 1, int after = 0);
    /// The record comes in change pages as a failed entry (absent: as itself again).
    void setEntryFailure(const RecordID& recordID, std::optional<RecordStoreError> error);
    /// Every change token given out so far is refused with `changeTokenExpired`.
    void expireChangeTokens();

    /// The saved copy, or absent.
    std::optional<Record> record(const RecordID& recordID) const;
    /// The live records of the zone, by record name.
    std::vector<Record> records(const RecordZoneID& zone) const;
    bool hasZone(const RecordZoneID& zone) const;
    std::vector<DatabaseSubscription> subscriptions() const;
    /// How many calls of `operation` were made (failed ones included).
    int calls(Operation operation) const;

private:
    struct StoredRecord {
        std::optional<Record> record;  ///< absent once deleted
        std::string recordType;
        std::uint64_t change = 0;
    };
    struct Zone {
        std::map<std::string, StoredRecord> records;
    };

    std::optional<RecordStoreError> beginCall(Operation operation);
    std::optional<RecordStoreError> refusalOfSave(const Record& record, SavePolicy policy) const;
    void applySave(const Record& record, SavePolicy policy);
    void applyDelete(const RecordID& recordID);

    std::shared_ptr<const Clock> clock_;
    mutable std::mutex mutex_;
    AccountStatus status_;
    std::size_t pageSize_ = 0;
    std::uint64_t changeCounter_ = 0;
    /// Tokens of an earlier generation are expired.
    std::uint64_t tokenGeneration_ = 0;
    std::map<RecordZoneID, Zone> zones_;
    std::vector<DatabaseSubscription> subscriptions_;
    struct PlannedFailure {
        int callsBefore = 0;
        RecordStoreError error;
    };
    std::map<Operation, std::deque<PlannedFailure>> failures_;
    std::map<RecordID, RecordStoreError> entryFailures_;
    std::map<Operation, int> calls_;
};

}  // namespace quorvel
