// Which live alerts go to the phone, the pushes themselves, the one sentence that reports
// them, and the lists the phone mirrors.
#include "app/model/phone/PhonePart.hpp"
#include "app/reports/PushReport.hpp"
#include "kit/engine/CopyBook.hpp"
#include "kit/push/DeviceToken.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {

bool PhonePart::isAway() {
    // The idle time is only asked for when the locked screen doesn't already say so.
    if (services_.presence->screenLocked()) return true;
    return services_.idleTime->secondsSinceLastInput() >= static_cast<double>(neighbours_.settings().awayMinutes) * 60.0;
}

Router::Context PhonePart::makeRouterContext(Instant now) {
    Router::Context context;
    context.away = isAway();
    context.muted = neighbours_.muted();
    context.controls = neighbours_.controls();
    context.failuresBuzzPhone = neighbours_.settings().failuresBuzzPhone;
    context.alwaysPush = neighbours_.settings().alwaysPushToPhone;
    context.quietStart = neighbours_.settings().quietHoursStart;
    context.quietEnd = neighbours_.settings().quietHoursEnd;
    context.now = now;
    context.calendar = services_.calendar();
    return context;
}

void PhonePart::routePush(const Alert& alert) {
    const Instant now = services_.clock->now();
    const Router::Context context = makeRouterContext(now);
    const Router::Decision decision = router_.decide(alert, context);
    if (const OutgoingPush* push = decision.push()) {
        deliver(*push, true);
        return;
    }
    const Router::Skip reason = *decision.skipReason();
    logger_.info("No push for " + std::string(rawValue(alert.kind)) + ": " + std::string(rawValue(reason)));
    setLastPushReport(PushReport::skipped(alert.kind, reason, PushReport::clockText(now, context.calendar)));
}

void PhonePart::deliver(const OutgoingPush& push) { deliver(push, false); }

void PhonePart::deliver(const OutgoingPush& push, bool routed) {
    hops_.inBackground(*services_.deliveryQueue, [this, apns = services_.apns, push, routed]() -> std::function<void()> {
        auto delivered = apns->push(push);
        return [this, push, routed, delivered] {
            const std::string clock = PushReport::clockText(services_.clock->now(), services_.calendar());
            if (delivered) {
                pushFailures_.succeeded();
                setLastPushReport(PushReport::sent(push.kind, !push.sound.has_value(), clock));
                return;
            }
            const std::string& description = delivered.error().description;
            pushFailures_.failed("Push failed: " + description, services_.clock->now());
            setLastPushReport(PushReport::failed(description));
            // The router counted this push as sent; unless a later one has taken its place,
            // forget it, so the next alert of this kind is not held back as a duplicate of a
            // push that never arrived.
            if (routed) {
                const auto last = router_.lastSent.find(push.sessionID);
                if (last != router_.lastSent.end() && last->second == push.kind) router_.lastSent.erase(last);
            }
        };
    });
}

void PhonePart::sendTestPush(const std::string& title, const std::string& body) {
    // A token stored before tokens were checked (or brought by the phone) can still be none:
    // Apple would only refuse it, after a wait. Blanks alone are no token at all, which the
    // delivery says as such.
    const bool blank = text::trimmingWhitespaceAndNewlines(phoneDeviceToken_).empty();
    if (!blank && !DeviceToken::isDeviceToken(phoneDeviceToken_)) {
        setLastPushReport(std::string(CopyBook::testPushBadToken));
        return;
    }
    OutgoingPush push;
    push.kind = Alert::Kind::done;
    push.sessionID = "test";
    push.title = title;
    push.body = body;
    push.sound = fileName(Sound::fanfare);
    push.interruptionLevel = PushPayloads::InterruptionLevel::active;
    push.timestamp = services_.clock->now();
    deliver(push, false);
}

void PhonePart::publishListsIfNeeded() {
    if (!pairedPhone_ || publishingMirror_) return;

    const Instant now = services_.clock->now();
    std::vector<RunningRow> rows = neighbours_.machine().runningRows(now);
    for (RunningRow& row : rows) row.onScreen = false;
    ListMirror mirror = ListMirror::build(std::move(rows), neighbours_.finished(), now);
    // The update time takes no part: unchanged lists are not sent again just because time passed.
    if (publishedMirror_ && publishedMirror_->running == mirror.running &&
        publishedMirror_->finished == mirror.finished) {
        return;
    }

    publishingMirror_ = true;
    hops_.inBackground(*services_.phoneQueue, [this, sync = services_.tokenSync, mirror]() -> std::function<void()> {
        auto published = sync->publishLists(mirror);
        return [this, mirror, published] {
            if (published) {
                publishedMirror_ = mirror;
                publishFailures_.succeeded();
            } else {
                publishFailures_.failed("Publishing the lists failed: " + published.error().description,
                                        services_.clock->now());
            }
            publishingMirror_ = false;
        };
    });
}

}  // namespace quorvel
