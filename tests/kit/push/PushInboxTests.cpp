// The phone's received pushes: read from the notification payload, dropped into the inbox,
// drained into the history.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "kit/push/OutgoingPushPayload.hpp"
#include "kit/push/PushHistory.hpp"
#include "kit/push/PushInbox.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/OddFiles.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

const Instant receivedAt = Instant::fromReferenceSeconds(760000000.5);

ReceivedPush pushNumbered(int number) {
    ReceivedPush push;
    push.id = "ID-" + std::to_string(number);
    push.kind = Alert::Kind::done;
    push.sessionID = "s1";
    push.title = "DONE.";
    push.body = "run " + std::to_string(number);
    push.receivedAt = receivedAt.adding(number);
    return push;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReceivedPushReading, AnAlertPayloadReadsBackWithItsRun) {
    const OutgoingPush outgoing{Alert::Kind::needsYou,
                                "session-1",
                                "OI. NEEDS YOU.",
                                "wants a/b",
                                std::string("alarm.caf"),
                                PushPayloads::InterruptionLevel::timeSensitive,
                                Instant::fromUnixSeconds(1700000000),
                                std::string("web/app"),
                                std::string("Fix the build"),
                                59.9};
    auto bytes = payload(outgoing);
    ASSERT_TRUE(bytes);
    const std::optional<ReceivedPush> push = ReceivedPush::fromUserInfo(json::parse(bytes.value()), receivedAt);
    ASSERT_TRUE(push);
    EXPECT_EQ(push->kind, Alert::Kind::needsYou);
    EXPECT_EQ(push->sessionID, "session-1");
    EXPECT_EQ(push->title, "OI. NEEDS YOU.");
    EXPECT_EQ(push->body, "wants a/b");
    EXPECT_EQ(push->receivedAt, receivedAt);
    EXPECT_EQ(push->project, "web/app");
    EXPECT_EQ(push->runTitle, "Fix the build");
    EXPECT_EQ(push->duration, 59.0);
    EXPECT_EQ(push->id.size(), 36u);
    EXPECT_NE(ReceivedPush::fromUserInfo(json::parse(bytes.value()), receivedAt)->id, push->id);
}

TEST(ReceivedPushReading, OnlyAKnownStateAndASessionMakeAPush) {
    auto read = [](const char* text) { return ReceivedPush::fromUserInfo(json::parse(text), receivedAt); };
    const auto plainAlert = read(R"({"aps":{"alert":"just text"},"quorvel":{"state":"longRun","session":"s"}})");
    ASSERT_TRUE(plainAlert);
    EXPECT_EQ(plainAlert->kind, Alert::Kind::longRun);
    EXPECT_EQ(plainAlert->title, "");
    EXPECT_EQ(plainAlert->body, "");
    EXPECT_FALSE(plainAlert->project);

    const auto oddRun =
        read(R"({"quorvel":{"state":"done","session":"s","run":{"project":7,"title":"t","duration":"9"}}})");
    ASSERT_TRUE(oddRun);
    EXPECT_FALSE(oddRun->project);
    EXPECT_EQ(oddRun->runTitle, "t");
    EXPECT_FALSE(oddRun->duration);

    EXPECT_FALSE(read(R"({"quorvel":{"state":"LONGRUN","session":"s"}})"));
    EXPECT_FALSE(read(R"({"quorvel":{"state":"done"}})"));
    EXPECT_FALSE(read(R"({"quorvel":{"state":"done","session":3}})"));
    EXPECT_FALSE(read(R"({"quorvel":"done"})"));
    EXPECT_FALSE(read(R"({"aps":{}})"));
    EXPECT_FALSE(read(R"([1,2])"));
}

