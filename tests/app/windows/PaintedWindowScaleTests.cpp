// A painted window drawing its content smaller, as on a screen too low for the device: what
// it paints, where a click lands, the tooltips and what assistive tools read must all follow
// the scale, while the content keeps its own coordinates. Offscreen.
#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/windows/hosting/PaintedWindow.hpp"

namespace quorvel {
namespace {

// Content of 200 x 400: grey, with one red key at (100, 300, 60, 60).
class KeyContent final : public PaintedContent {
public:
    static inline const QRectF key{100, 300, 60, 60};

    QSize size() const override { return {200, 400}; }
    void paint(QPainter& painter) override {
        painter.fillRect(QRect(QPoint(), size()), Qt::gray);
        painter.fillRect(key, Qt::red);
    }
    bool press(QPointF point) override {
        pressedAt = point;
        return key.contains(point);
    }
    void drag(QPointF) override {}
    void release(QPointF point) override {
        if (key.contains(point)) ++clicks;
    }
    QString toolTip(QPointF point, HideKey::Recall) const override {
        return key.contains(point) ? QStringLiteral("the key") : QString();
    }
    std::vector<AccessibleControl> controls() const override {
        AccessibleControl control;
        control.name = QStringLiteral("Key");
        control.rect = key;
        return {control};
    }
    void activate(std::size_t) override { ++clicks; }

    QPointF pressedAt;
    int clicks = 0;
};

// Content of 200 x 400, grey, with two patches far apart whose colours the test changes; it
// notes the area each paint was clipped to.
class PatchContent final : public PaintedContent {
public:
    static inline const QRect top{20, 20, 40, 40};
    static inline const QRect bottom{120, 320, 60, 60};

    QSize size() const override { return {200, 400}; }
    void paint(QPainter& painter) override {
        clips.push_back(painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect() : QRect(QPoint(), size()));
        painter.fillRect(QRect(QPoint(), size()), Qt::gray);
        painter.fillRect(top, topColour);
        painter.fillRect(bottom, bottomColour);
    }
    bool press(QPointF) override { return false; }
    void drag(QPointF) override {}
    void release(QPointF) override {}
    std::vector<AccessibleControl> controls() const override { return {}; }
    void activate(std::size_t) override {}

    void recolour(QColor topNow, QColor bottomNow) {
        topColour = topNow;
        bottomColour = bottomNow;
        requestUpdate(top);
        requestUpdate(bottom);
    }

    QColor topColour = Qt::red;
    QColor bottomColour = Qt::blue;
    std::vector<QRect> clips;
};

void click(QWidget& window, QPointF at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, window.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&window, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, window.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&window, &release);
}

class PaintedWindowScaleTest : public ::testing::Test {
protected:
    PaintedWindowScaleTest() {
        auto made = std::make_unique<KeyContent>();
        content = made.get();
        window = std::make_unique<PaintedWindow>(PaintedWindow::Kind::window, std::move(made), QStringLiteral("Quorvel"));
    }

    KeyContent* content = nullptr;
    std::unique_ptr<PaintedWindow> window;
};

TEST_F(PaintedWindowScaleTest, ContentDrawnSmallerTakesClicksTooltipsAndAccessibleRectanglesAtItsScale) {
    window->setContentScale(0.5);
    EXPECT_EQ(window->size(), QSize(100, 200));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    // The key is drawn at (50, 150, 30, 30) now.
    const QImage picture = window->grab().toImage();
    ASSERT_EQ(picture.size(), QSize(100, 200));
    EXPECT_EQ(picture.pixelColor(65, 165), QColor(Qt::red));
    EXPECT_EQ(picture.pixelColor(20, 100), QColor(Qt::gray));

    click(*window, QPointF(65, 165));
    EXPECT_EQ(content->pressedAt, QPointF(130, 330));
    EXPECT_EQ(content->clicks, 1);
    // Where the key sits at the content's own size is casing now.
    click(*window, QPointF(130, 330));
    EXPECT_EQ(content->clicks, 1);

    EXPECT_EQ(window->toolTipAt(QPointF(65, 165)), QStringLiteral("the key"));
    EXPECT_EQ(window->toolTipAt(QPointF(130, 330)), QString());

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(window.get());
    ASSERT_NE(accessible, nullptr);
    QAccessibleInterface* key = accessible->child(0);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->rect(), QRect(window->mapToGlobal(QPoint(50, 150)), QSize(30, 30)));
    EXPECT_EQ(key->text(QAccessible::Description), QStringLiteral("the key"));
    const QPoint keyCentre = window->mapToGlobal(QPoint(65, 165));
    EXPECT_EQ(accessible->childAt(keyCentre.x(), keyCentre.y()), key);
}

