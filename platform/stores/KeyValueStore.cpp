#include "platform/stores/KeyValueStore.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/files/DamagedFileAside.hpp"
#include "platform/files/Files.hpp"
#include "platform/files/OwnFileRead.hpp"
#include "platform/files/SymbolicLink.hpp"
#include "platform/json/BoundedJson.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {
namespace {

/// The defaults are a few hundred JSON values; a file holding more than this is corrupt
/// (moved aside) as soon as the reader has counted that far, so it never holds up the start.
constexpr std::size_t maxFileValues = 20000;

// Each entry is {"type": <type>, "value": <value>}, so a value never changes type on a reload.
constexpr std::string_view boolType = "bool";
constexpr std::string_view stringType = "string";
constexpr std::string_view numberType = "number";
constexpr std::string_view dateType = "date";  // seconds since 2001-01-01 UTC
constexpr std::string_view jsonType = "json";

const Logger& storeLog() {
    static const Logger logger("com.tessaloom.quorvel", "Defaults");
    return logger;
}

bool isWellFormedEntry(const json::Json& entry) {
    if (!entry.is_object()) return false;
    const auto type = entry.find("type");
    const auto value = entry.find("value");
    if (type == entry.end() || value == entry.end() || !type->is_string()) return false;
    const auto& name = type->get_ref<const std::string&>();
    if (name == boolType) return value->is_boolean();
    if (name == stringType) return value->is_string();
    if (name == numberType || name == dateType) return value->is_number();
    if (name == jsonType) return true;
    return false;
}

}  // namespace

KeyValueStore::KeyValueStore(std::string path) : path_(std::move(path)) {}

std::string KeyValueStore::defaultPath() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    // Relative values are invalid and ignored.
    const std::string base = configHome != nullptr && configHome[0] == '/'
                                 ? std::string(configHome)
                                 : files::joinPath(files::homeDirectory(), ".config");
    return files::joinPath(base, "quorvel/defaults.json");
}

std::optional<bool> KeyValueStore::boolValue(std::string_view key) const {
    const auto value = entry(key, boolType);
    if (!value) return std::nullopt;
    return value->get<bool>();
}

std::optional<std::string> KeyValueStore::stringValue(std::string_view key) const {
    const auto value = entry(key, stringType);
    if (!value) return std::nullopt;
    return value->get<std::string>();
}

std::optional<double> KeyValueStore::numberValue(std::string_view key) const {
    const auto value = entry(key, numberType);
    if (!value) return std::nullopt;
    return value->get<double>();
}

std::optional<Instant> KeyValueStore::dateValue(std::string_view key) const {
    const auto value = entry(key, dateType);
    if (!value) return std::nullopt;
    return Instant::fromReferenceSeconds(value->get<double>());
}

std::optional<json::Json> KeyValueStore::jsonValue(std::string_view key) const { return entry(key, jsonType); }

bool KeyValueStore::contains(std::string_view key) const {
    std::lock_guard lock(mutex_);
    load();
    return entries_.contains(std::string(key));
}

void KeyValueStore::setBool(std::string_view key, bool value) { put(key, boolType, value); }
void KeyValueStore::setString(std::string_view key, std::string_view value) {
    put(key, stringType, json::string(value));
}

void KeyValueStore::setNumber(std::string_view key, double value) {
    try {
        put(key, numberType, json::number(value));
    } catch (const json::JsonEncodeError& error) {
        storeLog().error("Not storing \"" + std::string(key) + "\": " + error.what());
    }
}

void KeyValueStore::setDate(std::string_view key, Instant value) {
    try {
        put(key, dateType, json::referenceDate(value));
    } catch (const json::JsonEncodeError& error) {
        storeLog().error("Not storing \"" + std::string(key) + "\": " + error.what());
    }
}

void KeyValueStore::setJson(std::string_view key, const json::Json& value) {
    try {
        json::dump(value);  // refuses what could not be written back
    } catch (const std::exception& error) {
        storeLog().error("Not storing \"" + std::string(key) + "\": " + error.what());
        return;
    }
    put(key, jsonType, value);
}

