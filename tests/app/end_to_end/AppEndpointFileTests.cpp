// Whatever is left where the endpoint file should be at start (a folder, empty or not, a
// FIFO, a socket, a link), the built app sets it aside beside it as it does a damaged file,
// writes a new endpoint file and serves: an event the built helper posts is taken. A
// throw-away home on a private session bus (see the CTest entry).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/HelperAndAppTest.hpp"
#include "tests/support/OddFiles.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

enum class InThePlace { emptyFolder, folderWithFiles, fifo, socket, linkToDevice, linkToRegularFile, danglingLink };

const char* nameOf(InThePlace kind) {
    switch (kind) {
        case InThePlace::emptyFolder: return "EmptyFolder";
        case InThePlace::folderWithFiles: return "FolderWithFiles";
        case InThePlace::fifo: return "Fifo";
        case InThePlace::socket: return "Socket";
        case InThePlace::linkToDevice: return "LinkToDevice";
        case InThePlace::linkToRegularFile: return "LinkToRegularFile";
        case InThePlace::danglingLink: return "DanglingLink";
    }
    return "?";
}

bool plantSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

bool plant(InThePlace kind, const std::string& path, const std::string& spare) {
    using testing::OddFile;
    switch (kind) {
        case InThePlace::emptyFolder: return testing::plantOddFile(OddFile::folder, path);
        case InThePlace::folderWithFiles:
            return testing::plantOddFile(OddFile::folder, path) && ::mkdir((path + "/inner").c_str(), 0700) == 0 &&
                   files::writeFileAtomically(path + "/inner/note.txt", "kept");
        case InThePlace::fifo: return testing::plantOddFile(OddFile::fifo, path);
        case InThePlace::socket: return plantSocket(path);
        case InThePlace::linkToDevice: return testing::plantOddFile(OddFile::deviceLink, path);
        case InThePlace::linkToRegularFile: return testing::plantOddFile(OddFile::linkToRegularFile, path, spare, "{}");
        case InThePlace::danglingLink: return ::symlink(spare.c_str(), path.c_str()) == 0;
    }
    return false;
}

class AppEndpointFileTest : public testing::HelperAndAppTest, public ::testing::WithParamInterface<InThePlace> {
protected:
    void TearDown() override {
        app.stop();
        appCopies.killAll();
    }
};

TEST_P(AppEndpointFileTest, IsSetAsideAndANewEndpointFileServes) {
    const std::string endpoint = paths().endpoint();
    ASSERT_TRUE(files::createDirectories(paths().appSupport(), 0700));
    ASSERT_TRUE(plant(GetParam(), endpoint, home / "elsewhere.json"));
    struct stat planted {};
    ASSERT_EQ(::lstat(endpoint.c_str(), &planted), 0);

    ASSERT_TRUE(app.startServing()) << app.logText();
    EXPECT_EQ(app.logText().find("Couldn't start listening"), std::string::npos) << app.logText();
    struct stat now {};
    ASSERT_EQ(::lstat(endpoint.c_str(), &now), 0);
    EXPECT_TRUE(S_ISREG(now.st_mode));
    EXPECT_EQ(now.st_mode & 0777, 0600u);

    // What was there is kept beside it, as it was.
    const std::string aside = endpoint + ".bad-1";
    struct stat kept {};
    ASSERT_EQ(::lstat(aside.c_str(), &kept), 0) << app.logText();
    EXPECT_EQ(kept.st_mode & S_IFMT, planted.st_mode & S_IFMT);
    EXPECT_EQ(kept.st_ino, planted.st_ino);
    if (GetParam() == InThePlace::folderWithFiles) {
        EXPECT_EQ(testing::fileText(aside + "/inner/note.txt"), "kept");
    }
    EXPECT_NE(app.logText().find("was not a regular file; moved it aside to " + aside), std::string::npos)
        << app.logText();

    // The helper finds the app where the new file says.
    json::Json stop = {{"hook_event_name", "Stop"}, {"session_id", "endpoint"}, {"cwd", "/work/site"}};
    ASSERT_EQ(runHelper(json::dump(stop)), 0);
    EXPECT_TRUE(testing::waitFor([&] { return app.finished().size() == 1; })) << app.logText();
    EXPECT_EQ(testing::fileText(paths().hookLog()), "");
    EXPECT_EQ(app.spoolEntries(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EachKind, AppEndpointFileTest,
                         ::testing::Values(InThePlace::emptyFolder, InThePlace::folderWithFiles, InThePlace::fifo,
                                           InThePlace::socket, InThePlace::linkToDevice, InThePlace::linkToRegularFile,
                                           InThePlace::danglingLink),
                         [](const ::testing::TestParamInfo<InThePlace>& info) { return nameOf(info.param); });

}  // namespace
}  // namespace quorvel