TEST(ReceivedPushJson, TheFileFormHasTheFieldsInOrderAndOptionalsOnlyWhenPresent) {
    ReceivedPush push = pushNumbered(1);
    EXPECT_EQ(
        json::dump(push.encode()),
        R"({"id":"ID-1","kind":"done","sessionID":"s1","title":"DONE.","body":"run 1","receivedAt":760000001.5})");
    push.kind = Alert::Kind::needsYou;
    push.project = "web";
    push.runTitle = "Fix";
    push.duration = 12.5;
    const json::Json full = push.encode();
    EXPECT_EQ(full["kind"], "needsYou");
    EXPECT_EQ(ReceivedPush::decode(full), push);
    json::Json missingBody = full;
    missingBody.erase("body");
    EXPECT_THROW(ReceivedPush::decode(missingBody), json::JsonDecodeError);
}

TEST(PushInboxFiles, APushIsNamedByItsMillisecondsAndId) {
    ReceivedPush push = pushNumbered(1);
    push.receivedAt = Instant::fromUnixSeconds(0.5009);
    EXPECT_EQ(PushInbox::fileName(push), "500-ID-1.json");
    push.receivedAt = Instant::fromUnixSeconds(1700000000.9999);
    EXPECT_EQ(PushInbox::fileName(push), "1700000000999-ID-1.json");
    push.receivedAt = Instant::fromUnixSeconds(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(PushInbox::fileName(push));
    push.receivedAt = Instant::fromUnixSeconds(1e300);
    EXPECT_FALSE(PushInbox::fileName(push));

    testing::TemporaryFolder base;
    EXPECT_FALSE(PushInbox::write(push, base.path()));
    EXPECT_FALSE(fs::exists(base / "inbox"));
}

TEST(PushInboxFiles, WrittenPushesDrainOldestFirstAndTheInboxEmpties) {
    testing::TemporaryFolder base;
    const std::string container = base / "container";
    EXPECT_TRUE(PushInbox::drain(container).empty());
    ASSERT_TRUE(PushInbox::write(pushNumbered(2), container));
    ASSERT_TRUE(PushInbox::write(pushNumbered(1), container));
    const std::string inbox = container + "/inbox";
    const auto file = files::readFile(inbox + "/" + *PushInbox::fileName(pushNumbered(1)));
    ASSERT_TRUE(file);
    EXPECT_EQ(file.value(), json::dump(pushNumbered(1).encode()));

    // Some other writer's temporary file and a file of another kind are not the drain's.
    ASSERT_TRUE(files::writeFileAtomically(inbox + "/.0-x.json.5C1E", "{"));
    ASSERT_TRUE(files::writeFileAtomically(inbox + "/notes.txt", "keep"));

    EXPECT_EQ(PushInbox::drain(container), (std::vector<ReceivedPush>{pushNumbered(1), pushNumbered(2)}));
    EXPECT_EQ(namesIn(inbox), (std::vector<std::string>{".0-x.json.5C1E", "notes.txt"}));
    EXPECT_TRUE(PushInbox::drain(container).empty());
}

TEST(PushInboxFiles, ACorruptFileIsDroppedAndOneThatCantBeReadIsMovedAsideOnce) {
    testing::TemporaryFolder base;
    ASSERT_TRUE(PushInbox::write(pushNumbered(1), base.path()));
    ASSERT_TRUE(PushInbox::write(pushNumbered(3), base.path()));
    const std::string inbox = base / "inbox";
    ASSERT_TRUE(files::writeFileAtomically(inbox + "/" + std::to_string(2) + "-corrupt.json", "{\"id\":"));
    // None of these may hold the drain up or be read into memory; none can ever be read.
    std::vector<std::string> odd;
    for (const testing::OddFile kind : testing::allOddFiles()) {
        const std::string name = std::string("5-") + testing::nameOf(kind) + ".json";
        ASSERT_TRUE(testing::plantOddFile(kind, inbox + "/" + name, base / "target", "{}")) << name;
        odd.push_back(name);
    }

    testing::LogCapture log;
    EXPECT_EQ(PushInbox::drain(base.path()), (std::vector<ReceivedPush>{pushNumbered(1), pushNumbered(3)}));
    const std::vector<std::string> left = namesIn(inbox);
    ASSERT_EQ(left.size(), odd.size());
    std::sort(odd.begin(), odd.end());
    for (std::size_t index = 0; index < odd.size(); ++index) {
        EXPECT_EQ(left[index].rfind(odd[index] + ".unreadable-", 0), 0u) << left[index];
    }
    // Moved, not followed: the link's target is untouched.
    EXPECT_EQ(files::readFile(base / "target").value(), "{}");
    EXPECT_EQ(log.lines().size(), odd.size());
    EXPECT_EQ(log.lines()[0].rfind("error com.tessaloom.quorvel [PushInbox] Moved the unreadable inbox file 5-", 0), 0u);

    // The next drain finds nothing and says nothing.
    EXPECT_TRUE(PushInbox::drain(base.path()).empty());
    EXPECT_EQ(namesIn(inbox), left);
    EXPECT_EQ(log.lines().size(), odd.size());
}

TEST(PushHistoryMerge, NewPushesGoInFrontOnceAndTheOldestFallOffAtTheLimit) {
    PushHistory history;
    EXPECT_FALSE(history.latest());
    history.add({pushNumbered(1), pushNumbered(2)});
    history.add({pushNumbered(2), pushNumbered(3), pushNumbered(3)});
    std::vector<std::string> ids;
    for (const ReceivedPush& item : history.items) ids.push_back(item.id);
    // The new list itself is not de-duplicated: only against what the history held.
    EXPECT_EQ(ids, (std::vector<std::string>{"ID-3", "ID-3", "ID-1", "ID-2"}));
    EXPECT_EQ(history.latest(), pushNumbered(3));

    PushHistory full;
    for (int number = 200; number >= 1; --number) full.items.push_back(pushNumbered(number));
    full.add({pushNumbered(201), pushNumbered(202), pushNumbered(203), pushNumbered(204), pushNumbered(205)});
    ASSERT_EQ(full.items.size(), PushHistory::limit);
    EXPECT_EQ(full.items.front().id, "ID-201");
    EXPECT_EQ(full.items[5].id, "ID-200");
    EXPECT_EQ(full.items.back().id, "ID-6");
}

TEST(PushHistoryFile, SavedHistoryLoadsBackAndAMissingOneIsEmpty) {
    testing::TemporaryFolder base;
    EXPECT_EQ(PushHistory::load(base.path()), PushHistory{});
    PushHistory history;
    history.add({pushNumbered(1), pushNumbered(2)});
    ASSERT_TRUE(history.save(base.path()));
    EXPECT_EQ(files::readFile(base / "history.json").value(), json::dump(history.encode()));
    EXPECT_EQ(PushHistory::load(base.path()), history);
    EXPECT_FALSE(PushHistory{}.save(base / "missing"));
}

TEST(PushHistoryFile, AHistoryThatCantBeReadIsMovedAsideNotOverwritten) {
    testing::TemporaryFolder base;
    const std::string path = base / "history.json";
    ASSERT_TRUE(files::writeFileAtomically(path, "{\"items\":[{\"id\":"));
    PushHistory loaded = PushHistory::load(base.path());
    EXPECT_TRUE(loaded.items.empty());
    loaded.add({pushNumbered(1)});
    ASSERT_TRUE(loaded.save(base.path()));
    EXPECT_EQ(PushHistory::load(base.path()), loaded);

    std::vector<std::string> names = namesIn(base.path());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "history.json");
    EXPECT_EQ(names[1].rfind("history.json.unreadable-", 0), 0u);
    EXPECT_EQ(files::readFile(base / names[1]).value(), "{\"items\":[{\"id\":");

    // A history that can't even be opened (a folder here) is kept aside the same way.
    fs::remove(path);
    fs::create_directory(path);
    ASSERT_TRUE(loaded.save(base.path()));
    EXPECT_EQ(PushHistory::load(base.path()), loaded);
    EXPECT_EQ(namesIn(base.path()).size(), 3u);
}

}  // namespace
}  // namespace quorvel
