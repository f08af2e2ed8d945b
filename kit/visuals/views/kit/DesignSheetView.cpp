#include "kit/visuals/views/kit/DesignSheetView.hpp"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>

#include "generated/AppVersion.hpp"
#include "kit/visuals/model/PixelArt.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/DymoLabel.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/LED.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/PixelMapView.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "kit/visuals/views/mascot/MascotView.hpp"

namespace quorvel {
namespace {

constexpr double sheetPadding = 32;
constexpr double rowSpacing = 28;
constexpr double sectionSpacing = 12;

// A laid-out piece of the sheet: its size and how it paints into a frame of that size.
struct Item {
    QSizeF size;
    std::function<void(QPainter&, const QRectF&)> paint;
};

enum class Cross { leading, centre, trailing };

double place(Cross alignment, double free) {
    switch (alignment) {
        case Cross::leading: return 0;
        case Cross::centre: return free / 2;
        case Cross::trailing: return free;
    }
    return 0;
}

Item stack(std::vector<Item> items, double spacing, Cross alignment, bool horizontal) {
    double along = 0;
    double across = 0;
    for (std::size_t index = 0; index < items.size(); ++index) {
        const QSizeF size = items[index].size;
        along += (horizontal ? size.width() : size.height()) + (index > 0 ? spacing : 0);
        across = std::max(across, horizontal ? size.height() : size.width());
    }
    const QSizeF total = horizontal ? QSizeF(along, across) : QSizeF(across, along);
    return Item{total, [items = std::move(items), spacing, alignment, horizontal, across](QPainter& painter,
                                                                                       const QRectF& frame) {
                    double offset = 0;
                    for (const Item& item : items) {
                        const QSizeF size = item.size;
                        const double free = across - (horizontal ? size.height() : size.width());
                        const QPointF at = horizontal ? QPointF(offset, place(alignment, free))
                                                      : QPointF(place(alignment, free), offset);
                        item.paint(painter, QRectF(frame.topLeft() + at, size));
                        offset += (horizontal ? size.width() : size.height()) + spacing;
                    }
                }};
}

Item row(std::vector<Item> items, double spacing, Cross alignment) {
    return stack(std::move(items), spacing, alignment, true);
}
Item column(std::vector<Item> items, double spacing, Cross alignment) {
    return stack(std::move(items), spacing, alignment, false);
}

Item text(const QString& words, const QFont& font, const Color& colour, double tracking = 0) {
    drawing::TextStyle style{font, tracking, drawing::toQColor(colour), Qt::AlignCenter, 1};
    return Item{drawing::naturalSize(words, style), [words, style](QPainter& painter, const QRectF& frame) {
                    drawing::drawTextLine(painter, frame.adjusted(0, 0, 0.5, 0), words, style);
                }};
}

Item mascot(PixelArt::Face face, double scale, bool broke = false) {
    const MascotView view{face, scale, broke, 0, false};
    return Item{view.size(), [view](QPainter& painter, const QRectF& frame) { view.paint(painter, frame.topLeft()); }};
}

Item dymo(const std::string& words, DymoLabel::Tape tape, double size) {
    const DymoLabel label{words, tape, size, std::nullopt};
    return Item{label.layoutSize(), [label](QPainter& painter, const QRectF& frame) { label.paint(painter, frame); }};
}

Item surface(const BevelSurface& bevel, QSizeF size, std::optional<Item> content = std::nullopt) {
    return Item{size, [bevel, content](QPainter& painter, const QRectF& frame) {
                    bevel.paint(painter, frame);
                    if (content) {
                        const QSizeF inner = content->size;
                        content->paint(painter, QRectF(frame.center() - QPointF(inner.width() / 2, inner.height() / 2),
                                                       inner));
                    }
                }};
}

// A raised key of the sheet: the legend padded 16 left and right, 44 high, 5 points of room
// below for its depth.
Item raisedKey(const QString& legend, const Color& legendColour, const Color& fill, const Color& depth) {
    Item words = text(legend, Fonts::pixel(24), legendColour, 0.96);
    const QSizeF face(words.size.width() + 32, 44);
    Item key = surface(BevelSurface{Shape::continuousRoundedRectangle(7), fill, depth, Bevel::raised(5), Tokens::ink, 2}, face,
                       std::move(words));
    return Item{QSizeF(face.width(), face.height() + 5), [key](QPainter& painter, const QRectF& frame) {
                    key.paint(painter, QRectF(frame.topLeft(), key.size));
                }};
}

Item led(bool on) {
    const LED lamp{on, Tokens::acid, 8};
    return Item{QSizeF(8, 8), [lamp](QPainter& painter, const QRectF& frame) { lamp.paint(painter, frame); }};
}

Item swatch(const DesignSheetView::Swatch& entry) {
    Item chip{QSizeF(52, 36), [colour = entry.color](QPainter& painter, const QRectF& frame) {
                  const QPainterPath shape = Shape::continuousRoundedRectangle(3).in(frame);
                  painter.save();
                  painter.setRenderHint(QPainter::Antialiasing, true);
                  painter.fillPath(shape, drawing::toQColor(colour));
                  painter.restore();
                  drawing::strokePath(painter, shape, drawing::toQColor(Tokens::ink), 1);
              }};
    return column({std::move(chip), text(QString::fromStdString(entry.label), Fonts::mono(false, 9), Tokens::dim)}, 4,
                  Cross::centre);
}

Item section(const std::string& title, Item content) {
    return column({text(QString::fromStdString(title), Fonts::mono(true, 11), Tokens::dim, 1.5), std::move(content)},
                  sectionSpacing, Cross::leading);
}

Item sheet(const std::vector<DesignSheetView::Swatch>& swatches) {
    const std::vector<std::string> titles = DesignSheetView::sectionTitles();
    std::vector<Item> rows;
    rows.push_back(row({mascot(PixelArt::Face::zero, 4), text(QStringLiteral("QUORVEL"), Fonts::pixel(64), Tokens::acid),
                        dymo(Quorvel::modelLabel(), DymoLabel::Tape::ink, 11)},
                       16, Cross::centre));

    std::vector<Item> faces;
    for (const PixelArt::Face face : PixelArt::allFaces) {
        const QString name = QString::fromUtf8(PixelArt::rawValue(face).data(),
                                               static_cast<int>(PixelArt::rawValue(face).size()))
                                 .toUpper();
        faces.push_back(column({mascot(face, 6), text(name, Fonts::mono(true, 10), Tokens::dim)}, 6, Cross::centre));
    }
    rows.push_back(section(titles[0], row(std::move(faces), 18, Cross::centre)));

    std::vector<Item> bodies;
    bodies.push_back(mascot(PixelArt::Face::angry, 6, true));
    const PixelMapView floppy(PixelArt::floppy(), PixelArt::floppyPalette(), 6);
    bodies.push_back(
        Item{floppy.size(), [floppy](QPainter& painter, const QRectF& frame) { floppy.paint(painter, frame); }});
    for (const double scale : {3.0, 4.0, 5.0, 8.0}) bodies.push_back(mascot(PixelArt::Face::happy, scale));
    rows.push_back(section(titles[1], row(std::move(bodies), 18, Cross::trailing)));

    rows.push_back(section(titles[2], column({text(QStringLiteral("DONE."), Fonts::pixel(58), Tokens::mascotWhite),
                                              text(QStringLiteral("GO LOOK."), Fonts::pixel(58), Tokens::acid),
                                              text(QStringLiteral("LIVE  TERMINAL 03"), Fonts::mono(true, 11), Tokens::dim, 1),
                                              text(QStringLiteral("refactor auth flow · 4m 12s"), Fonts::mono(false, 13),
                                                   Tokens::mascotWhite)},
                                             6, Cross::leading)));

    std::vector<Item> samples;
    samples.push_back(raisedKey(QStringLiteral("TEST THE ALARM"), Tokens::mascotWhite, Tokens::panel, Tokens::side));
    samples.push_back(raisedKey(QStringLiteral("SEEN IT"), Tokens::ink, Tokens::acid, Tokens::acidDeep));
    samples.push_back(raisedKey(QStringLiteral("SEEN IT"), Tokens::ink, Tokens::broke, Tokens::brokeDeep));
    samples.push_back(surface(BevelSurface{Shape::continuousRoundedRectangle(6), Tokens::panel, Tokens::keyDepth, Bevel::pressed(),
                                           Tokens::ink, 2},
                              QSizeF(70, 44), text(QStringLiteral("ON"), Fonts::mono(true, 10), Tokens::dim)));
    samples.push_back(surface(BevelSurface{Shape::continuousRoundedRectangle(6), Tokens::screen, Tokens::keyDepth,
                                           Bevel::recessed(), std::nullopt, 2},
                              QSizeF(120, 44)));
    samples.push_back(led(true));
    samples.push_back(led(false));
    samples.push_back(dymo("THE SETLIST", DymoLabel::Tape::ink, 11));
    samples.push_back(dymo("NO BABYSITTING", DymoLabel::Tape::acid, 11));
    rows.push_back(section(titles[3], row(std::move(samples), 20, Cross::centre)));

    std::vector<Item> chips;
    for (const auto& entry : swatches) chips.push_back(swatch(entry));
    rows.push_back(section(titles[4], row(std::move(chips), 8, Cross::centre)));

    return column(std::move(rows), rowSpacing, Cross::leading);
}

}  // namespace

std::vector<DesignSheetView::Swatch> DesignSheetView::defaultSwatches() {
    return {{"ink", Tokens::ink},           {"chassis", Tokens::chassis}, {"panel", Tokens::panel},
            {"side", Tokens::side},         {"top", Tokens::top},         {"inset", Tokens::inset},
            {"screen", Tokens::screen},     {"acid", Tokens::acid},       {"acidDeep", Tokens::acidDeep},
            {"mascotWhite", Tokens::mascotWhite}, {"dim", Tokens::dim},   {"broke", Tokens::broke},
            {"brokeDeep", Tokens::brokeDeep}};
}

std::vector<std::string> DesignSheetView::sectionTitles() {
    return {"FACES · SCALE 6", "BROKE BODY · FLOPPY · SCALES 3 4 5 8", "TYPE", "BEVELS · KEYS · LEDS · DYMO",
            "COLOUR TOKENS"};
}

QSizeF DesignSheetView::size() const {
    const QSizeF content = sheet(swatches).size;
    return {std::ceil(content.width() + 2 * sheetPadding), std::ceil(content.height() + 2 * sheetPadding)};
}

void DesignSheetView::paint(QPainter& painter) const {
    const Item content = sheet(swatches);
    const QSizeF whole(std::ceil(content.size.width() + 2 * sheetPadding), std::ceil(content.size.height() + 2 * sheetPadding));
    painter.fillRect(QRectF(QPointF(0, 0), whole), drawing::toQColor(Tokens::chassis));
    content.paint(painter, QRectF(QPointF(sheetPadding, sheetPadding), content.size));
}

}  // namespace quorvel
