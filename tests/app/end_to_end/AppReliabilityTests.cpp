// The app binary under conditions a desktop meets sooner or later: a full disk, huge files of
// its own, floods of events and connections, the end of the session while work waits, two
// starts at once, a clock set back, folders replaced by links. Each test starts the app with
// a throw-away home on a private session bus (see the CTest entry) and bounds its load in
// count and time, on loopback only.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/Session.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "tests/app/core/LoopbackClient.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::RuntimeFolder;
using testing::TemporaryFolder;

using testing::waitFor;

/// Seconds since 1970 an hour ago: events this old are kept but never sound or show.
double anHourAgo() { return static_cast<double>(std::time(nullptr)) - 3600; }

/// A failed shell command numbered `index`, received `index` milliseconds after `start`:
/// every one is a finished run titled by its number, so the list shows what was handled, in
/// which order, and whether twice.
HookEvent failedCommand(int index, double start, const std::string& session = "s1") {
    HookEvent made = HookEvent::make("PostToolUseFailure", session, start + index * 0.001);
    made.toolName = "Bash";
    made.command = std::to_string(index);
    made.error = "Exit code 2\nfailed";
    made.cwd = "/work/site";
    return made;
}

std::string body(const HookEvent& event) { return json::dump(event.encode()); }

int postedStatus(const Endpoint& endpoint, const std::string& text, double timeout = 5.0) {
    const auto status = post(text, endpoint, timeout);
    return status ? *status : 0;
}

void writeSpooled(const std::string& spool, const std::vector<HookEvent>& events) {
    ASSERT_TRUE(files::createDirectories(spool, 0700));
    for (const HookEvent& event : events) {
        char name[64];
        std::snprintf(name, sizeof name, "/%013.0f-%s.json", event.receivedAt * 1000, event.command->c_str());
        ASSERT_TRUE(files::writeFileAtomically(spool + name, body(event), 0600));
    }
}

std::size_t entriesIn(const std::string& folder) {
    std::error_code error;
    std::size_t count = 0;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) ++count;
    return count;
}

class ReliableApp : public testing::AppProcess {
public:
    ReliableApp(const std::string& home, const std::string& runtime) : AppProcess(QUORVEL_APP, home, runtime) {}
    /// `program` in place of the app, which it runs (a wrapper such as setpriv).
    ReliableApp(const std::string& program, const std::string& home, const std::string& runtime)
        : AppProcess(program, home, runtime) {}

    std::string appSupport() const { return paths().appSupport(); }
    std::string spool() const { return paths().spool(); }

    /// The endpoint once the app says it listens on its port.
    std::optional<Endpoint> endpoint(std::chrono::milliseconds limit = 15s) const { return waitUntilServing(limit); }

    /// The command numbers of the saved finished list, newest first.
    std::vector<int> finishedCommands() const {
        std::vector<int> numbers;
        for (const FinishedRun& run : finished()) numbers.push_back(std::atoi(run.title.c_str()));
        return numbers;
    }

    std::size_t logLinesWith(const std::string& words) const {
        const std::string text = logText();
        std::size_t count = 0;
        for (std::size_t at = text.find(words); at != std::string::npos; at = text.find(words, at + 1)) ++count;
        return count;
    }

    long residentKilobytes() const {
        std::ifstream status("/proc/" + std::to_string(pid()) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
        }
        return 0;
    }

    /// Ends it with SIGTERM; its exit status once it ended within `limit`.
    std::optional<int> terminateWithin(std::chrono::milliseconds limit) {
        if (pid() > 0) ::kill(pid(), SIGTERM);
        return waitForExit(limit);
    }
};

/// The newest `count` of `accepted` (in the order they were accepted), newest first: what the
/// finished list holds when each accepted event was handled once, in order.
std::vector<int> newestFirst(const std::vector<int>& accepted, std::size_t count) {
    std::vector<int> newest(accepted.rbegin(), accepted.rbegin() + std::min(count, accepted.size()));
    return newest;
}

/// The newest numbers that the finished list keeps.
constexpr std::size_t finishedCap = 50;

class AppReliabilityTests : public ::testing::Test {
protected:
    TemporaryFolder home;
    RuntimeFolder runtime;
    ReliableApp app{home.path(), runtime.path()};
};

