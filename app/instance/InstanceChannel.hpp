#pragma once
// How a second launch reaches the running copy: the first copy listens on a Unix socket (the
// app's is in the abstract namespace, named for the user and the home, so it needs no folder);
// a second copy connects without waiting, says one word (a `LaunchRequest`) and waits a
// moment for the answer "ok". Only a peer of the same user is heard, and only a known word is
// taken: anything else is answered "no" and dropped. The running copy stops listening as soon
// as it starts to quit, so "nobody listens" while its lock is still held means it is quitting.
// A launch that will show windows says so after its word ("reopen display"); a copy running
// without windows (started over ssh, say) answers it "yield" instead of "ok": it quits, and the
// launch takes its place on the display.
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/instance/LaunchRequest.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

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
        /// A process of another user listens there: it was told nothing, and it is no copy of
        /// ours.
        stranger,
        /// The running copy has no windows and gives way to this launch, which brings a
        /// display: it quits (saving and spooling as on any quit) and lets go of the lock.
        givenWay,
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
    /// The request is written only once the listener is known to be of this user.
    /// `bringsDisplay`: this launch will show windows, so a copy without any gives way to it
    /// (the background request never asks that).
    static Delivery send(const std::string& path, LaunchRequest request,
                         std::chrono::milliseconds patience = std::chrono::milliseconds(1000),
                         bool bringsDisplay = false);

    InstanceChannel(InstanceChannel&& other) noexcept;
    InstanceChannel& operator=(InstanceChannel&& other) noexcept;
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;
    /// Stops listening and removes the socket file (an abstract name goes by itself).
    ~InstanceChannel();

    /// Readable when a launch is waiting or one already connected has more to say (for a
    /// socket notifier): it covers the listening socket and the connections not yet heard out.
    int descriptor() const { return descriptor_; }

    /// Takes in what is waiting without ever blocking, and answers each launch once its word
    /// is complete: the first complete request, or absent when none is (yet). A word we don't
    /// know, or a peer of another user, is answered "no". A peer that connects and says
    /// nothing is kept a while (at most `pendingLimit` of them, the oldest dropped first) and
    /// dropped once `wordWait` has passed, so it holds nothing up. Call again while
    /// `descriptor` stays readable: more than one launch may be waiting.
    std::optional<LaunchRequest> receive();

    /// From now on a launch that brings a display is answered that this copy gives way, and
    /// `gaveWay` turns true: for a copy running without windows.
    void giveWayToDisplays() { givesWayToDisplays_ = true; }
    /// True once a launch was answered that this copy gives way: it is to quit now, and the
    /// request that came with it is that launch's to carry out, not this copy's.
    bool gaveWay() const { return gaveWay_; }

    /// How long a connected launch has to say its word.
    static constexpr std::chrono::milliseconds wordWait{2000};
    /// How many launches may be waiting to be heard out at once.
    static constexpr std::size_t pendingLimit = 16;

    const std::string& path() const { return path_; }

private:
    /// A launch connected but not heard out yet.
    struct Pending {
        int descriptor = -1;
        std::string said;
        std::chrono::steady_clock::time_point heardBy;
    };

    InstanceChannel(int descriptor, int listener, std::string path)
        : descriptor_(descriptor), listener_(listener), path_(std::move(path)) {}

    void close();
    void acceptWaiting();
    /// Reads what `peer` sent so far; its request once its word is complete and known.
    std::optional<LaunchRequest> hearFrom(int peer);
    void drop(int peer);
    void dropOverdue();

    /// The epoll set of `listener_` and every pending launch.
    int descriptor_ = -1;
    int listener_ = -1;
    std::string path_;
    std::vector<Pending> pending_;
    bool givesWayToDisplays_ = false;
    bool gaveWay_ = false;
};

}  // namespace quorvel
