#include "app/delivery/APNsLiveActivityCoordinator.hpp"

#include <algorithm>
#include <unordered_map>

#include "app/core/PushReport.hpp"
#include "app/delivery/LoggedIdentifier.hpp"
#include "kit/engine/Quorvel.hpp"
#include "kit/push/LiveActivityPayloads.hpp"
#include "platform/UnicodeText.hpp"

namespace quorvel {
namespace {

using Failure = APNsLiveActivityCoordinator::Failure;

constexpr double staleAfterSeconds = 28800;
constexpr double dismissAfterSeconds = 900;
constexpr double broadcastTimeToLive = 28800;

bool isSuccess(int status) { return status >= 200 && status <= 299; }

/// An answer that is not a success, as the user reads it.
Failure refusal(const APNsClient::Response& response, std::string_view missingReason = "") {
    Failure failure;
    failure.description =
        APNsDelivery::Problem::rejected(response.status, response.reason.value_or(std::string(missingReason)))
            .description();
    // The service answers 429 and 5xx for its own trouble; a 4xx otherwise means this very
    // request will never be accepted (an unknown token, a topic the key may not use).
    failure.refusedForGood = response.status >= 400 && response.status <= 499 && response.status != 429;
    return failure;
}

bool isCancellation(const HttpError& error) { return error.code == HttpError::Code::cancelled; }

Failure failureOf(const APNsDelivery::Error& error) {
    const auto* http = std::get_if<HttpError>(&error);
    return {describe(error), false,
            std::holds_alternative<APNsDelivery::Cancelled>(error) || (http != nullptr && isCancellation(*http))};
}
Failure failureOf(const APNsClient::Error& error) {
    const auto* http = std::get_if<HttpError>(&error);
    return {describe(error), false, http != nullptr && isCancellation(*http)};
}
Failure failureOf(const PushPayloads::EncodeError& error) { return {PushPayloads::describe(error), false}; }

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

struct APNsLiveActivityCoordinator::StartOutcome {
    /// The channel the start made, whether or not the start went through.
    std::optional<std::string> channelID;
    /// The made channel was deleted again after a failure.
    bool channelDeleted = false;
    std::optional<Failure> failure;
};

// ---- the table's JSON form ------------------------------------------------------------------

json::Json APNsLiveActivityCoordinator::Active::encode() const {
    json::Json object = json::Json::object();
    object["channelID"] = json::string(channelID);
    object["lastState"] = lastState.encode();
    return object;
}

APNsLiveActivityCoordinator::Active APNsLiveActivityCoordinator::Active::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "Active");
    return Active{json::requireString(object, "channelID"),
                  QuorvelLiveState::decode(json::requireMember(object, "lastState"))};
}

// ---- life -----------------------------------------------------------------------------------

APNsLiveActivityCoordinator::APNsLiveActivityCoordinator(std::shared_ptr<APNsDelivery> delivery,
                                                         std::shared_ptr<KeyValueStore> defaults,
                                                         std::unique_ptr<WorkThreads> threads)
    : APNsLiveActivityCoordinator(std::move(delivery), std::move(defaults), std::move(threads), Options{}) {}

APNsLiveActivityCoordinator::APNsLiveActivityCoordinator(std::shared_ptr<APNsDelivery> delivery,
                                                         std::shared_ptr<KeyValueStore> defaults,
                                                         std::unique_ptr<WorkThreads> threads, Options options)
    : delivery_(std::move(delivery)),
      defaults_(std::move(defaults)),
      options_(std::move(options)),
      logger_(Quorvel::macBundleID, "LiveActivity"),
      failureLog_(logger_),
      threads_(std::move(threads)) {
    load();
}

APNsLiveActivityCoordinator::~APNsLiveActivityCoordinator() = default;

