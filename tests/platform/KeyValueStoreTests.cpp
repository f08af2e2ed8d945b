#include "platform/stores/KeyValueStore.hpp"

#include <cstdlib>
#include <sys/stat.h>
#include <thread>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/files/Files.hpp"
#include "tests/support/FileMode.hpp"
#include "tests/support/OddFiles.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::modeOf;

TEST(KeyValueStore, KeepsTypesApartAcrossAReload) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "config/quorvel/defaults.json";
    {
        KeyValueStore store(path);
        store.setBool("setupShown", false);
        store.setString("falseString", "false");
        store.setNumber("volume", 0.8);
        store.setDate("appliedPhonePrefsAt", Instant::fromReferenceSeconds(725760000.5));
        json::Json blob = json::Json::object();
        blob["longRunMinutes"] = 10;
        blob["sound"] = true;
        store.setJson("appSettings", blob);
        store.setString("emoji", "\xF0\x9F\x91\x8D");
    }
    const KeyValueStore reloaded(path);
    EXPECT_EQ(reloaded.boolValue("setupShown"), false);
    EXPECT_EQ(reloaded.stringValue("setupShown"), std::nullopt);
    EXPECT_EQ(reloaded.stringValue("falseString"), "false");
    EXPECT_EQ(reloaded.boolValue("falseString"), std::nullopt);
    EXPECT_EQ(reloaded.numberValue("volume"), 0.8);
    EXPECT_EQ(reloaded.dateValue("appliedPhonePrefsAt"), Instant::fromReferenceSeconds(725760000.5));
    EXPECT_EQ(reloaded.numberValue("appliedPhonePrefsAt"), std::nullopt);
    EXPECT_EQ(json::dump(*reloaded.jsonValue("appSettings")), R"({"longRunMinutes":10,"sound":true})");
    EXPECT_EQ(reloaded.stringValue("emoji"), "\xF0\x9F\x91\x8D");
    EXPECT_TRUE(reloaded.contains("volume"));
    EXPECT_FALSE(reloaded.contains("missing"));
    EXPECT_EQ(reloaded.boolValue("missing"), std::nullopt);
}

TEST(KeyValueStore, FileIsPrivateEvenUnderAnOpenUmask) {
    const mode_t previous = ::umask(0);
    testing::TemporaryFolder folder;
    const std::string path = folder / "config/quorvel/defaults.json";
    KeyValueStore store(path);
    store.setBool("deviceVisible", true);
    ::umask(previous);
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(folder / "config/quorvel"), 0700u);
    EXPECT_EQ(modeOf(folder / "config"), 0700u);
}

TEST(KeyValueStore, RemoveAndOverwrite) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "defaults.json";
    KeyValueStore store(path);
    store.setString("phoneDeviceToken", "abc");
    store.setBool("phoneDeviceToken", true);
    EXPECT_EQ(store.stringValue("phoneDeviceToken"), std::nullopt);
    EXPECT_EQ(store.boolValue("phoneDeviceToken"), true);
    store.remove("phoneDeviceToken");
    EXPECT_FALSE(store.contains("phoneDeviceToken"));
    EXPECT_FALSE(KeyValueStore(path).contains("phoneDeviceToken"));
}

TEST(KeyValueStore, NonFiniteNumbersAreNotStored) {
    testing::TemporaryFolder folder;
    KeyValueStore store(folder / "defaults.json");
    store.setNumber("volume", 0.5);
    store.setNumber("volume", std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(store.numberValue("volume"), 0.5);
    EXPECT_EQ(KeyValueStore(folder / "defaults.json").numberValue("volume"), 0.5);
}

TEST(KeyValueStore, CorruptFileIsMovedAsideAndTheStoreStartsEmpty) {
    for (const char* corrupt : {"{not json", "[1,2]", R"({"k":{"type":"bool","value":"yes"}})", R"({"k":1})"}) {
        SCOPED_TRACE(corrupt);
        testing::TemporaryFolder folder;
        const std::string path = folder / "defaults.json";
        ASSERT_TRUE(files::writeFileAtomically(path, corrupt));
        KeyValueStore store(path);
        EXPECT_FALSE(store.contains("k"));
        EXPECT_EQ(*files::readFile(path + ".bad-1"), corrupt);
        store.setBool("k", true);
        EXPECT_EQ(KeyValueStore(path).boolValue("k"), true);
    }
}

TEST(KeyValueStore, OneMalformedEntryCostsThatEntryOnly) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "defaults.json";
    const std::string damaged =
        R"({"appSettings":{"type":"json","value":{"longRunMinutes":45}},"bad":{"type":"bool","value":"yes"},)"
        R"("phoneDeviceToken":{"type":"string","value":"abc"}})";
    ASSERT_TRUE(files::writeFileAtomically(path, damaged));
    {
        KeyValueStore store(path);
        EXPECT_FALSE(store.contains("bad"));
        EXPECT_EQ(store.stringValue("phoneDeviceToken"), "abc");
        EXPECT_EQ((*store.jsonValue("appSettings"))["longRunMinutes"], 45);
        EXPECT_EQ(*files::readFile(path + ".bad-1"), damaged);
    }
    // What was kept is on disk at once, for the next start.
    KeyValueStore reopened(path);
    EXPECT_EQ(reopened.stringValue("phoneDeviceToken"), "abc");
    EXPECT_FALSE(reopened.contains("bad"));

    // A second damaged file goes beside the first, never over it.
    ASSERT_TRUE(files::writeFileAtomically(path, "{not json"));
    EXPECT_FALSE(KeyValueStore(path).contains("phoneDeviceToken"));
    EXPECT_EQ(*files::readFile(path + ".bad-1"), damaged);
    EXPECT_EQ(*files::readFile(path + ".bad-2"), "{not json");
}

