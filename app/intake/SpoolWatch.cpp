#include "app/intake/SpoolWatch.hpp"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace quorvel {
namespace {

// What can bring a new spool file: the helper's rename of its temporary, a name made for a
// file written elsewhere (a hard link, an unnamed file linked in), or a writer that writes
// the file in place (its name appears first, its end is the close). Removals (ours among
// them) are not asked for.
constexpr std::uint32_t watchedChanges = IN_MOVED_TO | IN_CREATE | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF |
                                         IN_ONLYDIR | IN_DONT_FOLLOW;

constexpr std::string_view spoolFileSuffix = ".json";

// Only entries the drain reads are news: a folder, or the helper's hidden temporary before
// its rename, changes nothing a listing would find.
bool namesASpoolFile(const inotify_event& header, const char* name) {
    if (header.mask & IN_ISDIR) return false;
    if (header.len == 0) return true;  // about the folder itself
    const std::string_view entry(name, ::strnlen(name, header.len));
    return entry.ends_with(spoolFileSuffix);
}

}  // namespace

SpoolWatch::SpoolWatch(std::string folder) : folder_(std::move(folder)) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

SpoolWatch::~SpoolWatch() {
    if (inotify_ >= 0) ::close(inotify_);
}

bool SpoolWatch::mayHaveChanged() {
    if (inotify_ < 0) return true;
    const bool changed = readChanges();
    if (watch_ < 0) {
        // Armed before the caller lists the folder, so nothing written meanwhile is missed.
        // A link in the folder's place is not watched (IN_DONT_FOLLOW with IN_ONLYDIR): the
        // caller never reads through one either.
        watch_ = ::inotify_add_watch(inotify_, folder_.c_str(), watchedChanges);
        if (watch_ >= 0 && parentWatch_ >= 0) {
            ::inotify_rm_watch(inotify_, parentWatch_);
            parentWatch_ = -1;
        } else if (watch_ < 0 && parentWatch_ < 0) {
            // Not there yet: the helper makes it with its first spooled event, and the
            // descriptor wakes the caller then.
            const std::string parent = folder_.substr(0, folder_.find_last_of('/'));
            parentWatch_ = ::inotify_add_watch(inotify_, parent.empty() ? "/" : parent.c_str(),
                                               IN_CREATE | IN_MOVED_TO | IN_ONLYDIR | IN_DONT_FOLLOW);
        }
        return true;
    }
    return changed;
}

bool SpoolWatch::readChanges() {
    bool changed = false;
    alignas(inotify_event) std::array<char, 16 * 1024> buffer{};
    while (true) {
        const ssize_t count = ::read(inotify_, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        for (std::size_t offset = 0; offset + sizeof(inotify_event) <= std::size_t(count);) {
            inotify_event header{};
            std::memcpy(&header, buffer.data() + offset, sizeof header);
            // A watch let go of (the parent's, once the folder is there) says nothing new.
            const bool ours = watch_ >= 0 && header.wd == watch_;
            const bool parents = parentWatch_ >= 0 && header.wd == parentWatch_;
            const bool news = parents || (ours && namesASpoolFile(header, buffer.data() + offset + sizeof header));
            if ((header.mask & IN_Q_OVERFLOW) || (news && !(header.mask & IN_IGNORED))) changed = true;
            // The folder went (removed, renamed, replaced): watch whatever takes its place.
            if (ours && (header.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))) {
                ::inotify_rm_watch(inotify_, watch_);
                watch_ = -1;
                changed = true;
            }
            offset += sizeof(inotify_event) + header.len;
        }
    }
    return changed;
}

}  // namespace quorvel
