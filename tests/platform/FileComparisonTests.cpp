#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/files/FileOperations.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::files {
namespace {

void writeBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Larger than one piece of the comparison, so a difference can lie in a later piece.
std::string bigContents() {
    std::string bytes(300 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 % 251);
    return bytes;
}

TEST(FileComparison, SameBytesAreSameWhereverTheyDiffer) {
    testing::TemporaryFolder folder;
    const std::string first = folder / "first";
    const std::string second = folder / "second";
    const std::string bytes = bigContents();
    writeBytes(first, bytes);
    writeBytes(second, bytes);
    EXPECT_TRUE(haveSameContents(first, second));
    EXPECT_TRUE(haveSameContents(first, first));

    for (const std::size_t at : {std::size_t{0}, std::size_t{65535}, std::size_t{65536}, bytes.size() - 1}) {
        SCOPED_TRACE(at);
        std::string changed = bytes;
        changed[at] = static_cast<char>(changed[at] ^ 1);
        writeBytes(second, changed);
        EXPECT_FALSE(haveSameContents(first, second));
    }
    writeBytes(second, bytes + "x");
    EXPECT_FALSE(haveSameContents(first, second));
    writeBytes(second, "");
    writeBytes(first, "");
    EXPECT_TRUE(haveSameContents(first, second));
}

TEST(FileComparison, AnythingButTwoReadableRegularFilesDiffers) {
    testing::TemporaryFolder folder;
    const std::string file = folder / "file";
    writeBytes(file, "");
    EXPECT_FALSE(haveSameContents(file, folder / "missing"));
    EXPECT_FALSE(haveSameContents(folder / "missing", file));
    EXPECT_FALSE(haveSameContents(file, folder.path()));
    EXPECT_FALSE(haveSameContents(file, "/dev/null"));
    // A named pipe with no writer would block a plain open: it is turned away at once.
    const std::string pipe = folder / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(haveSameContents(file, pipe));
}

}  // namespace
}  // namespace quorvel::files
