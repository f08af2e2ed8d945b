#include "kit/push/QuorvelLiveState.hpp"

#include <cmath>
#include <functional>

#include "kit/engine/Durations.hpp"

namespace quorvel {
namespace {

// The phone's JSON writer puts a whole number of seconds without a fraction; the byte count
// of a payload, checked against the service's limit, depends on it. Beyond 2^53 a double no
// longer tells whole numbers apart, so those keep the writer's own form.
json::Json secondsNumber(double seconds) {
    constexpr double exactLimit = 9007199254740992.0;  // 2^53
    if (std::isfinite(seconds) && std::trunc(seconds) == seconds && std::fabs(seconds) <= exactLimit) {
        return static_cast<std::int64_t>(seconds);
    }
    return json::number(seconds);
}

void combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

}  // namespace

QuorvelLiveState QuorvelLiveState::of(const Session& session, Instant now) {
    const Instant started = session.run ? session.run->startedAt : session.lastEventAt;
    const std::string runTitle = session.run ? session.run->title : std::string();

    QuorvelLiveState live;
    live.title = runTitle;
    live.startedAtUnix = started.unixSeconds();
    live.project = session.project();

    const SessionState& state = session.state;
    if (const auto* running = state.as<SessionState::Running>()) {
        live.state = "running";
        live.title = running->run.title;
        live.startedAtUnix = running->run.startedAt.unixSeconds();
    } else if (const auto* longRun = state.as<SessionState::LongRun>()) {
        live.state = "longRun";
        live.title = longRun->run.title;
        live.startedAtUnix = longRun->run.startedAt.unixSeconds();
    } else if (const auto* done = state.as<SessionState::Done>()) {
        live.state = "done";
        if (done->title) live.title = *done->title;
        if (done->duration) {
            live.endedAtUnix = started.adding(*done->duration).unixSeconds();
            live.detail = Durations::shortText(*done->duration);
        } else {
            live.endedAtUnix = now.unixSeconds();
        }
    } else if (const auto* needsYou = state.as<SessionState::NeedsYou>()) {
        live.state = "needsYou";
        live.detail = needsYou->message;
    } else if (const auto* broke = state.as<SessionState::Broke>()) {
        live.state = "broke";
        live.detail = broke->command;
        if (broke->exitCode) *live.detail += " · exit " + std::to_string(*broke->exitCode);
    } else if (const auto* crashed = state.as<SessionState::Crashed>()) {
        live.state = "crashed";
        live.endedAtUnix = now.unixSeconds();
        live.detail = crashed->reason;
    } else {
        live.state = "idle";
        live.endedAtUnix = now.unixSeconds();
    }
    return live;
}

PixelArt::Face QuorvelLiveState::face() const {
    using PixelArt::Face;
    if (state == "running") return Face::working;
    if (state == "longRun" || state == "needsYou") return Face::shocked;
    if (state == "done") return Face::wink;
    if (state == "broke") return Face::angry;
    if (state == "crashed") return Face::dead;
    return Face::happy;
}

std::string_view QuorvelLiveState::headline() const {
    if (state == "running") return "GRINDING.";
    if (state == "longRun") return "STILL GRINDING.";
    if (state == "done") return "DONE. GO LOOK.";
    if (state == "needsYou") return "OI. NEEDS YOU.";
    if (state == "broke") return "IT BROKE.";
    if (state == "crashed") return "CRASHED.";
    return "ALL QUIET.";
}

std::string QuorvelLiveState::displayTitle() const {
    if (!title.empty()) return title;
    return project.value_or("");
}

bool QuorvelLiveState::isFailure() const { return state == "broke" || state == "crashed"; }

json::Json QuorvelLiveState::encode() const {
    json::Json object = json::Json::object();
    object["state"] = json::string(state);
    object["title"] = json::string(title);
    object["startedAtUnix"] = secondsNumber(startedAtUnix);
    if (endedAtUnix) object["endedAtUnix"] = secondsNumber(*endedAtUnix);
    json::putOptional(object, "detail", detail);
    json::putOptional(object, "project", project);
    return object;
}

QuorvelLiveState QuorvelLiveState::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "QuorvelLiveState");
    QuorvelLiveState live;
    live.state = json::requireString(object, "state");
    live.title = json::requireString(object, "title");
    live.startedAtUnix = json::requireDouble(object, "startedAtUnix");
    live.endedAtUnix = json::optionalDouble(object, "endedAtUnix");
    live.detail = json::optionalString(object, "detail");
    live.project = json::optionalString(object, "project");
    return live;
}

}  // namespace quorvel

std::size_t std::hash<quorvel::QuorvelLiveState>::operator()(const quorvel::QuorvelLiveState& live) const noexcept {
    std::size_t seed = 0;
    const std::hash<std::string> text;
    const std::hash<double> number;
    quorvel::combine(seed, text(live.state));
    quorvel::combine(seed, text(live.title));
    quorvel::combine(seed, number(live.startedAtUnix));
    quorvel::combine(seed, live.endedAtUnix ? number(*live.endedAtUnix) : 1);
    quorvel::combine(seed, live.detail ? text(*live.detail) : 2);
    quorvel::combine(seed, live.project ? text(*live.project) : 3);
    return seed;
}
