// Logs stay bounded however many processes write them at once, and the older copy kept is
// always a whole file's worth, never a fresh one moved aside a second time.
#include "platform/logging/RotatingLogFile.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/files/Files.hpp"
#include "platform/logging/Logger.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

std::uintmax_t sizeOf(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

TEST(RotatingLogFile, ManyWritersAtOnceKeepBothFilesBoundedAndTheOlderOneWhole) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "shared.log";
    constexpr int writers = 8;
    constexpr int linesEach = 400;
    constexpr std::int64_t maxBytes = 8192;
    const std::string line = std::string(99, 'l') + "\n";
    // Each rotation is checked the moment it has happened, by the writer that comes next.
    std::vector<pid_t> children;
    for (int writer = 0; writer < writers; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int failures = 0;
            for (int i = 0; i < linesEach; ++i) {
                files::appendToRotatingLog(path, line, maxBytes);
                const auto older = sizeOf(path + ".1");
                if (older != 0 && older <= static_cast<std::uintmax_t>(maxBytes)) ++failures;
                if (sizeOf(path) > maxBytes + writers * line.size()) ++failures;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer saw a file out of bounds";
    }
    const std::size_t bound = maxBytes + writers * line.size();
    EXPECT_LE(sizeOf(path), bound);
    EXPECT_GT(sizeOf(path + ".1"), static_cast<std::uintmax_t>(maxBytes));
    EXPECT_LE(sizeOf(path + ".1"), bound);
    EXPECT_FALSE(std::filesystem::exists(path + ".1.1"));
}

TEST(RotatingLogFile, OnlyARegularFileRotates) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "log";
    files::appendToRotatingLog(path, "one\n", 2);
    files::appendToRotatingLog(path, "two\n", 2);
    EXPECT_EQ(*files::readFile(path), "two\n");
    EXPECT_EQ(*files::readFile(path + ".1"), "one\n");
    // A log sent to a device is written to and left where it is.
    files::appendToRotatingLog("/dev/null", std::string(100, 'x'), 2);
    files::appendToRotatingLog("/dev/null", "y\n", 2);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST(RotatingLogFile, TheAppsLogFileRotatesAboveItsLimit) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "app.log";
    const testing::ScopedEnvironmentVariable logFile("QUORVEL_LOG_FILE", path);
    const Logger logger("s", "c");
    logger.info(std::string(logFileMaxBytes, 'a'));
    logger.info("next");
    EXPECT_GT(sizeOf(path + ".1"), static_cast<std::uintmax_t>(logFileMaxBytes));
    EXPECT_EQ(*files::readFile(path), "info s [c] next\n");
    logger.info("and on");
    EXPECT_EQ(*files::readFile(path), "info s [c] next\ninfo s [c] and on\n");
}

}  // namespace
}  // namespace quorvel