TEST_F(AppReliabilityTests, OnAFullDiskSpooledEventsStayUntilSavedAndARestartWithRoomKeepsEachOnce) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    const std::string support = app.appSupport();
    ASSERT_TRUE(files::createDirectories(support, 0700));
    if (::mount("quorvel-test", support.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=512k,mode=0700") != 0) {
        GTEST_SKIP() << "can't mount a small file system here: " << std::strerror(errno);
    }
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{support};

    std::vector<HookEvent> events;
    for (int index = 0; index < 20; ++index) events.push_back(failedCommand(index, anHourAgo()));
    writeSpooled(app.spool(), events);
    // The rest of the disk taken.
    const std::string filler = support + "/filler";
    {
        std::FILE* file = std::fopen(filler.c_str(), "w");
        ASSERT_NE(file, nullptr);
        const std::string block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0) {
        }
        std::fclose(file);
    }

    ASSERT_TRUE(app.start());
    // Every event handled, every save refused.
    ASSERT_TRUE(waitFor([&] { return app.logLinesWith("Couldn't save the finished list: No space left") >= 20; }))
        << app.logText();
    EXPECT_EQ(app.terminateWithin(5s), std::optional<int>(0)) << app.logText();
    EXPECT_EQ(entriesIn(app.spool()), 20u);

    ASSERT_EQ(::unlink(filler.c_str()), 0);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return app.finishedCommands().size() == 20 && entriesIn(app.spool()) == 0; }))
        << app.logText();
    std::vector<int> expected;
    for (int index = 19; index >= 0; --index) expected.push_back(index);
    EXPECT_EQ(app.finishedCommands(), expected);
}

TEST_F(AppReliabilityTests, HugeFilesOfItsOwnNeverHoldUpTheStart) {
    // How long this machine takes to serve with nothing to read: the slower of two starts, as
    // a busy machine varies.
    Clock::duration plain{};
    for (int round = 0; round < 2; ++round) {
        const auto plainStart = Clock::now();
        ASSERT_TRUE(app.start());
        ASSERT_TRUE(app.endpoint()) << app.logText();
        plain = std::max(plain, Clock::now() - plainStart);
        app.stop();
    }

    // A 3 MB list of {} and a 3 MB defaults file of junk.
    std::string list = "[{}";
    while (list.size() < 3'000'000) list += ",{}";
    list += "]";
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/finished.json", list));
    std::string junk = R"({"junk":[{})";
    while (junk.size() < 3'000'000) junk += ",{}";
    junk += "]}";
    const std::string defaults = home / ".config/quorvel/defaults.json";
    ASSERT_TRUE(files::createDirectories(files::parentPath(defaults)));
    ASSERT_TRUE(files::writeFileAtomically(defaults, junk));

    const auto started = Clock::now();
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    EXPECT_LT(Clock::now() - started, plain + 1s) << app.logText();
    EXPECT_TRUE(fs::exists(defaults + ".bad-1"));
    EXPECT_NE(app.logText().find("Couldn't read the finished list"), std::string::npos) << app.logText();
}

TEST_F(AppReliabilityTests, AFloodOfDistinctSessionsKeepsMemoryBoundedAndIsAnswered503PastTheQueue) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();

    std::atomic<int> refused = 0;
    std::atomic<int> posted = 0;
    std::atomic<bool> stop = false;
    const auto deadline = Clock::now() + 20s;
    std::vector<std::thread> clients;
    for (int client = 0; client < 8; ++client) {
        clients.emplace_back([&, client] {
            for (int index = 0; !stop && index < 6000 && Clock::now() < deadline; ++index) {
                const std::string session = "flood-" + std::to_string(client) + "-" + std::to_string(index);
                const int status = postedStatus(*endpoint, body(failedCommand(index, anHourAgo(), session)));
                ++posted;
                if (status == 503 && ++refused >= 100) stop = true;
            }
        });
    }
    for (std::thread& client : clients) client.join();
    EXPECT_GE(refused, 1) << posted << " posted";
    const long resident = app.residentKilobytes();
    EXPECT_LT(resident, 200 * 1024) << "kB after " << posted << " events";

    // A marker sent after the flood is handled, once the queue before it is: each event of it
    // is a save of the list, which takes a while on a busy machine.
    HookEvent marker = failedCommand(999999, static_cast<double>(std::time(nullptr)), "marker");
    ASSERT_TRUE(waitFor([&] { return postedStatus(*endpoint, body(marker)) == 202; }, 30s));
    EXPECT_TRUE(waitFor(
        [&] {
            const std::vector<int> numbers = app.finishedCommands();
            return !numbers.empty() && numbers.front() == 999999;
        },
        240s))
        << app.logText();
    EXPECT_GE(app.logLinesWith("Too many sessions: dropped the least recently active one"), 1u);
    EXPECT_EQ(app.terminateWithin(3s), std::optional<int>(0));
}