void APNsLiveActivityCoordinator::load() {
    if (const std::optional<json::Json> stored = defaults_->jsonValue(activeKey)) {
        try {
            std::map<std::string, Active> restored;
            for (const auto& [sessionID, entry] : json::requireObject(*stored, "liveActivitiesActive").items()) {
                restored.emplace(sessionID, Active::decode(entry));
            }
            active_ = std::move(restored);
        } catch (const std::exception& error) {
            // The stored data stays until the next change of the table writes over it.
            logger_.error(std::string("Forgot the active Live Activities: ") + error.what());
        }
    }
    for (const auto& [sessionID, entry] : active_) unseenRestored_.emplace(sessionID, std::nullopt);

    if (const std::optional<json::Json> stored = defaults_->jsonValue(pendingEndsKey); stored && stored->is_object()) {
        for (const auto& [channelID, endState] : stored->items()) {
            try {
                pendingEnds_.emplace(channelID, QuorvelLiveState::decode(endState));
                endsToResume_.push_back(channelID);
            } catch (const std::exception& error) {
                // Its channel is still on the list of made channels: the clean-up deletes it.
                logger_.error("Forgot an unsent Live Activity end: " + std::string(error.what()));
            }
        }
    }

    std::vector<std::string> made;
    if (const std::optional<json::Json> stored = defaults_->jsonValue(createdChannelsKey); stored && stored->is_array()) {
        for (const auto& channel : *stored) {
            if (channel.is_string()) made.push_back(channel.get<std::string>());
        }
    }
    // Every recorded activity's and unsent end's channel was made here, also when the list of
    // made channels was lost.
    for (const auto& [sessionID, entry] : active_) made.push_back(entry.channelID);
    for (const auto& [channelID, endState] : pendingEnds_) made.push_back(channelID);
    for (const std::string& channelID : made) {
        if (!isCreated(channelID)) createdChannels_.push_back(channelID);
    }
    trimChannels();
}

// ---- reconcile ------------------------------------------------------------------------------

