#pragma once
// One running app per user's home: the first process takes an exclusive lock (flock) on a
// file in the application-support folder and keeps it until it ends; the system drops the
// lock with the process, however it ends, so a crash never leaves a stale lock behind. The
// home, not the session's environment, decides: two starts with different runtime folders
// (one from a login session, one from a bare shell) still find each other.
#include <string>

#include "kit/engine/QuorvelPaths.hpp"
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

    /// The application-support folder's com.tessaloom.quorvel.mac.lock.
    static std::string lockPathFor(const QuorvelPaths& paths);

    /// Takes the lock without waiting. Makes the folder (0700, with its parents) and the file
    /// (0600) when missing; a folder that is a link or another user's is refused. A failure
    /// means it can't be told whether another copy runs.
    Expected<Outcome, files::FileError> claim();

    const std::string& lockPath() const { return lockPath_; }

private:
    std::string lockPath_;
    int descriptor_ = -1;
};

}  // namespace quorvel
