#include "platform/files/OwnFileRead.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/OddFiles.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::files {
namespace {

using testing::OddFile;
using testing::TemporaryFolder;

TEST(OwnFileRead, ReadsARegularFileWithItsModeAndOwner) {
    TemporaryFolder folder;
    ASSERT_TRUE(writeFileAtomically(folder / "own.json", "{\"a\":1}", 0640));
    const auto read = readOwnFile(folder / "own.json", 7);
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(read->bytes, "{\"a\":1}");
    EXPECT_EQ(read->permissions, 0640u);
    EXPECT_EQ(read->owner, ::geteuid());

    // One byte over the bound is refused, not cut.
    const auto over = readOwnFile(folder / "own.json", 6);
    ASSERT_FALSE(over);
    EXPECT_EQ(over.error().code, EFBIG);

    const int folderFd = openOwnFolder(folder.path());
    ASSERT_GE(folderFd, 0);
    const auto at = readOwnFileAt(folderFd, "own.json", 100, folder / "own.json");
    ::close(folderFd);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->bytes, "{\"a\":1}");
}

class OwnFileReadOfOddFiles : public ::testing::TestWithParam<OddFile> {};

TEST_P(OwnFileReadOfOddFiles, RefusesAtOnceWithoutWaitingOrReading) {
    TemporaryFolder folder;
    const std::string path = folder / "endpoint.json";
    ASSERT_TRUE(testing::plantOddFile(GetParam(), path, folder / "elsewhere.json", "{}"));

    const auto read = readOwnFile(path, 4096);
    ASSERT_FALSE(read);
    EXPECT_NE(read.error().message.find(path), std::string::npos) << read.error().message;
    switch (GetParam()) {
        case OddFile::deviceLink:
        case OddFile::linkToRegularFile: EXPECT_EQ(read.error().code, ELOOP); break;
        case OddFile::huge: EXPECT_EQ(read.error().code, EFBIG); break;
        case OddFile::fifo:
        case OddFile::folder: EXPECT_EQ(read.error().code, EINVAL); break;
    }

    const int folderFd = openOwnFolder(folder.path());
    ASSERT_GE(folderFd, 0);
    EXPECT_FALSE(readOwnFileAt(folderFd, "endpoint.json", 4096, path));
    ::close(folderFd);
}

TEST_P(OwnFileReadOfOddFiles, FollowingAFinalLinkReadsOnlyARegularFileBehindIt) {
    TemporaryFolder folder;
    const std::string path = folder / "AuthKey_ABC.p8";
    ASSERT_TRUE(testing::plantOddFile(GetParam(), path, folder / "elsewhere.p8", "{}"));

    const auto read = readOwnFile(path, 4096, FinalLink::follow);
    if (GetParam() == OddFile::linkToRegularFile) {
        ASSERT_TRUE(read) << read.error().message;
        EXPECT_EQ(read->bytes, "{}");
        return;
    }
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().code, GetParam() == OddFile::huge ? EFBIG : EINVAL) << read.error().message;
}

TEST(OwnFileRead, FollowingALinkToAFIFONeverOpensIt) {
    TemporaryFolder folder;
    const std::string fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = folder / "AuthKey_PIPE.p8";
    ASSERT_EQ(::symlink(fifo.c_str(), link.c_str()), 0);
    std::atomic<bool> writerOpened = false;
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        writerOpened = true;
        if (fd >= 0) ::close(fd);
    });
    for (int attempt = 0; attempt < 10; ++attempt) {
        EXPECT_EQ(readOwnFile(link, 4096, FinalLink::follow).error().code, EINVAL);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(writerOpened);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    ::close(reader);
}

INSTANTIATE_TEST_SUITE_P(EachKind, OwnFileReadOfOddFiles, ::testing::ValuesIn(testing::allOddFiles()),
                         [](const auto& info) { return std::string(testing::nameOf(info.param)); });

TEST(OwnFileRead, AFIFOIsNeverOpened) {
    // Opening a FIFO for reading releases a writer waiting to open it: a read that opened it
    // would hand whoever waits there a reader.
    TemporaryFolder folder;
    const std::string path = folder / "finished.json";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::atomic<bool> writerOpened = false;
    std::thread writer([&] {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        writerOpened = true;
        if (fd >= 0) ::close(fd);
    });

    const int folderFd = openOwnFolder(folder.path());
    ASSERT_GE(folderFd, 0);
    for (int attempt = 0; attempt < 20; ++attempt) {
        EXPECT_EQ(readOwnFile(path, 4096).error().code, EINVAL);
        EXPECT_EQ(readOwnFileAt(folderFd, "finished.json", 4096, path).error().code, EINVAL);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::close(folderFd);
    EXPECT_FALSE(writerOpened);

    // Let the writer go.
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    ::close(reader);
}

TEST(OwnFileRead, AFolderOpensOnlyWhenItIsARealFolder) {
    TemporaryFolder root;
    ASSERT_EQ(::mkdir((root / "real").c_str(), 0700), 0);
    ASSERT_EQ(::symlink((root / "real").c_str(), (root / "linked").c_str()), 0);
    const int real = openOwnFolder(root / "real");
    EXPECT_GE(real, 0);
    ::close(real);
    EXPECT_LT(openOwnFolder(root / "linked"), 0);
    EXPECT_LT(openOwnFolder(root / "absent"), 0);
}

}  // namespace
}  // namespace quorvel::files
