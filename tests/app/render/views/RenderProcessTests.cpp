// The built app in render mode, as a process: the exit status alone tells the result, nothing
// is printed on any path, the user's arguments never reach Qt, and no display is needed.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/files/Files.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

const std::string appPath = QUORVEL_BINARY_DIR "/bin/quorvel";

struct Outcome {
    int status = -1;
    std::string output;
    std::string errors;
};

class RenderProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(appPath)) GTEST_SKIP() << "the app is not built: " << appPath;
        std::filesystem::create_directories(folder / "home");
        ::mkdir((folder / "runtime").c_str(), 0700);
    }

    // Runs the app in `folder` (its current folder) with a home of its own, no display, and Qt
    // asked to report everything it does, so that any message it lets through shows up.
    Outcome run(std::vector<std::string> arguments) {
        const std::string outputPath = folder / "stdout.txt";
        const std::string errorPath = folder / "stderr.txt";
        const testing::ProgramEnd end = testing::ProgramLaunch(appPath)
                                            .arguments(std::move(arguments))
                                            .environment({
                                                {"HOME", folder / "home"},
                                                {"XDG_RUNTIME_DIR", folder / "runtime"},
                                                {"XDG_CONFIG_HOME", folder / "home/.config"},
                                                {"DISPLAY", std::nullopt},
                                                {"WAYLAND_DISPLAY", std::nullopt},
                                                {"QT_QPA_PLATFORM", "xcb"},
                                                {"QT_DEBUG_PLUGINS", "1"},
                                                {"QT_LOGGING_RULES", "*.debug=true"},
                                                {"QUORVEL_LOG_STDERR", "1"},
                                            })
                                            .outputToFile(outputPath)
                                            .errorToFile(errorPath)
                                            .folder(folder.path())
                                            .run();
        Outcome outcome;
        if (end.started) outcome.status = end.exitedNormally ? end.exitStatus : -1;
        const auto output = files::readFile(outputPath);
        const auto errors = files::readFile(errorPath);
        outcome.output = output ? *output : "(unreadable)";
        outcome.errors = errors ? *errors : "(unreadable)";
        std::filesystem::remove(outputPath);
        std::filesystem::remove(errorPath);
        return outcome;
    }

    bool homeIsEmpty() const {
        return std::filesystem::is_empty(folder / "home") && std::filesystem::is_empty(folder / "runtime");
    }

    TemporaryFolder folder;
};

TEST_F(RenderProcessTest, WritesThePictureSilentlyWithoutADisplayAndTouchesNoHomeFile) {
    const Outcome done = run({"--render", "device-done", "done.png"});
    EXPECT_EQ(done.status, 0);
    EXPECT_EQ(done.output, "");
    EXPECT_EQ(done.errors, "");
    const QImage picture(QString::fromStdString(folder / "done.png"), "PNG");
    EXPECT_FALSE(picture.isNull());
    EXPECT_EQ(picture.pixel(0, 0), qRgb(0xE9, 0xE6, 0xDF));
    EXPECT_TRUE(homeIsEmpty());  // no endpoint file, no helper, no lock, no settings
}

TEST_F(RenderProcessTest, FailuresExitOneSilentlyAndLeaveNoFile) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--render", "device-", "a.png"},
             {"--render", "device-@", "a.png"},
             {"--render", "icon-ios", "missing/a.png"},
             {"--render", "icon-ios", "."},
         }) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 1) << arguments[1] << " " << arguments[2];
        EXPECT_EQ(outcome.output, "") << arguments[1];
        EXPECT_EQ(outcome.errors, "") << arguments[1];
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "a.png"));
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    EXPECT_TRUE(homeIsEmpty());
}

TEST_F(RenderProcessTest, TheUsersArgumentsNeverReachQt) {
    // Paths that read as Qt's own options are files like any other.
    for (const char* path : {"-reverse", "-platform", "-qwindowgeometry"}) {
        const Outcome outcome = run({"--render", "icon-ios", path});
        EXPECT_EQ(outcome.status, 0) << path;
        EXPECT_EQ(outcome.errors, "") << path;
        EXPECT_EQ(QImage(QString::fromStdString(folder / path), "PNG").size(), QSize(1024, 1024)) << path;
    }
    // Arguments before --render are ignored, whatever they are.
    const Outcome outcome = run({"-platform", "nonsense", "--render", "icon-mac", "mac.png"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(QImage(QString::fromStdString(folder / "mac.png"), "PNG").size(), QSize(1024, 1024));
}

}  // namespace
}  // namespace quorvel
