#include "app/delivery/APNsLiveActivityCoordinator.hpp"

#include <algorithm>
#include <unordered_map>

#include "app/delivery/LoggedIdentifier.hpp"
#include "app/reports/PushReport.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

/// The push-to-start token as it goes into a request path: trimmed, lower-case hexadecimal.
/// Absent when there is none.
std::optional<std::string> normalisedToken(const std::optional<std::string>& stored) {
    if (!stored) return std::nullopt;
    std::string token = text::lowercased(text::trimmingWhitespaceAndNewlines(*stored));
    if (token.empty()) return std::nullopt;
    return token;
}

bool isHexadecimal(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

/// The content state that ends an activity whose session is gone.
QuorvelLiveState vanishedState(const QuorvelLiveState& last, Instant now) {
    QuorvelLiveState ended;
    ended.state = "done";
    ended.title = last.title;
    ended.startedAtUnix = last.startedAtUnix;
    ended.endedAtUnix = now.unixSeconds();
    return ended;
}

}  // namespace

struct APNsLiveActivityCoordinator::StartRequest {
    std::string sessionID;
    QuorvelLiveState live;
    Instant now;
    std::string token;
    PhoneDevice phone;
};

// ---- life -----------------------------------------------------------------------------------

APNsLiveActivityCoordinator::APNsLiveActivityCoordinator(std::shared_ptr<APNsDelivery> delivery,
                                                         std::shared_ptr<KeyValueStore> defaults,
                                                         std::unique_ptr<WorkQueue> queue,
                                                         std::unique_ptr<MainThreadHandOff> handOff)
    : APNsLiveActivityCoordinator(std::move(delivery), std::move(defaults), std::move(queue), std::move(handOff),
                                  Options{}) {}

APNsLiveActivityCoordinator::APNsLiveActivityCoordinator(std::shared_ptr<APNsDelivery> delivery,
                                                         std::shared_ptr<KeyValueStore> defaults,
                                                         std::unique_ptr<WorkQueue> queue,
                                                         std::unique_ptr<MainThreadHandOff> handOff, Options options)
    : delivery_(std::move(delivery)),
      requests_(delivery_),
      options_(std::move(options)),
      logger_(Quorvel::macBundleID, "LiveActivity"),
      records_(std::move(defaults), logger_),
      failureLog_(logger_),
      work_(std::move(queue), std::move(handOff)) {
    for (const auto& [sessionID, entry] : records_.active()) unseenRestored_.emplace(sessionID, std::nullopt);
    for (const auto& [channelID, endState] : records_.pendingEnds()) endsToResume_.push_back(channelID);
}

APNsLiveActivityCoordinator::~APNsLiveActivityCoordinator() = default;

bool APNsLiveActivityCoordinator::stop(std::chrono::milliseconds longest) {
    if (work_.stopped()) return true;
    // Whatever waits on the network ends now, so its outcome can still be recorded.
    delivery_->cancel();
    return work_.stop(longest);
}

// ---- reconcile ------------------------------------------------------------------------------

void APNsLiveActivityCoordinator::reconcile(const std::vector<Session>& sessions, bool away,
                                            const std::optional<PhoneDevice>& phone, Instant now) {
    std::unordered_map<std::string, const Session*> byID;
    for (const Session& session : sessions) byID.emplace(session.id, &session);

    std::vector<std::string> vanished;
    for (const auto& [sessionID, entry] : records_.active()) {
        if (byID.count(sessionID) != 0) continue;
        if (const auto restored = unseenRestored_.find(sessionID); restored != unseenRestored_.end()) {
            // A clock set back (as at login, when the time is corrected) starts the wait
            // again rather than cutting it short.
            if (!restored->second || now < *restored->second) restored->second = now;
            if (now.secondsSince(*restored->second) < options_.restoredGrace) continue;
        }
        vanished.push_back(sessionID);
    }
    for (const std::string& sessionID : vanished) {
        const Active entry = records_.active().at(sessionID);
        removeActive(sessionID);
        endActivity(sessionID, entry.channelID, vanishedState(entry.lastState, now), now);
    }

    if (sessions.empty()) return;

    for (const Session& session : sessions) {
        unseenRestored_.erase(session.id);
        const QuorvelLiveState live = QuorvelLiveState::of(session, now);
        const auto entry = records_.active().find(session.id);
        if (entry == records_.active().end()) {
            if (away) considerStart(session, live, phone, now);
            continue;
        }
        const auto inFlight = sending_.find(session.id);
        const QuorvelLiveState& believed = inFlight != sending_.end() ? inFlight->second : entry->second.lastState;
        if (live == believed) continue;

        const std::string channelID = entry->second.channelID;
        if (!live.isEnded() && !session.state.is(SessionState::Kind::idle)) {
            if (updateRetries_.waits(session.id, live, now)) continue;
            updateActivity(session.id, channelID, live, live.state == "needsYou" ? 10 : 5, now);
        } else {
            removeActive(session.id);
            endActivity(session.id, channelID, live, now);
        }
    }
}

