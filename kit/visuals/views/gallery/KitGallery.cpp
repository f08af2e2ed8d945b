// The drawing kit's pieces in the gallery.
#include <QPainter>

#include "generated/AppVersion.hpp"
#include "kit/visuals/model/PixelArt.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/Pad.hpp"
#include "kit/visuals/views/gallery/GalleryPiece.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/DymoLabel.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Grain.hpp"
#include "kit/visuals/views/kit/KeyStyle.hpp"
#include "kit/visuals/views/kit/LED.hpp"
#include "kit/visuals/views/kit/Layer.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/PixelMapView.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "kit/visuals/views/mascot/MascotRenderer.hpp"
#include "kit/visuals/views/mascot/MascotView.hpp"

namespace quorvel::gallery {
namespace {

using drawing::toQColor;

void caption(QPainter& painter, const QRectF& frame, const QString& text) {
    drawing::drawTextLine(painter, frame, text,
                          {Fonts::mono(false, 9), 0, toQColor(Tokens::dim), Qt::AlignLeft | Qt::AlignVCenter, 1});
}

void paintGrain(QPainter& painter, const QRectF& frame) {
    painter.fillRect(frame, toQColor(Tokens::chassis));
    Grain{0.12}.paint(painter, frame.adjusted(0, 0, -frame.width() / 2, 0));
    Grain{1}.paint(painter, frame.adjusted(frame.width() / 2, 0, 0, 0));
}

void paintBevels(QPainter& painter, const QRectF&) {
    struct Sample {
        QString name;
        BevelSurface surface;
    };
    const std::vector<Sample> samples{
        {"raised 6", {Shape::roundedRectangle(7), Tokens::panel, Tokens::keyDepth, Bevel::raised(6), Tokens::ink, 2}},
        {"raised 0", {Shape::roundedRectangle(7), Tokens::panel, Tokens::keyDepth, Bevel::raised(0), Tokens::ink, 2}},
        {"pressed", {Shape::roundedRectangle(7), Tokens::panelPressed, Tokens::keyDepth, Bevel::pressed(), Tokens::ink, 2}},
        {"recessed", {Shape::roundedRectangle(7), Tokens::inset, Tokens::keyDepth, Bevel::recessed(), std::nullopt, 2}},
        {"acid raised", {Shape::capsule(), Tokens::acid, Tokens::acidDeep, Bevel::raised(5), Tokens::ink, 2}},
        {"no stroke", {Shape::rectangle(), Tokens::broke, Tokens::brokeDeep, Bevel::raised(4), std::nullopt, 8}},
    };
    double x = 16;
    for (const Sample& sample : samples) {
        sample.surface.paint(painter, QRectF(x, 16, 96, 44));
        caption(painter, QRectF(x, 76, 96, 14), sample.name);
        x += 112;
    }
}

void paintLeds(QPainter& painter, const QRectF&) {
    const std::vector<Color> colours{Tokens::acid, Tokens::broke, Tokens::mascotWhite};
    double x = 24;
    for (const Color& colour : colours) {
        for (const bool on : {true, false}) {
            LED{on, colour, 10}.paint(painter, LED{on, colour, 10}.frame(QPointF(x, 24)));
            LED{on, colour, 16}.paint(painter, LED{on, colour, 16}.frame(QPointF(x, 56)));
            x += 36;
        }
    }
}

void paintDymo(QPainter& painter, const QRectF&) {
    const std::vector<DymoLabel> labels{
        {Quorvel::modelLabel(), DymoLabel::Tape::ink, 12, std::nullopt}, {"TODAY", DymoLabel::Tape::acid, 12, std::nullopt},
        {"YESTERDAY", DymoLabel::Tape::ink, 10, std::nullopt},  {"", DymoLabel::Tape::ink, 12, std::nullopt},
        {"STRAIGHT", DymoLabel::Tape::acid, 12, 0.0},          {"ÄPFEL ÜBER", DymoLabel::Tape::ink, 12, std::nullopt},
    };
    double y = 14;
    for (const DymoLabel& label : labels) {
        const QSizeF size = label.layoutSize();
        label.paint(painter, QRectF(QPointF(20, y), size));
        caption(painter, QRectF(200, y, 200, size.height()),
                QString("tilt %1°").arg(label.angle(), 0, 'f', 2));
        y += size.height() + 14;
    }
}

void paintRenderedMascots(QPainter& painter, const QRectF&) {
    const double scale = drawing::devicePixelsPerPoint(painter);
    double x = 16;
    for (const PixelArt::Face face : PixelArt::allFaces) {
        MascotRenderer::draw(painter, QPointF(x, 16), {face, false, false, 0, 4, scale, false});
        MascotRenderer::draw(painter, QPointF(x, 96), {face, true, false, 0, 4, scale, false});
        caption(painter, QRectF(x, 168, 64, 12), QString::fromUtf8(PixelArt::rawValue(face).data()));
        x += 76;
    }
    MascotRenderer::draw(painter, QPointF(28, 208), {PixelArt::Face::happy, false, false, 0, 6, scale, true});
    MascotRenderer::draw(painter, QPointF(160, 208), {PixelArt::Face::dead, true, false, 0, 6, scale, true});
    painter.fillRect(QRectF(272, 196, 120, 120), toQColor(Tokens::screen));
    MascotRenderer::draw(painter, QPointF(284, 208), {PixelArt::Face::working, false, true, 0, 6, scale, true});
    MascotRenderer::draw(painter, QPointF(420, 208), {PixelArt::Face::happy, false, false, 2, 6, scale, false});
    MascotRenderer::draw(painter, QPointF(540, 208), {PixelArt::Face::happy, false, false, -3, 6, scale, false});
    caption(painter, QRectF(16, 320, 660, 12), "glow · broke glow · on screen glow · shift 2 · shift -3");
}

void paintMascotViews(QPainter& painter, const QRectF&) {
    MascotView{PixelArt::Face::happy, 4, false, 0, false}.paint(painter, QPointF(16, 16));
    MascotView{PixelArt::Face::happy, 3, false, 0, false}.paint(painter, QPointF(96, 16));
    MascotView{PixelArt::Face::angry, 3.4, true, 0, false}.paint(painter, QPointF(160, 16));
    MascotView{PixelArt::Face::wink, 4, false, 2, true}.paint(painter, QPointF(224, 16));
    PixelMapView(PixelArt::floppy(), PixelArt::floppyPalette(), 4).paint(painter, QPointF(304, 16));
    PixelMapView(PixelArt::bigFloppy(), PixelArt::floppyPalette(), 3).paint(painter, QPointF(360, 16));
    PixelMapView(PixelArt::miniBody(), PixelArt::palette(false), 4).paint(painter, QPointF(432, 16));
    PixelMapView(PixelArt::miniBody(), PixelArt::palette(true), 4).paint(painter, QPointF(488, 16));
    const PixelArt::Palette glyph{{'X', Tokens::acid}};
    PixelMapView(PixelArt::chevron(), glyph, 3).paint(painter, QPointF(16, 100));
    PixelMapView(PixelArt::list(), glyph, 3).paint(painter, QPointF(48, 100));
    PixelMapView(PixelArt::gear(), glyph, 3).paint(painter, QPointF(100, 100));
    PixelMapView(PixelArt::faces().at(PixelArt::Face::zero), PixelArt::facePalette(false), 3, {3, 3})
        .paint(painter, QPointF(150, 100));
}

void paintKeys(QPainter& painter, const QRectF&) {
    const std::vector<std::pair<KeyStyle::Size, QString>> sizes{
        {KeyStyle::Size::mac, "mac"}, {KeyStyle::Size::compact, "compact"}, {KeyStyle::Size::phone, "phone"}, {KeyStyle::Size::tall, "tall"}};
    const std::vector<KeyStyle::Look> looks{KeyStyle::Look::panel, KeyStyle::Look::acid, KeyStyle::Look::broke};
    double y = 16;
    for (const auto& [size, name] : sizes) {
        double x = 16;
        for (const KeyStyle::Look look : looks) {
            for (const bool pressed : {false, true}) {
                const KeyStyle style(look, size);
                style.paint(painter, QRectF(x, y, 150, style.height(false)), pressed ? "PRESSED" : "TEST", pressed);
                x += 162;
            }
        }
        caption(painter, QRectF(x, y, 80, 20), name);
        y += KeyStyle(KeyStyle::Look::panel, size).height(false) + 16;
    }
    const KeyStyle style(KeyStyle::Look::acid, KeyStyle::Size::mac);
    style.paint(painter, QRectF(16, y, 150, style.height(false)), "TEST THE ALARM NOW", false);
    style.paint(painter, QRectF(178, y, 110, style.height(false)), "A LEGEND FAR TOO LONG FOR IT", false);
    style.paint(painter, QRectF(300, y, 150, style.height(false)), "SEEN\nIT", false);
}

void paintPads(QPainter& painter, const QRectF&) {
    const std::vector<std::pair<QString, bool>> pads{{"CLAUDE", true}, {"SHELL", false}, {"FAILS ONLY", false}, {"FAILS ONLY", true}};
    double x = 16;
    for (const auto& [label, on] : pads) {
        Pad{label, on, {}}.paint(painter, QRectF(x, 16, 72, Pad::height()));
        x += 84;
    }
    Pad{"A VERY LONG PAD LABEL", false, {}}.paint(painter, QRectF(x, 16, 72, Pad::height()));
}

void paintText(QPainter& painter, const QRectF&) {
    const drawing::TextStyle style{Fonts::mono(false, 12), 0.5, toQColor(Tokens::mascotWhite), Qt::AlignLeft | Qt::AlignVCenter, 0.7};
    const std::vector<double> widths{300, 200, 150, 90};
    double y = 10;
    for (const double width : widths) {
        painter.fillRect(QRectF(16, y, width, 20), toQColor(Tokens::inset));
        drawing::drawTextLine(painter, QRectF(16, y, width, 20), "<b>quorvel</b>\tproject\nname", style);
        y += 28;
    }
    drawing::drawTextLine(painter, QRectF(16, y, 300, 8), "TALLER THAN ITS FRAME",
                          {Fonts::pixel(26), 0.96, toQColor(Tokens::acid), Qt::AlignCenter, 1});
    // Group opacity: the key's layers stay hidden behind its face at 40 %.
    const KeyStyle key(KeyStyle::Look::acid, KeyStyle::Size::mac);
    const QRectF keyFrame(16, y + 30, 150, key.height(false));
    drawing::paintWithOpacity(painter, keyFrame.adjusted(-4, -4, 4, 4), 0.4,
                              [&](QPainter& layer) { key.paint(layer, keyFrame, "40 %", false); });
}

std::vector<GalleryPiece> kitPieces() {
    return {
        {"kit-grain", {256, 128}, paintGrain},
        {"kit-bevels", {688, 100}, paintBevels},
        {"kit-leds", {232, 80}, paintLeds},
        {"kit-dymo", {300, 230}, paintDymo},
        {"kit-mascot-renderer", {700, 340}, paintRenderedMascots},
        {"kit-mascot-views", {560, 150}, paintMascotViews},
        {"kit-keys", {1080, 330}, paintKeys},
        {"kit-pads", {440, 100}, paintPads},
        {"kit-text", {340, 220}, paintText},
    };
}

const GalleryRegistration registration(kitPieces);

}  // namespace
}  // namespace quorvel::gallery
