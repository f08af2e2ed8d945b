// A key import never stores a key that can't send, and never waits on what isn't a key file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/delivery/APNsKeyStore.hpp"
#include "tests/app/model/AppModelTestbed.hpp"
#include "tests/support/P256KeyFile.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::settle;

bool keyStored(AppModelTestbed& bed) {
    auto loaded = APNsKeyStore::load(bed.keychain->items());
    return loaded && *loaded;
}

TEST(AppModelKeyImportTests, AnEmptyTeamIDIsRefusedBeforeAnythingIsStored) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    const std::string file = bed.home / "AuthKey_ABC123.p8";
    ASSERT_TRUE(files::writeFileAtomically(file, testing::makeP256Pem()));
    bed.recorded.chosenFile = file;
    for (const char* team : {"", " \t "}) {
        bed.recorded.errorAlerts.clear();
        model.phone().importAPNsKey("ABC123", team);
        settle();
        EXPECT_EQ(bed.recorded.errorAlerts.size(), 1u) << '"' << team << '"';
        EXPECT_FALSE(keyStored(bed));
        EXPECT_FALSE(model.phone().apnsKeyID());
    }
    EXPECT_TRUE(bed.recorded.openPanels.empty()) << "no file is asked for";
}

TEST(AppModelKeyImportTests, OnlyASmallRegularFileIsRead) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    ASSERT_TRUE(APNsKeyStore::save(bed.keychain->items(), {"OLD", "TEAM", testing::makeP256Pem()}));
    model.phone().refreshKeys();
    settle();

    const std::string fifo = bed.home / "AuthKey_FIFO.p8";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string large = bed.home / "AuthKey_BIG.p8";
    ASSERT_TRUE(files::writeFileAtomically(large, std::string(64 * 1024 + 1, 'k')));
    const std::string folder = bed.home / "AuthKey_DIR.p8";
    ASSERT_TRUE(files::createDirectories(folder));
    // Opening a FIFO for reading would wait for a writer forever; the import must not.
    for (const std::string& path : {fifo, large, folder, std::string("/dev/zero")}) {
        bed.recorded.errorAlerts.clear();
        bed.recorded.chosenFile = path;
        model.phone().importAPNsKey("", "TEAM");
        settle();
        EXPECT_EQ(bed.recorded.errorAlerts.size(), 1u) << path;
        EXPECT_EQ(model.phone().apnsKeyID(), std::optional<std::string>("OLD")) << path;
    }
    bed.recorded.errorAlerts.clear();
    for (const std::string& path : {fifo, large}) {
        bed.recorded.chosenFile = path;
        model.phone().importAPNsKey("", "TEAM");
        settle();
    }
    EXPECT_EQ(bed.recorded.errorAlerts,
              (std::vector<std::string>{"Not a key file (not a regular file): " + fifo,
                                        "Too large for a key file (over 64 KiB): " + large}));

    // A key file of exactly the limit is still read (and refused only for not being a key).
    const std::string limit = bed.home / "AuthKey_LIMIT.p8";
    ASSERT_TRUE(files::writeFileAtomically(limit, std::string(64 * 1024, 'k')));
    bed.recorded.errorAlerts.clear();
    bed.recorded.chosenFile = limit;
    model.phone().importAPNsKey("", "TEAM");
    settle();
    ASSERT_EQ(bed.recorded.errorAlerts.size(), 1u);
    EXPECT_EQ(bed.recorded.errorAlerts[0].find("64 KiB"), std::string::npos) << bed.recorded.errorAlerts[0];
}

TEST(AppModelKeyImportTests, AKeyFilePickedThroughALinkIsReadButALinkToAFIFOIsNot) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    const std::string real = bed.home / "keys/real.p8";
    ASSERT_TRUE(files::createDirectories(bed.home / "keys"));
    ASSERT_TRUE(files::writeFileAtomically(real, testing::makeP256Pem()));
    const std::string linked = bed.home / "AuthKey_LINKED1.p8";
    ASSERT_EQ(::symlink(real.c_str(), linked.c_str()), 0);
    bed.recorded.chosenFile = linked;
    model.phone().importAPNsKey("", "TEAM");
    settle();
    EXPECT_TRUE(bed.recorded.errorAlerts.empty());
    EXPECT_EQ(model.phone().apnsKeyID(), std::optional<std::string>("LINKED1"));

    const std::string fifo = bed.home / "keys/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string piped = bed.home / "AuthKey_PIPED.p8";
    ASSERT_EQ(::symlink(fifo.c_str(), piped.c_str()), 0);
    bed.recorded.chosenFile = piped;
    model.phone().importAPNsKey("", "TEAM");
    settle();
    EXPECT_EQ(bed.recorded.errorAlerts, std::vector<std::string>{"Not a key file (not a regular file): " + piped});
    EXPECT_EQ(model.phone().apnsKeyID(), std::optional<std::string>("LINKED1"));
}

}  // namespace
}  // namespace quorvel
