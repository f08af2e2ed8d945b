// Render mode in process: which picture each target gives, at which size and scale, and how
// the file is written.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "app/render/views/RenderMode.hpp"
#include "kit/visuals/views/device/DeviceView.hpp"
#include "kit/visuals/views/kit/DesignSheetView.hpp"
#include "kit/visuals/views/mascot/AppIconView.hpp"
#include "kit/visuals/views/strip/CompactStripView.hpp"
#include "platform/files/Files.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

const Instant now = Instant::fromUnixSeconds(1'800'000'000);
const QRgb backdrop = qRgb(0xE9, 0xE6, 0xDF);
const QRgb chassis = qRgb(0x2B, 0x2C, 0x2F);

QImage rendered(const std::string& target) {
    const auto image = RenderMode::render(target, RenderTargets(), now);
    EXPECT_TRUE(image) << target;
    return image ? *image : QImage();
}

QSize pixels(QSizeF points, double scale) {
    return QSize(static_cast<int>(std::ceil(points.width() * scale)), static_cast<int>(std::ceil(points.height() * scale)));
}

TEST(RenderTargets, DeviceAndStripTargetsDrawTheirViewAtTwiceItsSizeOnTheBackdrop) {
    for (const char* sample : {"idle", "running", "longrun", "done", "needsyou", "broke", "crashed", "muted"}) {
        const QImage device = rendered(std::string("device-") + sample);
        EXPECT_EQ(device.size(), pixels(DeviceView::size(), 2)) << sample;
        EXPECT_EQ(device.pixel(0, 0), backdrop) << sample;
        EXPECT_EQ(device.pixel(device.width() - 1, device.height() - 1), backdrop) << sample;

        const QImage strip = rendered(std::string("strip-") + sample);
        EXPECT_EQ(strip.size(), pixels(CompactStripView::size(), 2)) << sample;
        EXPECT_EQ(strip.pixel(0, 0), backdrop) << sample;
        EXPECT_EQ(strip.pixel(strip.width() - 1, 0), backdrop) << sample;
    }
    // The face itself is the chassis colour just inside its border (away from the grain).
    const QImage done = rendered("device-done");
    const QRectF face = DeviceView::layout().face;
    EXPECT_NE(done.pixel(static_cast<int>(face.left() * 2) + 1, static_cast<int>(face.center().y() * 2)), backdrop);
}

TEST(RenderTargets, AFrozenTimeThatParsesDrawsTheSameStillPictureAsTheDefault) {
    // A frozen clock is finished: the still pose, whatever the offset.
    EXPECT_EQ(rendered("device-done@0.5"), rendered("device-done"));
    EXPECT_EQ(rendered("device-broke@1.0"), rendered("device-broke@nan"));
}

TEST(RenderTargets, ADeviceTargetWithoutASampleNameMakesNoPicture) {
    for (const char* target : {"device-", "device-@", "device-@@", "device-@@@"}) {
        EXPECT_FALSE(RenderMode::render(target, RenderTargets(), now)) << target;
    }
    // With "@" and a number but no name, the number is the name: an unknown sample, drawn as
    // the done sample.
    EXPECT_EQ(rendered("device-@5"), rendered("device-done"));
    // A strip target takes the whole rest as the name, the empty one too: unknown, so done.
    EXPECT_EQ(rendered("strip-"), rendered("strip-done"));
    EXPECT_EQ(rendered("strip-done@5"), rendered("strip-done"));
    EXPECT_NE(rendered("strip-broke"), rendered("strip-done"));
}

TEST(RenderTargets, IconsRenderAtScaleOneAndFillTheirCanvasAsDrawn) {
    const QImage mac = rendered("icon-mac");
    ASSERT_EQ(mac.size(), QSize(1024, 1024));
    EXPECT_EQ(qAlpha(mac.pixel(50, 50)), 0);           // the empty margin
    EXPECT_EQ(qAlpha(mac.pixel(1023 - 50, 512)), 0);
    EXPECT_EQ(qAlpha(mac.pixel(99, 512)), 0);           // just outside the plate
    EXPECT_EQ(mac.pixel(100 + 3, 512), qRgb(0x0E, 0x0E, 0x0E));  // the ink border inside its edge

    const QImage phone = rendered("icon-ios");
    ASSERT_EQ(phone.size(), QSize(1024, 1024));
    for (const QPoint corner : {QPoint(0, 0), QPoint(1023, 0), QPoint(0, 1023), QPoint(1023, 1023)}) {
        EXPECT_EQ(qAlpha(phone.pixel(corner)), 255) << corner.x() << "," << corner.y();
    }
}

TEST(RenderTargets, AnyOtherTargetDrawsTheDesignSheetAtScaleTwo) {
    const QSize sheet = pixels(DesignSheetView().size(), 2);
    for (const char* target : {"design", "", "icon-", "icon-macos", "Device-done", "devicedone", "finished-x"}) {
        const QImage image = rendered(target);
        const double scale = std::string_view(target).substr(0, 5) == "icon-" ? 1 : 2;
        EXPECT_EQ(image.size(), pixels(DesignSheetView().size(), scale)) << target;
        EXPECT_EQ(image.pixel(1, 1), chassis) << target;
    }
    EXPECT_EQ(rendered("anything").size(), sheet);
}

TEST(RenderTargets, RowsAreTriedInOrderAndAnEmptyRowMakesNoPicture) {
    int built = 0;
    const RenderScene tiny{QSizeF(3, 2), [](QPainter&) {}};
    RenderTargets targets({
        {"phone-", RenderTarget::Match::prefix, [&](std::string_view rest, Instant) {
             ++built;
             EXPECT_EQ(rest, "done");
             return std::optional<RenderScene>(tiny);
         }},
        {"phone-done", RenderTarget::Match::exact, {}},
        {"finished", RenderTarget::Match::exact, {}},
    });
    EXPECT_EQ(RenderMode::render("phone-done", targets, now)->size(), QSize(6, 4));
    EXPECT_EQ(built, 1);
    EXPECT_FALSE(RenderMode::render("finished", targets, now));
    EXPECT_TRUE(RenderMode::render("finished2", targets, now));  // no row: the design sheet
}

class RenderFileTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
};

