#pragma once
// One running app per user and home. Two locks, both dropped by the system with the process
// however it ends, so a crash never leaves a stale one behind:
// - a name in the abstract Unix socket namespace, made of the user's id and the home, bound by
//   the first process: it needs no folder, so it holds whatever state the home's folders are
//   in (a link, another user's, read-only);
// - an exclusive lock (flock) on a file in the application-support folder, which also reaches
//   copies that see another socket namespace (a sandbox) but share the home.
// A process is the first when it holds the name and the file lock is either its own or can't
// be had for a reason other than another holder (then `folderProblem` says why). Anyone may
// bind any abstract name, so a holder of the name counts only when it is a process of this
// user (the credentials of a connection to it say so); where another user holds the name, or
// it can't be told who does (bound and not listening, its queue full), the file lock decides.
// Where the file can't be locked either, only a holder known to be another user leaves the
// start to this process: two copies never run on a guess.
// The holder takes and drops every connection to the name on a thread of its own, so its
// queue never fills and a later start can always ask it. The home, not the session's
// environment, decides: two starts with different runtime folders (one from a login session,
// one from a bare shell) still find each other.
#include <optional>
#include <string>
#include <thread>

#include "kit/engine/QuorvelPaths.hpp"
#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

class SingleInstance {
public:
    enum class Outcome {
        /// This process holds the lock now.
        first,
        /// Another process holds it.
        another,
        /// Another process holds the file lock that this one can't reach by name (it runs in
        /// another socket namespace: a sandbox or container sharing the home): it stays, and
        /// is not worth waiting for.
        elsewhere,
    };

    /// The lock in the file at `lockPath` (the app's is `QuorvelPaths::instanceLock`) alone; nothing happens until `claim`.
    explicit SingleInstance(std::string lockPath);
    /// The file lock and the abstract socket name `lockName` (its leading NUL included).
    SingleInstance(std::string lockPath, std::string lockName);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    /// The abstract socket name of the lock for this user and `paths`' home.
    static std::string lockNameFor(const QuorvelPaths& paths);

    /// Takes the locks without waiting; claiming again once first keeps them. Makes the
    /// folder (0700, with its parents) and the file (0600) when missing; a folder that is a
    /// link or another user's is refused. A failure means it can't be told whether another
    /// copy runs (only when neither lock could be tried). Once first with the name, a thread of
    /// this object answers on it until the object goes.
    Expected<Outcome, files::FileError> claim();

    /// Why the file lock couldn't be taken though this process is the first (the folder is a
    /// link, another user's, unwritable); absent when it holds both.
    const std::optional<files::FileError>& folderProblem() const { return folderProblem_; }

    const std::string& lockPath() const { return lockPath_; }

private:
    /// Who holds the name, as far as a connection to it tells.
    enum class NameHolder { thisUser, otherUser, unknown };

    /// Binds the abstract name: first, another, or the error that kept it from being tried.
    Expected<Outcome, int> claimName();
    Expected<Outcome, files::FileError> claimFile();
    NameHolder nameHolder() const;
    /// Takes and drops the connections to the held name until `letNameGo`.
    void answerOnName();
    void letNameGo();

    std::string lockPath_;
    std::string lockName_;
    int descriptor_ = -1;
    int nameDescriptor_ = -1;
    /// Written to end `nameAnswers_`.
    int stopAnswering_[2] = {-1, -1};
    std::thread nameAnswers_;
    std::optional<files::FileError> folderProblem_;
};

}  // namespace quorvel