TEST_F(AppReliabilityTests, ATerminationSignalUnderASustainedFloodClosesTheListenerAtOnce) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();

    std::atomic<bool> stop = false;
    std::atomic<long long> lastAcceptedNanoseconds = 0;
    std::vector<std::thread> clients;
    for (int client = 0; client < 4; ++client) {
        clients.emplace_back([&, client] {
            for (int index = 0; !stop && index < 50000; ++index) {
                const std::string session = "busy-" + std::to_string(client);
                if (postedStatus(*endpoint, body(failedCommand(index, anHourAgo(), session)), 1.0) == 202) {
                    lastAcceptedNanoseconds = Clock::now().time_since_epoch().count();
                }
            }
        });
    }
    std::this_thread::sleep_for(1500ms);
    const auto signalled = Clock::now();
    const std::optional<int> status = app.terminateWithin(3s);
    stop = true;
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(status, std::optional<int>(0)) << app.logText();
    const Clock::time_point lastAccepted{Clock::duration(lastAcceptedNanoseconds.load())};
    EXPECT_LT(lastAccepted - signalled, 500ms);
}

TEST_F(AppReliabilityTests, ATerminationSignalAfterTenThousandPostedEventsExitsQuicklyAndLosesNone) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();

    // One client, so events arrive in the order of their numbers. Each is a finished run
    // saved as it is handled: the app falls far behind.
    const double start = anHourAgo();
    std::vector<int> accepted;
    for (int index = 0; index < 10000; ++index) {
        if (postedStatus(*endpoint, body(failedCommand(index, start))) == 202) accepted.push_back(index);
    }
    ASSERT_GE(accepted.size(), finishedCap);
    EXPECT_EQ(app.terminateWithin(3s), std::optional<int>(0)) << app.logText();

    ASSERT_TRUE(app.start());
    // Every one of them is a save of the list: on a busy machine that takes a while.
    ASSERT_TRUE(waitFor([&] { return entriesIn(app.spool()) == 0 && app.finishedCommands().size() == finishedCap; },
                        240s))
        << app.logText();
    EXPECT_EQ(app.finishedCommands(), newestFirst(accepted, finishedCap));
}

TEST_F(AppReliabilityTests, ATerminationSignalDuringALongDrainExitsQuicklyAndTheRestFollowsOnce) {
    std::vector<HookEvent> events;
    const double start = anHourAgo();
    for (int index = 0; index < 5000; ++index) events.push_back(failedCommand(index, start));
    writeSpooled(app.spool(), events);

    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return !app.finishedCommands().empty(); })) << app.logText();
    EXPECT_EQ(app.terminateWithin(3s), std::optional<int>(0)) << app.logText();
    EXPECT_GT(entriesIn(app.spool()), 0u) << "the drain ended before the signal";

    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return entriesIn(app.spool()) == 0; }, 240s)) << app.logText();
    std::vector<int> all;
    for (int index = 0; index < 5000; ++index) all.push_back(index);
    ASSERT_TRUE(waitFor([&] { return app.finishedCommands() == newestFirst(all, finishedCap); })) << app.logText();
}

