// A log-out as an X session manager runs it, with the built app on the virtual display of this
// test's CTest entry: the manager's save request, then the end of the process, which need not
// wait for the app's event loop (the display goes away, or the manager ends what is left).
// What the user saw and did until the request is what the next start has.
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/Session.hpp"
#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/views/device/DeviceView.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/stores/KeyValueStore.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/FakeSessionManager.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"
#include "tests/support/TemporaryFolder.hpp"
#include "tests/support/X11Input.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;

int postedStatus(const Endpoint& endpoint, const std::string& session, const std::string& name,
                 std::optional<std::string> prompt = std::nullopt) {
    HookEvent event = HookEvent::make(name, session, static_cast<double>(std::time(nullptr)));
    event.cwd = "/work/site";
    event.termProgram = "xterm";
    event.promptFirstLine = std::move(prompt);
    const auto status = post(json::dump(event.encode()), endpoint, 5.0);
    return status ? *status : 0;
}

std::string sessionsFile(const testing::AppProcess& app) {
    return testing::fileText(files::joinPath(app.paths().appSupport(), "sessions.json"));
}

/// The endpoint once the app serves on it, the session manager's requests answered meanwhile;
/// absent when it didn't serve within 30 s.
std::optional<Endpoint> servingEndpoint(testing::FakeSessionManager& manager, const testing::AppProcess& app) {
    std::optional<Endpoint> endpoint;
    manager.pumpUntil([&] { return (endpoint = app.servingEndpoint()).has_value(); }, 30s);
    return endpoint;
}

/// The sessions the app saved, as the next start reads them; empty when there is no file.
std::vector<Session> savedSessions(const testing::AppProcess& app) {
    std::vector<Session> sessions;
    const auto text = files::readFile(files::joinPath(app.paths().appSupport(), "sessions.json"));
    if (!text) return sessions;
    try {
        const json::Json saved = json::parse(*text);
        for (const json::Json& element : saved.at("sessions")) sessions.push_back(Session::decode(element));
    } catch (const std::exception&) {
        sessions.clear();
    }
    return sessions;
}

std::optional<Session> savedSession(const testing::AppProcess& app, const std::string& id) {
    for (Session& session : savedSessions(app)) {
        if (session.id == id) return session;
    }
    return std::nullopt;
}

bool savedIn(const testing::AppProcess& app, const std::string& id, SessionState::Kind kind) {
    const auto session = savedSession(app, id);
    return session && session->state.is(kind);
}

