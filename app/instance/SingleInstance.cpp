#include "app/instance/SingleInstance.hpp"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "kit/engine/InstanceName.hpp"

namespace quorvel {
namespace {

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
    letNameGo();
}

void SingleInstance::answerOnName() {
    if (nameDescriptor_ < 0 || nameAnswers_.joinable()) return;
    if (::pipe2(stopAnswering_, O_CLOEXEC) != 0) return;
    nameAnswers_ = std::thread([name = nameDescriptor_, stop = stopAnswering_[0]] {
        for (;;) {
            pollfd waits[2] = {{name, POLLIN, 0}, {stop, POLLIN, 0}};
            if (::poll(waits, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (waits[1].revents != 0) return;
            // The connection has told the asker who we are by the time it is queued.
            const int peer = ::accept4(name, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (peer >= 0) ::close(peer);
        }
    });
}

void SingleInstance::letNameGo() {
    if (nameAnswers_.joinable()) {
        const char stop = 0;
        while (::write(stopAnswering_[1], &stop, 1) < 0 && errno == EINTR) {
        }
        nameAnswers_.join();
    }
    for (int& end : stopAnswering_) {
        if (end >= 0) ::close(std::exchange(end, -1));
    }
    if (nameDescriptor_ >= 0) ::close(std::exchange(nameDescriptor_, -1));
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
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0) return unexpected(errno);
    // Listening, so that a later start can ask who holds the name (`nameHolder`).
    if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), length) != 0 || ::listen(descriptor, 16) != 0) {
        const int code = errno;
        ::close(descriptor);
        if (code == EADDRINUSE) return Outcome::another;
        return unexpected(code);
    }
    nameDescriptor_ = descriptor;
    return Outcome::first;
}

SingleInstance::NameHolder SingleInstance::nameHolder() const {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, lockName_.data(), std::min(lockName_.size(), sizeof address.sun_path));
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + lockName_.size());
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0) return NameHolder::unknown;
    // A full queue (EAGAIN) or a name bound without listening (ECONNREFUSED) says nothing
    // about who holds it: our own holder answers every connection, anyone may do the rest.
    NameHolder holder = NameHolder::unknown;
    if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        ucred credentials{};
        socklen_t size = sizeof credentials;
        if (::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0) {
            holder = credentials.uid == ::getuid() ? NameHolder::thisUser : NameHolder::otherUser;
        }
    }
    ::close(descriptor);
    return holder;
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
    // A copy of ours that holds the name (running, quitting, or started while the folder was
    // unusable) decides at once: the file is not even tried, so a start racing this one never
    // finds it held by a copy that is about to give way.
    const NameHolder holder = name && *name == Outcome::another ? nameHolder() : NameHolder::unknown;
    if (name && *name == Outcome::another && holder == NameHolder::thisUser) {
        if (descriptor_ >= 0) ::close(std::exchange(descriptor_, -1));
        return Outcome::another;
    }
    const auto file = claimFile();
    if (name && *name == Outcome::another) {
        // Another user's name, or nobody's we can tell: the file decides, whatever the other
        // does with the name.
        if (file && *file == Outcome::first) {
            folderProblem_.reset();
            return Outcome::first;
        }
        if (file) return Outcome::another;
        // Neither lock of ours: only a holder known to be someone else leaves the start to us;
        // two copies never run on a guess.
        if (holder == NameHolder::otherUser) {
            folderProblem_ = file.error();
            return Outcome::first;
        }
        return Outcome::another;
    }
    if (file && *file == Outcome::another) {
        // Held by a copy that doesn't hold our name: one in another socket namespace (a
        // sandbox sharing the home), or one that took the file while our name was being bound.
        // Either way it runs and stays; the name is let go again, so that its end frees both.
        letNameGo();
        return Outcome::elsewhere;
    }
    if (!name) {
        if (descriptor_ >= 0) return Outcome::first;
        // Without the name only the file can tell; with neither nothing can.
        if (!file) return unexpected(files::fileErrorFromErrno(name.error(), lockPath_));
        return Outcome::first;
    }
    folderProblem_.reset();
    if (descriptor_ < 0 && !file) folderProblem_ = file.error();
    answerOnName();
    return Outcome::first;
}

}  // namespace quorvel
