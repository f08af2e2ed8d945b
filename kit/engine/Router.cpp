#include "kit/engine/Router.hpp"

#include <algorithm>

namespace quorvel {

Router::Context Router::Context::make(bool away, bool muted, DeviceControls controls, bool failuresBuzzPhone,
                                      std::int64_t quietStart, std::int64_t quietEnd, Instant now,
                                      Calendar calendar) {
    return Context{away, muted, controls, failuresBuzzPhone, false, quietStart, quietEnd, now, std::move(calendar)};
}

bool Router::Context::isQuietHours() const {
    if (quietStart == quietEnd) return false;
    const auto hour = calendar.hourOfDay(now);
    if (!hour) return false;
    if (quietStart < quietEnd) return quietStart <= *hour && *hour < quietEnd;
    return *hour >= quietStart || *hour < quietEnd;
}

Router::Decision Router::decide(const Alert& alert, const Context& context) {
    if (!context.away && !context.alwaysPush) return Decision::skip(Skip::atDesk);
    if (context.muted) return Decision::skip(Skip::muted);

    switch (alert.kind) {
        case Alert::Kind::done:
            if (!context.controls.claude) return Decision::skip(Skip::padOff);
            if (context.controls.failsOnly) return Decision::skip(Skip::failsOnly);
            break;
        case Alert::Kind::needsYou:
        case Alert::Kind::crashed:
            if (!context.controls.claude) return Decision::skip(Skip::padOff);
            break;
        case Alert::Kind::broke:
            if (!context.failuresBuzzPhone) return Decision::skip(Skip::kindNotPushed);
            if (!context.controls.shell) return Decision::skip(Skip::padOff);
            break;
        case Alert::Kind::longRun: return Decision::skip(Skip::kindNotPushed);
    }

    if (auto last = lastSent.find(alert.sessionID); last != lastSent.end() && last->second == alert.kind) {
        return Decision::skip(Skip::duplicate);
    }

    // Only sends older than the window fall out; one exactly at its edge still counts.
    std::erase_if(sentAt, [&](Instant sent) { return context.now.secondsSince(sent) > rateWindow; });
    if (sentAt.size() >= rateLimit) return Decision::skip(Skip::rateLimited);

    const bool quiet = alert.kind != Alert::Kind::needsYou && context.isQuietHours();
    OutgoingPush push;
    push.kind = alert.kind;
    push.sessionID = alert.sessionID;
    push.title = alert.headline.oneLine();
    push.body = alert.detail.value_or("");
    if (!quiet) push.sound = fileName(soundFor(alert.kind));
    if (alert.kind == Alert::Kind::needsYou) {
        push.interruptionLevel = PushPayloads::InterruptionLevel::timeSensitive;
    } else {
        push.interruptionLevel =
            quiet ? PushPayloads::InterruptionLevel::passive : PushPayloads::InterruptionLevel::active;
    }
    push.timestamp = context.now;
    push.project = alert.project;
    push.runTitle = alert.runTitle;
    push.duration = alert.duration;

    sentAt.push_back(context.now);
    lastSent[alert.sessionID] = alert.kind;
    return Decision::send(std::move(push));
}

void Router::forget(std::string_view sessionID) {
    if (auto found = lastSent.find(sessionID); found != lastSent.end()) lastSent.erase(found);
}

std::string_view rawValue(Router::Skip skip) {
    switch (skip) {
        case Router::Skip::atDesk: return "atDesk";
        case Router::Skip::muted: return "muted";
        case Router::Skip::kindNotPushed: return "kindNotPushed";
        case Router::Skip::padOff: return "padOff";
        case Router::Skip::failsOnly: return "failsOnly";
        case Router::Skip::rateLimited: return "rateLimited";
        case Router::Skip::duplicate: return "duplicate";
    }
    return "atDesk";
}

std::string_view skipDescription(Router::Skip skip) {
    switch (skip) {
        case Router::Skip::atDesk: return "you're at the computer";
        case Router::Skip::muted: return "muted";
        case Router::Skip::kindNotPushed: return "that kind never goes to the phone";
        case Router::Skip::padOff: return "its pad is off";
        case Router::Skip::failsOnly: return "FAILS ONLY is on";
        case Router::Skip::rateLimited: return "too many in a minute";
        case Router::Skip::duplicate: return "same state already sent";
    }
    return "";
}

}  // namespace quorvel
