#include "app/core/SpoolDrain.hpp"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "kit/engine/Quorvel.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/Logger.hpp"

namespace quorvel {
namespace {

const Logger& spoolLog() {
    static const Logger log(std::string(Quorvel::macBundleID), "Spool");
    return log;
}

bool listNames(const std::string& folder, std::vector<std::string>& names) {
    std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(folder.c_str()), closedir);
    if (!directory) return false;
    while (dirent* entry = readdir(directory.get())) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    return true;
}

}  // namespace

std::vector<HookEvent> drainSpool(const std::string& folder) {
    std::vector<std::string> names;
    if (!listNames(folder, names)) return {};
    std::sort(names.begin(), names.end());

    std::vector<HookEvent> events;
    for (const std::string& name : names) {
        if (!name.ends_with(".json")) continue;
        std::string path = files::joinPath(folder, name);

        auto bytes = files::readFile(path);
        if (!bytes) {
            spoolLog().error("Skipping unreadable spool file " + name + ": " + bytes.error().message);
        } else if (auto event = json::decodeJson<HookEvent>(bytes.value()); !event) {
            spoolLog().error("Skipping unreadable spool file " + name + ": " + event.error().message);
        } else {
            events.push_back(std::move(event.value()));
        }

        // unlink, not a recursive remove: a folder that happens to end in ".json" stays.
        if (unlink(path.c_str()) != 0) {
            spoolLog().error("Couldn't remove spool file " + name + ": " + files::fileErrorFromErrno(errno, path).message);
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const HookEvent& a, const HookEvent& b) { return a.receivedAt < b.receivedAt; });
    return events;
}

}  // namespace quorvel
