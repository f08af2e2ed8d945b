#include "app/core/SingleInstance.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "kit/engine/Quorvel.hpp"

namespace quorvel {
namespace {

std::string lockFileName() { return std::string(Quorvel::macBundleID) + ".lock"; }

// A lock in a folder someone else controls locks nothing: use it only when it is a real
// folder (no link) of this user's.
Expected<void, files::FileError> ensureOwnFolder(const std::string& folder) {
    if (auto created = files::createDirectories(folder, 0700); !created) return unexpected(created.error());
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return unexpected(files::fileErrorFromErrno(errno, folder));
    if (!S_ISDIR(info.st_mode)) return unexpected(files::fileErrorFromErrno(ENOTDIR, folder));
    if (info.st_uid != ::getuid()) return unexpected(files::fileErrorFromErrno(EPERM, folder));
    return {};
}

}  // namespace

SingleInstance::SingleInstance(std::string lockPath) : lockPath_(std::move(lockPath)) {}

SingleInstance::~SingleInstance() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

std::string SingleInstance::lockPathFor(const QuorvelPaths& paths) {
    return files::joinPath(paths.appSupport(), lockFileName());
}

Expected<SingleInstance::Outcome, files::FileError> SingleInstance::claim() {
    if (descriptor_ >= 0) return Outcome::first;

    if (auto folder = ensureOwnFolder(files::parentPath(lockPath_)); !folder) return unexpected(folder.error());

    // Not inherited by the processes the app starts, so the lock ends with this process.
    const int descriptor = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0) return unexpected(files::fileErrorFromErrno(errno, lockPath_));

    int result;
    do {
        result = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int code = errno;
        ::close(descriptor);
        if (code == EWOULDBLOCK) return Outcome::another;
        return unexpected(files::fileErrorFromErrno(code, lockPath_));
    }
    descriptor_ = descriptor;
    return Outcome::first;
}

}  // namespace quorvel