TEST_F(RenderFileTest, WritesAPngThatReadsBackAsTheRenderedImage) {
    const std::string path = folder / "done.png";
    EXPECT_EQ(RenderMode::run(RenderRequest{"strip-done", path}, RenderTargets(), now), 0);
    QImage back(QString::fromStdString(path), "PNG");
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), pixels(CompactStripView::size(), 2));
    EXPECT_EQ(back.pixel(0, 0), backdrop);
    // Nothing else is left in the folder (no temporary file).
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST_F(RenderFileTest, AFailedWriteLeavesNoFileAndKeepsAnEarlierOne) {
    EXPECT_EQ(RenderMode::run(RenderRequest{"icon-ios", folder / "missing/icon.png"}, RenderTargets(), now), 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));

    // A folder where the file should go: the write fails, and the folder is untouched.
    ::mkdir((folder / "taken").c_str(), 0700);
    EXPECT_EQ(RenderMode::run(RenderRequest{"icon-ios", folder / "taken"}, RenderTargets(), now), 1);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken"));

    // An unwritable folder: the earlier picture stays byte for byte, and no temporary is left.
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    const std::string earlier = folder / "locked/picture.png";
    ::mkdir((folder / "locked").c_str(), 0700);
    { std::ofstream(earlier) << "earlier picture"; }
    ::chmod((folder / "locked").c_str(), 0500);
    EXPECT_EQ(RenderMode::run(RenderRequest{"icon-ios", earlier}, RenderTargets(), now), 1);
    EXPECT_EQ(*files::readFile(earlier), "earlier picture");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "locked"), {}), 1);
}

TEST_F(RenderFileTest, AnImageThatCantBeMadeExitsOneWithoutWriting) {
    const std::string path = folder / "device.png";
    EXPECT_EQ(RenderMode::run(RenderRequest{"device-@", path}, RenderTargets(), now), 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    const RenderTargets huge({{"huge", RenderTarget::Match::exact, [](std::string_view, Instant) {
                                   return std::optional<RenderScene>(RenderScene{QSizeF(1e9, 10), [](QPainter&) {}});
                               }}});
    EXPECT_EQ(RenderMode::run(RenderRequest{"huge", path}, huge, now), 1);
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quorvel
