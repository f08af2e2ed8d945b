#include "kit/engine/SessionState.hpp"

#include <array>
#include <string_view>

namespace quorvel {
namespace {

constexpr std::array<std::string_view, 7> caseNames{"idle",     "running", "longRun", "done",
                                                    "needsYou", "broke",   "crashed"};

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

json::Json payloadObject() { return json::Json::object(); }

}  // namespace

const Run* SessionState::busyRun() const {
    if (const auto* running = as<Running>()) return &running->run;
    if (const auto* longRunning = as<LongRun>()) return &longRunning->run;
    return nullptr;
}

SessionState SessionState::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "SessionState");
    // Keys that are not case names are ignored; exactly one case name must remain.
    const json::Json* payload = nullptr;
    std::size_t caseIndex = 0;
    std::size_t found = 0;
    for (auto member = object.begin(); member != object.end(); ++member) {
        for (std::size_t index = 0; index < caseNames.size(); ++index) {
            if (member.key() == caseNames[index]) {
                ++found;
                caseIndex = index;
                payload = &member.value();
            }
        }
    }
    if (found != 1) throw json::JsonDecodeError("Invalid number of keys found, expected one.");

    const json::Json& body = json::requireObject(*payload, caseNames[caseIndex]);
    switch (static_cast<Kind>(caseIndex)) {
        case Kind::idle: return idle();
        case Kind::running: return running(Run::decode(json::requireMember(body, "_0")));
        case Kind::longRun: return longRun(Run::decode(json::requireMember(body, "_0")));
        case Kind::done:
            return done(json::optionalString(body, "title"), json::optionalDouble(body, "duration"),
                        json::optionalString(body, "note"));
        case Kind::needsYou: return needsYou(json::requireString(body, "message"));
        case Kind::broke:
            return broke(json::requireString(body, "command"), json::optionalInt(body, "exitCode"));
        case Kind::crashed: return crashed(json::requireString(body, "reason"));
    }
    throw json::JsonDecodeError("Invalid number of keys found, expected one.");
}

json::Json SessionState::encode() const {
    json::Json body = std::visit(
        Overloaded{
            [](const Idle&) { return payloadObject(); },
            [](const Running& state) {
                json::Json object = payloadObject();
                object["_0"] = state.run.encode();
                return object;
            },
            [](const LongRun& state) {
                json::Json object = payloadObject();
                object["_0"] = state.run.encode();
                return object;
            },
            [](const Done& state) {
                json::Json object = payloadObject();
                json::putOptional(object, "title", state.title);
                json::putOptional(object, "duration", state.duration);
                json::putOptional(object, "note", state.note);
                return object;
            },
            [](const NeedsYou& state) {
                json::Json object = payloadObject();
                object["message"] = json::string(state.message);
                return object;
            },
            [](const Broke& state) {
                json::Json object = payloadObject();
                object["command"] = json::string(state.command);
                json::putOptional(object, "exitCode", state.exitCode);
                return object;
            },
            [](const Crashed& state) {
                json::Json object = payloadObject();
                object["reason"] = json::string(state.reason);
                return object;
            },
        },
        value);
    json::Json object = json::Json::object();
    object[std::string(caseNames[value.index()])] = std::move(body);
    return object;
}

}  // namespace quorvel
