// What the spool watch reports: a new file, whether renamed in or written in place, and the
// folder coming, going and coming back; our own removals are not news.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/intake/SpoolWatch.hpp"
#include "platform/files/Files.hpp"
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
    // Removals, folders and names the drain doesn't read are nothing to read.
    fs::remove(folder + "/1.json");
    fs::create_directory(folder + "/3.json");
    std::ofstream(folder + "/notes.txt") << "x";
    EXPECT_FALSE(watch.mayHaveChanged());

    // Made without a rename: a hard link to a file written elsewhere, an unnamed file given
    // its name once written, and a plain write, news from its first byte (the reader keeps
    // what is still being written) and again at its end.
    std::ofstream(root / "written-elsewhere") << "{}";
    fs::create_hard_link(root / "written-elsewhere", folder + "/5.json");
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_FALSE(watch.mayHaveChanged());
    const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(unnamed, 0);
    ASSERT_EQ(::write(unnamed, "{}", 2), 2);
    EXPECT_FALSE(watch.mayHaveChanged());
    const std::string unnamedPath = "/proc/self/fd/" + std::to_string(unnamed);
    ASSERT_EQ(::linkat(AT_FDCWD, unnamedPath.c_str(), AT_FDCWD, (folder + "/6.json").c_str(), AT_SYMLINK_FOLLOW), 0);
    EXPECT_TRUE(watch.mayHaveChanged());
    ::close(unnamed);
    const int plain = ::open((folder + "/7.json").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(plain, 0);
    EXPECT_TRUE(watch.mayHaveChanged());
    ASSERT_EQ(::write(plain, "{}", 2), 2);
    ::close(plain);
    EXPECT_TRUE(watch.mayHaveChanged());
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
