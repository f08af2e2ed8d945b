// What the built app's log costs under floods it doesn't control: requests turned away by the
// event server (a wrong token, events that don't decode) sent as fast as a local process can,
// and the copies of every event a paused app finds both posted and spooled when it goes on.
// Each kind is said once, then as a count; the counts still unsaid are said when the app
// ends. The built app and helper as processes, headless, in a throw-away home on a private
// session bus (see the CTest entry).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "hook/LoopbackPost.hpp"
#include "tests/support/AgentPayloads.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/HelperAndAppTest.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testing::waitFor;

/// The lines of `log` that hold `text`.
std::vector<std::string> linesWith(const std::string& log, const std::string& text) {
    std::vector<std::string> found;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(text) != std::string::npos) found.push_back(line);
    }
    return found;
}

/// Runs `count` posts of `body` with `token` from four threads: how many were answered `status`.
int postMany(const Endpoint& serving, const std::string& token, const std::string& body, int count, int status) {
    std::atomic<int> next = 0;
    std::atomic<int> answered = 0;
    std::vector<std::thread> senders;
    for (int thread = 0; thread < 4; ++thread) {
        senders.emplace_back([&] {
            const Endpoint endpoint{serving.port, token};
            while (next.fetch_add(1) < count) {
                const auto reply = post(body, endpoint, 5.0);
                if (reply && *reply == status) ++answered;
            }
        });
    }
    for (std::thread& sender : senders) sender.join();
    return answered.load();
}

class AppLogFloodTest : public testing::HelperAndAppTest {
protected:
    void TearDown() override {
        app.resume();
        app.stop();
        appCopies.killAll();
    }

    std::optional<Endpoint> startServing() { return app.startServing(); }
};

TEST_F(AppLogFloodTest, RefusedRequestsAreSaidOnceAKindThenCounted) {
    const std::optional<Endpoint> serving = startServing();
    ASSERT_TRUE(serving) << app.logText();
    const std::size_t before = app.logText().size();

    ASSERT_EQ(postMany(*serving, "not-the-token", "{}", 5000, 401), 5000);
    ASSERT_EQ(postMany(*serving, serving->token, "{\"not\": \"an event\"}", 200, 400), 200);
    // The next request the server takes comes after every one of those.
    ASSERT_EQ(postMany(*serving, "not-the-token", "{}", 1, 401), 1);

    const std::string log = app.logText();
    EXPECT_LT(log.size() - before, 20'000u);
    EXPECT_EQ(linesWith(log, "Rejected a request with a missing or wrong token").size(), 1u) << log;
    EXPECT_EQ(linesWith(log, "Rejected an event that didn't decode").size(), 1u) << log;

    // Nothing is lost: the counts are said as the app ends.
    EXPECT_EQ(app.terminate(), std::optional<int>(0));
    const std::string ended = app.logText();
    const auto tokenLines = linesWith(ended, "Rejected a request with a missing or wrong token");
    ASSERT_EQ(tokenLines.size(), 2u) << ended;
    EXPECT_NE(tokenLines[1].find("wrong token (5000 times in the last "), std::string::npos) << tokenLines[1];
    const auto decodeLines = linesWith(ended, "Rejected an event that didn't decode");
    ASSERT_EQ(decodeLines.size(), 2u) << ended;
    EXPECT_NE(decodeLines[1].find(" (199 times in the last "), std::string::npos) << decodeLines[1];
    std::printf("figure: 5,001 wrong-token and 200 undecodable requests added %zu bytes to the log\n",
                log.size() - before);
}

TEST_F(AppLogFloodTest, EventsBothPostedAndSpooledDuringAPauseAreSaidOnceWithACount) {
    ASSERT_TRUE(startServing()) << app.logText();
    ASSERT_TRUE(app.pause());
    // Events arrive while the app is stopped: each helper's post is taken by the system but
    // not answered, so it spools the event too; the app reads both once it goes on.
    constexpr int events = 40;
    std::vector<std::thread> helpers;
    std::atomic<int> next = 0;
    for (int thread = 0; thread < 8; ++thread) {
        helpers.emplace_back([&] {
            for (int number = next.fetch_add(1); number < events; number = next.fetch_add(1)) {
                runHelper(testing::failedCommandPayload(number, "s" + std::to_string(number)));
            }
        });
    }
    for (std::thread& helper : helpers) helper.join();
    ASSERT_TRUE(app.resume());
    ASSERT_TRUE(waitFor([&] { return app.finished().size() == events && app.spoolEntries() == 0; }, 30s))
        << app.logText();
    // A tick, so that a count due late is not what keeps the lines few.
    std::this_thread::sleep_for(6s);

    EXPECT_EQ(app.terminate(), std::optional<int>(0));
    const std::string log = app.logText();
    const auto copies = linesWith(log, "both posted and spooled");
    ASSERT_LE(copies.size(), 2u) << log;
    if (copies.size() == 2) {
        EXPECT_NE(copies[1].find("spooled ("), std::string::npos) << copies[1];
    }
    std::printf("figure: %d events posted and spooled during a pause: %zu line(s) about copies%s%s\n", events,
                copies.size(), copies.empty() ? "" : "; the last: ", copies.empty() ? "" : copies.back().c_str());
    EXPECT_EQ(app.finished().size(), static_cast<std::size_t>(events));
}

}  // namespace
}  // namespace quorvel
