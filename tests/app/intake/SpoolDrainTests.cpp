#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/intake/SpoolDrain.hpp"
#include "platform/files/Files.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/OddFiles.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

class SpoolDrainTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder); }

    void put(const std::string& name, const std::string& contents) {
        std::ofstream(folder + "/" + name) << contents;
    }
    void putEvent(const std::string& name, const std::string& event, double receivedAt) {
        put(name, json::dump(HookEvent::make(event, "s", receivedAt).encode()));
    }
    std::string log() const { return capture.text(); }
    std::vector<std::string> remaining() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::TemporaryFolder root;
    std::string folder = root / "spool";
    testing::LogCapture capture;
};

TEST_F(SpoolDrainTest, MissingOrEmptyFolderGivesNothing) {
    EXPECT_TRUE(drainSpool(folder).empty());
    EXPECT_TRUE(drainSpool(root / "absent").empty());
    EXPECT_EQ(log(), "");
}

TEST_F(SpoolDrainTest, HandsBackEventsOldestFirstAndRemovesTheirFiles) {
    // Names in the opposite order of the receive times.
    putEvent("a.json", "Later", 1796731205.0);    // 12:00:05
    putEvent("b.json", "Earlier", 1796731201.0);  // 12:00:01
    putEvent("c.json", "TieFirst", 1796731203.0);
    putEvent("d.json", "TieSecond", 1796731203.0);
    auto events = drainSpool(folder);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].event.text(), "Earlier");
    EXPECT_EQ(events[1].event.text(), "TieFirst");
    EXPECT_EQ(events[2].event.text(), "TieSecond");
    EXPECT_EQ(events[3].event.text(), "Later");
    EXPECT_TRUE(remaining().empty());
    EXPECT_TRUE(drainSpool(folder).empty());
}

TEST_F(SpoolDrainTest, EventsOfOneBootComeInTheOrderOfTheBootClock) {
    // The wall clock went back five minutes between the prompt and its Stop; the helper's
    // names follow its wall clock.
    const auto putStamped = [&](const std::string& name, const std::string& event, double receivedAt,
                                double bootSeconds) {
        HookEvent stamped = HookEvent::make(event, "s", receivedAt);
        stamped.bootSeconds = bootSeconds;
        stamped.bootID = "0f9e4cf4-54b6-4c4a-9d39-1b4b8a3c0e11";
        put(name, json::dump(stamped.encode()));
    };
    putStamped("1796731200000-a.json", "UserPromptSubmit", 1796731200.0, 50);
    putStamped("1796730910000-b.json", "Stop", 1796730910.0, 60);
    const auto events = drainSpool(folder);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].event.text(), "UserPromptSubmit");
    EXPECT_EQ(events[1].event.text(), "Stop");
}

TEST_F(SpoolDrainTest, LogsAndRemovesFilesThatDontDecode) {
    put("1-bad.json", "{}");
    // Cut short by a writer ended two minutes ago.
    put("2-cut.json", "{\"event\":\"Stop\",\"sessi");
    const timespec twoMinutesAgo{::time(nullptr) - 120, 0};
    const timespec times[2] = {twoMinutesAgo, twoMinutesAgo};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/2-cut.json").c_str(), times, 0), 0);
    putEvent("3-good.json", "Stop", 1.0);
    auto events = drainSpool(folder);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event.text(), "Stop");
    EXPECT_TRUE(remaining().empty());
    EXPECT_NE(log().find("error com.tessaloom.quorvel.mac [Spool] Skipping unreadable spool file 1-bad.json: "),
              std::string::npos)
        << log();
    EXPECT_NE(log().find("Skipping unreadable spool file 2-cut.json: "), std::string::npos);
}

// A spool file written in place is named before its bytes are there: read then, it is left
// for the read its writer's close brings, not taken for a damaged file and removed.
TEST_F(SpoolDrainTest, AFileStillBeingWrittenInPlaceIsLeftForALaterRead) {
    const std::string event = json::dump(HookEvent::make("Stop", "s", 1.0).encode());
    std::ofstream writer(folder + "/1-plain.json");
    for (const std::size_t written : {std::size_t(0), std::size_t(1), event.size() / 2, event.size() - 1}) {
        writer.seekp(0);
        writer << event.substr(0, written) << std::flush;
        EXPECT_TRUE(readSpool(folder).empty()) << written;
        EXPECT_EQ(remaining(), std::vector<std::string>{"1-plain.json"}) << written;
    }
    EXPECT_EQ(log(), "");
    writer << event.back() << std::flush;
    writer.close();
    const auto events = drainSpool(folder);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event.text(), "Stop");
    EXPECT_TRUE(remaining().empty());
    EXPECT_EQ(log(), "");
}

