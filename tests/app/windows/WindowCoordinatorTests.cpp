// The window coordinator over recording windows and a defaults file: no model, no screen.
#include "app/assembly/WindowCoordinator.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/app/model/AppModelTestbed.hpp"
#include "tests/app/windows/RecordingWindowFactory.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::RecordingWindowFactory;
using testing::settle;
using testing::TemporaryFolder;
using testing::WindowRecord;

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

class WindowCoordinatorTest : public ::testing::Test {
protected:
    std::unique_ptr<WindowCoordinator> make() {
        auto made = std::make_unique<WindowCoordinator>(std::make_unique<RecordingWindowFactory>(record), defaults);
        settle();
        return made;
    }

    TemporaryFolder home;
    std::shared_ptr<KeyValueStore> defaults = std::make_shared<KeyValueStore>(home / "defaults.json");
    WindowRecord record;
};

TEST_F(WindowCoordinatorTest, StoredWindowFlagsDecideWhatIsShownAtStart) {
    struct Case {
        const char* name;
        std::function<void(KeyValueStore&)> store;
        bool device;
        bool strip;
        bool setup;
    };
    const Case cases[] = {
        {"nothing stored", [](KeyValueStore&) {}, true, false, true},
        {"device hidden", [](KeyValueStore& d) { d.setBool("deviceVisible", false); }, false, false, true},
        {"the word false is no Boolean", [](KeyValueStore& d) { d.setString("deviceVisible", "false"); }, true, false,
         true},
        {"strip shown", [](KeyValueStore& d) { d.setBool("stripVisible", true); }, true, true, true},
        {"setup done", [](KeyValueStore& d) { d.setBool("setupShown", true); }, true, false, false},
    };
    for (const Case& c : cases) {
        TemporaryFolder folder;
        defaults = std::make_shared<KeyValueStore>(folder / "defaults.json");
        record = {};
        c.store(*defaults);
        auto windows = std::make_unique<WindowCoordinator>(std::make_unique<RecordingWindowFactory>(record), defaults);
        EXPECT_TRUE(record.events.empty()) << c.name << ": nothing before the start-up queued so far";
        settle();
        EXPECT_EQ(contains(record.events, "show device"), c.device) << c.name;
        EXPECT_EQ(contains(record.events, "show strip"), c.strip) << c.name;
        EXPECT_EQ(contains(record.events, "show QuorvelSetup"), c.setup) << c.name;
        EXPECT_EQ(windows->deviceVisible(), c.device) << c.name;
        EXPECT_EQ(windows->stripVisible(), c.strip) << c.name;
    }
}

TEST_F(WindowCoordinatorTest, FirstStartShowsTheDeviceThenTheSetupWindowMadeOnce) {
    auto windows = make();
    EXPECT_EQ(record.events,
              (std::vector<std::string>{"make device", "show device", "make QuorvelSetup", "show QuorvelSetup"}));
    ASSERT_EQ(record.hosted.size(), 1u);
    EXPECT_EQ(record.hosted[0], (WindowFactory::HostedWindowSpec{WindowFactory::HostedWindowSpec::Content::setup,
                                                                 "Set up Quorvel", "QuorvelSetup"}));
    EXPECT_EQ(defaults->boolValue("deviceVisible"), std::optional<bool>(true));

    windows->showSettings();
    windows->showSettings();
    windows->showFinished();
    ASSERT_EQ(record.hosted.size(), 3u) << "each window is made once";
    EXPECT_EQ(record.hosted[1].title, "Quorvel settings");
    EXPECT_EQ(record.hosted[2], (WindowFactory::HostedWindowSpec{WindowFactory::HostedWindowSpec::Content::finished,
                                                                 "Finished", "QuorvelFinished"}));

    windows->finishSetup();
    EXPECT_EQ(record.events.back(), "hide QuorvelSetup");
    EXPECT_EQ(defaults->boolValue("setupShown"), std::optional<bool>(true));
}

TEST_F(WindowCoordinatorTest, HidingAndShowingIsRememberedAndAnnouncedOnlyWhenItDiffers) {
    defaults->setBool("setupShown", true);
    auto windows = make();
    int announcements = 0;
    QObject::connect(windows.get(), &WindowNavigator::visibilityChanged, [&] { ++announcements; });
    record.events.clear();

    windows->setStripVisible(false);  // never made: nothing to hide
    windows->setDeviceVisible(false);
    EXPECT_EQ(record.events, (std::vector<std::string>{"hide device"}));
    EXPECT_FALSE(windows->deviceVisible());
    EXPECT_EQ(defaults->boolValue("deviceVisible"), std::optional<bool>(false));
    EXPECT_EQ(defaults->boolValue("stripVisible"), std::optional<bool>(false));
    EXPECT_EQ(announcements, 1);

    windows->setStripVisible(true);
    windows->setStripVisible(true);  // shown again, brought to the front: no news
    EXPECT_EQ(announcements, 2);
    EXPECT_EQ(record.events.back(), "show strip");
}

TEST_F(WindowCoordinatorTest, WindowsThatGoAsTheAppEndsAreNoChoiceOfTheUsers) {
    defaults->setBool("stripVisible", true);
    auto windows = make();
    windows->appEnding();
    windows->setDeviceVisible(false);
    windows->setStripVisible(false);
    EXPECT_EQ(defaults->boolValue("deviceVisible"), std::optional<bool>(true));
    EXPECT_EQ(defaults->boolValue("stripVisible"), std::optional<bool>(true));
    EXPECT_TRUE(windows->deviceVisible());
    EXPECT_TRUE(windows->stripVisible());
}

}  // namespace
}  // namespace quorvel
