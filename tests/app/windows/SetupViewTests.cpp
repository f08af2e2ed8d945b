// The setup window driven through its real widgets, offscreen: each step's check and button
// follow the model, and Done ends first-run setup for good while closing does not.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/delivery/RelayKeyStore.hpp"
#include "app/windows/hosting/HostedWindow.hpp"
#include "app/windows/setup/SetupView.hpp"
#include "platform/qt/TaskbarPresence.hpp"
#include "tests/app/windows/SettingsWindowSupport.hpp"

namespace quorvel {
namespace {

using testing::AppWindowsTestbed;
using testing::press;
using testing::settle;

class SetupViewTest : public ::testing::Test {
protected:
    void SetUp() override { testing::useProductFonts(); }

    /// The model with the app's real windows, so the setup window is a real one.
    AppModel& makeWithRealWindows() {
        bed.realWindows = true;
        return bed.make();
    }

    static HostedWindow& hosted(WindowHost& host) { return dynamic_cast<HostedWindow&>(host); }

    static bool shown(const std::vector<std::string>& events, const std::string& name) {
        return std::find(events.begin(), events.end(), "show " + name) != events.end();
    }

    TaskbarPresence taskbar;
    AppWindowsTestbed bed;
};

TEST_F(SetupViewTest, StepsFollowTheModel) {
    // The agent's settings file isn't JSON: hooks are in the problem state.
    ASSERT_TRUE(files::createDirectories(bed.home / ".claude"));
    ASSERT_TRUE(files::writeFileAtomically(bed.home / ".claude/settings.json", "[broken"));
    AppModel& model = bed.make();
    SetupView view(bed.sources->setup(), *bed.windows);

    EXPECT_FALSE(view.stepDone(0)) << "a problem is not done";
    EXPECT_EQ(view.stepButton(0)->text(), "Turn on hooks");
    ASSERT_TRUE(files::writeFileAtomically(bed.home / ".claude/settings.json", "{}"));
    press(*view.stepButton(0));
    EXPECT_TRUE(view.stepDone(0));
    EXPECT_EQ(view.stepButton(0)->text(), "Turn off hooks");
    press(*view.stepButton(0));
    EXPECT_FALSE(view.stepDone(0));

    EXPECT_EQ(view.stepButton(1)->text(), "Start at login");
    press(*view.stepButton(1));
    EXPECT_TRUE(view.stepDone(1));
    EXPECT_EQ(view.stepButton(1)->text(), "Stop starting at login");
    press(*view.stepButton(1));
    EXPECT_FALSE(view.stepDone(1));

    press(*view.stepButton(2));
    EXPECT_EQ(bed.recorded.notificationSettingsOpened, 1);

    // A relay is no phone key.
    ASSERT_TRUE(RelayKeyStore::save(bed.keychain->items(), {*WebUrl::parse("https://relay.example/push"), "k"}));
    model.phone().refreshKeys();
    settle();
    ASSERT_TRUE(model.phone().relayURL());
    EXPECT_FALSE(view.stepDone(3));

    press(*view.stepButton(3));
    EXPECT_TRUE(shown(bed.windowRecord.events, "QuorvelSettings"));
}

TEST_F(SetupViewTest, BannersCountOnlyWhenKnownToBeAllowed) {
    EXPECT_FALSE(SetupSnapshot{}.bannersDone()) << "not read yet";
    SetupSnapshot refused;
    refused.bannersAllowed = false;
    EXPECT_FALSE(refused.bannersDone());
    SetupSnapshot allowed;
    allowed.bannersAllowed = true;
    EXPECT_TRUE(allowed.bannersDone());
}

TEST_F(SetupViewTest, DoneStoresSetupShownAndTheNextStartDoesNotShowIt) {
    {
        makeWithRealWindows();
        QWidget* window = hosted(bed.windows->setupWindow()).window();
        ASSERT_NE(window, nullptr) << "shown at the first start";
        EXPECT_TRUE(window->isVisible());
        auto* view = window->findChild<SetupView*>();
        ASSERT_NE(view, nullptr);
        press(*view->doneButton());
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(bed.defaults->boolValue("setupShown"), true);
        bed.reset();
    }
    bed.realWindows = false;
    bed.make();
    EXPECT_FALSE(shown(bed.windowRecord.events, "QuorvelSetup"));
}

TEST_F(SetupViewTest, ReturnActsAsDone) {
    makeWithRealWindows();
    QWidget* window = hosted(bed.windows->setupWindow()).window();
    ASSERT_NE(window, nullptr);
    auto* view = window->findChild<SetupView*>();
    // Whatever button has the focus, Return means Done.
    QPushButton* focused = view->stepButton(2);
    focused->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(focused, &enter);
    settle();
    EXPECT_EQ(bed.recorded.notificationSettingsOpened, 0);
    EXPECT_EQ(bed.defaults->boolValue("setupShown"), true);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SetupViewTest, ClosingWithoutDoneShowsSetupAgainAtTheNextStart) {
    {
        makeWithRealWindows();
        QWidget* window = hosted(bed.windows->setupWindow()).window();
        ASSERT_NE(window, nullptr);
        window->close();
        settle();
        EXPECT_FALSE(bed.defaults->contains("setupShown"));
        bed.reset();
    }
    bed.realWindows = false;
    bed.make();
    EXPECT_TRUE(shown(bed.windowRecord.events, "QuorvelSetup"));
}

/// Every label and button of `window` that shows, with what would be cut of it: a label lower
/// than its words need at its width, a button smaller than its words.
std::vector<std::string> clipped(const QWidget& window) {
    std::vector<std::string> cut;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&window) || label->text().isEmpty()) continue;
        const int needs = label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        if (label->height() < needs) {
            cut.push_back(label->text().toStdString() + " (" + std::to_string(label->height()) + " of " +
                          std::to_string(needs) + ")");
        }
    }
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        if (!button->isVisibleTo(&window)) continue;
        const QSize needs = button->sizeHint();
        if (button->height() < needs.height() || button->width() < needs.width()) {
            cut.push_back(button->text().toStdString());
        }
    }
    return cut;
}