TEST_F(AppReliabilityTests, NoTemporaryFileOutlivesAMinuteInTheSpool) {
    ASSERT_TRUE(files::createDirectories(app.spool(), 0700));
    const std::string abandoned = app.spool() + "/.1796714910123-A.json.B";
    const std::string fresh = app.spool() + "/.1796714910124-C.json.D";
    ASSERT_TRUE(files::writeFileAtomically(abandoned, "{\"half"));
    ASSERT_TRUE(files::writeFileAtomically(fresh, "{\"half"));
    const timespec twoMinutesAgo{::time(nullptr) - 120, 0};
    const timespec times[2] = {twoMinutesAgo, twoMinutesAgo};
    ASSERT_EQ(::utimensat(AT_FDCWD, abandoned.c_str(), times, 0), 0);

    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    EXPECT_TRUE(waitFor([&] { return !fs::exists(abandoned); })) << app.logText();
    EXPECT_TRUE(fs::exists(fresh));
}

TEST_F(AppReliabilityTests, ALinkedSpoolFolderIsNeitherWrittenThroughNorSilent) {
    const std::string elsewhere = home / "elsewhere";
    ASSERT_TRUE(files::createDirectories(elsewhere, 0700));
    ASSERT_TRUE(files::createDirectories(app.appSupport(), 0700));
    ASSERT_EQ(::symlink(elsewhere.c_str(), app.spool().c_str()), 0);

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    EXPECT_EQ(postedStatus(*endpoint, body(failedCommand(1, anHourAgo()))), 202);
    ASSERT_TRUE(waitFor([&] { return app.finishedCommands().size() == 1; })) << app.logText();
    // Reported once, where a server problem shows; nothing lands in the link's target, not even
    // the events left over at the end.
    EXPECT_EQ(app.logLinesWith(app.spool() + " is a link to another folder"), 1u) << app.logText();
    EXPECT_EQ(app.terminateWithin(3s), std::optional<int>(0));
    EXPECT_EQ(entriesIn(elsewhere), 0u);
}

TEST_F(AppReliabilityTests, TwoStartsWithDifferentRuntimeFoldersLeaveOneCopyAndNoDuplicate) {
    std::vector<HookEvent> events;
    for (int index = 0; index < 40; ++index) events.push_back(failedCommand(index, anHourAgo()));
    writeSpooled(app.spool(), events);

    RuntimeFolder otherRuntime;
    ReliableApp other(home.path(), otherRuntime.path());
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(other.start());
    // One of them hands its launch to the other and ends.
    ASSERT_TRUE(waitFor([&] { return app.running() != other.running(); })) << app.logText();
    ASSERT_TRUE(waitFor([&] { return entriesIn(app.spool()) == 0; })) << app.logText();
    std::vector<int> expected;
    for (int index = 39; index >= 0; --index) expected.push_back(index);
    EXPECT_TRUE(waitFor([&] { return app.finishedCommands() == expected; })) << app.logText();
}

TEST_F(AppReliabilityTests, AClockSetBackGivesAFinishedRunOfLengthZero) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    const double now = static_cast<double>(std::time(nullptr));
    HookEvent prompt = HookEvent::make("UserPromptSubmit", "s1", now);
    prompt.promptFirstLine = "ship it";
    ASSERT_EQ(postedStatus(*endpoint, body(prompt)), 202);
    // The clock stepped back two days before the Stop.
    ASSERT_EQ(postedStatus(*endpoint, body(HookEvent::make("Stop", "s1", now - 172800))), 202);
    ASSERT_TRUE(waitFor([&] { return app.finished().size() == 1; })) << app.logText();
    EXPECT_EQ(app.finished()[0].duration, std::optional<double>(0.0));
}

std::string textOf(const std::string& path) {
    const auto text = files::readFile(path);
    return text ? *text : std::string();
}

/// Runs the built helper as the agent would, with `payload` on its standard input, for the
/// app in `home`; true when it ended with status 0.
bool runBuiltHelper(const std::string& home, const std::string& payload) {
    const std::string input = home + "/payload.json";
    if (!files::writeFileAtomically(input, payload)) return false;
    const std::string helper = (fs::path(QUORVEL_APP).parent_path() / "quorvel-hook").string();
    return testing::ProgramLaunch(helper)
        .environment({{"HOME", home}, {"QUORVEL_APP_EXECUTABLE", "/bin/true"}, {"QUORVEL_CAPTURE", std::nullopt}})
        .inputFromFile(input)
        .run()
        .succeeded();
}

