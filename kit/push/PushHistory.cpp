#include "kit/push/PushHistory.hpp"

#include <cerrno>
#include <set>

#include "kit/push/UnreadableFile.hpp"
#include "platform/files/FileOperations.hpp"
#include "platform/files/OwnFileRead.hpp"

namespace quorvel {

namespace {

/// Far above `limit` items of the largest pushes.
constexpr std::size_t maxFileBytes = 4 * 1024 * 1024;

}  // namespace

PushHistory PushHistory::load(const std::string& baseFolder) {
    auto contents = files::readOwnFile(files::joinPath(baseFolder, fileName), maxFileBytes);
    if (!contents) return {};
    auto history = json::decodeJson<PushHistory>(contents->bytes);
    if (!history) return {};
    return std::move(history.value());
}

Expected<void, files::FileError> PushHistory::save(const std::string& baseFolder) const {
    const std::string path = files::joinPath(baseFolder, fileName);
    auto existing = files::readOwnFile(path, maxFileBytes);
    const bool missing = !existing && files::isNoSuchFile(existing.error().code);
    const bool readable = existing && json::decodeJson<PushHistory>(existing->bytes).hasValue();
    if (!missing && !readable) {
        if (auto aside = moveUnreadableFileAside(path); !aside) return unexpected(aside.error());
    }
    auto encoded = json::encodeJson(*this);
    if (!encoded) {
        return unexpected(files::FileError{EINVAL, path, "Couldn't encode the history: " + encoded.error().message});
    }
    return files::writeFileAtomically(path, encoded.value());
}

void PushHistory::add(const std::vector<ReceivedPush>& pushes) {
    std::set<std::string> known;
    for (const ReceivedPush& item : items) known.insert(item.id);
    std::vector<ReceivedPush> merged;
    merged.reserve(pushes.size() + items.size());
    for (const ReceivedPush& push : pushes) {
        if (known.count(push.id) == 0) merged.push_back(push);
    }
    merged.insert(merged.end(), items.begin(), items.end());
    if (merged.size() > limit) merged.resize(limit);
    items = std::move(merged);
}

std::optional<ReceivedPush> PushHistory::latest() const {
    if (items.empty()) return std::nullopt;
    return items.front();
}

PushHistory PushHistory::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "PushHistory");
    PushHistory history;
    for (const json::Json& item : json::requireArray(object, "items"))
        history.items.push_back(ReceivedPush::decode(item));
    return history;
}

json::Json PushHistory::encode() const {
    json::Json list = json::Json::array();
    for (const ReceivedPush& item : items) list.push_back(item.encode());
    json::Json object = json::Json::object();
    object["items"] = std::move(list);
    return object;
}

}  // namespace quorvel
