#include "app/core/SingleInstance.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "app/core/InstanceName.hpp"
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

SingleInstance::SingleInstance(std::string lockPath, std::string lockName)
    : lockPath_(std::move(lockPath)), lockName_(std::move(lockName)) {}

SingleInstance::~SingleInstance() {
    if (descriptor_ >= 0) ::close(descriptor_);
    if (nameDescriptor_ >= 0) ::close(nameDescriptor_);
}

std::string SingleInstance::lockPathFor(const QuorvelPaths& paths) {
    return files::joinPath(paths.appSupport(), lockFileName());
}

std::string SingleInstance::lockNameFor(const QuorvelPaths& paths) { return instanceSocketName(paths, "lock"); }

Expected<SingleInstance::Outcome, int> SingleInstance::claimName() {
    if (nameDescriptor_ >= 0) return Outcome::first;
    sockaddr_un address{};
    if (lockName_.empty() || lockName_.size() > sizeof address.sun_path) return unexpected(EINVAL);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, lockName_.data(), lockName_.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + lockName_.size());
    // Not inherited by the processes the app starts, so the name ends with this process.
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) return unexpected(errno);
    if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        const int code = errno;
        ::close(descriptor);
        if (code == EADDRINUSE) return Outcome::another;
        return unexpected(code);
    }
    nameDescriptor_ = descriptor;
    return Outcome::first;
}

Expected<SingleInstance::Outcome, files::FileError> SingleInstance::claimFile() {
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

Expected<SingleInstance::Outcome, files::FileError> SingleInstance::claim() {
    if (lockName_.empty()) return claimFile();

    const auto name = claimName();
    if (name && *name == Outcome::another) return Outcome::another;
    const auto file = claimFile();
    if (file && *file == Outcome::another) {
        // A copy we can't see by name (another socket namespace) holds the file: the name is
        // let go again, so that copy's end frees both.
        if (nameDescriptor_ >= 0) ::close(std::exchange(nameDescriptor_, -1));
        return Outcome::another;
    }
    if (!name) {
        // Without the name only the file can tell; with neither nothing can.
        if (!file) return unexpected(files::fileErrorFromErrno(name.error(), lockPath_));
        return Outcome::first;
    }
    folderProblem_.reset();
    if (!file) folderProblem_ = file.error();
    return Outcome::first;
}

}  // namespace quorvel
