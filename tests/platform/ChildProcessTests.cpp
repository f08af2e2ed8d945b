#include "platform/processes/ChildProcess.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <sstream>
#include <thread>

#include "tests/support/ScopedEnvironmentVariable.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::ScopedEnvironmentVariable;
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

TEST(ChildProcessTest, AProgramNamedWithoutASlashIsLookedUpInPathOnlyWhenAsked) {
    TemporaryFolder folder;
    ASSERT_TRUE(files::writeFileAtomically(folder / "quorvel-test-tool", "#!/bin/sh\nexit 4\n", 0755));
    ScopedEnvironmentVariable path("PATH", folder.path());

    const auto found = runProgram("quorvel-test-tool", {});
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, 4);
    const auto missing = runProgram("quorvel-no-such-tool", {});
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
    // The exact-path call never searches.
    EXPECT_FALSE(runChildProcess("quorvel-test-tool", {}));
}

TEST(ChildProcessTest, ADetachedProgramLeadsASessionOfItsOwn) {
    TemporaryFolder folder;
    const std::string script = folder / "script";
    const std::string output = folder / "stat";
    // Written under another name and moved, so the test never reads half a file.
    ASSERT_TRUE(files::writeFileAtomically(
        script, "#!/bin/sh\ncat /proc/$$/stat > '" + output + ".part' && mv '" + output + ".part' '" + output + "'\n",
        0755));

    ASSERT_TRUE(startDetachedProgram(script, {}));
    std::optional<std::string> stat;
    for (int attempt = 0; attempt < 500 && !stat; ++attempt) {
        if (auto read = files::readFile(output)) {
            stat = *read;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ASSERT_TRUE(stat) << "the program never ran";
    // "<pid> (<name>) <state> <ppid> <pgrp> <session> ...": a session leader's session is its pid.
    std::istringstream fields(stat->substr(stat->rfind(')') + 2));
    std::string state;
    long parent = 0, group = 0, session = 0;
    fields >> state >> parent >> group >> session;
    EXPECT_EQ(session, std::stol(*stat));

    const auto missing = startDetachedProgram(folder / "missing", {});
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
}

}  // namespace
}  // namespace quorvel
