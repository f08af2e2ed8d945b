#include "app/core/SpoolWatch.hpp"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvel {
namespace {

// What can bring a new spool file: the helper's rename of its temporary, or a writer that
// writes the file in place. Removals (ours among them) are not asked for.
constexpr std::uint32_t watchedChanges =
    IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;

}  // namespace

SpoolWatch::SpoolWatch(std::string folder) : folder_(std::move(folder)) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

SpoolWatch::~SpoolWatch() {
    if (inotify_ >= 0) ::close(inotify_);
}

bool SpoolWatch::mayHaveChanged() {
    if (inotify_ < 0) return true;
    if (watch_ < 0) {
        // Armed before the caller lists the folder, so nothing written meanwhile is missed.
        // A link in the folder's place is not watched (IN_DONT_FOLLOW with IN_ONLYDIR): the
        // caller never reads through one either.
        watch_ = ::inotify_add_watch(inotify_, folder_.c_str(), watchedChanges);
        return true;
    }
    bool changed = false;
    alignas(inotify_event) std::array<char, 16 * 1024> buffer{};
    while (true) {
        const ssize_t count = ::read(inotify_, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        changed = true;
        for (std::size_t offset = 0; offset + sizeof(inotify_event) <= std::size_t(count);) {
            inotify_event header{};
            std::memcpy(&header, buffer.data() + offset, sizeof header);
            // The folder went (removed, renamed, replaced): watch whatever takes its place.
            if (header.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
                if (header.wd == watch_ && watch_ >= 0) {
                    ::inotify_rm_watch(inotify_, watch_);
                    watch_ = -1;
                }
            }
            offset += sizeof(inotify_event) + header.len;
        }
    }
    return changed;
}

}  // namespace quorvel
