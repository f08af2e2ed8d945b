#include "app/stores/FinishedStore.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/files/Files.hpp"
#include "tests/support/DesktopServiceLog.hpp"
#include "tests/support/OddFiles.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::DesktopServiceLog;
using testing::TemporaryFolder;

FinishedRun run(std::string title, double finishedAt) {
    FinishedRun made;
    made.title = std::move(title);
    made.duration = 42;
    made.project = "site";
    made.sessionID = "s1";
    made.finishedAt = Instant::fromReferenceSeconds(finishedAt);
    return made;
}

std::string encoded(const std::vector<FinishedRun>& runs) {
    json::Json array = json::Json::array();
    for (const FinishedRun& each : runs) array.push_back(each.encode());
    return json::dump(array);
}

void write(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(files::writeFileAtomically(path, bytes));
}

class FinishedStoreTests : public ::testing::Test {
protected:
    TemporaryFolder home;
    std::string folder = home / "Library/Application Support/Quorvel";
    DesktopServiceLog log;

    void SetUp() override { ASSERT_TRUE(files::createDirectories(folder)); }
    std::string file(const char* name) const { return files::joinPath(folder, name); }
};

TEST_F(FinishedStoreTests, NoFileGivesAnEmptyListWithoutALogLine) {
    FinishedStore store(folder);
    EXPECT_TRUE(store.load().empty());
    EXPECT_TRUE(log.lines("Finished").empty());
}

TEST_F(FinishedStoreTests, SavedRunsLoadBackInOrder) {
    const std::vector<FinishedRun> runs{run("newest", 300), run("older", 200), run("oldest", 100)};
    FinishedStore(folder).save(runs);
    EXPECT_EQ(FinishedStore(folder).load(), runs);
    EXPECT_EQ(*files::readFile(file("finished.json")), encoded(runs));
}

TEST_F(FinishedStoreTests, LegacyFileIsReadWhenThereIsNoCurrentOneAndLeftInPlace) {
    const std::vector<FinishedRun> legacy{run("from the old name", 100)};
    write(file("setlist.json"), encoded(legacy));

    FinishedStore store(folder);
    std::vector<FinishedRun> runs = store.load();
    EXPECT_EQ(runs, legacy);
    runs.insert(runs.begin(), run("new", 200));
    store.save(runs);

    EXPECT_EQ(FinishedStore(folder).load(), runs);
    EXPECT_EQ(*files::readFile(file("setlist.json")), encoded(legacy));
}

TEST_F(FinishedStoreTests, BadCurrentFileGivesEmptyListEvenBesideAValidLegacyOne) {
    write(file("finished.json"), "{not json");
    write(file("setlist.json"), encoded({run("legacy", 1)}));

    EXPECT_TRUE(FinishedStore(folder).load().empty());
    const auto lines = log.lines("Finished");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("error Couldn't read the finished list: ", 0), 0u) << lines[0];
}

TEST_F(FinishedStoreTests, BadCurrentFileIsMovedAsideBeforeTheFirstSaveNeverOverAnOlderOne) {
    write(file("finished.json.bad"), "an older bad file");
    const std::string damaged = R"([{"chip":"claude","title":"cut off")";
    write(file("finished.json"), damaged);

    FinishedStore store(folder);
    ASSERT_TRUE(store.load().empty());
    // Loading alone moves nothing: the file stays where it was until something is saved.
    EXPECT_EQ(*files::readFile(file("finished.json")), damaged);

    const std::vector<FinishedRun> runs{run("after the damage", 10)};
    store.save(runs);
    EXPECT_EQ(*files::readFile(file("finished.json.bad-1")), damaged);
    EXPECT_EQ(*files::readFile(file("finished.json.bad")), "an older bad file");
    EXPECT_EQ(FinishedStore(folder).load(), runs);

    // Only once: the second save keeps the set-aside copy as it is.
    store.save({run("later", 20)});
    EXPECT_EQ(*files::readFile(file("finished.json.bad-1")), damaged);
    EXPECT_FALSE(std::filesystem::exists(file("finished.json.bad-2")));
}

TEST_F(FinishedStoreTests, EachDamagedFileInTurnGetsItsOwnNameAndOnlyTheNewestFewAreKept) {
    for (int damage = 1; damage <= 5; ++damage) {
        const std::string damaged = "damage " + std::to_string(damage);
        write(file("finished.json"), damaged);
        FinishedStore store(folder);
        ASSERT_TRUE(store.load().empty());
        ASSERT_TRUE(store.save({run("after", damage)}));
        EXPECT_EQ(*files::readFile(file(("finished.json.bad-" + std::to_string(damage)).c_str())), damaged);
    }
    EXPECT_FALSE(std::filesystem::exists(file("finished.json.bad-1")));
    EXPECT_FALSE(std::filesystem::exists(file("finished.json.bad-2")));
    EXPECT_TRUE(std::filesystem::exists(file("finished.json.bad-3")));
    const auto lines = log.lines("Finished");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("Moved the damaged finished list aside to ") != std::string::npos; }),
              5);
}

