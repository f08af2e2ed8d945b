#pragma once
// The app's user defaults: typed values under string keys, kept as one JSON file written
// atomically (0600) in the user's XDG config folder. Each value remembers its type, so a
// Boolean false is never confused with the string "false". Thread-safe.
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/json/JsonCoding.hpp"
#include "platform/stores/DefaultsKey.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class KeyValueStore {
public:
    /// A store kept in the file at `path` (created on first write with its folder, 0700).
    explicit KeyValueStore(std::string path);

    /// $XDG_CONFIG_HOME/quorvel/defaults.json, or ~/.config/quorvel/defaults.json.
    static std::string defaultPath();
    /// The defaults never come near this; a bigger file, like a link, FIFO or device where
    /// the file should be, can't be read (platform/files/OwnFileRead.hpp) and is left as it is.
    static constexpr std::size_t maxFileBytes = 4 * 1024 * 1024;

    std::optional<bool> boolValue(std::string_view key) const;
    std::optional<std::string> stringValue(std::string_view key) const;
    std::optional<double> numberValue(std::string_view key) const;
    std::optional<Instant> dateValue(std::string_view key) const;
    /// A JSON blob as it was stored (a record encoded by its type).
    std::optional<json::Json> jsonValue(std::string_view key) const;
    bool contains(std::string_view key) const;

    void setBool(std::string_view key, bool value);
    void setString(std::string_view key, std::string_view value);
    void setNumber(std::string_view key, double value);
    void setDate(std::string_view key, Instant value);
    void setJson(std::string_view key, const json::Json& value);
    void remove(std::string_view key);

    // The same, typed by the key: a value of another type than the key's counts as none.
    std::optional<bool> value(DefaultsKey<bool> key) const { return boolValue(key.name); }
    std::optional<std::string> value(DefaultsKey<std::string> key) const { return stringValue(key.name); }
    std::optional<double> value(DefaultsKey<double> key) const { return numberValue(key.name); }
    std::optional<Instant> value(DefaultsKey<Instant> key) const { return dateValue(key.name); }
    std::optional<json::Json> value(DefaultsKey<json::Json> key) const { return jsonValue(key.name); }
    void set(DefaultsKey<bool> key, bool value) { setBool(key.name, value); }
    void set(DefaultsKey<std::string> key, std::string_view value) { setString(key.name, value); }
    void set(DefaultsKey<double> key, double value) { setNumber(key.name, value); }
    void set(DefaultsKey<Instant> key, Instant value) { setDate(key.name, value); }
    void set(DefaultsKey<json::Json> key, const json::Json& value) { setJson(key.name, value); }
    template <typename Value>
    void remove(DefaultsKey<Value> key) { remove(key.name); }
    template <typename Value>
    bool contains(DefaultsKey<Value> key) const { return contains(key.name); }

    const std::string& path() const { return path_; }

private:
    std::optional<json::Json> entry(std::string_view key, std::string_view type) const;
    void put(std::string_view key, std::string_view type, json::Json value);
    void load() const;
    void save() const;

    std::string path_;
    mutable std::mutex mutex_;
    mutable bool loaded_ = false;
    // The file exists but could not be read: it is never written over, so nothing is lost.
    mutable bool readFailed_ = false;
    mutable json::Json entries_ = json::Json::object();
};

}  // namespace quorvel