void KeyValueStore::remove(std::string_view key) {
    std::lock_guard lock(mutex_);
    load();
    if (entries_.erase(std::string(key)) > 0) save();
}

std::optional<json::Json> KeyValueStore::entry(std::string_view key, std::string_view type) const {
    std::lock_guard lock(mutex_);
    load();
    const auto found = entries_.find(std::string(key));
    if (found == entries_.end()) return std::nullopt;
    if ((*found)["type"].get_ref<const std::string&>() != type) return std::nullopt;
    return (*found)["value"];
}

void KeyValueStore::put(std::string_view key, std::string_view type, json::Json value) {
    std::lock_guard lock(mutex_);
    load();
    json::Json stored = json::Json::object();
    stored["type"] = std::string(type);
    stored["value"] = std::move(value);
    const std::string name(key);
    if (entries_.contains(name) && entries_[name] == stored) return;
    entries_[name] = std::move(stored);
    save();
}

void KeyValueStore::load() const {
    if (loaded_) return;
    loaded_ = true;
    auto contents = files::readOwnFile(path_, maxFileBytes);
    if (!contents) {
        if (contents.error().code != ENOENT) {
            readFailed_ = true;
            storeLog().error("Couldn't read the defaults; starting empty and leaving the file as it is: " +
                             contents.error().message);
        }
        return;
    }
    std::string problem;
    std::vector<std::string> dropped;
    try {
        json::Json parsed = json::parseBounded(contents->bytes, maxFileValues);
        if (!parsed.is_object()) {
            problem = "not a JSON object";
        } else {
            // One bad entry costs that entry only: every other value is kept.
            json::Json kept = json::Json::object();
            for (auto& [key, value] : parsed.items()) {
                if (isWellFormedEntry(value)) kept[key] = std::move(value);
                else dropped.push_back(key);
            }
            entries_ = std::move(kept);
            if (dropped.empty()) return;
        }
    } catch (const json::JsonDecodeError& error) {
        problem = error.what();
    }
    // Keep the damaged file for a person to look at, under a name of its own.
    const auto aside = files::moveDamagedFileAside(path_);
    const std::string where = aside ? "moved it to " + *aside : "couldn't move it aside (" + aside.error().message + ")";
    if (!problem.empty()) {
        storeLog().error("The defaults file " + path_ + " is corrupt (" + problem + "); " + where + " and started empty");
        return;
    }
    std::string names;
    for (const std::string& key : dropped) names += (names.empty() ? "\"" : ", \"") + key + "\"";
    storeLog().error("The defaults file " + path_ + " had malformed entries (" + names + "); dropped them, kept the others and " +
                     where);
    // The file on disk holds what was kept, so the next start reads it even when nothing
    // is stored before then.
    if (aside) save();
}

void KeyValueStore::save() const {
    if (readFailed_) {
        storeLog().error("Not saving the defaults over " + path_ + ", which couldn't be read");
        return;
    }
    const std::string folder = files::parentPath(path_);
    if (auto created = files::createDirectories(folder, 0700); !created) {
        storeLog().error("Couldn't save the defaults: " + created.error().message);
        return;
    }
    // A folder of our own replaced by a link: whoever placed it chooses where writes land.
    if (files::isSymbolicLink(folder)) {
        storeLog().error("Couldn't save the defaults: " + files::fileErrorFromErrno(ELOOP, folder).message);
        return;
    }
    std::string text;
    try {
        text = json::dumpPretty(entries_);
    } catch (const std::exception& error) {
        storeLog().error(std::string("Couldn't save the defaults: ") + error.what());
        return;
    }
    if (auto written = files::writeFileAtomically(path_, text, 0600); !written) {
        storeLog().error("Couldn't save the defaults: " + written.error().message);
    }
}

}  // namespace quorvel