TEST_F(SetupViewTest, NoLabelIsClippedWhenALineAppearsOrAButtonChangesItsWords) {
    ASSERT_TRUE(files::createDirectories(bed.home / ".claude"));
    ASSERT_TRUE(files::writeFileAtomically(bed.home / ".claude/settings.json", "{}"));
    makeWithRealWindows();
    QWidget* window = hosted(bed.windows->setupWindow()).window();
    ASSERT_NE(window, nullptr);
    auto* view = window->findChild<SetupView*>();
    ASSERT_NE(view, nullptr);
    settle();
    EXPECT_EQ(clipped(*window), std::vector<std::string>{});
    const int before = window->height();

    // Banners can't be opened here: the line naming who manages them appears.
    bed.recorded.notificationSettingsAnswer =
        unexpected(NotificationCenter::SettingsUnavailable{"no notification settings program is known", "dunst"});
    press(*view->stepButton(2));
    settle();
    ASSERT_TRUE(view->bannerNote()->isVisibleTo(window));
    EXPECT_EQ(clipped(*window), std::vector<std::string>{});
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(window->height() > before || window->height() >= screen.height() - 1)
        << "the window grows with its content, up to the screen";

    press(*view->stepButton(0));
    settle();
    ASSERT_EQ(view->stepButton(0)->text(), "Turn off hooks");
    press(*view->stepButton(1));
    settle();
    ASSERT_EQ(view->stepButton(1)->text(), "Stop starting at login");
    EXPECT_EQ(clipped(*window), std::vector<std::string>{});

    // The line goes once the settings open; the window follows it back.
    bed.recorded.notificationSettingsAnswer = std::string("xfce4-notifyd-config");
    press(*view->stepButton(2));
    settle();
    ASSERT_FALSE(view->bannerNote()->isVisibleTo(window));
    EXPECT_EQ(clipped(*window), std::vector<std::string>{});
    EXPECT_LE(window->height(), std::max(before, 1));
}

}  // namespace
}  // namespace quorvel
