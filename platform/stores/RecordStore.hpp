#pragma once
// The user's private record database, in place of CloudKit's: typed records in named zones,
// a database subscription that wakes the app on a change, and the changes of a zone since
// an opaque change token, page by page. Calls are synchronous and may wait on the network,
// so callers keep them off the main thread; implementations are thread-safe.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/Expected.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

/// The account's state as the database reports it. Values outside the named ones can come
/// from a newer service and must be handled as "not available".
enum class AccountStatus : int {
    couldNotDetermine = 0,
    available = 1,
    restricted = 2,
    noAccount = 3,
    temporarilyUnavailable = 4,
};

struct RecordStoreError {
    enum class Code {
        failed,               ///< any other refusal of the service
        networkUnavailable,   ///< no connection to the service
        networkFailure,       ///< the connection broke off
        notAuthenticated,     ///< no usable account
        unknownItem,          ///< the record does not exist
        serverRecordChanged,  ///< a save conditioned on the server's copy found it changed
        changeTokenExpired,   ///< the change token is too old (or not one of this zone's)
        zoneNotFound,         ///< the zone does not exist
    };
    Code code = Code::failed;
    /// The user-facing text.
    std::string description;

    bool operator==(const RecordStoreError&) const = default;
};

struct RecordZoneID {
    std::string zoneName;
    /// The current user, unless a zone shared by someone else is meant.
    std::string ownerName = "__defaultOwner__";

    auto operator<=>(const RecordZoneID&) const = default;
};

struct RecordID {
    std::string recordName;
    RecordZoneID zoneID;

    auto operator<=>(const RecordID&) const = default;
};

/// Raw bytes, kept apart from text so a field's type survives the round trip.
struct RecordBytes {
    std::string data;
    bool operator==(const RecordBytes&) const = default;
};

/// One field's value. Dates keep millisecond precision once saved.
using RecordValue = std::variant<std::string, std::int64_t, double, RecordBytes, Instant>;

/// One record: its type, its identity, its fields, and what the database stamped on it when
/// it was last saved. A value: changing it changes nothing stored until it is saved.
class Record {
public:
    /// The date of a record that has none of its own (and no modification date): sorts first
    /// in ascending order, last in "newest first".
    static constexpr Instant distantPast = Instant::fromReferenceSeconds(-63114076800.0);

    Record(std::string recordType, RecordID recordID);

    const std::string& recordType() const { return recordType_; }
    const RecordID& recordID() const { return recordID_; }
    /// When the database last saved it; absent for a record never saved.
    const std::optional<Instant>& modificationDate() const { return modificationDate_; }
    /// The database's version tag of the saved copy; absent for a record never saved.
    const std::optional<std::string>& changeTag() const { return changeTag_; }

    /// The field's value, or null when there is none.
    const RecordValue* field(std::string_view key) const;
    // Typed reads: absent when the field is missing or holds another type.
    std::optional<std::string> stringField(std::string_view key) const;
    std::optional<std::int64_t> integerField(std::string_view key) const;
    std::optional<double> doubleField(std::string_view key) const;
    std::optional<RecordBytes> bytesField(std::string_view key) const;
    std::optional<Instant> dateField(std::string_view key) const;

    void setField(std::string key, RecordValue value);
    /// Removes the field; a missing field is no change.
    void removeField(std::string_view key);
    /// The names of the fields set, in order.
    std::vector<std::string> fieldKeys() const;

    /// For the database: what it stamps on the copy it saved.
    void stampSaved(Instant modificationDate, std::string changeTag);

    bool operator==(const Record&) const = default;

private:
    std::string recordType_;
    RecordID recordID_;
    std::map<std::string, RecordValue, std::less<>> fields_;
    std::optional<Instant> modificationDate_;
    std::optional<std::string> changeTag_;
};

/// A subscription to every change in the database, announced by a silent notification when
/// `shouldSendContentAvailable` is set.
struct DatabaseSubscription {
    std::string subscriptionID;
    bool shouldSendContentAvailable = false;
    bool operator==(const DatabaseSubscription&) const = default;
};

class RecordStore {
public:
    /// How a save treats the server's copy.
    enum class SavePolicy {
        /// Refused with `serverRecordChanged` when the server holds a copy with another change
        /// tag than the record being saved (a new record must not exist yet).
        ifServerRecordUnchanged,
        /// The saved record's changed fields are written over the server's copy.
        changedKeys,
        /// The saved record replaces the server's copy whatever it holds.
        allKeys,
    };

    /// Opaque bytes; only the store that gave one out knows what it means.
    using ChangeToken = std::string;

    /// One changed record in a page of zone changes: the record, or why it could not be read.
    struct Modification {
        RecordID recordID;
        Expected<Record, RecordStoreError> result;
    };
    struct Deletion {
        RecordID recordID;
        std::string recordType;
    };
    /// One page of a zone's changes, oldest change first.
    struct ZoneChanges {
        std::vector<Modification> modifications;
        std::vector<Deletion> deletions;
        /// Where the next call starts, whether or not more is coming.
        ChangeToken changeToken;
        /// More changes wait: ask again with `changeToken`.
        bool moreComing = false;
    };

    virtual ~RecordStore() = default;

    virtual Expected<AccountStatus, RecordStoreError> accountStatus() = 0;
    /// Creates the zone; an existing zone is kept as it is.
    virtual Expected<void, RecordStoreError> saveZone(const RecordZoneID& zone) = 0;
    /// Creates the subscription or replaces the one with the same identifier.
    virtual Expected<void, RecordStoreError> saveSubscription(const DatabaseSubscription& subscription) = 0;
    /// The saved record; `unknownItem` when there is none, `zoneNotFound` without its zone.
    virtual Expected<Record, RecordStoreError> fetchRecord(const RecordID& recordID) = 0;
    /// Saves and deletes records. `atomically`: when one record is refused, nothing changes
    /// and the call fails with that record's error. Deleting a record that is not there is no
    /// failure.
    virtual Expected<void, RecordStoreError> modifyRecords(const std::vector<Record>& saving,
                                                           const std::vector<RecordID>& deleting, SavePolicy policy,
                                                           bool atomically) = 0;
    /// The zone's changes after `since` (from the beginning when absent): one page.
    /// `changeTokenExpired` when the token can no longer be used.
    virtual Expected<ZoneChanges, RecordStoreError> zoneChanges(const RecordZoneID& zone,
                                                                const std::optional<ChangeToken>& since) = 0;
};

}  // namespace quorvel
