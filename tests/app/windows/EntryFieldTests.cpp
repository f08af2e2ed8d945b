// The settings entry paints its own plate with the kit's continuous corners, so no desktop style
// squares them off or pads it differently: the plate, its size and where the text starts are
// the same under every style.
#include "app/windows/settings/EntryField.hpp"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <memory>
#include <optional>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shape.hpp"
#include "tests/app/windows/SettingsWindowSupport.hpp"

namespace quorvel {
namespace {

// The field on a chassis-coloured backdrop, as the settings rows show it.
struct ShownField {
    QWidget backdrop;
    EntryField* field;

    ShownField() : field(new EntryField(120, 10, {}, &backdrop)) {
        backdrop.setAutoFillBackground(true);
        QPalette colours = backdrop.palette();
        colours.setColor(QPalette::Window, drawing::toQColor(Tokens::chassis));
        backdrop.setPalette(colours);
    }

    void use(QStyle* style) {
        field->setStyle(style);
        field->setGeometry(QRect(QPoint(8, 8), field->sizeHint().expandedTo(QSize(field->width(), 0))));
        backdrop.resize(field->geometry().bottomRight().x() + 9, field->geometry().bottomRight().y() + 9);
    }

    QImage picture() { return backdrop.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied); }

    // The backdrop with only the kit's plate on it.
    QImage plate() const {
        QImage expected(backdrop.size(), QImage::Format_ARGB32_Premultiplied);
        expected.fill(drawing::toQColor(Tokens::chassis));
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(Shape::continuousRoundedRectangle(EntryField::cornerRadius).in(QRectF(field->geometry())),
                         drawing::toQColor(Tokens::screen));
        return expected;
    }
};

// The first column, left to right, in which `one` and `other` differ (-1: none).
int firstDifferingColumn(const QImage& one, const QImage& other) {
    for (int x = 0; x < one.width(); ++x) {
        for (int y = 0; y < one.height(); ++y) {
            if (one.pixel(x, y) != other.pixel(x, y)) return x;
        }
    }
    return -1;
}

TEST(EntryField, ThePlateSizeAndTextPlaceAreTheSameUnderEveryStyle) {
    testing::useProductFonts();
    ShownField shown;
    EXPECT_TRUE(shown.field->styleSheet().isEmpty());
    EXPECT_EQ(shown.field->width(), 132);

    std::optional<QSize> size;
    std::optional<QImage> typed;
    for (const char* name : {"Fusion", "Windows"}) {
        const std::unique_ptr<QStyle> style(QStyleFactory::create(QString::fromLatin1(name)));
        ASSERT_NE(style, nullptr) << name;
        shown.field->clear();
        shown.use(style.get());
        EXPECT_EQ(shown.picture(), shown.plate()) << name;

        shown.field->setText(QStringLiteral("ABC123 gypq"));
        const QImage withText = shown.picture();
        // The text starts inside the padding.
        EXPECT_GE(firstDifferingColumn(withText, shown.plate()), shown.field->x() + EntryField::padding) << name;
        if (size) {
            EXPECT_EQ(shown.field->sizeHint(), *size) << name;
            EXPECT_EQ(withText, *typed) << name;
        }
        size = shown.field->sizeHint();
        typed = withText;
        shown.field->setStyle(nullptr);
    }
}

}  // namespace
}  // namespace quorvel
