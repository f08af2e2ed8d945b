#pragma once
// A key of the defaults together with the one type of value kept under it. Reads and writes
// through `KeyValueStore::value` and `KeyValueStore::set` take the type from the key, so every
// read and every write of one key agree on its name and its type.
#include <string_view>

namespace quorvel {

template <typename Value>
struct DefaultsKey {
    /// The key as it stands in the defaults file.
    std::string_view name;
};

}  // namespace quorvel
