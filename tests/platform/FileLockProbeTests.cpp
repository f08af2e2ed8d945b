#include "platform/files/FileLockProbe.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files/Files.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::files {
namespace {

using testing::TemporaryFolder;

TEST(FileLockProbe, ToldHeldOnlyForTheLockedFileWhileItsLockLasts) {
    if (::access("/proc/locks", R_OK) != 0) GTEST_SKIP() << "no /proc/locks here";
    TemporaryFolder folder;
    const std::string locked = folder / "app.lock";
    const std::string beside = folder / "other.lock";
    ASSERT_TRUE(writeFileAtomically(locked, ""));
    ASSERT_TRUE(writeFileAtomically(beside, ""));
    EXPECT_FALSE(flockIsHeld(locked));

    // Held through a descriptor of its own, as the app holds it; the file beside it, on the
    // same device, is not.
    const int holder = ::open(locked.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_TRUE(flockIsHeld(locked));
    EXPECT_FALSE(flockIsHeld(beside));
    // A link is never followed, a missing file is never held: both are a doubt.
    ASSERT_EQ(::symlink(locked.c_str(), (folder / "link.lock").c_str()), 0);
    EXPECT_FALSE(flockIsHeld(folder / "link.lock"));
    EXPECT_FALSE(flockIsHeld(folder / "missing.lock"));

    // The probe took nothing: another open file description still gets the lock once it is let go.
    ASSERT_EQ(::flock(holder, LOCK_UN), 0);
    EXPECT_FALSE(flockIsHeld(locked));
    const int next = ::open(locked.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(next, 0);
    EXPECT_EQ(::flock(next, LOCK_EX | LOCK_NB), 0);
    ::close(next);
    ::close(holder);
}

}  // namespace
}  // namespace quorvel::files
