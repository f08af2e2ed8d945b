#include "platform/files/Files.hpp"

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/support/FileMode.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"
#include "tests/support/ScopedUmask.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::files {
namespace {

using testing::modeOf;
using testing::TemporaryFolder;

std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class FilesUnderUmask : public ::testing::TestWithParam<mode_t> {};

TEST_P(FilesUnderUmask, ModesAreExactWhateverTheUmask) {
    testing::ScopedUmask mask(GetParam());
    TemporaryFolder folder;
    const std::string deep = folder / "a/b/c";
    ASSERT_TRUE(createDirectories(deep, 0700));
    EXPECT_EQ(modeOf(folder / "a"), 0700u);
    EXPECT_EQ(modeOf(folder / "a/b"), 0700u);
    EXPECT_EQ(modeOf(deep), 0700u);

    ASSERT_TRUE(writeFileAtomically(deep + "/private.json", "{}", 0600));
    EXPECT_EQ(modeOf(deep + "/private.json"), 0600u);
    ASSERT_TRUE(writeFileAtomically(deep + "/shared.txt", "x", 0644));
    EXPECT_EQ(modeOf(deep + "/shared.txt"), 0644u);
}

INSTANTIATE_TEST_SUITE_P(Umasks, FilesUnderUmask, ::testing::Values(mode_t{0077}, mode_t{0000}, mode_t{0022}));

TEST(Files, ExistingFoldersAreLeftUnchanged) {
    TemporaryFolder folder;
    ASSERT_EQ(::mkdir((folder / "open").c_str(), 0755), 0);
    ::chmod((folder / "open").c_str(), 0755);
    ASSERT_TRUE(createDirectories(folder / "open/new/", 0700));
    EXPECT_EQ(modeOf(folder / "open"), 0755u);
    EXPECT_EQ(modeOf(folder / "open/new"), 0700u);
    EXPECT_TRUE(createDirectories(folder / "open/new", 0700));  // again: fine
}

TEST(Files, CreatingAFolderWhereAFileIsFails) {
    TemporaryFolder folder;
    ASSERT_TRUE(writeFileAtomically(folder / "file", "x"));
    const auto result = createDirectories(folder / "file/below");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, ENOTDIR);
}

TEST(Files, AtomicWriteReplacesAndLeavesNothingBehind) {
    TemporaryFolder folder;
    const std::string target = folder / "endpoint.json";
    ASSERT_TRUE(writeFileAtomically(target, "first"));
    ASSERT_TRUE(writeFileAtomically(target, "second"));
    EXPECT_EQ(*readFile(target), "second");
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"endpoint.json"});
    ASSERT_TRUE(writeFileAtomically(target, ""));
    EXPECT_EQ(*readFile(target), "");
}

TEST(Files, FailedRenameRemovesTheTemporaryAndKeepsTheTarget) {
    TemporaryFolder folder;
    const std::string target = folder / "taken";
    ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
    ASSERT_TRUE(writeFileAtomically(target + "/inside", "keep"));
    const auto result = writeFileAtomically(target, "bytes");
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().code == EISDIR || result.error().code == ENOTEMPTY) << result.error().code;
    EXPECT_EQ(result.error().path, target);
    EXPECT_NE(result.error().message.find(target), std::string::npos);
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"taken"});
    EXPECT_EQ(*readFile(target + "/inside"), "keep");
}

TEST(Files, WritingIntoAMissingFolderFailsWithTheTemporaryPath) {
    TemporaryFolder folder;
    const auto result = writeFileAtomically(folder / "missing/file.json", "x");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, ENOENT);
    EXPECT_NE(result.error().path.find("/missing/.file.json."), std::string::npos) << result.error().path;
}

TEST(Files, ReadingMissingFileGivesErrno) {
    TemporaryFolder folder;
    const auto result = readFile(folder / "none");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, ENOENT);
    EXPECT_EQ(result.error().message, "No such file or directory: " + (folder / "none"));
}

TEST(Files, ReadsBinaryContentsWhole) {
    TemporaryFolder folder;
    std::string bytes(200000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(writeFileAtomically(folder / "blob", bytes));
    EXPECT_EQ(*readFile(folder / "blob"), bytes);
}

TEST(Files, PathPieces) {
    struct Case {
        const char* path;
        const char* parent;
        const char* name;
    };
    const Case cases[] = {
        {"/a/b/c", "/a/b", "c"}, {"c", ".", "c"},    {"/c", "/", "c"},
        {"/a/b/", "/a", "b"},    {"a//b", "a", "b"}, {"/", "/", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(parentPath(c.path), c.parent);
        EXPECT_EQ(fileName(c.path), c.name);
    }
    EXPECT_EQ(joinPath("/home/a", "Library/Logs"), "/home/a/Library/Logs");
    EXPECT_EQ(joinPath("/home/a/", "/Library"), "/home/a/Library");
    EXPECT_EQ(joinPath("/", "x"), "/x");
    EXPECT_EQ(joinPath("", "x"), "x");
}

TEST(Files, HomeComesFromTheEnvironmentThenThePasswordDatabase) {
    const testing::ScopedEnvironmentVariable home("HOME", "/somewhere/else");
    EXPECT_EQ(homeDirectory(), "/somewhere/else");
    home.set("");
    EXPECT_FALSE(homeDirectory().empty());
    EXPECT_EQ(homeDirectory().front(), '/');
}

}  // namespace
}  // namespace quorvel::files
