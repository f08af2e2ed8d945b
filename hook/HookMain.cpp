#include "hook/HookMain.hpp"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <thread>

#include "hook/AppLaunch.hpp"
#include "hook/Capture.hpp"
#include "hook/HookInput.hpp"
#include "hook/LoopbackPost.hpp"
#include "hook/SimulatedEvents.hpp"
#include "hook/SpoolFile.hpp"
#include "kit/engine/Endpoint.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/SecureRandom.hpp"

namespace quorvel {
namespace {

bool contains(const std::vector<std::string>& arguments, std::string_view wanted) {
    return std::find(arguments.begin(), arguments.end(), wanted) != arguments.end();
}

// The event is kept in the spool whatever went wrong. The app is started only when nothing
// listens for it: an app that answered at all (a 503 when its queue is full, a late or broken
// answer, a queue too full to take the connection) runs and drains the spool itself, and a
// start per event while it is busy would only pile up copies.
void fallBack(std::string_view data, const HookEvent& event, const QuorvelPaths& paths, const HookLog& log,
              const HookEvent::Environment& environment, bool appRuns) {
    writeSpoolFile(data, event, paths, log);
    if (appRuns) return;
    // Looked for only here: while the app answers, the helper never needs it.
    launchAppOrNotify(event, log, appExecutable(environment));
}

}  // namespace

namespace {

extern "C" void endOnAlarm(int) { ::_exit(0); }

}  // namespace

void startWatchdog(double seconds) {
    try {
        std::thread([seconds] {
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            ::_exit(0);
        }).detach();
    } catch (const std::exception&) {
        // No thread to be had (a machine out of processes): the event must still go out, so
        // the timer signal ends the run instead of giving up before it starts.
        startAlarmWatchdog(seconds);
    }
}

void startAlarmWatchdog(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0 || seconds > 3600) seconds = watchdogSeconds;
    struct sigaction action {};
    action.sa_handler = endOnAlarm;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);
    const auto whole = static_cast<long>(seconds);
    itimerval timer{};
    timer.it_value.tv_sec = whole;
    timer.it_value.tv_usec = static_cast<long>((seconds - static_cast<double>(whole)) * 1e6);
    ::setitimer(ITIMER_REAL, &timer, nullptr);
}

void postEvent(const HookEvent& given, const QuorvelPaths& paths, const HookLog& log,
               const HookEvent::Environment& environment) {
    // One identity for both roads: a post that times out after the app read it and the spool
    // file written for it then are recognised as one event.
    HookEvent event = given;
    if (!event.eventID) event.eventID = random::makeUuidString();
    auto data = json::encodeJson(event);
    if (!data) {
        log.writeLogLine("couldn't encode event: " + data.error().message);
        return;
    }
    auto endpoint = Endpoint::read(paths.endpoint());
    if (!endpoint) {
        log.writeLogLine("app not answering for " + event.event.text() + ": " + endpoint.error().message);
        fallBack(*data, event, paths, log, environment, false);
        return;
    }
    auto status = post(*data, *endpoint);
    if (!status) {
        log.writeLogLine("app not answering for " + event.event.text() + ": " + status.error().description);
        fallBack(*data, event, paths, log, environment, !status.error().nothingListens());
    } else if (*status != 202) {
        log.writeLogLine("app answered " + std::to_string(*status) + " for " + event.event.text());
        fallBack(*data, event, paths, log, environment, true);
    }
}

void hookMain(const HookInvocation& invocation) {
    const QuorvelPaths paths(invocation.home);
    const HookLog log{paths.hookLog(), hookLogMaxBytes};
    const std::vector<std::string>& arguments = invocation.arguments;
    const HookEvent::Environment& environment = invocation.environment;

    if (auto simulate = std::find(arguments.begin(), arguments.end(), "--simulate"); simulate != arguments.end()) {
        std::string state = std::next(simulate) != arguments.end() ? *std::next(simulate) : std::string();
        std::vector<HookEvent> events = buildSimulatedEvents(state, Instant::now());
        if (events.empty()) log.writeLogLine("unknown --simulate state '" + state + "'");
        for (const HookEvent& event : events) postEvent(event, paths, log, environment);
        return;
    }

    const HookInput input = readHookInput(invocation.inputFd, hookInputWait);
    const Instant now = Instant::now();

    auto captureSetting = environment.find("QUORVEL_CAPTURE");
    if (contains(arguments, "--capture") || (captureSetting != environment.end() && captureSetting->second == "1")) {
        if (auto captured = writeCapture(input.head, now, arguments, environment, paths.captures()); !captured) {
            log.writeLogLine("capture failed: " + captured.error().message);
        }
    }

    if (input.stillOpen) {
        log.writeLogLine("stdin was still open after " + std::to_string(input.bytesRead) + " bytes; gave up waiting");
        return;
    }
    if (!input.payload) {
        log.writeLogLine("stdin wasn't a JSON object (" + std::to_string(input.head.size()) + " bytes)");
        return;
    }
    std::optional<HookEvent> event = HookEvent::fromPayload(*input.payload, now, environment);
    if (!event) {
        log.writeLogLine(HookEvent::payloadRefusal(*input.payload));
        return;
    }
    postEvent(*event, paths, log, environment);
}

}  // namespace quorvel
