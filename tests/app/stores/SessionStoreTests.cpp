#include "app/stores/SessionStore.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/support/DesktopServiceLog.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

const Instant now = Instant::fromUnixSeconds(1'750'000'000);

Session session(const std::string& id, std::int64_t number, double secondsAgo) {
    Session made;
    made.id = id;
    made.number = number;
    made.run = Run{now.adding(-secondsAgo - 10), "run " + id};
    made.state = SessionState::running(*made.run);
    made.lastEventAt = now.adding(-secondsAgo);
    return made;
}

std::vector<std::string> idsOf(const std::vector<Session>& sessions) {
    std::vector<std::string> ids;
    for (const Session& each : sessions) ids.push_back(each.id);
    return ids;
}

class SessionStoreTests : public ::testing::Test {
protected:
    void write(const json::Json& document) {
        ASSERT_TRUE(files::writeFileAtomically(folder / SessionStore::fileName, json::dump(document), 0600));
    }

    testing::DesktopServiceLog log;
    TemporaryFolder folder;
    SessionStore store{folder.path()};
};

TEST_F(SessionStoreTests, OutOfRangeOrDamagedPartsCostOnlyThemselves) {
    json::Json sessions = json::Json::array();
    sessions.push_back(session("good", 7, 60).encode());
    sessions.push_back(session("zero", 0, 60).encode());
    sessions.push_back(session("huge", std::numeric_limits<std::int64_t>::max(), 60).encode());
    sessions.push_back(json::Json{{"id", "broken"}});
    write({{"savedAt", json::referenceDate(now.adding(-30))},
           {"nextNumber", std::numeric_limits<std::int64_t>::max()},
           {"sessions", sessions},
           {"handledEventIDs", {"6f1c2b0e-8d4a-4c1e-9b7f-2a5d3e4f6a7b", 42, "", std::string(65, 'x')}}});

    const auto loaded = store.load(now, 1800, 10'000);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->nextNumber, 1);
    EXPECT_EQ(idsOf(loaded->sessions), std::vector<std::string>{"good"});
    EXPECT_EQ(loaded->handledEventIDs, std::vector<std::string>{"6f1c2b0e-8d4a-4c1e-9b7f-2a5d3e4f6a7b"});
}

TEST_F(SessionStoreTests, IdentitiesComeBackEvenFromAStaleFileAndAnOlderFileHasNone) {
    StateMachine machine;
    machine.adopt({session("s1", 1, 60)});
    RecentEventIDs handled;
    for (const char* id : {"first", "second"}) handled.insert(id);
    ASSERT_TRUE(store.save(machine, handled, now));

    const auto fresh = store.load(now.adding(60), 1800, 10'000);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(idsOf(fresh->sessions), std::vector<std::string>{"s1"});
    EXPECT_EQ(fresh->handledEventIDs, (std::vector<std::string>{"first", "second"}));

    // Too old for its sessions, not for its identities: their spool files may still wait.
    const auto stale = store.load(now.adding(7200), 1800, 10'000);
    ASSERT_TRUE(stale);
    EXPECT_TRUE(stale->sessions.empty());
    EXPECT_EQ(stale->nextNumber, 1);
    EXPECT_EQ(stale->handledEventIDs, (std::vector<std::string>{"first", "second"}));

    write({{"savedAt", json::referenceDate(now)}, {"nextNumber", 2}, {"sessions", json::Json::array()}});
    const auto older = store.load(now, 1800, 10'000);
    ASSERT_TRUE(older);
    EXPECT_TRUE(older->handledEventIDs.empty());
}

TEST_F(SessionStoreTests, ACrowdedFileGivesBackTheMostRecentlyActiveUpToTheBound) {
    json::Json sessions = json::Json::array();
    for (int index = 0; index < 6; ++index) {
        sessions.push_back(session("s" + std::to_string(index), index + 1, 600 - index * 60).encode());
    }
    write({{"savedAt", json::referenceDate(now)}, {"nextNumber", 7}, {"sessions", sessions}});
    const auto loaded = store.load(now, 1800, 2);
    ASSERT_TRUE(loaded);
    std::vector<std::string> ids = idsOf(loaded->sessions);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"s4", "s5"}));
    EXPECT_EQ(loaded->nextNumber, 7);
}

TEST_F(SessionStoreTests, WhatIsSavedAlwaysReadsBackTheLeastRecentlyActiveLeftOutFirst) {
    // Sessions whose folders are as long as anything handed to the app can make them: ten of
    // them would not fit in what a load reads, seven do.
    std::vector<Session> sessions;
    for (int index = 0; index < 10; ++index) {
        Session made = session("s" + std::to_string(index), index + 1, 600 - index * 60);
        made.cwd = std::string(4 * 1024 * 1024, static_cast<char>('a' + index));
        sessions.push_back(std::move(made));
    }
    StateMachine machine;
    machine.adopt(sessions);
    ASSERT_TRUE(store.save(machine, RecentEventIDs(), now));

    EXPECT_LE(files::readFile(folder / SessionStore::fileName)->size(), SessionStore::maxFileBytes);
    const auto loaded = store.load(now, 1800, 10'000);
    ASSERT_TRUE(loaded);
    std::vector<std::string> ids = idsOf(loaded->sessions);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"s3", "s4", "s5", "s6", "s7", "s8", "s9"}));
    EXPECT_EQ(log.lines("Sessions").size(), 1u);
}

TEST_F(SessionStoreTests, AFailureTriedAgainIsLoggedOnceUntilASaveWorks) {
    // Through a folder that is a link a save never writes, however often it is tried.
    TemporaryFolder elsewhere;
    const std::string linked = folder / "linked";
    const auto link = [&] { return ::symlink(elsewhere.path().c_str(), linked.c_str()) == 0; };
    ASSERT_TRUE(link());
    SessionStore throughLink(linked);
    StateMachine machine;
    for (int attempt = 0; attempt < 5; ++attempt) {
        EXPECT_FALSE(throughLink.save(machine, RecentEventIDs(), now.adding(attempt * 5)));
    }
    EXPECT_EQ(log.lines("Sessions").size(), 1u);

    ASSERT_EQ(::unlink(linked.c_str()), 0);
    EXPECT_TRUE(throughLink.save(machine, RecentEventIDs(), now.adding(30)));
    // After a save that worked, the same failure is news again.
    std::filesystem::remove_all(linked);
    ASSERT_TRUE(link());
    EXPECT_FALSE(throughLink.save(machine, RecentEventIDs(), now.adding(35)));
    EXPECT_EQ(log.lines("Sessions").size(), 2u);
}

}  // namespace
}  // namespace quorvel