TEST_F(AppReliabilityTests, AStopWithAMessageOfMegabytesThroughTheHelperEndsItsRun) {
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    json::Json prompt = {{"hook_event_name", "UserPromptSubmit"}, {"session_id", "big"}, {"cwd", "/work/site"},
                         {"prompt", "ship the release"}};
    ASSERT_TRUE(runBuiltHelper(home.path(), json::dump(prompt)));
    json::Json stop = {{"hook_event_name", "Stop"}, {"session_id", "big"}, {"cwd", "/work/site"},
                       {"last_assistant_message", "Shipped. " + std::string(2'000'000, 'x')}};
    ASSERT_TRUE(runBuiltHelper(home.path(), json::dump(stop)));

    ASSERT_TRUE(waitFor([&] { return app.finished().size() == 1; }))
        << textOf(app.paths().hookLog()) << app.logText();
    EXPECT_EQ(app.finished()[0].title, "ship the release");
    EXPECT_EQ(app.finished()[0].sessionID, "big");
    EXPECT_TRUE(app.finished()[0].duration.has_value());
    EXPECT_FALSE(fs::exists(app.paths().hookLog())) << "nothing went wrong on the helper's side";
}

TEST_F(AppReliabilityTests, FiveThousandEventsWithIdentitiesOfSixtyKilobytesLeaveMemoryFlat) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    const auto postAll = [&](int first, int last) {
        for (int index = first; index < last; ++index) {
            HookEvent event = HookEvent::make("PostToolUse", "ids", anHourAgo() + index * 0.001);
            event.toolName = "Read";
            event.eventID = std::to_string(index) + std::string(60 * 1024, 'i');
            const std::string text = body(event);
            // A full queue answers 503: wait for the app to catch up rather than lose events.
            ASSERT_TRUE(waitFor([&] { return postedStatus(*endpoint, text) == 202; }, 30s)) << index;
        }
        HookEvent marker = failedCommand(last, static_cast<double>(std::time(nullptr)), "marker");
        ASSERT_EQ(postedStatus(*endpoint, body(marker)), 202);
        ASSERT_TRUE(waitFor(
            [&] {
                const std::vector<int> numbers = app.finishedCommands();
                return !numbers.empty() && numbers.front() == last;
            },
            120s))
            << app.logText();
    };
    postAll(0, 200);
    const long before = app.residentKilobytes();
    postAll(200, 5000);
    const long after = app.residentKilobytes();
    std::printf("resident after 200 events: %ld kB, after 5,000: %ld kB\n", before, after);
    EXPECT_LT(after - before, 64 * 1024) << before << " kB before, " << after << " kB after";
}

TEST_F(AppReliabilityTests, SessionIDsOfMegabytesAreRefusedWithALineEachAndTheFinishedListReadsBack) {
    // Three runs of an older helper, each with a session id of 3 MiB, spooled beside one run
    // of ordinary size.
    ASSERT_TRUE(files::createDirectories(app.spool(), 0700));
    const double start = anHourAgo();
    for (int run = 0; run < 3; ++run) {
        const std::string session(3 * 1024 * 1024, static_cast<char>('a' + run));
        HookEvent prompt = HookEvent::make("UserPromptSubmit", session, start + run);
        prompt.promptFirstLine = "ship it";
        prompt.isTaskNotification = false;
        const HookEvent stop = HookEvent::make("Stop", session, start + run + 0.5);
        for (const HookEvent* event : std::initializer_list<const HookEvent*>{&prompt, &stop}) {
            char name[64];
            std::snprintf(name, sizeof name, "/%013.0f-big.json", event->receivedAt * 1000);
            ASSERT_TRUE(files::writeFileAtomically(app.spool() + name, body(*event), 0600));
        }
    }
    writeSpooled(app.spool(), {failedCommand(1, start + 10)});

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    ASSERT_TRUE(waitFor([&] { return entriesIn(app.spool()) == 0; })) << app.logText();
    ASSERT_TRUE(waitFor([&] {
        const std::vector<int> numbers = app.finishedCommands();
        return !numbers.empty() && numbers.front() == 1;
    })) << app.logText();
    EXPECT_EQ(app.finishedCommands(), std::vector<int>{1});
    EXPECT_EQ(app.logLinesWith("sessionID is too long to be real (3145728 bytes)"), 6u) << app.logText().substr(0, 4000);

    // Posted, one too long for a session id but within the body limit is refused the same way.
    HookEvent posted = failedCommand(2, static_cast<double>(std::time(nullptr)), std::string(60 * 1024, 'p'));
    EXPECT_EQ(postedStatus(*endpoint, body(posted)), 400);
    EXPECT_EQ(app.logLinesWith("sessionID is too long to be real (61440 bytes)"), 1u);
    app.stop();

    const auto written = fs::file_size(app.appSupport() + "/finished.json");
    std::printf("finished.json after the refused runs: %ju bytes\n", static_cast<std::uintmax_t>(written));
    EXPECT_LE(written, 8u * 1024 * 1024);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    app.stop();
    EXPECT_EQ(app.finishedCommands(), std::vector<int>{1});
    EXPECT_FALSE(fs::exists(app.appSupport() + "/finished.json.bad-1"));
    EXPECT_EQ(app.logLinesWith("Couldn't read the finished list"), 0u);
}

