#include "app/stores/PrivateFolders.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "kit/engine/Quorvel.hpp"
#include "platform/files/Files.hpp"
#include "platform/files/SymbolicLink.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {
namespace {

constexpr mode_t privateFolderMode = 0700;

}  // namespace

std::vector<std::string> privateFolders(const QuorvelPaths& paths) {
    return {paths.appSupport(), paths.spool(), paths.logs(), paths.captures()};
}

std::vector<std::string> linkedPrivateFolders(const QuorvelPaths& paths) {
    std::vector<std::string> linked;
    for (const std::string& folder : privateFolders(paths)) {
        if (files::isSymbolicLink(folder)) linked.push_back(folder);
    }
    return linked;
}

std::vector<std::string> restorePrivateFolderModes(const QuorvelPaths& paths) {
    const Logger log(Quorvel::macBundleID, "App");
    std::vector<std::string> changed;
    for (const std::string& folder : privateFolders(paths)) {
        // Opened without following a link, then changed through the descriptor: what is
        // checked is what is changed.
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat status {};
        if (::fstat(fd, &status) == 0 && status.st_uid == ::geteuid() &&
            (status.st_mode & 07777) != privateFolderMode) {
            if (::fchmod(fd, privateFolderMode) == 0) {
                char mode[8];
                std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
                log.notice("Made " + folder + " private again (it was " + mode + ")");
                changed.push_back(folder);
            } else {
                log.error("Couldn't make " + folder + " private: " + files::fileErrorFromErrno(errno, folder).message);
            }
        }
        ::close(fd);
    }
    return changed;
}

}  // namespace quorvel