void APNsLiveActivityCoordinator::reconcile(const std::vector<Session>& sessions, bool away,
                                            const std::optional<PhoneDevice>& phone, Instant now) {
    std::unordered_map<std::string, const Session*> byID;
    for (const Session& session : sessions) byID.emplace(session.id, &session);

    std::vector<std::string> vanished;
    for (const auto& [sessionID, entry] : active_) {
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
        const Active entry = active_.at(sessionID);
        removeActive(sessionID);
        endActivity(sessionID, entry.channelID, vanishedState(entry.lastState, now), now);
    }

    if (sessions.empty()) return;

    for (const Session& session : sessions) {
        unseenRestored_.erase(session.id);
        const QuorvelLiveState live = QuorvelLiveState::of(session, now);
        const auto entry = active_.find(session.id);
        if (entry == active_.end()) {
            if (away) considerStart(session, live, phone, now);
            continue;
        }
        const auto inFlight = sending_.find(session.id);
        const QuorvelLiveState& believed = inFlight != sending_.end() ? inFlight->second : entry->second.lastState;
        if (live == believed) continue;

        const std::string channelID = entry->second.channelID;
        if (!live.isEnded() && !session.state.is(SessionState::Kind::idle)) {
            if (waitsToRetry(session.id, live, now)) continue;
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
    enqueue(session.id, [this, request](std::function<void()> finished) {
        std::weak_ptr<int> alive = alive_;
        WorkThreads* threads = threads_.get();
        // Posted while the start goes on, so the clean-up knows the channel before it could
        // list it.
        auto channelMade = [this, alive, threads, sessionID = request.sessionID](const std::string& channelID) {
            threads->runOnMainThread([this, alive, sessionID, channelID] {
                if (alive.expired()) return;
                startChannels_[sessionID] = channelID;
                rememberChannel(channelID);
            });
        };
        inBackground<StartOutcome>(
            [delivery = delivery_, request, channelMade]() -> StartOutcome {
                StartOutcome outcome;
                auto client = delivery->client();
                if (!client) {
                    outcome.failure = failureOf(client.error());
                    return outcome;
                }
                APNsClient& apns = *client.value();
                auto created = apns.createChannel();
                if (!created) {
                    outcome.failure = failureOf(created.error());
                    return outcome;
                }
                if (!isSuccess(created->status) || !created->channelID) {
                    outcome.failure = refusal(created.value(), "no channel id");
                    return outcome;
                }
                const std::string channelID = *created->channelID;
                outcome.channelID = channelID;
                channelMade(channelID);

                auto payload = PushPayloads::liveActivityStart(request.live, request.sessionID, channelID,
                                                               request.live.headline(), request.live.title, request.now,
                                                               request.now.adding(staleAfterSeconds));
                if (!payload) {
                    outcome.failure = failureOf(payload.error());
                } else if (auto pushed = apns.sendLiveActivityUpdate(request.token, payload.value()); !pushed) {
                    outcome.failure = failureOf(pushed.error());
                } else if (!isSuccess(pushed->status)) {
                    outcome.failure = refusal(pushed.value());
                }
                if (outcome.failure) {
                    // A channel no activity listens on is of no use to anyone.
                    auto deleted = apns.deleteChannel(channelID);
                    outcome.channelDeleted = deleted && isSuccess(deleted->status);
                }
                return outcome;
            },
            [this, request, finished](StartOutcome outcome) {
                startFinished(request, outcome);
                finished();
            });
    });
}

void APNsLiveActivityCoordinator::startFinished(const StartRequest& request, const StartOutcome& outcome) {
    startChannels_.erase(request.sessionID);
    if (outcome.channelID && outcome.channelDeleted) forgetChannels({*outcome.channelID});
    if (outcome.failure) {
        starting_.erase(request.sessionID);
        // Cut short at quit: the next launch starts it again, and its clean-up deletes a
        // channel left behind.
        if (!outcome.failure->cancelled) startFailed(*outcome.failure, request.phone, request.now);
        return;
    }
    // The channel may be unknown here when its note was dropped; the table names it anyway.
    rememberChannel(*outcome.channelID);
    setActive(request.sessionID, Active{*outcome.channelID, request.live});
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
    enqueue(sessionID, [this, sessionID, channelID, live, priority, now](std::function<void()> finished) {
        inBackground<std::optional<Failure>>(
            [delivery = delivery_, channelID, live, priority, now]() -> std::optional<Failure> {
                auto client = delivery->client();
                if (!client) return failureOf(client.error());
                auto payload = PushPayloads::liveActivityUpdate(live, now, now.adding(staleAfterSeconds));
                if (!payload) return failureOf(payload.error());
                auto answer = client.value()->broadcast(channelID, payload.value(), priority, broadcastTimeToLive);
                if (!answer) return failureOf(answer.error());
                if (!isSuccess(answer->status)) return refusal(answer.value());
                return std::nullopt;
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
    const auto entry = active_.find(sessionID);
    const bool stillActive = entry != active_.end() && entry->second.channelID == channelID;
    if (!failure) {
        if (stillActive) {
            updateRetries_.erase(sessionID);
            setActive(sessionID, Active{channelID, live});
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
    const auto earlier = updateRetries_.find(sessionID);
    const double wait =
        earlier == updateRetries_.end() ? firstUpdateRetry : std::min(earlier->second.wait * 2, longestUpdateRetry);
    updateRetries_[sessionID] = UpdateRetry{live, now, wait};
}

bool APNsLiveActivityCoordinator::waitsToRetry(const std::string& sessionID, const QuorvelLiveState& live,
                                               Instant now) const {
    const auto retry = updateRetries_.find(sessionID);
    if (retry == updateRetries_.end() || retry->second.failed != live) return false;
    // A clock set back ends the wait rather than stretching it.
    const double waited = now.secondsSince(retry->second.failedAt);
    return waited >= 0 && waited < retry->second.wait;
}

void APNsLiveActivityCoordinator::endActivity(const std::string& sessionID, const std::string& channelID,
                                              QuorvelLiveState endState, Instant now) {
    // Kept until the end has gone out, so an end cut short at quit is sent by the next launch.
    pendingEnds_[channelID] = endState;
    savePendingEnds();
    ++channelJobs_[channelID];
    enqueue(sessionID, [this, channelID, endState, now](std::function<void()> finished) {
        struct EndOutcome {
            bool sent = false;
            bool channelDeleted = false;
            std::optional<Failure> failure;
        };
        inBackground<EndOutcome>(
            [delivery = delivery_, channelID, endState, now]() -> EndOutcome {
                auto client = delivery->client();
                if (!client) return {false, false, failureOf(client.error())};
                auto payload = PushPayloads::liveActivityEnd(endState, now, now.adding(dismissAfterSeconds));
                if (!payload) return {false, false, failureOf(payload.error())};
                auto answer = client.value()->broadcast(channelID, payload.value(), 10, broadcastTimeToLive);
                if (!answer) return {false, false, failureOf(answer.error())};
                // Kept on a refusal: the phone may still show the activity, and the next
                // launch's clean-up deletes the channel.
                if (!isSuccess(answer->status)) return {false, false, refusal(answer.value())};
                auto deleted = client.value()->deleteChannel(channelID);
                if (!deleted) return {true, false, failureOf(deleted.error())};
                if (!isSuccess(deleted->status)) return {true, false, refusal(deleted.value())};
                return {true, true, std::nullopt};
            },
            [this, channelID, endState, now, finished](EndOutcome outcome) {
                releaseChannel(channelID);
                if (outcome.channelDeleted) forgetChannels({channelID});
                const bool cutShortAtQuit = !outcome.sent && outcome.failure && outcome.failure->cancelled;
                if (!cutShortAtQuit) {
                    pendingEnds_.erase(channelID);
                    savePendingEnds();
                }
                if (!outcome.failure) {
                    report_ = "Live Activity ended with " + endState.state + " " + clockText(now);
                    failureLog_.succeeded();
                } else if (!outcome.failure->cancelled) {
                    report_ = "Live Activity end failed: " + outcome.failure->description;
                    failureLog_.failed(report_, now);
                }
                finished();
            });
    });
}

// ---- clean-up -------------------------------------------------------------------------------

void APNsLiveActivityCoordinator::cleanUpOrphanChannels() {
    // The ends a former launch could not send go first; their channels count as in use. Their
    // sessions are gone, so each runs in a chain of its own, named by its channel.
    for (const std::string& channelID : endsToResume_) {
        if (const auto pending = pendingEnds_.find(channelID); pending != pendingEnds_.end()) {
            endActivity(channelID, channelID, pending->second, options_.clock->now());
        }
    }
    endsToResume_.clear();

    if (cleaningUp_) return;
    cleaningUp_ = true;
    struct Listed {
        std::optional<std::vector<std::string>> channels;
        std::optional<std::string> failure;
    };
    // Only channels known before the listing was asked for can be missing from it.
    const std::vector<std::string> knownBefore = createdChannels_;
    inBackground<Listed>(
        [delivery = delivery_]() -> Listed {
            auto client = delivery->client();
            if (!client) return {std::nullopt, describe(client.error())};
            auto listed = client.value()->listedChannels();
            if (!listed) return {std::nullopt, describe(listed.error())};
            return {std::move(listed.value()), std::nullopt};
        },
        [this, knownBefore](Listed listed) {
            if (listed.failure) {
                logger_.info("Channel clean-up skipped: " + *listed.failure);
                cleaningUp_ = false;
                return;
            }
            if (!listed.channels) {
                // An answer that lists nothing tells nothing about what exists.
                deleteOrphans({});
                return;
            }
            forgetChannelsUnlisted(knownBefore, *listed.channels);
            deleteOrphans(std::move(*listed.channels));
        });
}

void APNsLiveActivityCoordinator::forgetChannelsUnlisted(const std::vector<std::string>& knownBefore,
                                                         const std::vector<std::string>& listed) {
    const std::set<std::string> present(listed.begin(), listed.end());
    const std::set<std::string> inUse = channelsInUse();
    std::vector<std::string> gone;
    for (const std::string& channelID : knownBefore) {
        if (present.count(channelID) == 0 && inUse.count(channelID) == 0) gone.push_back(channelID);
    }
    forgetChannels(gone);
}

std::set<std::string> APNsLiveActivityCoordinator::channelsInUse() const {
    std::set<std::string> inUse;
    for (const auto& [sessionID, entry] : active_) inUse.insert(entry.channelID);
    for (const auto& [sessionID, channelID] : startChannels_) inUse.insert(channelID);
    for (const auto& [channelID, jobs] : channelJobs_) inUse.insert(channelID);
    for (const auto& [channelID, endState] : pendingEnds_) inUse.insert(channelID);
    return inUse;
}

void APNsLiveActivityCoordinator::deleteOrphans(std::vector<std::string> listed) {
    // Decided here, on the main thread, against the table as it is now. A start records its
    // channel before it could be listed, so no channel of a start in flight is ever taken.
    const std::set<std::string> inUse = channelsInUse();
    std::vector<std::string> orphans;
    for (const std::string& channelID : listed) {
        if (isCreated(channelID) && inUse.count(channelID) == 0) orphans.push_back(channelID);
    }

    struct Deleted {
        std::vector<std::string> deleted;
        std::vector<std::string> gone;
        std::optional<std::string> failure;
    };
    inBackground<Deleted>(
        [delivery = delivery_, orphans]() -> Deleted {
            Deleted result;
            if (orphans.empty()) return result;
            auto client = delivery->client();
            if (!client) {
                result.failure = describe(client.error());
                return result;
            }
            for (const std::string& channelID : orphans) {
                auto answer = client.value()->deleteChannel(channelID);
                if (!answer) {
                    result.failure = describe(answer.error());
                    break;
                }
                if (isSuccess(answer->status)) {
                    result.deleted.push_back(channelID);
                } else if (answer->status == 404) {
                    // Gone already: nothing left to delete, and nothing to keep in mind.
                    result.gone.push_back(channelID);
                } else {
                    result.failure = refusal(answer.value()).description;
                    break;
                }
            }
            return result;
        },
        [this](Deleted result) {
            for (const std::string& channelID : result.deleted) {
                logger_.info("Deleted orphan channel " + loggedIdentifier(channelID));
            }
            std::vector<std::string> forgotten = result.deleted;
            forgotten.insert(forgotten.end(), result.gone.begin(), result.gone.end());
            forgetChannels(forgotten);
            if (result.failure) logger_.info("Channel clean-up skipped: " + *result.failure);
            cleaningUp_ = false;
        });
}

std::vector<std::string> APNsLiveActivityCoordinator::activeChannelIDs() const {
    std::vector<std::string> channels;
    for (const auto& [sessionID, entry] : active_) channels.push_back(entry.channelID);
    return channels;
}

// ---- one chain per session ------------------------------------------------------------------

void APNsLiveActivityCoordinator::enqueue(const std::string& sessionID, Job job) {
    Chain& chain = chains_[sessionID];
    chain.waiting.push_back(std::move(job));
    if (!chain.busy) runNext(sessionID);
}

void APNsLiveActivityCoordinator::runNext(const std::string& sessionID) {
    // After `stop` the jobs stay unrun; an end among them is kept in the table for the next
    // launch.
    if (stopped_) return;
    const auto chain = chains_.find(sessionID);
    if (chain == chains_.end()) return;
    if (chain->second.waiting.empty()) {
        chains_.erase(chain);
        return;
    }
    Job job = std::move(chain->second.waiting.front());
    chain->second.waiting.pop_front();
    chain->second.busy = true;
    job([this, sessionID] { runNext(sessionID); });
}

template <typename Result>
void APNsLiveActivityCoordinator::inBackground(std::function<Result()> work, std::function<void(Result)> then) {
    if (stopped_) return;
    std::weak_ptr<int> alive = alive_;
    WorkThreads* threads = threads_.get();
    // The threads outlive every piece of work they run (they wait for it when they go), so
    // the work may post through them; the coordinator itself it never touches.
    threads_->runInBackground([work = std::move(work), then = std::move(then), alive, threads]() mutable {
        Result result = work();
        threads->runOnMainThread([then = std::move(then), result = std::move(result), alive]() mutable {
            if (!alive.expired()) then(std::move(result));
        });
    });
}

void APNsLiveActivityCoordinator::stop(std::chrono::milliseconds longest) {
    if (stopped_) return;
    stopped_ = true;
    // Whatever waits on the network ends now, so its outcome can still be recorded.
    delivery_->cancel();
    threads_->finish(longest);
}

void APNsLiveActivityCoordinator::releaseChannel(const std::string& channelID) {
    const auto jobs = channelJobs_.find(channelID);
    if (jobs != channelJobs_.end() && --jobs->second <= 0) channelJobs_.erase(jobs);
}

// ---- persistence ----------------------------------------------------------------------------

void APNsLiveActivityCoordinator::setActive(const std::string& sessionID, Active entry) {
    active_[sessionID] = std::move(entry);
    saveActive();
}

void APNsLiveActivityCoordinator::removeActive(const std::string& sessionID) {
    active_.erase(sessionID);
    sending_.erase(sessionID);
    unseenRestored_.erase(sessionID);
    updateRetries_.erase(sessionID);
    saveActive();
}

void APNsLiveActivityCoordinator::saveActive() {
    json::Json table = json::Json::object();
    try {
        for (const auto& [sessionID, entry] : active_) table[sessionID] = entry.encode();
    } catch (const std::exception& error) {
        logger_.error(std::string("Could not remember active Live Activities: ") + error.what());
        return;
    }
    defaults_->setJson(activeKey, table);
}

void APNsLiveActivityCoordinator::savePendingEnds() {
    json::Json table = json::Json::object();
    for (const auto& [channelID, endState] : pendingEnds_) table[channelID] = endState.encode();
    defaults_->setJson(pendingEndsKey, table);
}

bool APNsLiveActivityCoordinator::isCreated(const std::string& channelID) const {
    return std::find(createdChannels_.begin(), createdChannels_.end(), channelID) != createdChannels_.end();
}

void APNsLiveActivityCoordinator::rememberChannel(const std::string& channelID) {
    if (isCreated(channelID)) return;
    createdChannels_.push_back(channelID);
    trimChannels();
    saveChannels();
}

void APNsLiveActivityCoordinator::trimChannels() {
    if (createdChannels_.size() <= createdChannelsCap) return;
    // The oldest go first, those in use only when nothing else is left to drop; a channel in
    // use that drops off is still deleted by its activity's end.
    const std::set<std::string> inUse = channelsInUse();
    std::size_t excess = createdChannels_.size() - createdChannelsCap;
    std::vector<std::string> kept;
    kept.reserve(createdChannelsCap);
    for (const std::string& channelID : createdChannels_) {
        if (excess > 0 && inUse.count(channelID) == 0) {
            --excess;
            continue;
        }
        kept.push_back(channelID);
    }
    if (kept.size() > createdChannelsCap) kept.erase(kept.begin(), kept.end() - createdChannelsCap);
    createdChannels_ = std::move(kept);
}

void APNsLiveActivityCoordinator::forgetChannels(const std::vector<std::string>& channelIDs) {
    const std::set<std::string> forgotten(channelIDs.begin(), channelIDs.end());
    if (std::erase_if(createdChannels_, [&](const std::string& channelID) { return forgotten.count(channelID) != 0; }) >
        0) {
        saveChannels();
    }
}

void APNsLiveActivityCoordinator::saveChannels() {
    json::Json list = json::Json::array();
    for (const std::string& channelID : createdChannels_) list.push_back(json::string(channelID));
    defaults_->setJson(createdChannelsKey, list);
}

std::string APNsLiveActivityCoordinator::clockText(Instant now) const {
    return PushReport::clockText(now, options_.calendar());
}

}  // namespace quorvel
