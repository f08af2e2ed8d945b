#include "app/core/SpoolDrain.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "kit/engine/Quorvel.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/Logger.hpp"
#include "platform/OwnFileRead.hpp"

namespace quorvel {
namespace {

const Logger& spoolLog() {
    static const Logger log(std::string(Quorvel::macBundleID), "Spool");
    return log;
}

struct SpooledEvent {
    HookEvent event;
    std::string name;
};

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

void removeEntry(int folderFd, const std::string& folder, const std::string& name) {
    // unlinkat without AT_REMOVEDIR: a folder that happens to end in ".json" stays, and a
    // link is removed itself, never what it points to.
    if (::unlinkat(folderFd, name.c_str(), 0) != 0) {
        spoolLog().error("Couldn't remove spool file " + name + ": " +
                         files::fileErrorFromErrno(errno, files::joinPath(folder, name)).message);
    }
}

}  // namespace

void drainSpool(const std::string& folder, const std::function<void(const HookEvent&)>& handOn) {
    const int folderFd = files::openOwnFolder(folder);
    if (folderFd < 0) return;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{folderFd};

    std::vector<std::string> names;
    if (!listNames(folderFd, names)) return;
    std::sort(names.begin(), names.end());

    std::vector<SpooledEvent> events;
    for (const std::string& name : names) {
        if (!name.ends_with(".json")) continue;
        const std::string path = files::joinPath(folder, name);
        auto contents = files::readOwnFileAt(folderFd, name, spoolFileMaxBytes, path);
        if (!contents) {
            spoolLog().error("Skipping unreadable spool file " + name + ": " + contents.error().message);
        } else if (auto event = json::decodeJson<HookEvent>(contents->bytes); !event) {
            spoolLog().error("Skipping unreadable spool file " + name + ": " + event.error().message);
        } else {
            events.push_back(SpooledEvent{std::move(event.value()), name});
            continue;
        }
        // Nothing to hand on: the file goes now, so it is reported once.
        removeEntry(folderFd, folder, name);
    }
    std::stable_sort(events.begin(), events.end(), [](const SpooledEvent& a, const SpooledEvent& b) {
        return a.event.receivedAt < b.event.receivedAt;
    });

    for (const SpooledEvent& spooled : events) {
        handOn(spooled.event);
        removeEntry(folderFd, folder, spooled.name);
    }
}

std::vector<HookEvent> drainSpool(const std::string& folder) {
    std::vector<HookEvent> events;
    drainSpool(folder, [&events](const HookEvent& event) { events.push_back(event); });
    return events;
}

}  // namespace quorvel
