#pragma once
// How a second launch reaches the running copy: the first copy listens on a Unix socket
// beside its single-instance lock; a second copy connects, says one
// word (a `LaunchRequest`) and waits for the answer "ok". Only a peer of the same user is
// heard, and only a known word is taken: anything else is answered "no" and dropped.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/LaunchRequest.hpp"
#include "platform/Expected.hpp"
#include "platform/Files.hpp"

namespace quorvel {

class InstanceChannel {
public:
    /// The socket beside a lock file: its path with ".lock" replaced by ".sock".
    static std::string socketPathBeside(const std::string& lockPath);

    /// Listens at `path`; call it only while holding the single-instance lock (a socket file
    /// left there by a copy that ended is replaced).
    static Expected<InstanceChannel, files::FileError> listen(std::string path);

    /// Hands `request` to the copy listening at `path`, trying to connect for up to
    /// `patience` (the running copy may still be starting). True once it answered "ok".
    static bool send(const std::string& path, LaunchRequest request,
                     std::chrono::milliseconds patience = std::chrono::milliseconds(3000));

    InstanceChannel(InstanceChannel&& other) noexcept;
    InstanceChannel& operator=(InstanceChannel&& other) noexcept;
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;
    /// Stops listening and removes the socket file.
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
