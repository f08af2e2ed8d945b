// The design-sheet window: the sheet itself in a window that scrolls, a fresh one for each
// opening after a close.
#include <gtest/gtest.h>

#include <QImage>
#include <QScrollArea>
#include <QWidget>
#include <QtMath>

#include "app/windows/design/DesignSheetScene.hpp"
#include "kit/visuals/views/kit/DesignSheetView.hpp"

namespace quorvel {
namespace {

TEST(DesignSheetScene, ShowsTheSheetAtItsOwnSizeOnTheChassisColour) {
    DesignSheetScene scene;
    EXPECT_EQ(scene.window(), nullptr);
    scene.open();
    ASSERT_NE(scene.window(), nullptr);
    EXPECT_EQ(scene.window()->windowTitle(), QStringLiteral("Quorvel design sheet"));
    QWidget* sheet = scene.window()->widget();
    ASSERT_NE(sheet, nullptr);
    const QSizeF size = DesignSheetView().size();
    EXPECT_EQ(sheet->size(), QSize(qCeil(size.width()), qCeil(size.height())));

    const QImage picture = sheet->grab().toImage();
    EXPECT_EQ(picture.pixelColor(2, 2).rgb(), qRgb(0x2B, 0x2C, 0x2F));

    // Open again while shown: the same sheet; after a close, a sheet of its own again.
    scene.open();
    EXPECT_EQ(scene.window()->widget(), sheet);
    scene.window()->close();
    scene.open();
    ASSERT_NE(scene.window()->widget(), nullptr);
    EXPECT_EQ(scene.window()->widget()->size(), QSize(qCeil(size.width()), qCeil(size.height())));
}

}  // namespace
}  // namespace quorvel
