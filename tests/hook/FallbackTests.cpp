#include <gtest/gtest.h>

#include <unistd.h>

#include <regex>

#include "hook/FallbackBanner.hpp"
#include "hook/SpoolFile.hpp"
#include "kit/engine/CopyBook.hpp"
#include "tests/hook/TempFolder.hpp"

namespace quorvel {
namespace {

using testing::TempFolder;

TEST(SpoolFile, WritesThePrivateFileWholeWithNothingLeftBehind) {
    TempFolder home;
    QuorvelPaths paths(home.path());
    HookLog log{paths.hookLog(), 1'048'576};
    HookEvent event = HookEvent::make("Stop", "s", 1796714910.1239);
    const std::string data = json::dump(event.encode());
    writeSpoolFile(data, event, paths, log);
    writeSpoolFile(data, event, paths, log);

    auto names = TempFolder::names(paths.spool());
    ASSERT_EQ(names.size(), 2u);
    for (const auto& name : names) {
        EXPECT_TRUE(std::regex_match(name, std::regex(R"(1796714910123-[0-9A-F-]{36}\.json)"))) << name;
        EXPECT_EQ(TempFolder::read(paths.spool() + "/" + name), data);
        EXPECT_EQ(TempFolder::permissions(paths.spool() + "/" + name), 0600u);
    }
    EXPECT_EQ(TempFolder::permissions(paths.spool()), 0700u);
    EXPECT_EQ(TempFolder::read(paths.hookLog()), "");
}

TEST(SpoolFile, LogsAFolderItCantCreate) {
    TempFolder home;
    QuorvelPaths paths(home.path());
    HookLog log{home / "hook.log", 1'048'576};
    // A file where the application-support folder should be.
    ASSERT_TRUE(files::createDirectories(files::parentPath(paths.appSupport())).hasValue());
    ASSERT_TRUE(files::writeFileAtomically(paths.appSupport(), "in the way").hasValue());
    HookEvent event = HookEvent::make("Stop", "s", 1.0);
    writeSpoolFile("{}", event, paths, log);
    EXPECT_NE(TempFolder::read(log.url).find(" couldn't create spool folder: "), std::string::npos);
}

TEST(SpoolFile, NeverWritesThroughALinkedFolderAndSaysSo) {
    TempFolder home;
    QuorvelPaths paths(home.path());
    HookLog log{home / "hook.log", 1'048'576};
    HookEvent event = HookEvent::make("Stop", "s", 1796714910.1239);
    const std::string elsewhere = home / "elsewhere";
    ASSERT_TRUE(files::createDirectories(elsewhere));
    // The spool linked elsewhere, then the whole application-support folder.
    ASSERT_TRUE(files::createDirectories(paths.appSupport()));
    ASSERT_EQ(::symlink(elsewhere.c_str(), paths.spool().c_str()), 0);
    writeSpoolFile("{}", event, paths, log);
    EXPECT_TRUE(TempFolder::names(elsewhere).empty());
    EXPECT_NE(TempFolder::read(home / "hook.log").find("spool folder not used: " + paths.spool() + " is a link"),
              std::string::npos);

    ASSERT_EQ(::unlink(paths.spool().c_str()), 0);
    ASSERT_EQ(::rmdir(paths.appSupport().c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), paths.appSupport().c_str()), 0);
    writeSpoolFile("{}", event, paths, log);
    EXPECT_TRUE(TempFolder::names(elsewhere).empty());
}

TEST(FallbackBanner, OnlyEventsAUserMustNotMissGetOne) {
    auto event = [](std::string name) { return HookEvent::make(std::move(name), "s", 1.0); };
    HookEvent stop = event("Stop");
    HookEvent stopZero = event("Stop");
    stopZero.backgroundTaskCount = 0;
    HookEvent stopWaiting = event("Stop");
    stopWaiting.backgroundTaskCount = 2;
    HookEvent crash = event("StopFailure");
    crash.error = "overloaded";
    HookEvent idle = event("Notification");
    idle.notificationType = "idle_prompt";
    HookEvent permission = event("Notification");
    permission.notificationType = "permission_prompt";

    struct Case {
        HookEvent event;
        std::optional<std::string> body;
    };
    const std::vector<Case> cases = {
        {stop, "DONE. GO LOOK."},
        {stopZero, "DONE. GO LOOK."},
        {stopWaiting, std::nullopt},
        {crash, "CRASHED. " + CopyBook::crashReason(std::string("overloaded")) + "."},
        {event("StopFailure"), "CRASHED. Something went wrong."},
        {idle, std::nullopt},
        {permission, "OI. NEEDS YOU."},
        {event("Notification"), "OI. NEEDS YOU."},
        {event("PostToolUseFailure"), std::nullopt},
        {event("UserPromptSubmit"), std::nullopt},
    };
    for (const auto& c : cases) {
        auto banner = fallbackBanner(c.event);
        ASSERT_EQ(banner.has_value(), c.body.has_value()) << c.event.event.text();
        if (banner) {
            EXPECT_EQ(*banner, (FallbackBanner{"Quorvel", *c.body})) << c.event.event.text();
        }
    }
}

}  // namespace
}  // namespace quorvel
