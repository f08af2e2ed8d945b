#include <gtest/gtest.h>

#include <regex>
#include <unistd.h>

#include "app/install/HookInstaller.hpp"
#include "app/install/SettingsBackup.hpp"
#include "tests/app/install/InstallTestSupport.hpp"

namespace quorvel {
namespace {

using namespace quorvel::testing;

class HookInstallerTest : public ::testing::Test {
protected:
    HookInstallerTest()
        : installer(QuorvelPaths(home.path()),
                    std::make_shared<SteppingClock>(Instant::fromUnixSeconds(1700000000.25))) {}

    std::string settings() const { return home / ".claude/settings.json"; }
    std::string claudeFolder() const { return home / ".claude"; }
    /// The editor's layout for a fresh install (pinned byte for byte by the editor's tests),
    /// with the final line feed of a new file.
    std::string fresh() const {
        return HookSettingsEditor::install(JSONValue::object(), installer.paths.helper(), {})->formatted("  ") + "\n";
    }
    std::vector<std::string> backups(const std::string& folder) const {
        return namesStartingWith(folder, "settings.json.quorvel-backup-");
    }
    std::vector<std::string> temporaries(const std::string& folder) const {
        return namesStartingWith(folder, ".settings.json.quorvel-");
    }

    static std::string messageOf(const Expected<void, HookInstaller::Failure>& result) {
        return result ? "(success)" : result.error().message();
    }

