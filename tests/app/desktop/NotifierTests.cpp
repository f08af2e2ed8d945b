#include "app/desktop/Notifier.hpp"

#include <gtest/gtest.h>

#include "tests/support/DesktopServiceLog.hpp"

namespace quorvel {
namespace {

using Banner = NotificationCenter::Banner;
using Level = Banner::InterruptionLevel;
using testing::DesktopServiceLog;

class FakeNotificationCenter final : public NotificationCenter {
public:
    std::vector<Banner> added;
    std::vector<std::string> removed;
    std::optional<std::string> addFailure;
    Expected<bool, DesktopError> authorization = true;
    bool allowed = true;
    int settingsOpened = 0;
    Expected<std::string, SettingsUnavailable> settingsAnswer = std::string("gnome-control-center notifications");

    void requestAuthorization(AuthorizationCompletion completion) override { completion(authorization); }
    void bannersAllowed(AllowedCompletion completion) override { completion(allowed); }
    void add(const Banner& banner, AddCompletion completion) override {
        added.push_back(banner);
        if (addFailure) {
            completion(unexpected(DesktopError{*addFailure}));
        } else {
            completion({});
        }
    }
    void remove(const std::string& identifier) override { removed.push_back(identifier); }
    void openSettings(OpenSettingsCompletion completion) override {
        ++settingsOpened;
        completion(settingsAnswer);
    }
};

Alert alert(Alert::Kind kind, std::string session = "s1", std::optional<std::string> detail = "site \u00B7 4m") {
    Alert made;
    made.kind = kind;
    made.sessionID = std::move(session);
    made.headline = {"DONE.", "GO LOOK."};
    made.detail = std::move(detail);
    made.project = "site";
    return made;
}

TEST(NotifierTest, BannersCarryTheHeadlineDetailSessionAndLevelOfTheirKind) {
    const std::vector<std::pair<Alert::Kind, std::optional<Level>>> cases = {
        {Alert::Kind::done, Level::active},
        {Alert::Kind::needsYou, Level::timeSensitive},
        {Alert::Kind::crashed, Level::active},
        {Alert::Kind::broke, std::nullopt},
        {Alert::Kind::longRun, std::nullopt},
    };
    for (const auto& [kind, level] : cases) {
        const auto banner = Notifier::banner(alert(kind));
        ASSERT_EQ(banner.has_value(), level.has_value()) << rawValue(kind);
        if (!banner) continue;
        EXPECT_EQ(banner->title, "DONE. GO LOOK.");
        EXPECT_EQ(banner->body, "site \u00B7 4m");
        EXPECT_EQ(banner->threadIdentifier, "s1");
        EXPECT_EQ(banner->interruptionLevel, *level) << rawValue(kind);
    }
    EXPECT_EQ(Notifier::banner(alert(Alert::Kind::done, "s1", std::nullopt))->body, "");
}

TEST(NotifierTest, EachBannerHasANewIdentifierAndBannersOfASessionShareTheirThread) {
    const auto first = Notifier::banner(alert(Alert::Kind::done));
    const auto second = Notifier::banner(alert(Alert::Kind::needsYou));
    EXPECT_EQ(first->threadIdentifier, second->threadIdentifier);
    EXPECT_NE(first->identifier, second->identifier);
    EXPECT_EQ(first->identifier.size(), 36u);
}

class NotifierServiceTest : public ::testing::Test {
protected:
    NotifierServiceTest() {
        auto owned = std::make_unique<FakeNotificationCenter>();
        center = owned.get();
        notifier = std::make_unique<Notifier>(std::move(owned));
    }

