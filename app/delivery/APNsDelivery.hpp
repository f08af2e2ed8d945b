#pragma once
// Sends an alert to the paired phone: through the user's relay when one is stored, else
// directly with the user's APNs key. Keeps one APNs client while the credentials stay the
// same, reads the phone's token from the user defaults, and turns the service's refusals into
// a `Problem` whose text the user sees. Also hands its client to the Live Activity work.
//
// Thread-safe: any number of pushes may run at once. The cached client is read and replaced
// under a lock that is never held across the keyring, the network or the 429 back-off; the
// back-off holds back only its own caller. At quit `cancel` ends the back-off (with
// `Cancelled`) and every request in flight (with the transport's `cancelled` error).
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "kit/engine/OutgoingPush.hpp"
#include "kit/push/APNsClient.hpp"
#include "kit/push/PushDelivery.hpp"
#include "kit/push/PushPayloads.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/services/SecretStore.hpp"
#include "platform/stores/KeyValueStore.hpp"

namespace quorvel {

class APNsDelivery final : public PushDelivery {
public:
    struct Problem {
        enum class Case { tokenInvalid, rejected, noKey, noDeviceToken };
        Case kind = Case::noKey;
        int status = 0;        ///< rejected only
        std::string reason;    ///< tokenInvalid and rejected

        static Problem tokenInvalid(std::string reason) { return {Case::tokenInvalid, 0, std::move(reason)}; }
        static Problem rejected(int status, std::string reason) { return {Case::rejected, status, std::move(reason)}; }
        static Problem noKey() { return {Case::noKey, 0, {}}; }
        static Problem noDeviceToken() { return {Case::noDeviceToken, 0, {}}; }

        bool operator==(const Problem&) const = default;
        std::string description() const;
    };

    /// The 429 back-off was cut short because the app is quitting.
    struct Cancelled {
        bool operator==(const Cancelled&) const = default;
        std::string description() const { return "The push was cancelled."; }
    };

    using Error = std::variant<Problem, APNsKeyStore::KeychainError, APNsKeyStore::DecodingError, SigningKeyError,
                               PushPayloads::TooLarge, PushPayloads::EncodingFailed, HttpError, Cancelled>;

    struct Options {
        /// Hosts, transport and clock for the clients this delivery builds.
        APNsClient::Options client;
        /// How long a push answered with 429 holds back its caller.
        std::chrono::milliseconds rateLimitWait{30000};
    };

    /// Both stores must outlive the delivery.
    APNsDelivery(SecretStore& secrets, KeyValueStore& defaults);
    APNsDelivery(SecretStore& secrets, KeyValueStore& defaults, Options options);
    ~APNsDelivery() override;

    APNsDelivery(const APNsDelivery&) = delete;
    APNsDelivery& operator=(const APNsDelivery&) = delete;

    /// The client to use: the relay's when relay credentials are stored, else one signing with
    /// the stored APNs key; the cached one while the credentials are unchanged.
    Expected<std::shared_ptr<APNsClient>, Error> client();

    /// Sends `push` as an alert to the phone's token.
    Expected<void, Error> send(const OutgoingPush& push);

    /// `send`, with the failure as the text the user sees.
    Expected<void, Failure> push(const OutgoingPush& push) override;

    /// Ends every 429 back-off and every request of its clients now, and any later one at
    /// once (at quit): nothing that the delivery or the Live Activities send waits any more.
    void cancel();

private:
    std::optional<std::string> deviceToken() const;
    bool waitUnlessCancelled(std::chrono::milliseconds duration);
    bool isCancelled();

    SecretStore& secrets_;
    KeyValueStore& defaults_;
    Options options_;
    Logger logger_;

    std::mutex clientMutex_;
    std::shared_ptr<APNsClient> client_;   // guarded by clientMutex_
    std::optional<std::string> clientKeyID_;  // guarded by clientMutex_
    /// Every client built, also those replaced while a request of theirs may still run.
    std::vector<std::weak_ptr<APNsClient>> builtClients_;  // guarded by clientMutex_

    std::mutex waitMutex_;
    std::condition_variable waitEnded_;
    bool cancelled_ = false;  // guarded by waitMutex_
};

/// The text a person is shown for a delivery error.
std::string describe(const APNsDelivery::Error& error);

}  // namespace quorvel
