#pragma once
// An APNs client against the fake push service: signed with a key of the test's own, on a
// clock the test moves, either direct or through the relay; a device token and an alert to
// send, and the claims of a provider token.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kit/push/APNsClient.hpp"
#include "platform/services/CurlHttpTransport.hpp"
#include "platform/text/Base64.hpp"
#include "tests/kit/push/FakeApns.hpp"

namespace quorvel::testing {

inline const std::string token64 = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
inline const std::string alertPayload = R"({"aps":{"alert":{"body":"b","title":"t"}}})";

inline std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string claimsOf(const std::string& authorization) {
    const std::string token = authorization.substr(std::string("bearer ").size());
    const std::size_t first = token.find('.');
    const std::size_t second = token.find('.', first + 1);
    return base64::decodeUrl(token.substr(first + 1, second - first - 1)).value_or("");
}

class APNsClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto signer = APNsJWTSigner::make(makePrivateKeyPem(folder_, "key.p8"), "KEY1234567", "TEAM123456");
        ASSERT_TRUE(signer);
        signer_.emplace(std::move(signer.value()));
    }

    APNsClient::Options options() {
        APNsClient::Options made;
        made.hosts = APNsHosts{fake_.host("production"), fake_.host("broadcast"), fake_.host("channel")};
        made.http = std::make_shared<CurlHttpTransport>(CurlHttpTransport::Options{fake_.caFile()});
        made.clock = clock_;
        return made;
    }

    std::unique_ptr<APNsClient> directClient() { return std::make_unique<APNsClient>(*signer_, options()); }

    std::unique_ptr<APNsClient> relayClient(const std::string& key = "relay-key") {
        return std::make_unique<APNsClient>(WebUrl::parse(fake_.relayUrl()).value(), key, options());
    }

    TemporaryFolder folder_;
    FakeApns fake_;
    std::shared_ptr<ManualClock> clock_ =
        std::make_shared<ManualClock>(Instant::fromUnixSeconds(1700000000.5));
    std::optional<APNsJWTSigner> signer_;
};

}  // namespace quorvel::testing
