#pragma once
// The ground of the tests of the built helper as a process: a temporary home with a stand-in app
// that records how it was started, the helper run in it, and what it spooled and logged.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "kit/engine/Endpoint.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "platform/time/BootClock.hpp"
#include "tests/hook/FakeEventServer.hpp"
#include "tests/hook/HelperProcess.hpp"

namespace quorvel {

using namespace std::chrono_literals;
using testing::FakeEventServer;
using testing::runHelper;
using testing::TempFolder;

const std::string token = "abcdefghijklmnopqrstuvwxyz0123456789-_ABCDE";
const std::string accepted = "HTTP/1.1 202 Accepted\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
const std::string stopPayload = R"({"hook_event_name":"Stop","session_id":"abc","cwd":"/tmp/p"})";

inline void writeScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    ::chmod(path.c_str(), 0755);
}

/// The event a request to the fake app carried.
inline HookEvent postedEvent(const std::string& request) {
    return HookEvent::decode(json::parse(FakeEventServer::bodyOf(request)));
}

/// Waits up to a second for a file a detached child writes.
inline std::string awaitFile(const std::string& path) {
    for (int i = 0; i < 100; ++i) {
        std::string text = TempFolder::read(path);
        if (!text.empty()) return text;
        std::this_thread::sleep_for(10ms);
    }
    return "";
}

/// One temporary home with a stand-in app that records how it was started.
class HelperProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeScript(home / "fake-app",
                    "echo \"$@\" > \"$HOME/app-arguments\"; readlink /proc/$$/fd/0 > \"$HOME/app-started\"");
        environment = {{"HOME", home.path()}, {"PATH", "/usr/bin:/bin"}, {"QUORVEL_APP_EXECUTABLE", home / "fake-app"}};
    }

    testing::HelperRun run(const std::vector<std::string>& arguments, const std::optional<std::string>& input) {
        auto result = runHelper(arguments, environment, input);
        testing::expectQuietRun(result);
        return result;
    }

    void serveEndpoint(const FakeEventServer& server) {
        const Endpoint endpoint{server.port(), token};
        ASSERT_TRUE(endpoint.write(paths.endpoint()));
    }

    std::string log() { return TempFolder::read(paths.hookLog()); }

    std::vector<HookEvent> spooled() {
        std::vector<HookEvent> events;
        for (const auto& name : TempFolder::names(paths.spool())) {
            events.push_back(HookEvent::decode(json::parse(TempFolder::read(paths.spool() + "/" + name))));
        }
        return events;
    }

    TempFolder home;
    QuorvelPaths paths{home.path()};
    std::map<std::string, std::string> environment;
};

}  // namespace quorvel