/// Where SEEN IT lies on the screen, on the device window placed at `device`.
std::pair<int, int> seenItKeyOn(const testing::X11Input::Rect& device) {
    const DeviceView view(DeviceSamples::display("done", Instant::fromUnixSeconds(1'800'000'000)),
                          DeviceControls::standard(), DeviceView::Actions{}, std::nullopt,
                          FaceMoment::still(Instant::fromUnixSeconds(1'800'000'000)));
    const QRectF controls = DeviceView::layout().controls;
    const QPointF centre = controls.topLeft() + view.controlPanel().layout(controls.width()).seenItKey.center();
    // The device is drawn smaller as a whole on a screen lower than itself.
    const double scale = device.width / DeviceView::size().width();
    return {device.x + static_cast<int>(centre.x() * scale), device.y + static_cast<int>(centre.y() * scale)};
}

TEST(AppLogOutTests, TheSaveRequestKeepsADismissAndTheRunsInProgressThoughTheProcessIsKilledRightAfter) {
    testing::X11Input x11;
    ASSERT_TRUE(x11.connected()) << "needs a display (xvfb-run)";
    testing::FakeSessionManager manager;
    ASSERT_FALSE(manager.networkID().empty()) << "no session manager socket";
    testing::ScopedEnvironmentVariable sessionManager("SESSION_MANAGER", manager.networkID());

    testing::TemporaryFolder home;
    testing::RuntimeFolder runtime;
    KeyValueStore(home / ".config/quorvel/defaults.json").setBool("setupShown", true);
    testing::AppProcess app(QUORVEL_APP, home.path(), runtime.path());
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(manager.pumpUntil([&] { return manager.registeredClients() == 1; }, 30s))
        << "the app never joined the session\n"
        << app.logText();
    std::optional<Endpoint> endpoint = servingEndpoint(manager, app);
    ASSERT_TRUE(endpoint) << app.logText();

    // One run done, to be acknowledged, and one in progress, both saved as usual.
    ASSERT_EQ(postedStatus(*endpoint, "done", "UserPromptSubmit", "the finished run"), 202);
    ASSERT_EQ(postedStatus(*endpoint, "done", "Stop"), 202);
    ASSERT_EQ(postedStatus(*endpoint, "going", "UserPromptSubmit", "the run in progress"), 202);
    ASSERT_TRUE(manager.pumpUntil(
        [&] {
            return savedIn(app, "done", SessionState::Kind::done) &&
                   savedIn(app, "going", SessionState::Kind::running);
        },
        30s))
        << sessionsFile(app) << "\n"
        << app.logText();

    // SEEN IT on the device acknowledges the done run, once the device shows it: the face
    // follows the model within a tenth of a second, and may still be on its way when the file
    // is written.
    manager.pump(300ms);
    std::optional<testing::X11Input::Rect> device;
    ASSERT_TRUE(manager.pumpUntil([&] { return (device = x11.placeOf("Quorvel")).has_value(); }, 30s))
        << ::testing::PrintToString(x11.shownTitles());
    const auto [x, y] = seenItKeyOn(*device);
    x11.movePointer(x, y);
    x11.pressButton();
    x11.releaseButton();
    manager.pump(500ms);
    // A run started just before the log-out, while a save of the sessions waits for its turn.
    ASSERT_EQ(postedStatus(*endpoint, "last", "UserPromptSubmit", "the last prompt"), 202);
    manager.pump(100ms);

    manager.requestLogOutSave();
    ASSERT_TRUE(manager.pumpUntil([&] { return manager.savesDone() == 1; }, 30s)) << app.logText();
    ::kill(app.pid(), SIGKILL);
    ASSERT_EQ(app.waitForExit(10s), std::optional<int>(-1));

    const auto acknowledged = savedSession(app, "done");
    ASSERT_TRUE(acknowledged) << app.logText();
    EXPECT_TRUE(acknowledged->state.is(SessionState::Kind::idle)) << acknowledged->state.encode().dump();
    for (const auto& [id, title] : {std::pair<std::string, std::string>{"going", "the run in progress"},
                                    std::pair<std::string, std::string>{"last", "the last prompt"}}) {
        const auto session = savedSession(app, id);
        ASSERT_TRUE(session) << id << "\n" << app.logText();
        EXPECT_TRUE(session->state.is(SessionState::Kind::running)) << id;
        ASSERT_TRUE(session->run) << id;
        EXPECT_EQ(session->run->title, title);
    }

    // The next start takes them back: the last run ends with its title.
    ASSERT_TRUE(app.start());
    endpoint = servingEndpoint(manager, app);
    ASSERT_TRUE(endpoint) << app.logText();
    ASSERT_EQ(postedStatus(*endpoint, "last", "Stop"), 202);
    EXPECT_TRUE(manager.pumpUntil(
        [&] {
            const std::vector<FinishedRun> runs = app.finished();
            return !runs.empty() && runs.front().title == "the last prompt";
        },
        30s))
        << app.logText();
    EXPECT_EQ(app.terminate(), std::optional<int>(0));
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The layout of the device is measured with the app's fonts, on a platform of this process
    // alone: the app it starts gets the display of the test's environment.
    std::vector<char*> arguments{argv[0], const_cast<char*>("-platform"), const_cast<char*>("offscreen"), nullptr};
    int count = 3;
    QGuiApplication application(count, arguments.data());
    quorvel::Fonts::registerOnce(QUORVEL_FONTS);
    return RUN_ALL_TESTS();
}