TEST_F(AppReliabilityTests, DamagedFilesCostOnlyTheirBadPartsAndStoredSettingsKeepTheirValues) {
    // Fifty saved runs, one of them damaged; defaults with one malformed entry and settings
    // with a value beyond the window's range and one of the wrong type.
    json::Json rows = json::Json::array();
    for (int index = 0; index < 50; ++index) {
        FinishedRun run;
        run.title = std::to_string(1000 + index);
        run.sessionID = "old";
        run.finishedAt = Instant::now();
        rows.push_back(run.encode());
    }
    rows[7]["finishedAt"] = "yesterday";
    const std::string damagedList = json::dump(rows);
    ASSERT_TRUE(files::createDirectories(app.appSupport()));
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/finished.json", damagedList));
    const std::string defaults = home / ".config/quorvel/defaults.json";
    ASSERT_TRUE(files::createDirectories(files::parentPath(defaults)));
    const std::string damagedDefaults =
        R"({"appSettings":{"type":"json","value":{"longRunMinutes":180,"awayMinutes":"five","showInDock":false}},)"
        R"("phoneDeviceToken":{"type":"string","value":"abc123"},"broken":{"type":"bool","value":"maybe"}})";
    ASSERT_TRUE(files::writeFileAtomically(defaults, damagedDefaults));

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    ASSERT_EQ(postedStatus(*endpoint, body(failedCommand(1, static_cast<double>(std::time(nullptr))))), 202);
    ASSERT_TRUE(waitFor([&] { return !app.finished().empty() && app.finished()[0].title == "1"; })) << app.logText();
    app.stop();

    // The 49 good rows stay behind the new one; the damaged file is kept beside the list.
    const std::vector<FinishedRun> kept = app.finished();
    ASSERT_EQ(kept.size(), 50u) << app.logText();
    EXPECT_EQ(kept[1].title, "1000");
    EXPECT_EQ(std::count_if(kept.begin(), kept.end(), [](const FinishedRun& run) { return run.title == "1007"; }), 0);
    EXPECT_EQ(textOf(app.appSupport() + "/finished.json.bad-1"), damagedList);
    EXPECT_EQ(app.logLinesWith("Couldn't read 1 of 50 rows of the finished list"), 1u) << app.logText();

    // The good entries and the stored value outside its range are still there after the run.
    const json::Json stored = json::parse(textOf(defaults));
    EXPECT_EQ(stored["appSettings"]["value"]["longRunMinutes"], 180) << stored.dump();
    EXPECT_EQ(stored["phoneDeviceToken"]["value"], "abc123") << stored.dump();
    EXPECT_FALSE(stored.contains("broken"));
    EXPECT_EQ(textOf(defaults + ".bad-1"), damagedDefaults);
    EXPECT_EQ(app.logLinesWith("A stored setting couldn't be read and is back at its default"), 1u) << app.logText();
}

