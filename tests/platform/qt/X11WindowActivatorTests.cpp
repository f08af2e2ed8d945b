#include "platform/qt/X11WindowActivator.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <xcb/xcb.h>

#include "tests/platform/qt/DesktopPeers.hpp"

namespace quorvel {
namespace {

// A window manager of our own on the private X display: it lists the windows it made in
// _NET_CLIENT_LIST and catches the _NET_ACTIVE_WINDOW requests sent to the root window.
class FakeWindowManager {
public:
    FakeWindowManager() {
        int screenNumber = 0;
        connection_ = xcb_connect(nullptr, &screenNumber);
        if (!connected()) return;
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (int index = 0; index < screenNumber; ++index) xcb_screen_next(&screens);
        root_ = screens.data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        free(xcb_request_check(connection_, xcb_change_window_attributes_checked(connection_, root_, XCB_CW_EVENT_MASK, &mask)));
        netActiveWindow = atom("_NET_ACTIVE_WINDOW");
        setAtoms(root_, "_NET_SUPPORTED", XCB_ATOM_ATOM, {netActiveWindow, atom("_NET_CLIENT_LIST")});
        setAtoms(root_, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, {});
    }
    ~FakeWindowManager() {
        if (!connected()) {
            xcb_disconnect(connection_);
            return;
        }
        xcb_delete_property(connection_, root_, atom("_NET_SUPPORTED"));
        xcb_delete_property(connection_, root_, atom("_NET_CLIENT_LIST"));
        for (const xcb_window_t window : windows_) xcb_destroy_window(connection_, window);
        xcb_disconnect(connection_);
    }

    bool connected() const { return xcb_connection_has_error(connection_) == 0; }

    struct Title {
        std::string text;
        bool legacy = false;  // WM_NAME in Latin-1 instead of _NET_WM_NAME
    };

    xcb_window_t addWindow(std::string_view instance, std::string_view windowClass, std::optional<Title> title) {
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 100, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        std::string classHint = std::string(instance) + '\0' + std::string(windowClass) + '\0';
        set(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, classHint.data(), classHint.size());
        if (title && title->legacy) {
            set(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, title->text.data(), title->text.size());
        } else if (title) {
            set(window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, title->text.data(), title->text.size());
        }
        windows_.push_back(window);
        setAtoms(root_, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, windows_);
        return window;
    }

    void withdrawActivationSupport() { setAtoms(root_, "_NET_SUPPORTED", XCB_ATOM_ATOM, {atom("_NET_CLIENT_LIST")}); }

    /// The windows asked to come forward since the last call, with their source indication.
    std::vector<std::pair<xcb_window_t, std::uint32_t>> activationRequests() {
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        std::vector<std::pair<xcb_window_t, std::uint32_t>> requests;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->type == netActiveWindow) requests.emplace_back(message->window, message->data.data32[0]);
            }
            free(event);
        }
        return requests;
    }

    xcb_atom_t netActiveWindow = XCB_ATOM_NONE;

private:
    xcb_atom_t atom(std::string_view name) {
        auto* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr);
        if (reply == nullptr) return XCB_ATOM_NONE;
        const xcb_atom_t found = reply->atom;
        free(reply);
        return found;
    }
    void set(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, std::uint8_t format, const void* data,
             std::size_t count) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, property, type, format,
                            static_cast<std::uint32_t>(count), data);
    }
    void setAtoms(xcb_window_t window, std::string_view name, xcb_atom_t type, const std::vector<std::uint32_t>& values) {
        set(window, atom(name), type, 32, values.data(), values.size());
        xcb_flush(connection_);
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    std::vector<xcb_window_t> windows_;
};

class X11WindowActivatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUORVEL_SKIP_WITHOUT_PRIVATE_DISPLAY();
        manager = std::make_unique<FakeWindowManager>();
        ASSERT_TRUE(manager->connected()) << "no connection to the private display " << privateDisplay;
        activator = X11WindowActivator(onDisplay(privateDisplay));
    }

    // The session is handed over rather than set in the environment: other threads of this
    // process (Qt's, D-Bus's) read the environment, and changing it under them can crash them.
    static X11WindowActivator::Session onDisplay(std::string display) { return {std::move(display), ""}; }

    const std::string privateDisplay = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
    std::unique_ptr<FakeWindowManager> manager;
    X11WindowActivator activator;
};

TEST_F(X11WindowActivatorTest, RaisesTheFirstWindowOfTheClassWhoseTitleNamesTheFolder) {
    manager->addWindow("Navigator", "firefox", FakeWindowManager::Title{"site - Mozilla Firefox"});
    const xcb_window_t other = manager->addWindow("kitty", "kitty", FakeWindowManager::Title{"u@h: ~/other"});
    const xcb_window_t site = manager->addWindow("kitty", "kitty", FakeWindowManager::Title{"u@h: ~/code/Site"});
    manager->addWindow("kitty", "kitty", FakeWindowManager::Title{"u@h: ~/site-two"});

    const auto activated = activator.activate({"KITTY"}, "site");
    ASSERT_TRUE(activated) << activated.error().message;
    EXPECT_TRUE(*activated);
    EXPECT_EQ(manager->activationRequests(), (std::vector<std::pair<xcb_window_t, std::uint32_t>>{{site, 2u}}));

    // Without a folder, any window of the class.
    ASSERT_TRUE(activator.activate({"kitty"}, "").value());
    EXPECT_EQ(manager->activationRequests(), (std::vector<std::pair<xcb_window_t, std::uint32_t>>{{other, 2u}}));
}

TEST_F(X11WindowActivatorTest, MatchesEitherPartOfTheClassAndLegacyTitles) {
    const xcb_window_t code = manager->addWindow("code", "Code", FakeWindowManager::Title{"caf\xE9 - Visual Studio Code", true});
    const auto activated = activator.activate({"code"}, "Caf\u00C9");
    ASSERT_TRUE(activated) << activated.error().message;
    EXPECT_TRUE(*activated);
    EXPECT_EQ(manager->activationRequests().front().first, code);
}

TEST_F(X11WindowActivatorTest, NoMatchingWindowIsNoError) {
    manager->addWindow("kitty", "kitty", FakeWindowManager::Title{"u@h: ~/other"});
    manager->addWindow("kitty", "kitty", std::nullopt);
    const auto byTitle = activator.activate({"kitty"}, "site");
    ASSERT_TRUE(byTitle);
    EXPECT_FALSE(*byTitle);
    const auto byClass = activator.activate({"alacritty"}, "");
    ASSERT_TRUE(byClass);
    EXPECT_FALSE(*byClass);
    EXPECT_TRUE(manager->activationRequests().empty());
}

TEST_F(X11WindowActivatorTest, ReportsWhyWindowsCantBeRaised) {
    manager->addWindow("kitty", "kitty", FakeWindowManager::Title{"site"});
    manager->withdrawActivationSupport();
    const auto noSupport = activator.activate({"kitty"}, "site");
    ASSERT_FALSE(noSupport);
    EXPECT_EQ(noSupport.error().message, "the window manager doesn't let apps bring windows forward");

    const auto wayland = X11WindowActivator({privateDisplay, "wayland-0"}).activate({"kitty"}, "site");
    ASSERT_FALSE(wayland);

    const auto noDisplay = X11WindowActivator(onDisplay(":9999")).activate({"kitty"}, "site");
    ASSERT_FALSE(noDisplay);
    EXPECT_EQ(noDisplay.error().message, "no X11 display to look for windows on");
    EXPECT_TRUE(manager->activationRequests().empty());
}

}  // namespace
}  // namespace quorvel
