#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <regex>

#include "hook/HookLog.hpp"
#include "tests/hook/TempFolder.hpp"

namespace quorvel {
namespace {

using testing::TempFolder;

TEST(HookLog, FirstLineCreatesFolderAndPrivateFile) {
    TempFolder home;
    HookLog log{home / "Library/Logs/Quorvel/hook.log", 1'048'576};
    log.writeLogLine("app answered 401 for Stop");
    log.writeLogLine("second");
    std::string text = TempFolder::read(log.url);
    EXPECT_EQ(TempFolder::permissions(log.url), 0600u);
    std::regex line(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z pid \d+ app answered 401 for Stop\n)"
                    R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z pid \d+ second\n)");
    EXPECT_TRUE(std::regex_match(text, line)) << text;
    EXPECT_NE(text.find(" pid " + std::to_string(::getpid()) + " "), std::string::npos);
}

TEST(HookLog, RotatesOnlyAboveTheLimit) {
    TempFolder home;
    HookLog log{home / "hook.log", 1'048'576};
    // Exactly the limit: appended to.
    ASSERT_TRUE(files::writeFileAtomically(log.url, std::string(1'048'576, 'x')).hasValue());
    log.writeLogLine("appended");
    EXPECT_GT(TempFolder::read(log.url).size(), 1'048'576u);
    EXPECT_EQ(TempFolder::names(home.path()), std::vector<std::string>{"hook.log"});

    // One byte more: moved aside before the next line, replacing an older copy.
    ASSERT_TRUE(files::writeFileAtomically(log.url, std::string(1'048'577, 'y')).hasValue());
    ASSERT_TRUE(files::writeFileAtomically(log.url + ".1", "old copy").hasValue());
    log.writeLogLine("fresh");
    EXPECT_EQ(TempFolder::read(log.url + ".1"), std::string(1'048'577, 'y'));
    std::string fresh = TempFolder::read(log.url);
    EXPECT_TRUE(fresh.ends_with(" fresh\n"));
    EXPECT_LT(fresh.size(), 100u);
}

TEST(HookLog, HelpersWritingAtOnceKeepTheLogAndItsOlderCopyBounded) {
    TempFolder home;
    const HookLog log{home / "hook.log", 16384};
    constexpr int helpers = 8;
    constexpr int linesEach = 300;
    std::vector<pid_t> children;
    for (int helper = 0; helper < helpers; ++helper) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int line = 0; line < linesEach; ++line) log.writeLogLine("app not answering for Stop: " + std::string(60, 'x'));
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) ::waitpid(child, nullptr, 0);
    // A line is about 120 bytes; each helper may add one after another has measured the file.
    const std::size_t bound = 16384 + helpers * 200;
    EXPECT_LE(TempFolder::read(log.url).size(), bound);
    const std::string older = TempFolder::read(log.url + ".1");
    EXPECT_GT(older.size(), 16384u) << "the older copy is a whole log, not a fresh one rotated twice";
    EXPECT_LE(older.size(), bound);
    EXPECT_EQ(TempFolder::names(home.path()), (std::vector<std::string>{"hook.log", "hook.log.1"}));
}

}  // namespace
}  // namespace quorvel
