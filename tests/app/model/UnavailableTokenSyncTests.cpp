#include "app/model/UnavailableTokenSync.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(UnavailableTokenSyncTests, AccountStatusesNameThemselvesAndEveryCallFails) {
    const std::pair<int, const char*> statuses[] = {
        {0, "could not determine"}, {2, "restricted"}, {3, "no account"}, {4, "temporarily unavailable"},
        {7, "status 7"}};
    for (const auto& [status, text] : statuses) {
        EXPECT_EQ(TokenSync::Problem::noAccount(status).text, text);
    }
    UnavailableTokenSync sync;
    const TokenSync::Failure expected{"iCloud isn't available (no account). Sign in to iCloud on both devices."};
    EXPECT_EQ(sync.ensureSubscription().error(), expected);
    EXPECT_EQ(sync.fetchChanges().error(), expected);
    EXPECT_EQ(sync.acknowledge(MacAck{}).error(), expected);
    EXPECT_EQ(sync.publishLists(ListMirror{}).error(), expected);
    EXPECT_TRUE(sync.takeTestRequests().empty());
}

}  // namespace
}  // namespace quorvel
