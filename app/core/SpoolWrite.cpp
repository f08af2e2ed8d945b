#include "app/core/SpoolWrite.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "hook/UnixMilliseconds.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/FileDescriptors.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/Logger.hpp"
#include "platform/OwnFileRead.hpp"
#include "platform/SecureRandom.hpp"

namespace quorvel {
namespace {

/// Writes `bytes` to the new entry `name` of the folder open as `folderFd`, hidden until
/// whole. Not flushed to the disk: thousands of flushes would outlast a log-out, and the
/// system writes what the process left behind in any case (it is lost only with the power,
/// and a clean shutdown flushes it). 0, or the errno value.
int writeEntry(int folderFd, const std::string& name, const std::string& bytes) {
    const std::string hidden = "." + name + "." + random::makeUuidString();
    const int fd = ::openat(folderFd, hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return errno;
    int code = ::fchmod(fd, 0600) == 0 && files::writeAll(fd, bytes) ? 0 : errno;
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code == 0 && ::renameat(folderFd, hidden.c_str(), folderFd, name.c_str()) != 0) code = errno;
    if (code != 0) ::unlinkat(folderFd, hidden.c_str(), 0);
    return code;
}

}  // namespace

std::size_t writeSpoolFiles(const std::string& folder, const std::vector<HookEvent>& events) {
    if (events.empty()) return 0;
    const Logger log(std::string(Quorvel::macBundleID), "Spool");
    const std::string lost = " accepted events couldn't be kept: ";
    if (auto created = files::createDirectories(folder, 0700); !created) {
        log.error(std::to_string(events.size()) + lost + created.error().message);
        return 0;
    }
    const int folderFd = files::openOwnFolder(folder);
    if (folderFd < 0) {
        log.error(std::to_string(events.size()) + lost + files::fileErrorFromErrno(errno, folder).message);
        return 0;
    }
    std::size_t written = 0;
    std::optional<files::FileError> failure;
    for (const HookEvent& event : events) {
        int code = EIO;
        try {
            const std::string name =
                std::to_string(unixMilliseconds(event.receivedAt)) + "-" + random::makeUuidString() + ".json";
            code = writeEntry(folderFd, name, json::dump(event.encode()));
        } catch (const std::exception&) {
            // An event that doesn't encode, or no randomness for a name: counted as not kept.
        }
        if (code == 0) {
            ++written;
        } else if (!failure) {
            failure = files::fileErrorFromErrno(code, folder);
        }
    }
    ::close(folderFd);
    if (failure) log.error(std::to_string(events.size() - written) + lost + failure->message);
    return written;
}

}  // namespace quorvel
