#include "app/delivery/APNsDelivery.hpp"

#include <functional>

#include "app/delivery/LoggedIdentifier.hpp"
#include "kit/engine/Quorvel.hpp"
#include "kit/engine/StoredDefaults.hpp"
#include "kit/push/OutgoingPushPayload.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

template <typename Variant>
APNsDelivery::Error widened(const Variant& error) {
    return std::visit([](const auto& cause) { return APNsDelivery::Error(cause); }, error);
}

std::string hashText(const std::string& secret) { return std::to_string(std::hash<std::string>{}(secret)); }

bool isRefusedToken(const std::string& reason) {
    return reason == "BadDeviceToken" || reason == "Unregistered" || reason == "DeviceTokenNotForTopic";
}

}  // namespace

std::string APNsDelivery::Problem::description() const {
    switch (kind) {
        case Case::tokenInvalid:
            return "The phone token was refused (" + reason + "). Copy a fresh one from the phone.";
        case Case::rejected:
            return "Apple refused the push: " + std::to_string(status) + " " + reason;
        case Case::noKey:
            return "No relay key and no Apple key. Add one in Settings › Relay or Settings › Phone key.";
        case Case::noDeviceToken:
            return "No phone token yet. Copy it from the phone's Settings into Settings › Phone.";
    }
    return {};
}

std::string describe(const APNsDelivery::Error& error) {
    return std::visit(
        [](const auto& cause) -> std::string {
            using Cause = std::decay_t<decltype(cause)>;
            if constexpr (std::is_same_v<Cause, PushPayloads::TooLarge>) {
                return PushPayloads::describe(cause);
            } else if constexpr (std::is_same_v<Cause, PushPayloads::EncodingFailed>) {
                return PushPayloads::describe(PushPayloads::EncodeError(cause));
            } else {
                return cause.description();
            }
        },
        error);
}

APNsDelivery::APNsDelivery(SecretStore& secrets, KeyValueStore& defaults)
    : APNsDelivery(secrets, defaults, Options{}) {}

APNsDelivery::APNsDelivery(SecretStore& secrets, KeyValueStore& defaults, Options options)
    : secrets_(secrets), defaults_(defaults), options_(std::move(options)), logger_(Quorvel::macBundleID, "Delivery") {}

APNsDelivery::~APNsDelivery() { cancel(); }

void APNsDelivery::cancel() {
    {
        std::lock_guard lock(waitMutex_);
        cancelled_ = true;
    }
    waitEnded_.notify_all();
    std::lock_guard lock(clientMutex_);
    for (const auto& built : builtClients_) {
        if (const auto client = built.lock()) client->cancelRequests();
    }
}

bool APNsDelivery::isCancelled() {
    std::lock_guard lock(waitMutex_);
    return cancelled_;
}

bool APNsDelivery::waitUnlessCancelled(std::chrono::milliseconds duration) {
    std::unique_lock lock(waitMutex_);
    // wait_for measures on the steady clock: a change of the wall clock neither cuts the wait
    // short nor stretches it.
    return !waitEnded_.wait_for(lock, duration, [this] { return cancelled_; });
}

Expected<std::shared_ptr<APNsClient>, APNsDelivery::Error> APNsDelivery::client() {
    auto relay = RelayKeyStore::load(secrets_);
    if (!relay) return unexpected(widened(relay.error()));

    std::string cacheKey;
    std::function<Expected<std::shared_ptr<APNsClient>, Error>()> build;
    if (const auto& credentials = relay.value()) {
        // The key itself never enters the cache key, only a hash of it.
        cacheKey = "relay|" + credentials->url.absoluteString() + "|" + hashText(credentials->key);
        build = [&]() -> Expected<std::shared_ptr<APNsClient>, Error> {
            return std::make_shared<APNsClient>(credentials->url, credentials->key, options_.client);
        };
    } else {
        auto key = APNsKeyStore::load(secrets_);
        if (!key) return unexpected(widened(key.error()));
        if (!key.value()) return unexpected(Error(Problem::noKey()));
        const APNsKeyStore::Credentials apnsKey = *key.value();
        // Team and key text belong in the key too: re-importing a corrected key under the same
        // key ID must not keep signing with the old one.
        cacheKey = "apns|" + apnsKey.keyID + "|" + apnsKey.teamID + "|" + hashText(apnsKey.pem);
        build = [apnsKey, this]() -> Expected<std::shared_ptr<APNsClient>, Error> {
            auto signer = APNsJWTSigner::make(apnsKey.pem, apnsKey.keyID, apnsKey.teamID);
            if (!signer) return unexpected(Error(signer.error()));
            return std::make_shared<APNsClient>(std::move(signer.value()), options_.client);
        };
    }

    {
        std::lock_guard lock(clientMutex_);
        if (client_ && clientKeyID_ == cacheKey) return client_;
    }
    auto built = build();
    if (!built) return built;
    std::lock_guard lock(clientMutex_);
    // Another caller may have built one for the same credentials meanwhile: keep that one.
    if (client_ && clientKeyID_ == cacheKey) return client_;
    client_ = built.value();
    clientKeyID_ = cacheKey;
    std::erase_if(builtClients_, [](const auto& old) { return old.expired(); });
    builtClients_.push_back(client_);
    // Made after the quit began: it sends nothing either.
    if (isCancelled()) client_->cancelRequests();
    return client_;
}

std::optional<std::string> APNsDelivery::deviceToken() const {
    const std::optional<std::string> stored = defaults_.value(StoredDefaults::phoneDeviceToken);
    if (!stored) return std::nullopt;
    std::string token = text::lowercased(text::trimmingWhitespaceAndNewlines(*stored));
    if (token.empty()) return std::nullopt;
    return token;
}

Expected<void, APNsDelivery::Error> APNsDelivery::send(const OutgoingPush& push) {
    const std::optional<std::string> token = deviceToken();
    if (!token) return unexpected(Error(Problem::noDeviceToken()));

    auto chosen = client();
    if (!chosen) return unexpected(chosen.error());

    auto bytes = payload(push);
    if (!bytes) return unexpected(widened(bytes.error()));

    auto answer = chosen.value()->sendAlert(*token, bytes.value());
    if (!answer) return unexpected(widened(answer.error()));
    const int status = answer->status;
    const std::string reason = answer->reason.value_or("");

    if (status >= 200 && status <= 299) {
        defaults_.set(StoredDefaults::phoneDeviceTokenInvalid, false);
        logger_.info("Pushed " + std::string(rawValue(push.kind)) + " for session " + loggedIdentifier(push.sessionID));
        return {};
    }
    if ((status == 400 || status == 410) && isRefusedToken(reason)) {
        defaults_.set(StoredDefaults::phoneDeviceTokenInvalid, true);
        return unexpected(Error(Problem::tokenInvalid(reason)));
    }
    if (status == 429) {
        // Holds back only this caller's answer; the push is not retried.
        if (!waitUnlessCancelled(options_.rateLimitWait)) return unexpected(Error(Cancelled{}));
        return unexpected(Error(Problem::rejected(429, reason)));
    }
    return unexpected(Error(Problem::rejected(status, reason)));
}

Expected<void, PushDelivery::Failure> APNsDelivery::push(const OutgoingPush& push) {
    auto sent = send(push);
    if (!sent) return unexpected(Failure{describe(sent.error())});
    return {};
}

}  // namespace quorvel
