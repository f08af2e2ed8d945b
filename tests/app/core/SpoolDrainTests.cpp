#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/core/SpoolDrain.hpp"
#include "platform/Files.hpp"
#include "tests/support/LogCapture.hpp"
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
    EXPECT_EQ(events[0].event, "Earlier");
    EXPECT_EQ(events[1].event, "TieFirst");
    EXPECT_EQ(events[2].event, "TieSecond");
    EXPECT_EQ(events[3].event, "Later");
    EXPECT_TRUE(remaining().empty());
    EXPECT_TRUE(drainSpool(folder).empty());
}

TEST_F(SpoolDrainTest, LogsAndRemovesFilesThatDontDecode) {
    put("1-bad.json", "{}");
    put("2-cut.json", "{\"event\":\"Stop\",\"sessi");
    putEvent("3-good.json", "Stop", 1.0);
    auto events = drainSpool(folder);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, "Stop");
    EXPECT_TRUE(remaining().empty());
    EXPECT_NE(log().find("error com.tessaloom.quorvel.mac [Spool] Skipping unreadable spool file 1-bad.json: "),
              std::string::npos)
        << log();
    EXPECT_NE(log().find("Skipping unreadable spool file 2-cut.json: "), std::string::npos);
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

}  // namespace
}  // namespace quorvel
