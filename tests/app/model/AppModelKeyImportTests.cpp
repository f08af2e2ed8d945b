// A key import never stores a key that can't send, and never waits on what isn't a key file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

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
        model.importAPNsKey("ABC123", team);
        settle();
        EXPECT_EQ(bed.recorded.errorAlerts.size(), 1u) << '"' << team << '"';
        EXPECT_FALSE(keyStored(bed));
        EXPECT_FALSE(model.apnsKeyID());
    }
    EXPECT_TRUE(bed.recorded.openPanels.empty()) << "no file is asked for";
}

TEST(AppModelKeyImportTests, OnlyASmallRegularFileIsRead) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    ASSERT_TRUE(APNsKeyStore::save(bed.keychain->items(), {"OLD", "TEAM", testing::makeP256Pem()}));
    model.refreshKeys();
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
        model.importAPNsKey("", "TEAM");
        settle();
        EXPECT_EQ(bed.recorded.errorAlerts.size(), 1u) << path;
        EXPECT_EQ(model.apnsKeyID(), std::optional<std::string>("OLD")) << path;
    }

    // A key file of exactly the limit is still read (and refused only for not being a key).
    const std::string limit = bed.home / "AuthKey_LIMIT.p8";
    ASSERT_TRUE(files::writeFileAtomically(limit, std::string(64 * 1024, 'k')));
    bed.recorded.errorAlerts.clear();
    bed.recorded.chosenFile = limit;
    model.importAPNsKey("", "TEAM");
    settle();
    ASSERT_EQ(bed.recorded.errorAlerts.size(), 1u);
    EXPECT_EQ(bed.recorded.errorAlerts[0].find("64 KiB"), std::string::npos) << bed.recorded.errorAlerts[0];
}

}  // namespace
}  // namespace quorvel
