#include "hook/HookMain.hpp"

#include <algorithm>

#include "hook/AppLaunch.hpp"
#include "hook/Capture.hpp"
#include "hook/HookInput.hpp"
#include "hook/LoopbackPost.hpp"
#include "hook/SimulatedEvents.hpp"
#include "hook/SpoolFile.hpp"
#include "hook/TerminalAncestry.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/SpoolFileFormat.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/time/BootClock.hpp"

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
              const HookEvent::Environment& environment, bool appRuns, RunProgress& progress) {
    writeSpoolFile(data, event, paths, log);
    // Kept (or its failure logged): the watchdog may cut the launch or the banner from here.
    progress.settle();
    if (appRuns) return;
    // Looked for only here: while the app answers, the helper never needs it.
    launchAppOrNotify(event, paths, log, appCommand(environment));
}

}  // namespace

void postEvent(const HookEvent& given, const QuorvelPaths& paths, const HookLog& log,
               const HookEvent::Environment& environment, const RunBudget& budget, RunProgress& progress) {
    // One identity for both roads: a post that times out after the app read it and the spool
    // file written for it then are recognised as one event.
    HookEvent event = given;
    if (!event.eventID) event.eventID = random::makeUuidString();
    progress.begin(log, "watchdog ended the run before " + event.event.text() + " was posted or spooled");
    // The body posted and, when the post fails, the spool file's contents.
    auto data = spoolFileContents(event);
    if (!data) {
        progress.settle();
        log.writeLogLine("couldn't encode event: " + data.error().message);
        return;
    }
    auto endpoint = Endpoint::read(paths.endpoint());
    if (!endpoint) {
        log.writeLogLine("app not answering for " + event.event.text() + ": " + endpoint.error().message);
        fallBack(*data, event, paths, log, environment, false, progress);
        return;
    }
    // A paused or swamped app would otherwise hold the post until the watchdog ends the run
    // with the event neither delivered nor spooled.
    auto status = post(*data, *endpoint, budget.postSeconds());
    if (!status) {
        log.writeLogLine("app not answering for " + event.event.text() + ": " + status.error().description);
        fallBack(*data, event, paths, log, environment, !status.error().nothingListens(), progress);
    } else if (*status != 202) {
        log.writeLogLine("app answered " + std::to_string(*status) + " for " + event.event.text());
        fallBack(*data, event, paths, log, environment, true, progress);
    } else {
        progress.settle();
    }
}

void hookMain(const HookInvocation& invocation) {
    const QuorvelPaths paths(invocation.home);
    const HookLog log{paths.hookLog(), hookLogMaxBytes};
    const std::vector<std::string>& arguments = invocation.arguments;
    const HookEvent::Environment& environment = invocation.environment;
    const RunBudget& budget = invocation.budget;
    RunProgress& progress = *invocation.progress;

    if (auto simulate = std::find(arguments.begin(), arguments.end(), "--simulate"); simulate != arguments.end()) {
        std::string state = std::next(simulate) != arguments.end() ? *std::next(simulate) : std::string();
        std::vector<HookEvent> events = buildSimulatedEvents(state, Instant::now());
        if (events.empty()) log.writeLogLine("unknown --simulate state '" + state + "'");
        for (const HookEvent& event : events) postEvent(event, paths, log, environment, budget, progress);
        return;
    }

    progress.begin(log, "watchdog ended the run while stdin was being read");
    const HookInput input = readHookInput(invocation.inputFd, budget.inputDeadline());
    const Instant now = Instant::now();
    // Beside the wall clock, which may be stepped before the next event of the session.
    const std::optional<BootStamp> bootNow = readBootStamp();
    progress.begin(log, "watchdog ended the run before its event was posted or spooled");

    auto captureSetting = environment.find("QUORVEL_CAPTURE");
    if (contains(arguments, "--capture") || (captureSetting != environment.end() && captureSetting->second == "1")) {
        if (auto captured = writeCapture(input.head, now, arguments, environment, paths.captures()); !captured) {
            log.writeLogLine("capture failed: " + captured.error().message);
        }
    }

    // The run ends with this line: the watchdog has nothing left to add.
    const auto giveUp = [&](const std::string& line) {
        progress.settle();
        log.writeLogLine(line);
    };
    if (input.stillOpen) {
        giveUp("stdin was still open after " + std::to_string(input.bytesRead) + " bytes; gave up waiting");
        return;
    }
    if (!input.payload) {
        giveUp("stdin wasn't a JSON object (" + std::to_string(input.head.size()) + " bytes)");
        return;
    }
    std::optional<HookEvent> event = HookEvent::fromPayload(*input.payload, now, environment);
    if (!event) {
        giveUp(HookEvent::payloadRefusal(*input.payload));
        return;
    }
    if (!event->termProgram && invocation.parentProcess > 0) {
        event->termProgram = terminalOfAncestry(invocation.parentProcess);
    }
    if (bootNow) {
        event->bootSeconds = bootNow->seconds;
        event->bootID = bootNow->bootID;
    }
    postEvent(*event, paths, log, environment, budget, progress);
}

}  // namespace quorvel
