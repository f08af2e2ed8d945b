#pragma once
// How a second launch reaches the running copy: the first copy listens on a Unix socket (the
// app's is in the abstract namespace, named for the user and the home, so it needs no folder);
// a second copy connects without waiting, says one word (a `LaunchRequest`) and waits a
// moment for the answer "ok". Only a peer of the same user is heard, and only a known word is
// taken: anything else is answered "no" and dropped. The running copy stops listening as soon
// as it starts to quit, so "nobody listens" while its lock is still held means it is quitting.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/LaunchRequest.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "platform/Expected.hpp"
#include "platform/Files.hpp"

namespace quorvel {

class InstanceChannel {
public:
    /// How a launch handed over fared.
    enum class Delivery {
        /// The running copy answered "ok".
        taken,
        /// Nothing listens there: no copy runs, or the one holding the lock is quitting (or
        /// has only just started).
        nobodyListens,
        /// Something listens but didn't take it in time (paused, hung, busy), or refused it.
        unanswered,
    };

    /// The app's channel for this user and `paths`' home: an abstract socket name (its leading
    /// NUL included).
    static std::string addressFor(const QuorvelPaths& paths);
    /// Whether `path` is an abstract socket name rather than a file.
    static bool isAbstract(const std::string& path);

    /// The socket beside a lock file: its path with ".lock" replaced by ".sock".
    static std::string socketPathBeside(const std::string& lockPath);

    /// Listens at `path`; call it only while holding the single-instance lock (a socket file
    /// left there by a copy that ended is replaced).
    static Expected<InstanceChannel, files::FileError> listen(std::string path);

    /// Hands `request` to the copy listening at `path`: one connection attempt that never
    /// blocks, then at most `patience` for the answer. Blocks the calling thread that long.
    static Delivery send(const std::string& path, LaunchRequest request,
                         std::chrono::milliseconds patience = std::chrono::milliseconds(1000));

    InstanceChannel(InstanceChannel&& other) noexcept;
    InstanceChannel& operator=(InstanceChannel&& other) noexcept;
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;
    /// Stops listening and removes the socket file (an abstract name goes by itself).
    ~InstanceChannel();

    /// Readable when a launch is waiting (for a socket notifier); non-blocking.
    int descriptor() const { return descriptor_; }

    /// Takes one waiting launch, if any, and answers it: its request, or absent when none
    /// waited or it said nothing we know (then the peer hears "no"). Waits at most a
    /// moment for the peer's word.
    std::optional<LaunchRequest> receive();

    const std::string& path() const { return path_; }

private:
    InstanceChannel(int descriptor, std::string path) : descriptor_(descriptor), path_(std::move(path)) {}

    int descriptor_ = -1;
    std::string path_;
};

}  // namespace quorvel
