#include "app/intake/SpoolDrain.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>
#include <optional>
#include <string_view>

#include "app/intake/EventStamp.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/files/Files.hpp"
#include "platform/files/OwnFileRead.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {
namespace {

const Logger& spoolLog() {
    static const Logger log(std::string(Quorvel::macBundleID), "Spool");
    return log;
}

/// The entry names of the folder open as `folderFd`; the descriptor stays open.
bool listNames(int folderFd, std::vector<std::string>& names) {
    const int listing = ::dup(folderFd);
    if (listing < 0) return false;
    std::unique_ptr<DIR, int (*)(DIR*)> directory(::fdopendir(listing), closedir);
    if (!directory) {
        ::close(listing);
        return false;
    }
    while (dirent* entry = readdir(directory.get())) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    return true;
}

std::string removalFailureText(const std::string& name, const std::string& problem) {
    return "Couldn't remove spool file " + name + ": " + problem;
}

/// Absent once `name` is gone from the folder open as `folderFd`; else the line that says why not.
std::optional<std::string> removalFailure(int folderFd, const std::string& folder, const std::string& name) {
    // unlinkat without AT_REMOVEDIR: a folder that happens to end in ".json" stays, and a
    // link is removed itself, never what it points to.
    if (::unlinkat(folderFd, name.c_str(), 0) == 0 || errno == ENOENT) return std::nullopt;
    return removalFailureText(name, files::fileErrorFromErrno(errno, files::joinPath(folder, name)).message);
}

/// The same for the folder at `folder`, opened for the one removal (never through a link).
std::optional<std::string> removalFailure(const std::string& folder, const std::string& name) {
    const int folderFd = files::openOwnFolder(folder);
    if (folderFd < 0) return removalFailureText(name, files::fileErrorFromErrno(errno, folder).message);
    std::optional<std::string> failure = removalFailure(folderFd, folder, name);
    ::close(folderFd);
    return failure;
}

bool removeEntry(int folderFd, const std::string& folder, const std::string& name) {
    const std::optional<std::string> failure = removalFailure(folderFd, folder, name);
    if (failure) spoolLog().error(*failure);
    return !failure;
}

/// A regular file in the folder that nobody has written to for `staleTemporarySeconds`.
bool isAbandoned(int folderFd, const std::string& name, double now) {
    struct stat info {};
    if (::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) return false;
    const double modified = double(info.st_mtim.tv_sec) + double(info.st_mtim.tv_nsec) / 1e9;
    return now - modified > staleTemporarySeconds;
}

/// A hidden temporary file (the helper's ".<name>.<uuid>") that nobody has written to for a
/// while: its writer was ended before it could rename it.
bool isAbandonedTemporary(int folderFd, const std::string& name, double now) {
    return name.starts_with(".") && isAbandoned(folderFd, name, now);
}

/// Bytes that end before their JSON does: nothing yet, or a text cut short. A file written in
/// place is named before its bytes are all there, so this is what its reader meets while
/// the writer is still at work.
bool endsBeforeItsJson(std::string_view bytes) {
    if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) return true;
    try {
        [[maybe_unused]] const json::Json parsed = json::Json::parse(bytes);
    } catch (const json::Json::parse_error& error) {
        return error.byte > bytes.size();
    } catch (const std::exception&) {
    }
    return false;
}

}  // namespace

std::vector<SpooledEvent> readSpool(const std::string& folder, const std::set<std::string>& skip,
                                    std::set<std::string>* stuck) {
    const int folderFd = files::openOwnFolder(folder);
    if (folderFd < 0) return {};
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{folderFd};

    std::vector<std::string> names;
    if (!listNames(folderFd, names)) return {};
    std::sort(names.begin(), names.end());

    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const double nowSeconds = double(now.tv_sec) + double(now.tv_nsec) / 1e9;
    // Entries reported stuck before and still there stay quiet; the rest are forgotten, so a
    // name that comes back later is reported again.
    std::set<std::string> stillStuck;
    const auto reportedBefore = [&](const std::string& name) {
        if (!stuck || !stuck->contains(name)) return false;
        stillStuck.insert(name);
        return true;
    };
    const auto removeOrMarkStuck = [&](const std::string& name) {
        if (!removeEntry(folderFd, folder, name)) stillStuck.insert(name);
    };
    std::vector<SpooledEvent> events;
    for (const std::string& name : names) {
        if (reportedBefore(name)) continue;
        if (isAbandonedTemporary(folderFd, name, nowSeconds)) {
            removeOrMarkStuck(name);
            continue;
        }
        if (!name.ends_with(".json") || skip.contains(name)) continue;
        const std::string path = files::joinPath(folder, name);
        auto contents = files::readOwnFileAt(folderFd, name, spoolFileMaxBytes, path);
        if (!contents) {
            spoolLog().error("Skipping unreadable spool file " + name + ": " + contents.error().message);
        } else if (auto event = json::decodeJson<HookEvent>(contents->bytes); !event) {
            // Its writer's close brings another listing; a writer that was ended mid-write
            // left it, and it goes once abandoned, like a temporary.
            if (endsBeforeItsJson(contents->bytes) && !isAbandoned(folderFd, name, nowSeconds)) continue;
            spoolLog().error("Skipping unreadable spool file " + name + ": " + event.error().message);
        } else {
            events.push_back(SpooledEvent{std::move(event.value()), name});
            continue;
        }
        // Nothing to hand on: the file goes now, so it is reported once.
        removeOrMarkStuck(name);
    }
    if (stuck) *stuck = std::move(stillStuck);
    sortByReceiveOrder(events, [](const SpooledEvent& each) -> const HookEvent& { return each.event; });
    return events;
}

Logger spoolLogger() { return spoolLog(); }

bool removeSpoolFile(const std::string& folder, const std::string& name) {
    const std::optional<std::string> failure = removalFailure(folder, name);
    if (failure) spoolLog().error(*failure);
    return !failure;
}

bool removeSpoolFile(const std::string& folder, const std::string& name, RepeatedFailureLog& failures, Instant now) {
    const std::optional<std::string> failure = removalFailure(folder, name);
    if (failure) failures.failed(spoolRemovalFailureKind, *failure, now);
    return !failure;
}

void drainSpool(const std::string& folder, const std::function<void(const HookEvent&)>& handOn) {
    for (const SpooledEvent& spooled : readSpool(folder)) {
        handOn(spooled.event);
        removeSpoolFile(folder, spooled.name);
    }
}

std::vector<HookEvent> drainSpool(const std::string& folder) {
    std::vector<HookEvent> events;
    drainSpool(folder, [&events](const HookEvent& event) { events.push_back(event); });
    return events;
}

}  // namespace quorvel