TEST_F(FinishedStoreTests, OneBadRowCostsThatRowOnlyAndTheFileIsKeptAside) {
    std::vector<FinishedRun> runs;
    for (int index = 0; index < 50; ++index) runs.push_back(run("run " + std::to_string(index), 1000 - index));
    json::Json document = json::parse(encoded(runs));
    document[17]["duration"] = "forty-two";
    const std::string damaged = json::dump(document);
    write(file("finished.json"), damaged);

    FinishedStore store(folder);
    std::vector<FinishedRun> loaded = store.load();
    std::vector<FinishedRun> expected = runs;
    expected.erase(expected.begin() + 17);
    EXPECT_EQ(loaded, expected);
    const auto lines = log.lines("Finished");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("error Couldn't read 1 of 50 rows of the finished list; kept the others: ", 0), 0u) << lines[0];

    ASSERT_TRUE(store.save(loaded));
    EXPECT_EQ(*files::readFile(file("finished.json.bad-1")), damaged);
    EXPECT_EQ(FinishedStore(folder).load(), expected);
}

TEST_F(FinishedStoreTests, ABadLegacyFileIsNeverMoved) {
    write(file("setlist.json"), "garbage");
    FinishedStore store(folder);
    ASSERT_TRUE(store.load().empty());
    store.save({run("new", 1)});
    EXPECT_EQ(*files::readFile(file("setlist.json")), "garbage");
    EXPECT_FALSE(std::filesystem::exists(file("finished.json.bad-1")));
    EXPECT_FALSE(std::filesystem::exists(file("setlist.json.bad-1")));
}

TEST_F(FinishedStoreTests, SavingIntoAMissingFolderCreatesIt) {
    const std::string nested = home / "fresh/Library/Application Support/Quorvel";
    FinishedStore(nested).save({run("first", 1)});
    EXPECT_EQ(FinishedStore(nested).load().size(), 1u);
}

TEST_F(FinishedStoreTests, AFileOfManyValuesIsUnreadableAtOnceAndKeptAside) {
    // A valid run with an extra key holding far more values than any list of ours.
    json::Json row = run("kept", 1).encode();
    row["extra"] = json::Json::array();
    for (std::size_t index = 0; index < FinishedStore::maxFileValues; ++index) row["extra"].push_back(json::Json::object());
    write(file("finished.json"), json::dump(json::Json::array({row})));
    FinishedStore store(folder);
    EXPECT_TRUE(store.load().empty());
    EXPECT_TRUE(store.save({run("new", 2)}));
    EXPECT_TRUE(std::filesystem::exists(file("finished.json.bad-1")));
    EXPECT_EQ(FinishedStore(folder).load().size(), 1u);
}

TEST_F(FinishedStoreTests, WhatIsSavedAlwaysReadsBackTheOldestRowsLeftOutFirst) {
    // Rows as large as a list read back near its limit can make: three of them don't fit.
    std::vector<FinishedRun> runs;
    for (int index = 0; index < 3; ++index) {
        runs.push_back(run(std::string(3 * 1024 * 1024, static_cast<char>('c' - index)), 300 - index));
    }
    FinishedStore(folder).save(runs);
    EXPECT_LE(files::readFile(file("finished.json"))->size(), FinishedStore::maxFileBytes);
    EXPECT_EQ(FinishedStore(folder).load(), std::vector<FinishedRun>(runs.begin(), runs.begin() + 2));
    EXPECT_EQ(log.lines("Finished").size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(file("finished.json.bad-1")));
}

TEST_F(FinishedStoreTests, NothingIsSavedThroughALinkedFolder) {
    const std::string elsewhere = home / "elsewhere";
    ASSERT_TRUE(files::createDirectories(elsewhere));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory_symlink(elsewhere, folder);
    EXPECT_FALSE(FinishedStore(folder).save({run("x", 1)}));
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
    ASSERT_FALSE(log.lines("Finished").empty());
}

TEST_F(FinishedStoreTests, ASaveThatCannotWriteIsLogged) {
    // A folder where the file should be: the rename over it fails.
    ASSERT_TRUE(files::createDirectories(file("finished.json")));
    EXPECT_FALSE(FinishedStore(folder).save({run("x", 1)}));
    const auto lines = log.lines("Finished");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("error Couldn't save the finished list: ", 0), 0u) << lines.back();
}

class FinishedStoreOddFiles : public FinishedStoreTests, public ::testing::WithParamInterface<testing::OddFile> {};

TEST_P(FinishedStoreOddFiles, AreUnreadableAtOnceAndKeptAsideByTheFirstSave) {
    const std::string elsewhere = home / "project-runs.json";
    const std::string saved = encoded({run("behind a link", 1)});
    ASSERT_TRUE(testing::plantOddFile(GetParam(), file("finished.json"), elsewhere, saved));

    FinishedStore store(folder);
    EXPECT_TRUE(store.load().empty());
    const auto lines = log.lines("Finished");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("error Couldn't read the finished list: ", 0), 0u) << lines[0];

    const std::vector<FinishedRun> runs{run("fresh", 2)};
    store.save(runs);
    EXPECT_EQ(FinishedStore(folder).load(), runs);
    // What a link pointed to is not ours: it is never written.
    if (GetParam() == testing::OddFile::linkToRegularFile) {
        EXPECT_EQ(*files::readFile(elsewhere), saved);
    }
}

INSTANTIATE_TEST_SUITE_P(EachKind, FinishedStoreOddFiles, ::testing::ValuesIn(testing::allOddFiles()),
                         [](const auto& info) { return std::string(testing::nameOf(info.param)); });

TEST_F(FinishedStoreTests, AnOddLegacyFileIsUnreadableToo) {
    ASSERT_TRUE(testing::plantOddFile(testing::OddFile::fifo, file("setlist.json")));
    EXPECT_TRUE(FinishedStore(folder).load().empty());
    EXPECT_EQ(log.lines("Finished").size(), 1u);
}

}  // namespace
}  // namespace quorvel
