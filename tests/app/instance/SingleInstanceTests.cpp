#include "app/instance/SingleInstance.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <thread>
#include <vector>
#include <cstdlib>
#include <cstring>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/OtherUserSocket.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

// What a separate process finds when it claims the lock at `path`: 0 first, 1 another,
// 2 failure.
int claimInChild(const std::string& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        SingleInstance lock(path);
        const auto outcome = lock.claim();
        ::_exit(!outcome ? 2 : *outcome == SingleInstance::Outcome::first ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SingleInstance, OnlyTheFirstClaimWinsUntilItEnds) {
    TemporaryFolder folder;
    const std::string path = folder / "app.lock";
    {
        SingleInstance first(path);
        ASSERT_TRUE(first.claim());
        EXPECT_EQ(*first.claim(), SingleInstance::Outcome::first);  // claiming again keeps it
        EXPECT_EQ(claimInChild(path), 1);

        SingleInstance second(path);
        EXPECT_EQ(*second.claim(), SingleInstance::Outcome::another);
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    // The lock ends with its holder; the file left behind is no obstacle.
    EXPECT_EQ(claimInChild(path), 0);
}

TEST(SingleInstance, MakesAMissingFolderPrivate) {
    TemporaryFolder folder;
    const std::string path = folder / "runtime/app.lock";
    SingleInstance lock(path);
    ASSERT_TRUE(lock.claim());
    struct stat info {};
    ASSERT_EQ(::stat((folder / "runtime").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(SingleInstance, RefusesAFolderThatIsALink) {
    TemporaryFolder folder;
    ASSERT_EQ(::mkdir((folder / "elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(::symlink((folder / "elsewhere").c_str(), (folder / "link").c_str()), 0);
    SingleInstance lock(folder / "link/app.lock");
    const auto outcome = lock.claim();
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.error().code, ENOTDIR);
}

TEST(SingleInstance, RefusesALockFileThatIsALink) {
    TemporaryFolder folder;
    ASSERT_EQ(::symlink((folder / "target").c_str(), (folder / "app.lock").c_str()), 0);
    SingleInstance lock(folder / "app.lock");
    EXPECT_FALSE(lock.claim());
    EXPECT_NE(::access((folder / "target").c_str(), F_OK), 0);
}

TEST(SingleInstance, TheLockLivesInTheHomesApplicationSupportFolderWhateverTheEnvironment) {
    TemporaryFolder home;
    const QuorvelPaths paths(home.path());
    EXPECT_EQ(paths.instanceLock(), paths.appSupport() + "/com.tessaloom.quorvel.mac.lock");
    // The folder and its parents are made on the first claim.
    SingleInstance first(paths.instanceLock());
    EXPECT_EQ(*first.claim(), SingleInstance::Outcome::first);
    SingleInstance second(paths.instanceLock());
    EXPECT_EQ(*second.claim(), SingleInstance::Outcome::another);
}

TEST(SingleInstance, TheNameHoldsWhateverTheFolderAndAFolderProblemIsToldNotFatal) {
    TemporaryFolder folder;
    ASSERT_EQ(::mkdir((folder / "elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(::symlink((folder / "elsewhere").c_str(), (folder / "link").c_str()), 0);
    const std::string name = SingleInstance::lockNameFor(QuorvelPaths(folder.path()));
    {
        SingleInstance first(folder / "link/app.lock", name);
        ASSERT_EQ(*first.claim(), SingleInstance::Outcome::first);
        ASSERT_TRUE(first.folderProblem());
        EXPECT_EQ(first.folderProblem()->code, ENOTDIR);
        // A later start whose folder is sound finds the first all the same.
        SingleInstance second(folder / "app.lock", name);
        EXPECT_EQ(*second.claim(), SingleInstance::Outcome::another);
        // Only the name can tell, however many starts ask it.
        for (int index = 0; index < 40; ++index) {
            SingleInstance third(folder / "link/app.lock", name);
            EXPECT_EQ(*third.claim(), SingleInstance::Outcome::another) << "start " << index;
        }
    }
    SingleInstance after(folder / "link/app.lock", name);
    EXPECT_EQ(*after.claim(), SingleInstance::Outcome::first);
}

TEST(SingleInstance, AHolderOfTheFileAloneStillMakesALaterStartTheSecond) {
    TemporaryFolder folder;
    const std::string path = folder / "app.lock";
    SingleInstance sandboxed(path);  // a copy that can't see our name
    ASSERT_EQ(*sandboxed.claim(), SingleInstance::Outcome::first);
    const std::string name = SingleInstance::lockNameFor(QuorvelPaths(folder.path()));
    SingleInstance later(path, name);
    // ... one that is not worth waiting for: it holds the file for as long as it runs.
    EXPECT_EQ(*later.claim(), SingleInstance::Outcome::elsewhere);
    // ... and lets the name go again, so nobody is kept out once the holder ends.
    SingleInstance other(folder / "other.lock", name);
    EXPECT_EQ(*other.claim(), SingleInstance::Outcome::first);
}

TEST(SingleInstance, OfManyStartsAtOnceExactlyOneIsTheFirst) {
    for (int round = 0; round < 20; ++round) {
        TemporaryFolder folder;
        const std::string name = SingleInstance::lockNameFor(QuorvelPaths(folder.path()));
        std::vector<std::unique_ptr<SingleInstance>> copies;
        for (int index = 0; index < 8; ++index) copies.push_back(std::make_unique<SingleInstance>(folder / "app.lock", name));
        std::atomic<int> waiting = 8, first = 0;
        std::vector<std::thread> starts;
        for (auto& copy : copies) {
            starts.emplace_back([&, instance = copy.get()] {
                for (--waiting; waiting > 0;) {
                }
                const auto outcome = instance->claim();
                if (outcome && *outcome == SingleInstance::Outcome::first) ++first;
            });
        }
        for (std::thread& start : starts) start.join();
        EXPECT_EQ(first, 1) << "round " << round;
    }
}

TEST(SingleInstance, AnotherUserSquattingTheNameKeepsNobodyFromStarting) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    using Behaviour = testing::OtherUserSocket::Behaviour;
    for (const Behaviour behaviour : {Behaviour::silent, Behaviour::fullQueue, Behaviour::answering}) {
        SCOPED_TRACE(static_cast<int>(behaviour));
        TemporaryFolder folder;
        const std::string name = SingleInstance::lockNameFor(QuorvelPaths(folder.path()));
        testing::OtherUserSocket squatter(name, behaviour);
        ASSERT_TRUE(squatter.held());
        SingleInstance first(folder / "app.lock", name);
        EXPECT_EQ(*first.claim(), SingleInstance::Outcome::first);
        EXPECT_FALSE(first.folderProblem());
        // The file still keeps a second copy out.
        SingleInstance second(folder / "app.lock", name);
        EXPECT_EQ(*second.claim(), SingleInstance::Outcome::another);
        EXPECT_TRUE(squatter.stillHeld());
    }
}

TEST(SingleInstance, TheHolderOfTheNameCanAlwaysBeAskedWhoItIs) {
    TemporaryFolder folder;
    const std::string name = SingleInstance::lockNameFor(QuorvelPaths(folder.path()));
    SingleInstance first(folder / "app.lock", name);
    ASSERT_EQ(*first.claim(), SingleInstance::Outcome::first);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    // Far more askers than any queue holds: each still connects and learns it is this user.
    for (int index = 0; index < 200; ++index) {
        const int asker = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_EQ(::connect(asker, reinterpret_cast<const sockaddr*>(&address), length), 0)
            << "asker " << index << ": " << std::strerror(errno);
        ucred holder{};
        socklen_t size = sizeof holder;
        ASSERT_EQ(::getsockopt(asker, SOL_SOCKET, SO_PEERCRED, &holder, &size), 0);
        EXPECT_EQ(holder.uid, ::getuid());
        ::close(asker);
        // The holder's thread drops them as they come; a moment now and then lets it.
        if (index % 4 == 3) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

TEST(SingleInstance, TheNameIsTheUsersAndTheHomesWhicheverWayTheHomeIsReached) {
    TemporaryFolder folder;
    ASSERT_EQ(::mkdir((folder / "home").c_str(), 0700), 0);
    ASSERT_EQ(::symlink((folder / "home").c_str(), (folder / "via").c_str()), 0);
    const std::string name = SingleInstance::lockNameFor(QuorvelPaths(folder / "home"));
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.front(), '\0');
    EXPECT_EQ(name, SingleInstance::lockNameFor(QuorvelPaths(folder / "via")));
    EXPECT_NE(name, SingleInstance::lockNameFor(QuorvelPaths(folder.path())));
    EXPECT_NE(name.find("." + std::to_string(::getuid()) + "."), std::string::npos);
}

}  // namespace
}  // namespace quorvel
