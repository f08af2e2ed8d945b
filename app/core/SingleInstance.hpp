#pragma once
// One running app per user and home. Two locks, both dropped by the system with the process
// however it ends, so a crash never leaves a stale one behind:
// - a name in the abstract Unix socket namespace, made of the user's id and the home, bound by
//   the first process: it needs no folder, so it holds whatever state the home's folders are
//   in (a link, another user's, read-only);
// - an exclusive lock (flock) on a file in the application-support folder, which also reaches
//   copies that see another socket namespace (a sandbox) but share the home.
// A process is the first when it holds the name and the file lock is either its own or can't
// be had for a reason other than another holder (then `folderProblem` says why). A name held
// by another user (anyone may bind any abstract name) doesn't count while the file lock is
// this process's. The home, not
// the session's environment, decides: two starts with different runtime folders (one from a
// login session, one from a bare shell) still find each other.
#include <optional>
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

    /// The lock in the file at `lockPath` alone; nothing happens until `claim`.
    explicit SingleInstance(std::string lockPath);
    /// The file lock and the abstract socket name `lockName` (its leading NUL included).
    SingleInstance(std::string lockPath, std::string lockName);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    /// The application-support folder's com.tessaloom.quorvel.mac.lock.
    static std::string lockPathFor(const QuorvelPaths& paths);
    /// The abstract socket name of the lock for this user and `paths`' home.
    static std::string lockNameFor(const QuorvelPaths& paths);

    /// Takes the locks without waiting; claiming again once first keeps them. Makes the
    /// folder (0700, with its parents) and the file (0600) when missing; a folder that is a
    /// link or another user's is refused. A failure means it can't be told whether another
    /// copy runs (only when neither lock could be tried).
    Expected<Outcome, files::FileError> claim();

    /// Why the file lock couldn't be taken though this process is the first (the folder is a
    /// link, another user's, unwritable); absent when it holds both.
    const std::optional<files::FileError>& folderProblem() const { return folderProblem_; }

    const std::string& lockPath() const { return lockPath_; }

private:
    /// Binds the abstract name: first, another, or the error that kept it from being tried.
    Expected<Outcome, int> claimName();
    Expected<Outcome, files::FileError> claimFile();
    /// Whether the process listening on the name is of this user.
    bool nameHeldByThisUser() const;

    std::string lockPath_;
    std::string lockName_;
    int descriptor_ = -1;
    int nameDescriptor_ = -1;
    std::optional<files::FileError> folderProblem_;
};

}  // namespace quorvel