TEST_F(SpoolDrainTest, LeavesEverythingElseAlone) {
    put("notes.txt", "keep me");
    // A spool file still being written by the helper carries a hidden temporary name.
    put(".1796731205000-ABC.json.0F1E2D3C-0000-4000-8000-000000000000", "{\"event\":");
    fs::create_directory(folder + "/sub");
    fs::create_directory(folder + "/folder.json");
    putEvent("x.json", "Stop", 1.0);
    EXPECT_EQ(drainSpool(folder).size(), 1u);
    EXPECT_EQ(remaining(), (std::vector<std::string>{".1796731205000-ABC.json.0F1E2D3C-0000-4000-8000-000000000000",
                                                     "folder.json", "notes.txt", "sub"}));
    EXPECT_NE(log().find("Couldn't remove spool file folder.json: "), std::string::npos) << log();
}

TEST_F(SpoolDrainTest, AFileThatCantBeRemovedComesBackNextTime) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions don't bind root";
    putEvent("x.json", "Stop", 1.0);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(drainSpool(folder).size(), 1u);
    EXPECT_EQ(drainSpool(folder).size(), 1u);
    EXPECT_NE(log().find("Couldn't remove spool file x.json: "), std::string::npos);
}

TEST_F(SpoolDrainTest, RemovesEachFileOnlyAfterItsEventWasHandedOn) {
    putEvent("a.json", "First", 1.0);
    putEvent("b.json", "Second", 2.0);
    putEvent("c.json", "Third", 3.0);
    std::vector<std::vector<std::string>> leftWhenHanded;
    drainSpool(folder, [&](const HookEvent&) { leftWhenHanded.push_back(remaining()); });
    EXPECT_EQ(leftWhenHanded, (std::vector<std::vector<std::string>>{
                                  {"a.json", "b.json", "c.json"}, {"b.json", "c.json"}, {"c.json"}}));
    EXPECT_TRUE(remaining().empty());
}

TEST_F(SpoolDrainTest, AKillMidDrainLeavesTheEventsNotYetHandledInTheFolder) {
    constexpr int spooled = 200;
    constexpr int killedAt = 73;
    for (int index = 0; index < spooled; ++index) {
        putEvent(std::to_string(1000 + index) + ".json", "Stop" + std::to_string(index), 1000.0 + index);
    }
    const std::string handed = root / "handed";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The intake keeps what it was handed (as the finished list is saved), then dies.
        int count = 0;
        drainSpool(folder, [&](const HookEvent& event) {
            std::ofstream(handed, std::ios::app) << event.event.text() << "\n";
            if (++count == killedAt) ::raise(SIGKILL);
        });
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    std::ifstream lines(handed);
    std::set<std::string> seen;
    for (std::string line; std::getline(lines, line);) seen.insert(line);
    EXPECT_EQ(seen.size(), std::size_t(killedAt));
    // Every event is either through the intake or still spooled; only the one in hand is both.
    std::vector<HookEvent> left = drainSpool(folder);
    EXPECT_EQ(left.size(), std::size_t(spooled - killedAt + 1));
    ASSERT_FALSE(left.empty());
    EXPECT_EQ(left.front().event.text(), "Stop" + std::to_string(killedAt - 1));
    for (const HookEvent& event : left) seen.insert(event.event.text());
    EXPECT_EQ(seen.size(), std::size_t(spooled));
}

class SpoolDrainOddEntries : public SpoolDrainTest, public ::testing::WithParamInterface<testing::OddFile> {};

