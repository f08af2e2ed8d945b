#include "platform/ChildProcess.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

TEST(ChildProcessTest, ArgumentsArePassedAsTheyAreAndTheStatusComesBack) {
    TemporaryFolder folder;
    const std::string script = folder / "script";
    const std::string output = folder / "arguments";
    ASSERT_TRUE(files::writeFileAtomically(
        script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + output + "'\nread line && exit 9\nexit \"$1\"\n", 0755));

    // No shell in between: quotes, spaces and globs reach the program untouched. Standard
    // input is empty, so the script ends with the status it was given.
    const auto ran = runChildProcess(script, {"3", "a b", "*", "'$HOME'"});
    ASSERT_TRUE(ran);
    EXPECT_EQ(*ran, 3);
    EXPECT_EQ(*files::readFile(output), "3\na b\n*\n'$HOME'\n");
}

TEST(ChildProcessTest, AProgramEndedByASignalReportsIt) {
    TemporaryFolder folder;
    const std::string script = folder / "script";
    ASSERT_TRUE(files::writeFileAtomically(script, "#!/bin/sh\nkill -TERM $$\n", 0755));
    const auto ran = runChildProcess(script, {});
    ASSERT_TRUE(ran);
    EXPECT_EQ(*ran, 128 + SIGTERM);
}

TEST(ChildProcessTest, AProgramThatCantStartIsAnErrorNamingIt) {
    TemporaryFolder folder;
    const std::string notExecutable = folder / "plain";
    ASSERT_TRUE(files::writeFileAtomically(notExecutable, "#!/bin/sh\n", 0600));
    struct Case {
        std::string program;
        int code;
    };
    for (const Case& c : {Case{folder / "missing", ENOENT}, Case{notExecutable, EACCES}}) {
        const auto ran = runChildProcess(c.program, {});
        ASSERT_FALSE(ran) << c.program;
        EXPECT_EQ(ran.error().code, c.code);
        EXPECT_EQ(ran.error().message, std::string(std::strerror(c.code)) + ": " + c.program);
    }
}

}  // namespace
}  // namespace quorvel
