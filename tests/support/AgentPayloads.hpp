#pragma once
// Payloads of the agent's hook events, as the tests that run the built helper hand them over.
// Free of any test framework.
#include <string>

#include "platform/json/JsonCoding.hpp"

namespace quorvel::testing {

/// A failed shell command numbered `number` in `session`: once the app has it, a finished run
/// titled by its number (the number is its command).
inline std::string failedCommandPayload(int number, const std::string& session = "s1") {
    return json::dump(json::Json{{"session_id", session},
                                 {"hook_event_name", "PostToolUseFailure"},
                                 {"tool_name", "Bash"},
                                 {"tool_input", {{"command", std::to_string(number)}}},
                                 {"error", "Exit code 2\nfailed"},
                                 {"cwd", "/work/site"}});
}

}  // namespace quorvel::testing
