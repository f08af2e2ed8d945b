#include "platform/logging/Logger.hpp"

#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files/Files.hpp"
#include "platform/text/UnicodeText.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

TEST(Logger, FileSinkGetsWholeLinesInFull) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "log.txt";
    const testing::ScopedEnvironmentVariable logFile("QUORVEL_LOG_FILE", path);
    const Logger logger("com.tessaloom.quorvel.mac", "EventServer");
    logger.info("listening on 127.0.0.1:49152");
    logger.error("token=abc/def " + std::string(300, 'x'));
    // A line break in what a line quotes is escaped, so each message stays one line.
    Logger("com.tessaloom.quorvel", "Sound").fault("line one\nline two");
    const std::string expected = "info com.tessaloom.quorvel.mac [EventServer] listening on 127.0.0.1:49152\n"
                                 "error com.tessaloom.quorvel.mac [EventServer] token=abc/def " +
                                 std::string(300, 'x') +
                                 "\n"
                                 "fault com.tessaloom.quorvel [Sound] line one\\nline two\n";
    EXPECT_EQ(*files::readFile(path), expected);
}

TEST(Logger, NoSinkWithoutTheVariable) {
    testing::TemporaryFolder folder;
    ::unsetenv("QUORVEL_LOG_FILE");
    Logger("s", "c").notice("only to the journal");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(Logger, ConcurrentProcessesNeverInterleaveLines) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "shared.log";
    const testing::ScopedEnvironmentVariable logFile("QUORVEL_LOG_FILE", path);
    constexpr int writers = 4;
    constexpr int linesEach = 200;
    const std::string payload(2000, 'p');
    std::vector<pid_t> children;
    for (int writer = 0; writer < writers; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const Logger logger("s", "w" + std::to_string(writer));
            for (int line = 0; line < linesEach; ++line) logger.debug(payload);
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) ::waitpid(child, nullptr, 0);
    const auto lines = text::splitLines(*files::readFile(path));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(writers * linesEach + 1));
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), std::string("debug s [w0] ").size() + payload.size()) << i;
        ASSERT_EQ(lines[i].substr(lines[i].size() - payload.size()), payload);
    }
}

TEST(Logger, LevelNames) {
    EXPECT_EQ(logLevelName(LogLevel::debug), "debug");
    EXPECT_EQ(logLevelName(LogLevel::notice), "notice");
    EXPECT_EQ(logLevelName(LogLevel::fault), "fault");
}

}  // namespace
}  // namespace quorvel