    DesktopServiceLog log;
    FakeNotificationCenter* center = nullptr;
    std::unique_ptr<Notifier> notifier;
};

TEST_F(NotifierServiceTest, PostsOnlyTheKindsThatGetABanner) {
    notifier->post(alert(Alert::Kind::broke));
    notifier->post(alert(Alert::Kind::longRun));
    EXPECT_TRUE(center->added.empty());

    notifier->post(alert(Alert::Kind::crashed));
    ASSERT_EQ(center->added.size(), 1u);
    EXPECT_EQ(center->added[0].title, "DONE. GO LOOK.");
    EXPECT_TRUE(log.lines("Notifier").empty());
}

TEST_F(NotifierServiceTest, OnlyANeedsYouBannerIsTakenBackOnceItsSessionNoLongerWaits) {
    const auto session = [](SessionState state) {
        Session made;
        made.state = std::move(state);
        return made;
    };
    notifier->post(alert(Alert::Kind::needsYou, "s1"));
    notifier->post(alert(Alert::Kind::needsYou, "s2"));
    notifier->post(alert(Alert::Kind::done, "s3"));
    notifier->post(alert(Alert::Kind::crashed, "s4"));
    ASSERT_EQ(center->added.size(), 4u);

    // s1 still waits; s2's session is gone; the done and crashed ones stay though theirs moved on.
    notifier->withdrawStale({{"s1", session(SessionState::needsYou("again"))},
                             {"s3", session(SessionState::running(quorvel::Run{}))}});
    EXPECT_EQ(center->removed, std::vector<std::string>{center->added[1].identifier});
    // The user answered s1 and the agent runs on.
    notifier->withdrawStale({{"s1", session(SessionState::running(quorvel::Run{}))}});
    EXPECT_EQ(center->removed, (std::vector<std::string>{center->added[1].identifier, center->added[0].identifier}));
    // Each only once.
    notifier->withdrawStale({});
    EXPECT_EQ(center->removed.size(), 2u);
}

TEST_F(NotifierServiceTest, ALaterBannerOfASessionTakesBackItsQuestionButNothingElse) {
    notifier->post(alert(Alert::Kind::needsYou));
    notifier->post(alert(Alert::Kind::needsYou));
    notifier->post(alert(Alert::Kind::crashed));
    notifier->post(alert(Alert::Kind::done));
    ASSERT_EQ(center->added.size(), 4u);
    EXPECT_EQ(center->removed, (std::vector<std::string>{center->added[0].identifier, center->added[1].identifier}));
}

TEST_F(NotifierServiceTest, ABannerThatCantBeShownIsLogged) {
    center->addFailure = "The name org.freedesktop.Notifications was not provided by any .service files";
    notifier->post(alert(Alert::Kind::done));
    EXPECT_EQ(log.lines("Notifier"),
              (std::vector<std::string>{"error Couldn't post banner: The name org.freedesktop.Notifications was "
                                        "not provided by any .service files"}));
}

TEST_F(NotifierServiceTest, PermissionAnswersAndFailuresAreLoggedAndTheCallerGoesOn) {
    int continued = 0;
    notifier->requestPermission([&] { ++continued; });
    center->authorization = false;
    notifier->requestPermission([&] { ++continued; });
    center->authorization = unexpected(DesktopError{"No D-Bus session bus"});
    notifier->requestPermission([&] { ++continued; });
    notifier->requestPermission();

    EXPECT_EQ(continued, 3);
    EXPECT_EQ(log.lines("Notifier"), (std::vector<std::string>{
                                         "info Notification permission granted: true",
                                         "info Notification permission granted: false",
                                         "error Notification permission request failed: No D-Bus session bus",
                                         "error Notification permission request failed: No D-Bus session bus",
                                     }));
}

TEST_F(NotifierServiceTest, NotificationSettingsOpenOrTheLineSaysWhoManagesTheBanners) {
    struct Case {
        const char* name;
        Expected<std::string, NotificationCenter::SettingsUnavailable> answer;
        std::optional<std::string> line;
        std::string logged;
    };
    const Case cases[] = {
        {"a tool started", std::string("cinnamon-settings notifications"), std::nullopt,
         "info Opened the desktop's notification settings: cinnamon-settings notifications"},
        {"no tool, a service answers",
         unexpected(NotificationCenter::SettingsUnavailable{"no notification settings program is known for the desktop "
                                                            "sway",
                                                            "mako"}),
         "Banners are managed by the desktop's notification service (mako).",
         "error Couldn't open the desktop's notification settings: no notification settings program is known for the "
         "desktop sway"},
        {"no tool, no service",
         unexpected(NotificationCenter::SettingsUnavailable{"couldn't start /usr/bin/gnome-control-center",
                                                            std::nullopt}),
         "Banners are managed by the desktop's notification service, and none is running.",
         "error Couldn't open the desktop's notification settings: couldn't start /usr/bin/gnome-control-center"},
    };
    for (const Case& c : cases) {
        DesktopServiceLog caseLog;
        center->settingsAnswer = c.answer;
        std::optional<std::optional<std::string>> shown;
        notifier->openNotificationSettings([&](std::optional<std::string> line) { shown = std::move(line); });
        ASSERT_TRUE(shown.has_value()) << c.name;
        EXPECT_EQ(*shown, c.line) << c.name;
        EXPECT_EQ(caseLog.lines("Notifier"), std::vector<std::string>{c.logged}) << c.name;
    }
}

}  // namespace
}  // namespace quorvel