TEST_F(PaintedWindowScaleTest, AScaleIsNeverLargerThanTheContentNorSmallerThanAQuarter) {
    EXPECT_EQ(window->size(), QSize(200, 400));
    for (const double scale : {2.0, std::numeric_limits<double>::infinity(), std::nan("")}) {
        window->setContentScale(scale);
        EXPECT_EQ(window->contentScale(), 1) << scale;
        EXPECT_EQ(window->size(), QSize(200, 400)) << scale;
    }
    window->setContentScale(0.01);
    EXPECT_EQ(window->contentScale(), 0.25);
    EXPECT_EQ(window->size(), QSize(50, 100));
    window->setContentScale(-1);
    EXPECT_EQ(window->contentScale(), 0.25);
    window->setContentScale(1);
    EXPECT_EQ(window->size(), QSize(200, 400));
    click(*window, QPointF(130, 330));
    EXPECT_EQ(content->clicks, 1) << "back at its own size, the key is where the content draws it";
}

TEST_F(PaintedWindowScaleTest, AScaleMadeToFitAHeightGivesThatHeight) {
    // The device (486 x 858) on 1366 x 768 and on a screen with a 27-pixel panel.
    EXPECT_EQ(PaintedWindow::scaledSize(QSize(486, 858), 768.0 / 858), QSize(435, 768));
    EXPECT_EQ(PaintedWindow::scaledSize(QSize(486, 858), 741.0 / 858), QSize(419, 741));
    EXPECT_EQ(PaintedWindow::scaledSize(QSize(486, 858), 1), QSize(486, 858));
}

// Drawn smaller, a content that names the areas it changed has just those painted, each on its
// own (so a face that knows what lies in an area paints only that), and the window still shows
// what a whole paint gives.
TEST(PaintedWindowScale, TheAreasTheContentChangedArePaintedEachOnItsOwn) {
    auto made = std::make_unique<PatchContent>();
    PatchContent& content = *made;
    PaintedWindow window(PaintedWindow::Kind::window, std::move(made), QStringLiteral("Quorvel"));
    window.setContentScale(0.5);
    window.show();
    QImage onScreen(window.size(), QImage::Format_ARGB32_Premultiplied);
    onScreen.fill(Qt::black);
    window.render(&onScreen);

    content.clips.clear();
    content.recolour(Qt::green, Qt::yellow);
    // The window's pixels showing both patches, with the pixel the smoothing reaches.
    const auto shown = [](const QRect& area) {
        return QRect(area.x() / 2, area.y() / 2, area.width() / 2, area.height() / 2).adjusted(-1, -1, 1, 1);
    };
    const QRegion both = QRegion(shown(PatchContent::top)) + shown(PatchContent::bottom);
    window.render(&onScreen, both.boundingRect().topLeft(), both);
    EXPECT_EQ(content.clips, (std::vector<QRect>{PatchContent::top, PatchContent::bottom}))
        << "each changed area alone, not the bounds of both";

    EXPECT_EQ(onScreen.pixelColor(20, 20), QColor(Qt::green));
    EXPECT_EQ(onScreen.pixelColor(75, 175), QColor(Qt::yellow));
    const QImage whole = window.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(onScreen, whole) << "the window shows what a whole paint gives";
}

}  // namespace
}  // namespace quorvel