    TemporaryFolder home;
    HookInstaller installer;
};

TEST_F(HookInstallerTest, NewFileGetsTheHooksPrivateModeAndFinalLineFeed) {
    fs::create_directories(claudeFolder());
    ScopedUmask umask(0777);  // the file's mode must not depend on it
    ASSERT_TRUE(installer.installHooks(false)) ;
    EXPECT_EQ(readText(settings()), fresh());
    EXPECT_NE(fresh().find("\"command\": \"" + home.path() + "/Library/Quorvel/bin/quorvel-hook\""), std::string::npos);
    EXPECT_EQ(modeOf(settings()), 0600u);
    EXPECT_TRUE(backups(claudeFolder()).empty());
    EXPECT_TRUE(temporaries(claudeFolder()).empty());
    EXPECT_EQ(installer.status(), HookInstaller::Status::installed(false));
}

TEST_F(HookInstallerTest, RemovingWithoutAFileWritesAnEmptyObject) {
    fs::create_directories(claudeFolder());
    EXPECT_EQ(installer.status(), HookInstaller::Status::notInstalled());
    ASSERT_TRUE(installer.removeHooks());
    EXPECT_EQ(readText(settings()), "{}\n");
    EXPECT_TRUE(backups(claudeFolder()).empty());
}

TEST_F(HookInstallerTest, HooksOnBeforeTheAgentEverRanMakesItsFolderPrivate) {
    ScopedUmask umask(0277);  // neither mode may depend on it
    LogCapture log;
    ASSERT_TRUE(installer.installHooks(false));
    EXPECT_EQ(modeOf(claudeFolder()), 0700u);
    EXPECT_EQ(modeOf(settings()), 0600u);
    EXPECT_EQ(readText(settings()), fresh());
    const auto tree = JSONValue::parse(readText(settings()));
    ASSERT_TRUE(tree);
    const JSONValue* hooks = tree->member("hooks");
    ASSERT_NE(hooks, nullptr);
    ASSERT_NE(hooks->members(), nullptr);
    EXPECT_EQ(hooks->members()->size(), 8u);
    EXPECT_EQ(installer.status(), HookInstaller::Status::installed(false));
    EXPECT_NE(log.text().find("[HookInstaller] Created " + claudeFolder() + "\n"), std::string::npos) << log.text();
    EXPECT_TRUE(backups(claudeFolder()).empty());
    EXPECT_TRUE(temporaries(claudeFolder()).empty());
}

TEST_F(HookInstallerTest, AFolderThatIsThereKeepsItsMode) {
    fs::create_directories(claudeFolder());
    fs::permissions(claudeFolder(), static_cast<fs::perms>(0750));
    ASSERT_TRUE(installer.removeHooks());
    EXPECT_EQ(modeOf(claudeFolder()), 0750u);
    EXPECT_EQ(readText(settings()), "{}\n");
}

TEST_F(HookInstallerTest, AFolderThatCantBeMadeStopsTheEdit) {
    // The home itself is missing: only the settings file's own folder is ever made.
    const HookInstaller homeless(QuorvelPaths(home / "gone"));
    EXPECT_EQ(messageOf(homeless.installHooks(false)),
              "Couldn't create the folder " + home / "gone/.claude" + " (No such file or directory), so nothing was "
              "changed.");
    EXPECT_FALSE(fs::exists(home / "gone"));
}

TEST_F(HookInstallerTest, ParentThatIsAFileStopsTheEditAndStaysAsItWas) {
    writeText(claudeFolder(), "not a folder");
    EXPECT_EQ(messageOf(installer.installHooks(true)),
              "Couldn't write a temporary file next to settings.json, so nothing was changed.");
    EXPECT_EQ(readText(claudeFolder()), "not a folder");
}

TEST_F(HookInstallerTest, ReadOnlyFolderLeavesTheFileAsItWas) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    writeText(settings(), "{}\n");
    fs::permissions(claudeFolder(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(messageOf(installer.installHooks(false)),
              "Couldn't back up settings.json, so nothing was changed. Permission denied");
    EXPECT_EQ(readText(settings()), "{}\n");
}

TEST_F(HookInstallerTest, SecondInstallChangesNothingButStillReportsSuccess) {
    writeText(settings(), "{\"model\": \"opus\"}\n");
    ASSERT_TRUE(installer.installHooks(true));
    const ino_t inode = inodeOf(settings());
    const auto backupsAfterFirst = backups(claudeFolder());
    ASSERT_EQ(backupsAfterFirst.size(), 1u);

    LogCapture log;
    ASSERT_TRUE(installer.installHooks(true));
    EXPECT_EQ(inodeOf(settings()), inode);
    EXPECT_EQ(backups(claudeFolder()), backupsAfterFirst);
    EXPECT_EQ(log.text(), "info com.tessaloom.quorvel.mac [HookInstaller] Installed hooks (recording: true)\n");
    EXPECT_EQ(installer.status(), HookInstaller::Status::installed(true));

    // Switching the mode is a real change: the entries are replaced, not doubled.
    ASSERT_TRUE(installer.installHooks(false));
    EXPECT_EQ(readText(settings()), "{\n  \"model\": \"opus\",\n" + fresh().substr(2));
}

TEST_F(HookInstallerTest, EditKeepsModeFinalLineBreakRuleAndBacksUpFirst) {
    const std::string original = "{\"model\":\"opus\"}";  // no final line break
    writeText(settings(), original);
    fs::permissions(settings(), static_cast<fs::perms>(0644));
    ScopedUmask umask(0077);
    LogCapture log;
    ASSERT_TRUE(installer.installHooks(false));

    const std::string written = readText(settings());
    ASSERT_FALSE(written.empty());
    EXPECT_NE(written.back(), '\n');
    EXPECT_EQ(modeOf(settings()), 0644u);

    const auto names = backups(claudeFolder());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(std::regex_match(names[0], std::regex(R"(settings\.json\.quorvel-backup-\d{8}-\d{6}-250)")));
    const std::string backup = claudeFolder() + "/" + names[0];
    EXPECT_EQ(readText(backup), original);
    EXPECT_EQ(modeOf(backup), 0644u);
    EXPECT_NE(log.text().find("info com.tessaloom.quorvel.mac [HookInstaller] Backed up settings to " + backup + "\n"),
              std::string::npos);
    EXPECT_TRUE(temporaries(claudeFolder()).empty());
}

TEST_F(HookInstallerTest, PrivateFileStaysPrivateInItsBackup) {
    writeText(settings(), "{}\n");
    fs::permissions(settings(), static_cast<fs::perms>(0600));
    ScopedUmask umask(0);
    ASSERT_TRUE(installer.installHooks(false));
    const auto names = backups(claudeFolder());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(modeOf(claudeFolder() + "/" + names[0]), 0600u);
    EXPECT_EQ(modeOf(settings()), 0600u);
}

TEST_F(HookInstallerTest, LinkedSettingsFileIsEditedAtItsTarget) {
    const std::string dotfiles = home / "dotfiles";
    const std::string target = dotfiles + "/claude-settings.json";
    writeText(target, "{}\n");
    fs::create_directories(claudeFolder());
    fs::create_symlink("../dotfiles/claude-settings.json", settings());

    ASSERT_TRUE(installer.installHooks(false));
    EXPECT_TRUE(fs::is_symlink(settings()));
    EXPECT_EQ(readText(target), fresh());
    EXPECT_EQ(namesStartingWith(dotfiles, "claude-settings.json.quorvel-backup-").size(), 1u);
    EXPECT_TRUE(namesStartingWith(dotfiles, ".claude-settings.json.quorvel-").empty());
    EXPECT_TRUE(backups(claudeFolder()).empty());
    EXPECT_EQ(installer.status(), HookInstaller::Status::installed(false));
}

TEST_F(HookInstallerTest, LinkToAMissingFileCreatesTheTarget) {
    fs::create_directories(claudeFolder());
    fs::create_directories(home / "dotfiles");
    fs::create_symlink(home / "dotfiles/new.json", settings());
    ASSERT_TRUE(installer.removeHooks());
    EXPECT_TRUE(fs::is_symlink(settings()));
    EXPECT_EQ(readText(home / "dotfiles/new.json"), "{}\n");
}

TEST_F(HookInstallerTest, InvalidFileIsRefusedWithThePositionedMessage) {
    struct Case {
        std::string file;
        std::string message;
    };
    const Case cases[] = {
        {"// my settings\n{}\n",
         "Claude Code's settings file isn't valid JSON, so Quorvel won't change it. Comments aren't allowed in JSON "
         "(line 1, column 1)"},
        {"{\n  \"model\": \"opus\",\n  }\n",
         "Claude Code's settings file isn't valid JSON, so Quorvel won't change it. Trailing comma before } "
         "(line 3, column 3)"},
        {"", "Claude Code's settings file isn't valid JSON, so Quorvel won't change it. Unexpected end of file "
             "(line 1, column 1)"},
    };
    for (const auto& testCase : cases) {
        writeText(settings(), testCase.file);
        EXPECT_EQ(messageOf(installer.installHooks(false)), testCase.message);
        EXPECT_EQ(messageOf(installer.removeHooks()), testCase.message);
        EXPECT_EQ(installer.status(), HookInstaller::Status::problem(testCase.message));
        EXPECT_EQ(readText(settings()), testCase.file);
    }
    EXPECT_TRUE(backups(claudeFolder()).empty());
    EXPECT_TRUE(temporaries(claudeFolder()).empty());
}

TEST_F(HookInstallerTest, UnreadableFileIsReportedWithItsPath) {
    fs::create_directories(settings());  // a folder where the file should be
    const std::string message = "Couldn't read " + settings() + ": Is a directory";
    EXPECT_EQ(messageOf(installer.installHooks(false)), message);
    EXPECT_EQ(installer.status(), HookInstaller::Status::problem(message));
}

TEST_F(HookInstallerTest, WrongShapesAreRefusedWithTheEditorsMessage) {
    const std::string list = "{\"hooks\": [1]}\n";
    writeText(settings(), list);
    const auto result = installer.installHooks(false);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().error,
              (std::variant<HookInstaller::InstallError, HookSettingsEditor::EditError>(
                  HookSettingsEditor::EditError::notAnObject("\"hooks\""))));
    EXPECT_EQ(result.error().message(), "\"hooks\" in settings.json isn't a JSON object, so Quorvel won't touch it.");
    EXPECT_EQ(readText(settings()), list);
    EXPECT_EQ(installer.status(), HookInstaller::Status::notInstalled());

    writeText(settings(), "[]");
    EXPECT_EQ(messageOf(installer.removeHooks()),
              "The top level in settings.json isn't a JSON object, so Quorvel won't touch it.");
    EXPECT_EQ(readText(settings()), "[]");
    EXPECT_TRUE(backups(claudeFolder()).empty());
}

TEST_F(HookInstallerTest, StatusFollowsTheFirstOwnEntrysArguments) {
    const std::string helper = installer.paths.helper();
    writeText(settings(), "{\"hooks\": {\"Stop\": [{\"hooks\": [{\"command\": \"" + helper +
                              "\", \"args\": [\"--capture\"]}]}]}}");
    EXPECT_EQ(installer.status(), HookInstaller::Status::installed(true));
    writeText(settings(), "{\"hooks\": {\"Stop\": [{\"hooks\": [{\"command\": \"" + helper + "\", \"args\": []}]}]}}");
    EXPECT_EQ(installer.status(), HookInstaller::Status::installed(false));
}

TEST_F(HookInstallerTest, UninstallKeepsForeignEntriesAndOrder) {
    const std::string helper = installer.paths.helper();
    writeText(settings(), "{\n  \"hooks\": {\n    \"Stop\": [\n      {\n        \"hooks\": [\n          {\n"
                          "            \"command\": \"say done\"\n          },\n          {\n"
                          "            \"command\": \"" + helper + "\"\n          }\n        ]\n      }\n    ],\n"
                          "    \"PreToolUse\": [\n      {\n        \"hooks\": [\n          {\n"
                          "            \"command\": \"/u/bin/my-quorvel-hook\"\n          }\n        ]\n      }\n    ]\n"
                          "  },\n  \"model\": \"x\\/y\",\n  \"n\": 1.50\n}\n");
    ASSERT_TRUE(installer.removeHooks());
    EXPECT_EQ(readText(settings()),
              "{\n  \"hooks\": {\n    \"Stop\": [\n      {\n        \"hooks\": [\n          {\n"
              "            \"command\": \"say done\"\n          }\n        ]\n      }\n    ],\n"
              "    \"PreToolUse\": [\n      {\n        \"hooks\": [\n          {\n"
              "            \"command\": \"/u/bin/my-quorvel-hook\"\n          }\n        ]\n      }\n    ]\n"
              "  },\n  \"model\": \"x\\/y\",\n  \"n\": 1.50\n}\n");

    ASSERT_TRUE(installer.installHooks(false));
    ASSERT_TRUE(installer.removeHooks());
    EXPECT_EQ(installer.status(), HookInstaller::Status::notInstalled());
    EXPECT_NE(readText(settings()).find("my-quorvel-hook"), std::string::npos);
}

TEST_F(HookInstallerTest, ChangeDuringTheEditWinsOverOurs) {
    writeText(settings(), "{}\n");
    const std::string theirs = "{\"model\": \"theirs\"}\n";
    const auto result = installer.editSettingsFile([&](const JSONValue& tree) {
        writeText(settings(), theirs);  // the agent writes while we work
        return HookSettingsEditor::install(tree, "/h/quorvel-hook", {});
    });
    EXPECT_EQ(messageOf(result), "settings.json changed while Quorvel was editing it, so nothing was changed. Try again.");
    EXPECT_EQ(readText(settings()), theirs);
    EXPECT_EQ(backups(claudeFolder()).size(), 1u);
    EXPECT_TRUE(temporaries(claudeFolder()).empty());
}

TEST_F(HookInstallerTest, FileThatDoesNotCheckOutIsRestoredFromTheBackup) {
    const std::string original = "{\"model\": \"opus\"}\n";
    writeText(settings(), original);
    fs::permissions(settings(), static_cast<fs::perms>(0640));
    LogCapture log;
    // A tree whose written form does not parse back fails the check after writing.
    const auto result = installer.editSettingsFile([](const JSONValue&) -> Expected<JSONValue, HookSettingsEditor::EditError> {
        return JSONValue::object({{"n", JSONValue::number("not a number")}});
    });
    EXPECT_EQ(messageOf(result), "The settings file didn't check out after writing, so Quorvel put the backup back.");
    EXPECT_EQ(readText(settings()), original);
    EXPECT_EQ(modeOf(settings()), 0640u);
    EXPECT_EQ(backups(claudeFolder()).size(), 1u);
    EXPECT_TRUE(temporaries(claudeFolder()).empty());
    EXPECT_NE(log.text().find("error com.tessaloom.quorvel.mac [HookInstaller] Validation failed after writing "
                              "settings; restoring backup\n"),
              std::string::npos);
}

TEST_F(HookInstallerTest, NewFileThatDoesNotCheckOutStays) {
    fs::create_directories(claudeFolder());
    const auto result = installer.editSettingsFile([](const JSONValue&) -> Expected<JSONValue, HookSettingsEditor::EditError> {
        return JSONValue::number("01");
    });
    EXPECT_EQ(messageOf(result), "The settings file didn't check out after writing, so Quorvel put the backup back.");
    EXPECT_EQ(readText(settings()), "01\n");
}

TEST_F(HookInstallerTest, BackupNameInUseStopsTheEdit) {
    // A clock that stands still names the same backup twice.
    struct StillClock final : Clock {
        Instant now() const override { return Instant::fromUnixSeconds(1700000000.5); }
    };
    HookInstaller still(QuorvelPaths(home.path()), std::make_shared<StillClock>());
    writeText(settings(), "{}\n");
    ASSERT_TRUE(still.installHooks(false));
    const std::string installed = readText(settings());
    EXPECT_EQ(messageOf(still.removeHooks()), "Couldn't back up settings.json, so nothing was changed. File exists");
    EXPECT_EQ(readText(settings()), installed);
    EXPECT_TRUE(temporaries(claudeFolder()).empty());
}

TEST(SettingsBackupTest, NameCarriesTheLocalTimeToTheMillisecond) {
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(SettingsBackup::fileName("settings.json", Instant::fromUnixSeconds(1700000000.25)),
              "settings.json.quorvel-backup-20231114-221320-250");
    EXPECT_EQ(SettingsBackup::fileName("s", Instant::fromUnixSeconds(0.999)), "s.quorvel-backup-19700101-000000-999");
    EXPECT_EQ(SettingsBackup::fileName("s", Instant::fromUnixSeconds(1700000000.251)),
              "s.quorvel-backup-20231114-221320-251");
    ::setenv("TZ", "Asia/Kolkata", 1);
    ::tzset();
    EXPECT_EQ(SettingsBackup::fileName("settings.json", Instant::fromUnixSeconds(1700000000.25)),
              "settings.json.quorvel-backup-20231115-034320-250");
    if (previous) {
        ::setenv("TZ", saved.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
    EXPECT_TRUE(std::regex_match(SettingsBackup::temporaryFileName("settings.json"),
                                 std::regex(R"(\.settings\.json\.quorvel-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12})")));
}

TEST(SettingsBackupTest, RestoreReplacesInOneStepAndNeverLeavesTheTargetMissing) {
    TemporaryFolder folder;
    const std::string target = folder / "settings.json";
    const std::string backup = folder / "settings.json.quorvel-backup-20240101-000000-000";
    writeText(target, "broken");
    writeText(backup, "{}\n");
    fs::permissions(backup, static_cast<fs::perms>(0604));

    // A backup that can't be copied leaves the file in place, not deleted.
    EXPECT_FALSE(SettingsBackup::restore(folder / "missing-backup", target));
    EXPECT_EQ(readText(target), "broken");

    ASSERT_TRUE(SettingsBackup::restore(backup, target));
    EXPECT_EQ(readText(target), "{}\n");
    EXPECT_EQ(modeOf(target), 0604u);
    EXPECT_EQ(readText(backup), "{}\n");
    EXPECT_TRUE(namesStartingWith(folder.path(), ".settings.json.quorvel-").empty());
}

}  // namespace
}  // namespace quorvel
