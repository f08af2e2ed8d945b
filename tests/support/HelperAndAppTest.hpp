#pragma once
// The ground of a test of the built helper, run as the agent's hooks run it, and the copies of
// the built app it starts: a throw-away home and runtime folder, the app as a process of the
// test's own, and the copies running for that home. The suite defines QUORVEL_APP and
// QUORVEL_HOOK as the built programs. Ending the copies a test leaves is its fixture's to do,
// in its TearDown: `appCopies.killAll()`.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "kit/engine/QuorvelPaths.hpp"
#include "tests/support/AppCopies.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/HookEventRun.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::testing {

class HelperAndAppTest : public ::testing::Test {
protected:
    TemporaryFolder home;
    RuntimeFolder runtime;
    AppProcess app{QUORVEL_APP, home.path(), runtime.path()};
    AppCopies appCopies{QUORVEL_APP, home.path()};

    QuorvelPaths paths() const { return QuorvelPaths(home.path()); }
    /// Where the copies the helper and the launches start write their log lines.
    std::string startedLog() const { return home / "started-copies.log"; }

    /// The environment the agent's hooks give the helper, and the helper the copies it starts.
    std::map<std::string, std::optional<std::string>> helperEnvironment() const {
        return hookEnvironment(home.path(), runtime.path(), QUORVEL_APP, startedLog());
    }

    /// Runs the helper once with `payload` on its standard input, as a hook event runs it, and
    /// waits for it: its exit status, -1 when it didn't end by itself. Any thread.
    int runHelper(const std::string& payload) const {
        return runHelperForEvent(QUORVEL_HOOK, payload, home.path(), helperEnvironment());
    }

    /// The saved finished runs' titles read as numbers (the commands of
    /// `failedCommandPayload`), newest first.
    std::vector<int> finishedNumbers() const {
        std::vector<int> numbers;
        for (const FinishedRun& run : app.finished()) numbers.push_back(std::atoi(run.title.c_str()));
        return numbers;
    }

    /// The processes running the built app for this test's home.
    std::vector<pid_t> copies() const { return appCopies.running(); }
};

}  // namespace quorvel::testing
