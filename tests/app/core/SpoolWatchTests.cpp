// What the spool watch reports: a new file, whether renamed in or written in place, and the
// folder coming, going and coming back; our own removals are not news.
#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>
#include <fstream>

#include "app/core/SpoolWatch.hpp"
#include "platform/Files.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

TEST(SpoolWatchTests, ReportsNewFilesOnlyAndFollowsTheFolderThroughItsAbsence) {
    testing::TemporaryFolder root;
    const std::string folder = root / "spool";
    SpoolWatch watch(folder);
    ASSERT_GE(watch.descriptor(), 0);

    // No folder yet: every question is answered yes, so nothing is missed when it comes.
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_TRUE(watch.mayHaveChanged());
    // Its coming wakes the caller.
    fs::create_directory(folder);
    pollfd ready{watch.descriptor(), POLLIN, 0};
    EXPECT_EQ(::poll(&ready, 1, 0), 1);
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_FALSE(watch.mayHaveChanged());

    // The helper's way: a temporary renamed into place.
    ASSERT_TRUE(files::writeFileAtomically(folder + "/1.json", "{}"));
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_FALSE(watch.mayHaveChanged());
    // Written in place.
    std::ofstream(folder + "/2.json") << "{}";
    EXPECT_TRUE(watch.mayHaveChanged());
    // Removals and folders are nothing to read.
    fs::remove(folder + "/1.json");
    fs::create_directory(folder + "/3.json");
    EXPECT_FALSE(watch.mayHaveChanged());

    // Replaced: the new folder is watched.
    fs::remove_all(folder);
    EXPECT_TRUE(watch.mayHaveChanged());
    fs::create_directory(folder);
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_FALSE(watch.mayHaveChanged());
    std::ofstream(folder + "/4.json") << "{}";
    EXPECT_TRUE(watch.mayHaveChanged());
}

}  // namespace
}  // namespace quorvel
