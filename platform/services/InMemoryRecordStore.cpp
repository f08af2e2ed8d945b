#include "platform/services/InMemoryRecordStore.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

namespace quorvel {

namespace {

RecordStoreError notAuthenticated() {
    return {RecordStoreError::Code::notAuthenticated, "No iCloud account is signed in on this computer."};
}

RecordStoreError zoneNotFound(const RecordZoneID& zone) {
    return {RecordStoreError::Code::zoneNotFound, "The record zone \"" + zone.zoneName + "\" does not exist."};
}

Instant toMilliseconds(Instant instant) {
    const double milliseconds = instant.unixSeconds() * 1000.0;
    if (!std::isfinite(milliseconds)) return instant;
    return Instant::fromUnixSeconds(std::round(milliseconds) / 1000.0);
}

std::optional<std::uint64_t> parseNumber(std::string_view text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [parsed, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || parsed != end || text.empty()) return std::nullopt;
    return value;
}

/// "<generation>.<change counter>".
std::string makeToken(std::uint64_t generation, std::uint64_t change) {
    return std::to_string(generation) + "." + std::to_string(change);
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> parseToken(std::string_view token) {
    const std::size_t dot = token.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    auto generation = parseNumber(token.substr(0, dot));
    auto change = parseNumber(token.substr(dot + 1));
    if (!generation || !change) return std::nullopt;
    return std::pair{*generation, *change};
}

}  // namespace

InMemoryRecordStore::InMemoryRecordStore(std::shared_ptr<const Clock> clock, AccountStatus status)
    : clock_(std::move(clock)), status_(status) {}

std::optional<RecordStoreError> InMemoryRecordStore::beginCall(Operation operation) {
    ++calls_[operation];
    auto& planned = failures_[operation];
    if (!planned.empty()) {
        if (planned.front().callsBefore > 0) {
            --planned.front().callsBefore;
        } else {
            RecordStoreError error = planned.front().error;
            planned.pop_front();
            return error;
        }
    }
    if (operation != Operation::accountStatus && status_ != AccountStatus::available) return notAuthenticated();
    return std::nullopt;
}

Expected<AccountStatus, RecordStoreError> InMemoryRecordStore::accountStatus() {
    std::lock_guard lock(mutex_);
    if (auto error = beginCall(Operation::accountStatus)) return unexpected(*error);
    return status_;
}

Expected<void, RecordStoreError> InMemoryRecordStore::saveZone(const RecordZoneID& zone) {
    std::lock_guard lock(mutex_);
    if (auto error = beginCall(Operation::saveZone)) return unexpected(*error);
    zones_.try_emplace(zone);
    return {};
}

Expected<void, RecordStoreError> InMemoryRecordStore::saveSubscription(const DatabaseSubscription& subscription) {
    std::lock_guard lock(mutex_);
    if (auto error = beginCall(Operation::saveSubscription)) return unexpected(*error);
    auto same = std::find_if(subscriptions_.begin(), subscriptions_.end(), [&](const DatabaseSubscription& held) {
        return held.subscriptionID == subscription.subscriptionID;
    });
    if (same != subscriptions_.end()) {
        *same = subscription;
    } else {
        subscriptions_.push_back(subscription);
    }
    return {};
}

Expected<Record, RecordStoreError> InMemoryRecordStore::fetchRecord(const RecordID& recordID) {
    std::lock_guard lock(mutex_);
    if (auto error = beginCall(Operation::fetchRecord)) return unexpected(*error);
    auto zone = zones_.find(recordID.zoneID);
    if (zone == zones_.end()) return unexpected(zoneNotFound(recordID.zoneID));
    auto stored = zone->second.records.find(recordID.recordName);
    if (stored == zone->second.records.end() || !stored->second.record) {
        return unexpected(RecordStoreError{RecordStoreError::Code::unknownItem,
                                           "The record \"" + recordID.recordName + "\" does not exist."});
    }
    return *stored->second.record;
}

std::optional<RecordStoreError> InMemoryRecordStore::refusalOfSave(const Record& record, SavePolicy policy) const {
    auto zone = zones_.find(record.recordID().zoneID);
    if (zone == zones_.end()) return zoneNotFound(record.recordID().zoneID);
    if (policy != SavePolicy::ifServerRecordUnchanged) return std::nullopt;
    auto stored = zone->second.records.find(record.recordID().recordName);
    const bool onServer = stored != zone->second.records.end() && stored->second.record;
    if (onServer && stored->second.record->changeTag() != record.changeTag()) {
        return RecordStoreError{RecordStoreError::Code::serverRecordChanged,
                                "The record \"" + record.recordID().recordName + "\" was changed on the server."};
    }
    return std::nullopt;
}

void InMemoryRecordStore::applySave(const Record& record, SavePolicy policy) {
    StoredRecord& stored = zones_[record.recordID().zoneID].records[record.recordID().recordName];
    Record saved = record;
    if (policy == SavePolicy::changedKeys && stored.record) {
        // Fields the saving copy does not name keep the server's values.
        saved = *stored.record;
        for (const std::string& key : record.fieldKeys()) saved.setField(key, *record.field(key));
    }
    for (const std::string& key : saved.fieldKeys()) {
        if (const Instant* date = std::get_if<Instant>(saved.field(key))) saved.setField(key, toMilliseconds(*date));
    }
    stored.change = ++changeCounter_;
    saved.stampSaved(toMilliseconds(clock_->now()), std::to_string(stored.change));
    stored.recordType = saved.recordType();
    stored.record = std::move(saved);
}

void InMemoryRecordStore::applyDelete(const RecordID& recordID) {
    auto zone = zones_.find(recordID.zoneID);
    if (zone == zones_.end()) return;
    auto stored = zone->second.records.find(recordID.recordName);
    if (stored == zone->second.records.end() || !stored->second.record) return;
    stored->second.record.reset();
    stored->second.change = ++changeCounter_;
}

Expected<void, RecordStoreError> InMemoryRecordStore::modifyRecords(const std::vector<Record>& saving,
                                                                    const std::vector<RecordID>& deleting,
                                                                    SavePolicy policy, bool atomically) {
    std::lock_guard lock(mutex_);
    if (auto error = beginCall(Operation::modifyRecords)) return unexpected(*error);
    std::optional<RecordStoreError> firstRefusal;
    for (const Record& record : saving) {
        if (auto refusal = refusalOfSave(record, policy)) {
            if (atomically) return unexpected(*refusal);
            if (!firstRefusal) firstRefusal = refusal;
        }
    }
    for (const Record& record : saving) {
        if (!refusalOfSave(record, policy)) applySave(record, policy);
    }
    for (const RecordID& recordID : deleting) applyDelete(recordID);
    if (firstRefusal) return unexpected(*firstRefusal);
    return {};
}

Expected<RecordStore::ZoneChanges, RecordStoreError> InMemoryRecordStore::zoneChanges(
    const RecordZoneID& zoneID, const std::optional<ChangeToken>& since) {
    std::lock_guard lock(mutex_);
    if (auto error = beginCall(Operation::zoneChanges)) return unexpected(*error);
    auto zone = zones_.find(zoneID);
    if (zone == zones_.end()) return unexpected(zoneNotFound(zoneID));

    std::uint64_t start = 0;
    if (since) {
        const auto parsed = parseToken(*since);
        if (!parsed || parsed->first != tokenGeneration_ || parsed->second > changeCounter_) {
            return unexpected(
                RecordStoreError{RecordStoreError::Code::changeTokenExpired, "The change token has expired."});
        }
        start = parsed->second;
    }

    struct Change {
        std::uint64_t change;
        const std::string* recordName;
        const StoredRecord* stored;
    };
    std::vector<Change> pending;
    for (const auto& [name, stored] : zone->second.records) {
        if (stored.change <= start) continue;
        // A fetch from the beginning has no earlier state for a deletion to change.
        if (!since && !stored.record) continue;
        pending.push_back({stored.change, &name, &stored});
    }
    std::sort(pending.begin(), pending.end(),
              [](const Change& first, const Change& second) { return first.change < second.change; });

    ZoneChanges changes;
    const std::size_t taken = pageSize_ == 0 ? pending.size() : std::min(pageSize_, pending.size());
    for (std::size_t index = 0; index < taken; ++index) {
        const StoredRecord& stored = *pending[index].stored;
        if (stored.record) {
            const RecordID& recordID = stored.record->recordID();
            auto failure = entryFailures_.find(recordID);
            if (failure != entryFailures_.end()) {
                changes.modifications.push_back({recordID, unexpected(failure->second)});
            } else {
                changes.modifications.push_back({recordID, *stored.record});
            }
        } else {
            changes.deletions.push_back({RecordID{*pending[index].recordName, zoneID}, stored.recordType});
        }
    }
    changes.moreComing = taken < pending.size();
    changes.changeToken = makeToken(tokenGeneration_, changes.moreComing ? pending[taken - 1].change : changeCounter_);
    return changes;
}

void InMemoryRecordStore::setAccountStatus(AccountStatus status) {
    std::lock_guard lock(mutex_);
    status_ = status;
}

void InMemoryRecordStore::setPageSize(std::size_t pageSize) {
    std::lock_guard lock(mutex_);
    pageSize_ = pageSize;
}

void InMemoryRecordStore::failNext(Operation operation, RecordStoreError error, int times, int after) {
    std::lock_guard lock(mutex_);
    for (int count = 0; count < times; ++count) failures_[operation].push_back({count == 0 ? after : 0, error});
}

void InMemoryRecordStore::setEntryFailure(const RecordID& recordID, std::optional<RecordStoreError> error) {
    std::lock_guard lock(mutex_);
    if (error) {
        entryFailures_.insert_or_assign(recordID, *error);
    } else {
        entryFailures_.erase(recordID);
    }
}

void InMemoryRecordStore::expireChangeTokens() {
    std::lock_guard lock(mutex_);
    ++tokenGeneration_;
}

std::optional<Record> InMemoryRecordStore::record(const RecordID& recordID) const {
    std::lock_guard lock(mutex_);
    auto zone = zones_.find(recordID.zoneID);
    if (zone == zones_.end()) return std::nullopt;
    auto stored = zone->second.records.find(recordID.recordName);
    if (stored == zone->second.records.end()) return std::nullopt;
    return stored->second.record;
}

std::vector<Record> InMemoryRecordStore::records(const RecordZoneID& zoneID) const {
    std::lock_guard lock(mutex_);
    std::vector<Record> live;
    auto zone = zones_.find(zoneID);
    if (zone == zones_.end()) return live;
    for (const auto& [name, stored] : zone->second.records) {
        if (stored.record) live.push_back(*stored.record);
    }
    return live;
}

bool InMemoryRecordStore::hasZone(const RecordZoneID& zone) const {
    std::lock_guard lock(mutex_);
    return zones_.count(zone) > 0;
}

std::vector<DatabaseSubscription> InMemoryRecordStore::subscriptions() const {
    std::lock_guard lock(mutex_);
    return subscriptions_;
}

int InMemoryRecordStore::calls(Operation operation) const {
    std::lock_guard lock(mutex_);
    auto found = calls_.find(operation);
    return found == calls_.end() ? 0 : found->second;
}

}  // namespace quorvel
