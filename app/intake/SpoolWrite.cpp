#include "app/intake/SpoolWrite.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "kit/engine/Quorvel.hpp"
#include "kit/engine/SpoolFileFormat.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/files/FileDescriptors.hpp"
#include "platform/files/Files.hpp"
#include "platform/files/OwnFileRead.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {
namespace {

/// Threads that write at once.
constexpr std::size_t writers = 8;

/// Writes `bytes` as the new entry `name` of the folder open as `folderFd`. Written in place,
/// not renamed into it: no other copy of the app is there to read it half-written (this one
/// holds the single-instance lock until it ends), and one step less for each of thousands of
/// files keeps the end of the process quick. Not flushed to the disk either: thousands of
/// flushes would outlast a log-out, and the system writes what the process left behind in any
/// case (it is lost only with the power; a clean shutdown flushes it). 0, or the errno value.
int writeEntry(int folderFd, const std::string& name, const std::string& bytes) {
    const int fd = ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return errno;
    int code = ::fchmod(fd, 0600) == 0 && files::writeAll(fd, bytes) ? 0 : errno;
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code != 0) ::unlinkat(folderFd, name.c_str(), 0);
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
    // Writing thousands of small files one after the other is slow on some disks (a third of a
    // millisecond each); several writers at once take a fraction of that.
    std::atomic<std::size_t> written = 0;
    std::atomic<int> firstFailure = 0;
    const std::size_t writerCount = std::min<std::size_t>(writers, (events.size() + 99) / 100);
    auto writeShare = [&](std::size_t first) {
        for (std::size_t index = first; index < events.size(); index += writerCount) {
            const HookEvent& event = events[index];
            int code = EIO;
            try {
                if (auto contents = spoolFileContents(event)) {
                    code = writeEntry(folderFd, spoolFileName(event, random::makeUuidString()), *contents);
                }
            } catch (const std::exception&) {
                // An event that doesn't encode, or no randomness for a name: counted as not kept.
            }
            if (code == 0) {
                ++written;
            } else {
                int none = 0;
                firstFailure.compare_exchange_strong(none, code);
            }
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t first = 1; first < writerCount; ++first) {
        try {
            helpers.emplace_back(writeShare, first);
        } catch (const std::system_error&) {
            // No thread to be had: this one writes that share too.
            writeShare(first);
        }
    }
    writeShare(0);
    for (std::thread& helper : helpers) helper.join();
    std::optional<files::FileError> failure;
    if (firstFailure != 0) failure = files::fileErrorFromErrno(firstFailure, folder);
    ::close(folderFd);
    if (failure) log.error(std::to_string(events.size() - written) + lost + failure->message);
    return written;
}

}  // namespace quorvel