TEST(KeyValueStore, AFileOfManyValuesIsCorruptAndMovedAside) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "defaults.json";
    std::string junk = R"({"junk":[)";
    for (std::size_t index = 0; index < 100000; ++index) junk += index == 0 ? "{}" : ",{}";
    junk += "]}";
    ASSERT_TRUE(files::writeFileAtomically(path, junk));
    KeyValueStore store(path);
    EXPECT_FALSE(store.contains("junk"));
    EXPECT_TRUE(files::readFile(path + ".bad-1"));
}

TEST(KeyValueStore, NothingIsSavedThroughALinkedFolder) {
    testing::TemporaryFolder folder;
    ASSERT_TRUE(files::createDirectories(folder / "elsewhere"));
    ASSERT_EQ(::symlink((folder / "elsewhere").c_str(), (folder / "quorvel").c_str()), 0);
    KeyValueStore store(folder / "quorvel/defaults.json");
    store.setBool("k", true);
    EXPECT_FALSE(files::readFile(folder / "elsewhere/defaults.json"));
}

TEST(KeyValueStore, UnreadableFileIsNeverWrittenOver) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "defaults.json";
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);  // reading it fails with EISDIR
    ASSERT_TRUE(files::writeFileAtomically(path + "/keep", "x"));
    KeyValueStore store(path);
    EXPECT_FALSE(store.contains("k"));
    store.setBool("k", true);
    EXPECT_EQ(store.boolValue("k"), true);  // kept for this run
    EXPECT_EQ(*files::readFile(path + "/keep"), "x");
    EXPECT_FALSE(std::filesystem::exists(path + ".bad-1"));
}

TEST(KeyValueStore, AFifoOrAHugeFileInPlaceOfTheDefaultsIsUnreadableAtOnce) {
    for (const auto kind : {testing::OddFile::fifo, testing::OddFile::huge, testing::OddFile::deviceLink}) {
        testing::TemporaryFolder folder;
        const std::string path = folder / "defaults.json";
        ASSERT_TRUE(testing::plantOddFile(kind, path));
        KeyValueStore store(path);
        EXPECT_FALSE(store.contains("k")) << testing::nameOf(kind);
        store.setBool("k", true);
        EXPECT_EQ(store.boolValue("k"), true);
        // Left for a person to look at, as any unreadable file.
        EXPECT_FALSE(std::filesystem::exists(path + ".bad-1"));
    }
}

TEST(KeyValueStore, ConcurrentWritersLoseNothing) {
    testing::TemporaryFolder folder;
    KeyValueStore store(folder / "defaults.json");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&store, t] {
            for (int i = 0; i < 25; ++i) store.setNumber("k" + std::to_string(t) + "-" + std::to_string(i), i);
        });
    }
    for (auto& thread : threads) thread.join();
    const KeyValueStore reloaded(folder / "defaults.json");
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 25; ++i) EXPECT_EQ(reloaded.numberValue("k" + std::to_string(t) + "-" + std::to_string(i)), i);
    }
}

TEST(KeyValueStore, DefaultPathFollowsXdg) {
    const testing::ScopedEnvironmentVariable configHome("XDG_CONFIG_HOME", "/xdg/config");
    EXPECT_EQ(KeyValueStore::defaultPath(), "/xdg/config/quorvel/defaults.json");
    configHome.set("relative");
    EXPECT_EQ(KeyValueStore::defaultPath(), files::joinPath(files::homeDirectory(), ".config/quorvel/defaults.json"));
}

}  // namespace
}  // namespace quorvel