TEST_F(AppReliabilityTests, ADirectRequestIsServedBesideThreeThousandIdleConnections) {
    constexpr rlim_t idle = 3000;
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, idle + 256));
    ::setrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < idle + 256) GTEST_SKIP() << "needs " << idle + 256 << " descriptors";

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    std::vector<std::unique_ptr<testing::LoopbackClient>> clients;
    for (rlim_t index = 0; index < idle; ++index) {
        clients.push_back(std::make_unique<testing::LoopbackClient>(endpoint->port));
    }
    const auto posted = Clock::now();
    EXPECT_EQ(postedStatus(*endpoint, body(failedCommand(7, anHourAgo())), 1.5), 202);
    EXPECT_LT(Clock::now() - posted, 1500ms);
}

/// `count` sessions, each with a run in progress, numbered from 1; the last one made is the
/// most recently active, all of them within the last half hour.
std::string savedSessions(int count, std::int64_t nextNumber) {
    const double now = static_cast<double>(std::time(nullptr));
    json::Json list = json::Json::array();
    for (int index = 0; index < count; ++index) {
        Session session;
        session.id = "session-" + std::to_string(index);
        session.number = index + 1;
        session.cwd = "/work/project-" + std::to_string(index);
        session.run = Run{Instant::fromUnixSeconds(now - 1500), "run " + std::to_string(index)};
        session.state = SessionState::running(*session.run);
        session.lastEventAt = Instant::fromUnixSeconds(now - 1200 + index * (1000.0 / count));
        list.push_back(session.encode());
    }
    json::Json saved = json::Json::object();
    saved["savedAt"] = json::referenceDate(Instant::fromUnixSeconds(now - 60));
    saved["nextNumber"] = nextNumber;
    saved["sessions"] = std::move(list);
    return json::dump(saved);
}

json::Json savedSessionsOf(const ReliableApp& app) {
    const auto text = files::readFile(app.appSupport() + "/sessions.json");
    return text ? json::parse(*text) : json::Json();
}

