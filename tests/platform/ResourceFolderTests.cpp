#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/files/ResourceFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

class ResourceFolderTest : public ::testing::Test {
protected:
    testing::TemporaryFolder folder;
    fs::path root() const { return fs::path(folder.path()); }
    void makeFolder(const fs::path& relative) { fs::create_directories(root() / relative); }
    std::optional<std::string> lookup(const fs::path& program) const {
        return files::resourceFolderFor((root() / program).string());
    }
};

TEST_F(ResourceFolderTest, TheInstalledLayoutComesFirst) {
    makeFolder("usr/bin");
    makeFolder("usr/share/quorvel");
    makeFolder("usr/resources");  // a stray build-style folder never wins over the install
    EXPECT_EQ(lookup("usr/bin/quorvel"), (root() / "usr/share/quorvel").string());
}

TEST_F(ResourceFolderTest, TheBuildTreeServesTheAppAndItsTests) {
    makeFolder("build/bin/tests");
    makeFolder("build/resources");
    EXPECT_EQ(lookup("build/bin/quorvel"), (root() / "build/resources").string());
    EXPECT_EQ(lookup("build/bin/tests/app_tests"), (root() / "build/resources").string());
}

TEST_F(ResourceFolderTest, NothingFoundIsAbsentNotAGuess) {
    makeFolder("opt/bin");
    EXPECT_EQ(lookup("opt/bin/quorvel"), std::nullopt);
    EXPECT_EQ(files::resourceFolderFor(""), std::nullopt);
    // A file where the folder should be is no resource folder.
    makeFolder("usr/share");
    makeFolder("usr/bin");
    std::ofstream(root() / "usr/share/quorvel") << "not a folder";
    EXPECT_EQ(lookup("usr/bin/quorvel"), std::nullopt);
}

}  // namespace
}  // namespace quorvel
