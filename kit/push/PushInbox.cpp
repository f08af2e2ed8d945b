#include "kit/push/PushInbox.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "kit/push/UnreadableFile.hpp"
#include "platform/files/OwnFileRead.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel::PushInbox {

namespace {

constexpr const char* inboxFolderName = "inbox";
constexpr std::string_view fileEnding = ".json";
/// Far above any push payload the service accepts.
constexpr std::size_t maxFileBytes = 64 * 1024;

const Logger& inboxLog() {
    static const Logger log("com.tessaloom.quorvel", "PushInbox");
    return log;
}

/// True for a failure that may pass by itself (the file went, the process ran out of
/// descriptors or memory): the file is tried again by the next drain.
bool mayPass(int code) {
    return code == ENOENT || code == EMFILE || code == ENFILE || code == ENOMEM || code == EINTR || code == EAGAIN;
}

bool endsWithJson(const std::string& name) {
    return name.size() >= fileEnding.size() &&
           name.compare(name.size() - fileEnding.size(), fileEnding.size(), fileEnding) == 0;
}

}  // namespace

std::optional<std::string> fileName(const ReceivedPush& push) {
    const double milliseconds = std::trunc(push.receivedAt.unixSeconds() * 1000.0);
    // 2^63 is exactly representable; anything at or past it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(milliseconds) || milliseconds >= limit || milliseconds < -limit) return std::nullopt;
    return std::to_string(static_cast<std::int64_t>(milliseconds)) + "-" + push.id + std::string(fileEnding);
}

Expected<void, files::FileError> write(const ReceivedPush& push, const std::string& baseFolder) {
    const std::string folder = files::joinPath(baseFolder, inboxFolderName);
    std::optional<std::string> name = fileName(push);
    if (!name) {
        return unexpected(files::FileError{EINVAL, folder, "The push's receive time can't name an inbox file."});
    }
    if (auto created = files::createDirectories(folder); !created) return unexpected(created.error());
    auto encoded = json::encodeJson(push);
    if (!encoded) {
        return unexpected(files::FileError{EINVAL, folder, "Couldn't encode the push: " + encoded.error().message});
    }
    return files::writeFileAtomically(files::joinPath(folder, *name), encoded.value());
}

std::vector<ReceivedPush> drain(const std::string& baseFolder) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(baseFolder) / inboxFolderName;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        names.push_back(entry->path().filename().string());
    }
    if (error) names.clear();
    std::sort(names.begin(), names.end());

    std::vector<ReceivedPush> pushes;
    for (const std::string& name : names) {
        if (!endsWithJson(name)) continue;
        const std::string path = (folder / name).string();
        // Never through a link, never blocked by a FIFO. What can never be read (a link, a
        // FIFO, a file too big) is renamed aside, out of every later drain's way but kept:
        // it may hold what someone wants back.
        auto contents = files::readOwnFile(path, maxFileBytes);
        if (!contents) {
            if (mayPass(contents.error().code)) continue;
            if (moveUnreadableFileAside(path)) {
                inboxLog().error("Moved the unreadable inbox file " + name + " aside: " + contents.error().message);
            }
            continue;
        }
        if (auto push = json::decodeJson<ReceivedPush>(contents->bytes)) pushes.push_back(std::move(push.value()));
        std::error_code ignored;
        fs::remove(path, ignored);
    }
    return pushes;
}

}  // namespace quorvel::PushInbox
