#pragma once
// The phone records' field conventions: Booleans are the integers 1 and 0 and read back as
// true for any integer but 0, so a phone that writes another non-zero value is still
// understood; an absent optional removes its field, so an earlier write can't linger.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/stores/RecordStore.hpp"

namespace quorvel::recordfields {

inline std::int64_t flag(bool value) { return value ? 1 : 0; }

/// Absent when the field is missing or not an integer.
inline std::optional<bool> readFlag(const Record& record, std::string_view key) {
    std::optional<std::int64_t> value = record.integerField(key);
    if (!value) return std::nullopt;
    return *value != 0;
}

/// Sets the field, or removes it when `value` is absent.
template <typename T>
void setOrRemove(Record& record, const std::string& key, const std::optional<T>& value) {
    if (value) {
        record.setField(key, *value);
    } else {
        record.removeField(key);
    }
}

/// Sets the flag as an integer, or removes it when `value` is absent.
inline void setOrRemoveFlag(Record& record, const std::string& key, std::optional<bool> value) {
    std::optional<std::int64_t> stored;
    if (value) stored = flag(*value);
    setOrRemove(record, key, stored);
}

}  // namespace quorvel::recordfields
