#include "app/delivery/LiveActivityRequests.hpp"

#include <variant>

#include "kit/push/LiveActivityPayloads.hpp"

namespace quorvel {
namespace {

using Failure = LiveActivityFailure;

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

}  // namespace

LiveActivityRequests::StartOutcome LiveActivityRequests::start(
    const std::string& sessionID, const QuorvelLiveState& live, const std::string& token, Instant now,
    const std::function<void(const std::string&)>& channelMade) const {
    StartOutcome outcome;
    auto client = delivery_->client();
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

    auto payload = PushPayloads::liveActivityStart(live, sessionID, channelID, live.headline(), live.title, now,
                                                   now.adding(staleAfterSeconds));
    if (!payload) {
        outcome.failure = failureOf(payload.error());
    } else if (auto pushed = apns.sendLiveActivityUpdate(token, payload.value()); !pushed) {
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
}

std::optional<LiveActivityFailure> LiveActivityRequests::update(const std::string& channelID,
                                                                const QuorvelLiveState& live, int priority,
                                                                Instant now) const {
    auto client = delivery_->client();
    if (!client) return failureOf(client.error());
    auto payload = PushPayloads::liveActivityUpdate(live, now, now.adding(staleAfterSeconds));
    if (!payload) return failureOf(payload.error());
    auto answer = client.value()->broadcast(channelID, payload.value(), priority, broadcastTimeToLive);
    if (!answer) return failureOf(answer.error());
    if (!isSuccess(answer->status)) return refusal(answer.value());
    return std::nullopt;
}

LiveActivityRequests::EndOutcome LiveActivityRequests::end(const std::string& channelID,
                                                           const QuorvelLiveState& endState, Instant now) const {
    auto client = delivery_->client();
    if (!client) return {false, false, failureOf(client.error())};
    auto payload = PushPayloads::liveActivityEnd(endState, now, now.adding(dismissAfterSeconds));
    if (!payload) return {false, false, failureOf(payload.error())};
    auto answer = client.value()->broadcast(channelID, payload.value(), 10, broadcastTimeToLive);
    if (!answer) return {false, false, failureOf(answer.error())};
    // Kept on a refusal: the phone may still show the activity, and the next launch's
    // clean-up deletes the channel.
    if (!isSuccess(answer->status)) return {false, false, refusal(answer.value())};
    auto deleted = client.value()->deleteChannel(channelID);
    if (!deleted) return {true, false, failureOf(deleted.error())};
    if (!isSuccess(deleted->status)) return {true, false, refusal(deleted.value())};
    return {true, true, std::nullopt};
}

LiveActivityRequests::Listing LiveActivityRequests::listChannels() const {
    auto client = delivery_->client();
    if (!client) return {std::nullopt, describe(client.error())};
    auto listed = client.value()->listedChannels();
    if (!listed) return {std::nullopt, describe(listed.error())};
    return {std::move(listed.value()), std::nullopt};
}

LiveActivityRequests::Deletion LiveActivityRequests::deleteChannels(const std::vector<std::string>& channelIDs) const {
    Deletion result;
    if (channelIDs.empty()) return result;
    auto client = delivery_->client();
    if (!client) {
        result.failure = describe(client.error());
        return result;
    }
    for (const std::string& channelID : channelIDs) {
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
}

}  // namespace quorvel
