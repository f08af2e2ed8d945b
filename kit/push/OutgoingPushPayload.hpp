#pragma once
// The alert payload of an outgoing push.
#include <string>

#include "kit/engine/OutgoingPush.hpp"
#include "kit/push/PushPayloads.hpp"

namespace quorvel {

/// The serialised alert payload of `push`: its title, body and sound, the session as thread,
/// the kind's raw name as state, and the run (project, title, whole-second duration) when any
/// of them is known.
Expected<std::string, PushPayloads::EncodeError> payload(const OutgoingPush& push);

}  // namespace quorvel
