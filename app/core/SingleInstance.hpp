#pragma once
// One running app per user: the first process takes an exclusive lock (flock) on a file in
// the user's runtime folder and keeps it until it ends; the system drops the lock with the
// process, however it ends, so a crash never leaves a stale lock behind.
#include <string>

#include "platform/Expected.hpp"
#include "platform/Files.hpp"

namespace quorvel {

class SingleInstance {
public:
    enum class Outcome {
        /// This process holds the lock now.
        first,
        /// Another process holds it.
        another,
    };

    /// The lock in the file at `lockPath`; nothing happens until `claim`.
    explicit SingleInstance(std::string lockPath);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    /// $XDG_RUNTIME_DIR/com.tessaloom.quorvel.mac.lock when that variable names an existing
    /// absolute folder; else the same file name in /tmp/quorvel-<uid>.
    static std::string defaultLockPath();

    /// Takes the lock without waiting. Makes the folder (0700) and the file (0600) when
    /// missing; a folder that is a link or another user's is refused. A failure means it
    /// can't be told whether another copy runs.
    Expected<Outcome, files::FileError> claim();

    const std::string& lockPath() const { return lockPath_; }

private:
    std::string lockPath_;
    int descriptor_ = -1;
};

}  // namespace quorvel