void APNsLiveActivityCoordinator::considerStart(const Session& session, const QuorvelLiveState& live,
                                                const std::optional<PhoneDevice>& phone, Instant now) {
    if (!session.state.isBusy() || starting_.count(session.id) != 0 || !phone) return;
    // Tested after the phone: without a phone the user has nothing to be told here.
    const std::optional<std::string> token = normalisedToken(phone->pushToStartToken);
    if (!token) {
        report_ = "The phone hasn't shared a Live Activity token yet";
        return;
    }
    if (refusedStart_) {
        const double waited = now.secondsSince(refusedStart_->at);
        if (refusedStart_->phone == *phone && waited >= 0 && waited < options_.refusedStartPause) return;
        refusedStart_.reset();
    }
    if (!isHexadecimal(*token)) {
        startFailed({"The phone's Live Activity token is not hexadecimal text.", true}, *phone, now);
        return;
    }

    starting_.insert(session.id);
    StartRequest request{session.id, live, now, *token, *phone};
    work_.enqueue(session.id, [this, request](std::function<void()> finished) {
        // Posted while the start goes on, so the clean-up knows the channel before it could
        // list it.
        auto channelMade = [this, post = work_.poster(), sessionID = request.sessionID](const std::string& channelID) {
            post([this, sessionID, channelID] {
                startChannels_[sessionID] = channelID;
                rememberChannel(channelID);
            });
        };
        work_.inBackground<LiveActivityRequests::StartOutcome>(
            [requests = requests_, request, channelMade] {
                return requests.start(request.sessionID, request.live, request.token, request.now, channelMade);
            },
            [this, request, finished](LiveActivityRequests::StartOutcome outcome) {
                startFinished(request, outcome);
                finished();
            });
    });
}

void APNsLiveActivityCoordinator::startFinished(const StartRequest& request,
                                                const LiveActivityRequests::StartOutcome& outcome) {
    startChannels_.erase(request.sessionID);
    if (outcome.channelID && outcome.channelDeleted) records_.forgetChannels({*outcome.channelID});
    if (outcome.failure) {
        starting_.erase(request.sessionID);
        // Cut short at quit: the next launch starts it again, and its clean-up deletes a
        // channel left behind.
        if (!outcome.failure->cancelled) startFailed(*outcome.failure, request.phone, request.now);
        return;
    }
    // The channel may be unknown here when its note was dropped; the table names it anyway.
    rememberChannel(*outcome.channelID);
    records_.setActive(request.sessionID, Active{*outcome.channelID, request.live});
    report_ = "Live Activity started " + clockText(request.now);
    failureLog_.succeeded();
    logger_.info("Started Live Activity for " + loggedIdentifier(request.sessionID) + " on channel " +
                 loggedIdentifier(*outcome.channelID));
    starting_.erase(request.sessionID);
}

void APNsLiveActivityCoordinator::startFailed(const Failure& failure, const PhoneDevice& phone, Instant now) {
    report_ = "Live Activity start failed: " + failure.description;
    failureLog_.failed(report_, now);
    if (failure.refusedForGood) refusedStart_ = RefusedStart{phone, now};
}

void APNsLiveActivityCoordinator::updateActivity(const std::string& sessionID, const std::string& channelID,
                                                 QuorvelLiveState live, int priority, Instant now) {
    sending_[sessionID] = live;
    ++channelJobs_[channelID];
    work_.enqueue(sessionID, [this, sessionID, channelID, live, priority, now](std::function<void()> finished) {
        work_.inBackground<std::optional<Failure>>(
            [requests = requests_, channelID, live, priority, now] {
                return requests.update(channelID, live, priority, now);
            },
            [this, sessionID, channelID, live, now, finished](std::optional<Failure> failure) {
                updateFinished(sessionID, channelID, live, now, failure);
                finished();
            });
    });
}

