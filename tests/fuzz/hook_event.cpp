// Hook payloads come from another program and spool files from disk: the payload mapping,
// the event's JSON form and the state machine that consumes it must take anything.
#include <cstddef>
#include <cstdint>
#include <string>

#include "kit/engine/HookEvent.hpp"
#include "kit/engine/ShellFailureText.hpp"
#include "kit/engine/StateMachine.hpp"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    parseExitCode(input);
    summariseFailureLog(input);

    json::Json value;
    try {
        value = json::parse(input);
    } catch (const json::JsonDecodeError&) {
        return 0;
    }
    StateMachine machine;
    if (auto event = HookEvent::fromPayload(value, Instant::fromUnixSeconds(1700000000), {})) {
        if (HookEvent::decode(event->encode()) != *event) __builtin_trap();
        machine.handle(*event);
    }
    try {
        const HookEvent decoded = HookEvent::decode(value);
        machine.handle(decoded);
        machine.handle(HookEvent::make("Stop", decoded.sessionID, decoded.receivedAt));
        machine.tick(decoded.receivedInstant().adding(4000));
        machine.runningRows(decoded.receivedInstant());
    } catch (const json::JsonDecodeError&) {
    }
    return 0;
}
