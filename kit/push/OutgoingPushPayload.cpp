#include "kit/push/OutgoingPushPayload.hpp"

namespace quorvel {

Expected<std::string, PushPayloads::EncodeError> payload(const OutgoingPush& push) {
    json::Json run = json::Json::object();
    if (push.project) run["project"] = json::string(*push.project);
    if (push.runTitle) run["title"] = json::string(*push.runTitle);
    if (push.duration) run["duration"] = PushPayloads::truncatedSeconds(*push.duration);
    return PushPayloads::alert(push.title, push.body, push.sound, push.sessionID, push.interruptionLevel,
                               rawValue(push.kind), push.timestamp, run);
}

}  // namespace quorvel