void APNsLiveActivityCoordinator::updateFinished(const std::string& sessionID, const std::string& channelID,
                                                 const QuorvelLiveState& live, Instant now,
                                                 const std::optional<Failure>& failure) {
    releaseChannel(channelID);
    if (const auto inFlight = sending_.find(sessionID); inFlight != sending_.end() && inFlight->second == live) {
        sending_.erase(inFlight);
    }
    const auto entry = records_.active().find(sessionID);
    const bool stillActive = entry != records_.active().end() && entry->second.channelID == channelID;
    if (!failure) {
        if (stillActive) {
            updateRetries_.forget(sessionID);
            records_.setActive(sessionID, Active{channelID, live});
        }
        report_ = "Live Activity updated to " + live.state + " " + clockText(now);
        failureLog_.succeeded();
        return;
    }
    // Cut short at quit: the recorded state stays the older one, so the next launch sends it.
    if (failure->cancelled) return;
    report_ = "Live Activity update failed: " + failure->description;
    failureLog_.failed(report_, now);
    if (!stillActive) return;
    if (failure->refusedForGood) {
        // The channel will carry nothing more: the activity ends as any other does, and the
        // session may start a new one.
        removeActive(sessionID);
        endActivity(sessionID, channelID, live, now);
        return;
    }
    // The recorded state stays the older one, so this state is sent again once the wait is over.
    updateRetries_.failed(sessionID, live, now);
}

void APNsLiveActivityCoordinator::endActivity(const std::string& sessionID, const std::string& channelID,
                                              QuorvelLiveState endState, Instant now) {
    // Kept until the end has gone out, so an end cut short at quit is sent by the next launch.
    records_.setPendingEnd(channelID, endState);
    ++channelJobs_[channelID];
    work_.enqueue(sessionID, [this, channelID, endState, now](std::function<void()> finished) {
        work_.inBackground<LiveActivityRequests::EndOutcome>(
            [requests = requests_, channelID, endState, now] { return requests.end(channelID, endState, now); },
            [this, channelID, endState, now, finished](LiveActivityRequests::EndOutcome outcome) {
                endFinished(channelID, endState, now, outcome);
                finished();
            });
    });
}

void APNsLiveActivityCoordinator::endFinished(const std::string& channelID, const QuorvelLiveState& endState,
                                              Instant now, const LiveActivityRequests::EndOutcome& outcome) {
    releaseChannel(channelID);
    if (outcome.channelDeleted) records_.forgetChannels({channelID});
    const bool cutShortAtQuit = !outcome.sent && outcome.failure && outcome.failure->cancelled;
    if (!cutShortAtQuit) records_.removePendingEnd(channelID);
    if (!outcome.failure) {
        report_ = "Live Activity ended with " + endState.state + " " + clockText(now);
        failureLog_.succeeded();
    } else if (!outcome.failure->cancelled) {
        report_ = "Live Activity end failed: " + outcome.failure->description;
        failureLog_.failed(report_, now);
    }
}

// ---- bookkeeping ----------------------------------------------------------------------------

std::vector<std::string> APNsLiveActivityCoordinator::activeChannelIDs() const {
    std::vector<std::string> channels;
    for (const auto& [sessionID, entry] : records_.active()) channels.push_back(entry.channelID);
    return channels;
}

std::set<std::string> APNsLiveActivityCoordinator::channelsInUse() const {
    std::set<std::string> inUse = records_.recordedChannels();
    for (const auto& [sessionID, channelID] : startChannels_) inUse.insert(channelID);
    for (const auto& [channelID, jobs] : channelJobs_) inUse.insert(channelID);
    return inUse;
}

void APNsLiveActivityCoordinator::releaseChannel(const std::string& channelID) {
    const auto jobs = channelJobs_.find(channelID);
    if (jobs != channelJobs_.end() && --jobs->second <= 0) channelJobs_.erase(jobs);
}

void APNsLiveActivityCoordinator::removeActive(const std::string& sessionID) {
    sending_.erase(sessionID);
    unseenRestored_.erase(sessionID);
    updateRetries_.forget(sessionID);
    records_.removeActive(sessionID);
}

void APNsLiveActivityCoordinator::rememberChannel(const std::string& channelID) {
    records_.rememberChannel(channelID, channelsInUse());
}

std::string APNsLiveActivityCoordinator::clockText(Instant now) const {
    return PushReport::clockText(now, options_.calendar());
}

}  // namespace quorvel
