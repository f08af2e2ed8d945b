#include "app/instance/AppNotifications.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel {
namespace {

TEST(AppNotifications, PostReachesTheObserversOfThatNameInOrder) {
    AppNotifications center;
    std::vector<std::string> calls;
    center.addObserver(AppNotifications::dockIconClicked, [&] { calls.push_back("dock 1"); });
    center.addObserver(AppNotifications::phoneRecordsChanged, [&] { calls.push_back("phone"); });
    center.addObserver(AppNotifications::dockIconClicked, [&] { calls.push_back("dock 2"); });

    center.post(AppNotifications::dockIconClicked);
    EXPECT_EQ(calls, (std::vector<std::string>{"dock 1", "dock 2"}));
    calls.clear();
    center.post("nobody listens");
    EXPECT_TRUE(calls.empty());
}

TEST(AppNotifications, RemovedObserversHearNoMore) {
    AppNotifications center;
    int heard = 0;
    const auto id = center.addObserver("name", [&] { ++heard; });
    center.post("name");
    center.removeObserver(id);
    center.removeObserver(id + 100);
    center.post("name");
    EXPECT_EQ(heard, 1);
}

TEST(AppNotifications, ObserversMayChangeTheCenterWhileItPosts) {
    AppNotifications center;
    int later = 0;
    AppNotifications::ObserverID self = 0;
    self = center.addObserver("name", [&] {
        center.removeObserver(self);
        center.addObserver("name", [&] { ++later; });
    });
    center.post("name");
    EXPECT_EQ(later, 0);
    center.post("name");
    EXPECT_EQ(later, 1);
}

TEST(AppNotifications, TheDefaultCenterIsOneForTheProcess) {
    EXPECT_EQ(&AppNotifications::defaultCenter(), &AppNotifications::defaultCenter());
    EXPECT_EQ(AppNotifications::phoneRecordsChanged, "QuorvelPhoneRecordsChanged");
    EXPECT_EQ(AppNotifications::dockIconClicked, "QuorvelDockIconClicked");
}

}  // namespace
}  // namespace quorvel