TEST_F(AppReliabilityTests, ACrowdedSessionsFileIsTakenBackToTheTablesBoundAndTheAppStaysQuick) {
    // How this machine starts, serves and quits with ten sessions kept.
    ASSERT_TRUE(files::createDirectories(app.appSupport(), 0700));
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/sessions.json", savedSessions(10, 11), 0600));
    const auto plainStart = Clock::now();
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    const auto plain = Clock::now() - plainStart;
    std::this_thread::sleep_for(2s);
    const long plainKilobytes = app.residentKilobytes();
    ASSERT_EQ(app.terminate(), std::optional<int>(0));

    // A hundred thousand, ten times what the table holds.
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/sessions.json", savedSessions(100'000, 100'001), 0600));
    const auto started = Clock::now();
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    EXPECT_LT(Clock::now() - started, plain + 3s);
    EXPECT_EQ(app.logLinesWith("Took back the 10000 most recently active of 100000 saved sessions"), 1u)
        << app.logText();

    // The newest run ends as quickly as with a small table.
    const auto stopped = Clock::now();
    ASSERT_EQ(postedStatus(*endpoint, body(HookEvent::make("Stop", "session-99999", static_cast<double>(std::time(nullptr))))), 202);
    ASSERT_TRUE(waitFor([&] { return app.finished().size() == 1; })) << app.logText();
    EXPECT_LT(Clock::now() - stopped, 3s);
    EXPECT_EQ(app.finished()[0].title, "run 99999");
    std::this_thread::sleep_for(2s);
    EXPECT_LT(app.residentKilobytes(), plainKilobytes + 100'000) << "ten sessions: " << plainKilobytes << " KiB";

    const auto quitting = Clock::now();
    EXPECT_EQ(app.terminateWithin(10s), std::optional<int>(0));
    EXPECT_LT(Clock::now() - quitting, 5s);
    // What was taken back is what is saved: the most recently active.
    const json::Json saved = savedSessionsOf(app);
    ASSERT_TRUE(saved.contains("sessions")) << saved.dump();
    EXPECT_EQ(saved["sessions"].size(), 10'000u);
    for (const json::Json& session : saved["sessions"]) {
        ASSERT_GT(session["number"].get<std::int64_t>(), 90'000) << session.dump();
    }
}

TEST_F(AppReliabilityTests, ACounterAtTheLargestIntegerIsLeftOutAndNewSessionsGetTheNextNumber) {
    ASSERT_TRUE(files::createDirectories(app.appSupport(), 0700));
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/sessions.json",
                                           savedSessions(3, std::numeric_limits<std::int64_t>::max()), 0600));
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    for (const char* id : {"new-1", "new-2"}) {
        HookEvent prompt = HookEvent::make("UserPromptSubmit", id, static_cast<double>(std::time(nullptr)));
        prompt.promptFirstLine = "ship it";
        ASSERT_EQ(postedStatus(*endpoint, body(prompt)), 202);
    }
    ASSERT_TRUE(waitFor([&] { return savedSessionsOf(app).dump().find("new-2") != std::string::npos; }))
        << app.logText();
    ASSERT_EQ(app.terminate(), std::optional<int>(0));

    const json::Json saved = savedSessionsOf(app);
    ASSERT_TRUE(saved.contains("sessions")) << saved.dump();
    std::map<std::string, std::int64_t> numbers;
    for (const json::Json& session : saved["sessions"]) {
        numbers[session["id"].get<std::string>()] = session["number"].get<std::int64_t>();
    }
    EXPECT_EQ(numbers["session-2"], 3);
    EXPECT_EQ(numbers["new-1"], 4) << saved.dump();
    EXPECT_EQ(numbers["new-2"], 5) << saved.dump();
    EXPECT_EQ(saved["nextNumber"], 6) << saved.dump();
    EXPECT_NE(app.logText().find("the counter 9223372036854775807 is out of range"), std::string::npos)
        << app.logText();
}

/// Runs `words` as the user "nobody"; true when it ended with status 0.
bool runAsNobody(const std::vector<std::string>& words) {
    std::vector<std::string> all{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    all.insert(all.end(), words.begin(), words.end());
    return testing::ProgramLaunch(all[0]).arguments({all.begin() + 1, all.end()}).run().succeeded();
}

TEST_F(AppReliabilityTests, ASpoolFileTheAppCantRemoveIsAppliedOnceAcrossRestarts) {
    // The app runs as "nobody"; the spool folder is root's, so nobody can't remove what is in
    // it (root, who runs the tests, could remove anything).
    if (::geteuid() != 0) GTEST_SKIP() << "making a folder the app can't write needs root";
    if (::access("/usr/bin/setpriv", X_OK) != 0 || !runAsNobody({"test", "-x", QUORVEL_APP})) {
        GTEST_SKIP() << "\"nobody\" can't run the built app here";
    }
    ReliableApp unprivileged("/usr/bin/setpriv", home.path(), runtime.path());
    ASSERT_TRUE(files::createDirectories(unprivileged.spool(), 0700));
    HookEvent spooled = failedCommand(1, anHourAgo());
    spooled.eventID = "6f1c2b0e-8d4a-4c1e-9b7f-2a5d3e4f6a7b";
    writeSpooled(unprivileged.spool(), {spooled});
    for (const auto& entry : fs::recursive_directory_iterator(home.path())) {
        ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0) << entry.path();
    }
    ASSERT_EQ(::chown(home.path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(runtime.path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(unprivileged.spool().c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(unprivileged.spool().c_str(), 0755), 0);

    const std::vector<std::string> asNobody{"--reuid=65534", "--regid=65534", "--clear-groups", QUORVEL_APP};
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(unprivileged.start(asNobody));
        // Its endpoint file is nobody's, which this root process rightly doesn't trust.
        ASSERT_TRUE(waitFor([&] { return unprivileged.logLinesWith("Listening on 127.0.0.1") > 0; }))
            << unprivileged.logText();
        ASSERT_TRUE(waitFor([&] { return unprivileged.logLinesWith("Couldn't remove spool file") > 0; }))
            << unprivileged.logText();
        EXPECT_EQ(unprivileged.terminateWithin(10s), std::optional<int>(0));
        EXPECT_EQ(entriesIn(unprivileged.spool()), 1u) << "the file stays, as it must here";
        EXPECT_EQ(unprivileged.finishedCommands(), std::vector<int>{1}) << "start " << round + 1 << "\n"
                                                                         << unprivileged.logText();
    }
}

}  // namespace
}  // namespace quorvel
