// Spool entries made without a rename, as other writers make them (a hard link to a file
// written elsewhere, an unnamed file linked in once written, a plain write in two steps as an
// older helper made them): the built app handles each within one five-second tick, and the
// one still being written is not lost. The built app and helper as processes, headless, with
// a throw-away home on a private session bus (see the CTest entry).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "kit/engine/HookEvent.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/time/Instant.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/HelperAndAppTest.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::waitFor;

std::string promptOf(const std::string& session) {
    return json::dump(json::Json{{"session_id", session},
                                 {"hook_event_name", "UserPromptSubmit"},
                                 {"prompt", "fix the build"},
                                 {"cwd", "/work/site"}});
}

std::string stopOf(const std::string& session) {
    HookEvent stop = HookEvent::make("Stop", session, Instant::now().unixSeconds());
    stop.cwd = "/work/site";
    return json::dump(stop.encode());
}

class AppSpoolEntryTest : public testing::HelperAndAppTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.startServing()) << app.logText();
        ASSERT_TRUE(files::createDirectories(spool, 0700));
        // The helper's way (renamed in) first: once it is gone the app has looked at the new
        // folder and watches it, so what follows is news to it.
        ASSERT_TRUE(files::writeFileAtomically(spool + "/0-renamed.json", stopOf("renamed")));
        ASSERT_TRUE(waitFor([&] { return fs::is_empty(spool); })) << app.logText();
    }
    void TearDown() override { appCopies.killAll(); }

    /// Whether the run of `session` is in the saved FINISHED list within six seconds.
    bool handledWithinATick(const std::string& session) {
        return waitFor([&] {
            const auto runs = app.finished();
            return std::any_of(runs.begin(), runs.end(), [&](const FinishedRun& run) { return run.sessionID == session; });
        }, 6s);
    }

    const std::string spool = paths().spool();
};

TEST_F(AppSpoolEntryTest, EntriesMadeWithoutARenameAreHandledWithinATick) {
    ASSERT_EQ(runHelper(promptOf("linked")), 0);
    const std::string elsewhere = home / "written-elsewhere.json";
    ASSERT_TRUE(files::writeFileAtomically(elsewhere, stopOf("linked")));
    fs::create_hard_link(elsewhere, spool + "/1-linked.json");
    EXPECT_TRUE(handledWithinATick("linked")) << app.logText();

    ASSERT_EQ(runHelper(promptOf("unnamed")), 0);
    const std::string unnamedStop = stopOf("unnamed");
    const int unnamed = ::open(spool.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(unnamed, 0);
    ASSERT_EQ(::write(unnamed, unnamedStop.data(), unnamedStop.size()), ssize_t(unnamedStop.size()));
    const std::string unnamedPath = "/proc/self/fd/" + std::to_string(unnamed);
    ASSERT_EQ(::linkat(AT_FDCWD, unnamedPath.c_str(), AT_FDCWD, (spool + "/2-unnamed.json").c_str(), AT_SYMLINK_FOLLOW),
              0);
    EXPECT_TRUE(handledWithinATick("unnamed")) << app.logText();
    ::close(unnamed);

    ASSERT_EQ(runHelper(promptOf("plain")), 0);
    const std::string plainStop = stopOf("plain");
    const int plain = ::open((spool + "/3-plain.json").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(plain, 0);
    const std::size_t half = plainStop.size() / 2;
    ASSERT_EQ(::write(plain, plainStop.data(), half), ssize_t(half));
    // Long enough for the app to look at the half-written file.
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(::write(plain, plainStop.data() + half, plainStop.size() - half), ssize_t(plainStop.size() - half));
    ::close(plain);
    EXPECT_TRUE(handledWithinATick("plain")) << app.logText();
    EXPECT_EQ(app.logText().find("Skipping unreadable spool file"), std::string::npos) << app.logText();
    EXPECT_TRUE(waitFor([&] { return fs::is_empty(spool); }, 6s));
}

}  // namespace
}  // namespace quorvel