TEST_P(SpoolDrainOddEntries, AreLoggedAndSkippedWithoutStoppingTheRest) {
    const std::string outside = root / "outside.json";
    ASSERT_TRUE(testing::plantOddFile(GetParam(), folder + "/1-odd.json", outside,
                                      json::dump(HookEvent::make("Outside", "s", 1.0).encode())));
    putEvent("2-good.json", "Stop", 2.0);
    const auto events = drainSpool(folder);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event.text(), "Stop");
    EXPECT_NE(log().find("Skipping unreadable spool file 1-odd.json: "), std::string::npos) << log();
    // A link goes, never what it points to.
    if (GetParam() == testing::OddFile::linkToRegularFile) {
        EXPECT_TRUE(fs::exists(outside));
    }
}

INSTANTIATE_TEST_SUITE_P(EachKind, SpoolDrainOddEntries, ::testing::ValuesIn(testing::allOddFiles()),
                         [](const auto& info) { return std::string(testing::nameOf(info.param)); });

TEST_F(SpoolDrainTest, ASpoolFolderThatIsALinkIsNeverDrained) {
    const std::string project = root / "project";
    fs::create_directories(project);
    std::ofstream(project + "/package.json") << "{}";
    std::ofstream(project + "/event.json") << json::dump(HookEvent::make("Stop", "s", 1.0).encode());
    fs::remove_all(folder);
    fs::create_directory_symlink(project, folder);

    EXPECT_TRUE(drainSpool(folder).empty());
    EXPECT_TRUE(fs::exists(project + "/package.json"));
    EXPECT_TRUE(fs::exists(project + "/event.json"));
}

TEST_F(SpoolDrainTest, ReadingLeavesTheFilesAndSkipsTheNamesItIsTold) {
    putEvent("1.json", "First", 1796731201.0);
    putEvent("2.json", "Second", 1796731202.0);
    const std::vector<SpooledEvent> read = readSpool(folder, {"1.json"});
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].name, "2.json");
    EXPECT_EQ(read[0].event.event.text(), "Second");
    EXPECT_EQ(remaining(), (std::vector<std::string>{"1.json", "2.json"}));
    removeSpoolFile(folder, "2.json");
    EXPECT_EQ(remaining(), std::vector<std::string>{"1.json"});
}

TEST_F(SpoolDrainTest, AnEntryThatCanBeNeitherReadNorRemovedIsLoggedOnceWhileItStays) {
    fs::create_directory(folder + "/1-folder.json");
    putEvent("2-good.json", "Stop", 2.0);
    std::set<std::string> stuck;
    EXPECT_EQ(readSpool(folder, {}, &stuck).size(), 1u);
    EXPECT_EQ(stuck, std::set<std::string>{"1-folder.json"});
    const std::string once = log();
    EXPECT_NE(once.find("Skipping unreadable spool file 1-folder.json"), std::string::npos) << once;
    EXPECT_NE(once.find("Couldn't remove spool file 1-folder.json"), std::string::npos) << once;
    for (int again = 0; again < 3; ++again) EXPECT_EQ(readSpool(folder, {}, &stuck).size(), 1u);
    EXPECT_EQ(log(), once);

    // Gone and back again: reported anew.
    fs::remove(folder + "/1-folder.json");
    readSpool(folder, {}, &stuck);
    EXPECT_TRUE(stuck.empty());
    fs::create_directory(folder + "/1-folder.json");
    readSpool(folder, {}, &stuck);
    EXPECT_GT(log().size(), once.size());
}

TEST_F(SpoolDrainTest, ATemporaryFileAbandonedForOverAMinuteIsRemoved) {
    put(".1-a.json.4F2C", "{\"half");
    put(".2-b.json.77AA", "{\"half");
    put(".hidden-folder-entry", "");
    // Two of them last written two minutes ago: their helpers were ended mid-write.
    const timespec twoMinutesAgo{::time(nullptr) - 120, 0};
    const timespec times[2] = {twoMinutesAgo, twoMinutesAgo};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/.1-a.json.4F2C").c_str(), times, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/.hidden-folder-entry").c_str(), times, 0), 0);
    fs::create_directory(folder + "/.old-folder");
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/.old-folder").c_str(), times, 0), 0);

    EXPECT_TRUE(readSpool(folder).empty());
    // A write that may still be under way stays, and so does anything that is no file.
    EXPECT_EQ(remaining(), (std::vector<std::string>{".2-b.json.77AA", ".old-folder"}));
}

}  // namespace
}  // namespace quorvel
