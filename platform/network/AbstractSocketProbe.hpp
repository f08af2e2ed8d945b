#pragma once
// Whether a name in the abstract Unix socket namespace is listened on, as seen from this
// process's network namespace (each has its own abstract names). Told by connecting, never by
// binding: a probe that held the name for an instant would make its owner, starting in that
// instant, find it taken. Any thread; does not wait (the socket is non-blocking).
#include <string>

namespace quorvel {

/// True when a connection to `name` (its leading NUL included) is taken, queued or refused
/// for a full queue; false when nothing listens on it here, or the probe itself fails.
bool someoneListensOn(const std::string& name);

}  // namespace quorvel
