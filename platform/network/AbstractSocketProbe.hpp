#pragma once
// Whether a process of this user listens on a name in the abstract Unix socket namespace, as
// seen from this process's network namespace (each has its own abstract names). Told by
// connecting, never by binding: a probe that held the name for an instant would make its
// owner, starting in that instant, find it taken. Any thread; does not wait (the socket is
// non-blocking).
#include <string>

namespace quorvel {

/// True when a connection to `name` (its leading NUL included) is taken or queued by a
/// listener of this process's uid; false when nothing listens on it here, another user does,
/// its queue is full (so its owner can't be learnt), or the probe itself fails.
bool thisUserListensOn(const std::string& name);

}  // namespace quorvel
